#include "zq/thread/ZqCriticalSection.h"
#include "zq/thread/ZqEvent.h"
#include "zq/thread/ZqFifo.h"
#include "zq/thread/ZqThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <functional>
#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// A thread whose body is a function, for tests.
class FnThread : public ZqThread {
public:
    explicit FnThread(std::function<void(FnThread&)> body) : m_body(std::move(body)) {}
    void run() override { m_body(*this); }

private:
    std::function<void(FnThread&)> m_body;
};

// Wakes now and then and counts in its own member until destroyed.
class Ticker : public ZqThread {
public:
    explicit Ticker(std::atomic<int>& inRun) : m_inRun(inRun) {}
    void run() override {
        ++m_inRun;
        for (;;) {
            waitEvent(300);
            ++m_ticks;
        }
    }

private:
    std::atomic<int>& m_inRun;
    std::atomic<long> m_ticks{0};
};

// The queue-driven worker the file and board threads follow: drain, wait, stop on the flag.
class Worker : public ZqThread {
public:
    explicit Worker(ZqFifo<int>& queue) : m_queue(queue) {}
    void run() override {
        for (;;) {
            int v = 0;
            while (m_queue.pop(v)) {
                m_sum += v;
                ++m_done;
            }
            ++m_wakeups;
            if (waitEvent(INFINITE_WAIT) && m_stop) {
                int rest = 0;
                while (m_queue.pop(rest)) {
                    m_sum += rest;
                    ++m_done;
                }
                return;
            }
        }
    }
    ZqFifo<int>& m_queue;
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_sum{0};
    std::atomic<int> m_done{0};
    std::atomic<int> m_wakeups{0};
};

TEST(ZqEvent, AutoResetConsumesOneSignal) {
    ZqEvent e;
    EXPECT_FALSE(e.wait(0));
    e.set();
    e.set(); // two signals before a wait release only one wait
    EXPECT_TRUE(e.wait(0));
    EXPECT_FALSE(e.wait(0));
    e.set();
    e.reset();
    EXPECT_FALSE(e.wait(10));
}

TEST(ZqEvent, WaitIsReleasedByAnotherThread) {
    ZqEvent e;
    std::thread t([&e] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        e.set();
    });
    EXPECT_TRUE(e.wait(ZqEvent::INFINITE_WAIT));
    t.join();
}

TEST(ZqThread, StartsSuspendedAndJoins) {
    std::atomic<bool> ran{false};
    std::atomic<bool> release{false};
    FnThread t([&](FnThread&) {
        ran = true;
        while (!release) {
            ZqThread::sleep(1);
        }
    });
    ZqThread::sleep(20);
    EXPECT_FALSE(ran) << "a new thread stays suspended until start";
    ASSERT_TRUE(t.start());
    EXPECT_FALSE(t.join(0)) << "join(0) on a running thread returns at once";
    release = true;
    EXPECT_TRUE(t.join(ZqThread::INFINITE_WAIT));
    EXPECT_TRUE(ran);
    EXPECT_TRUE(t.join(0)) << "an ended thread joins at once, again";
}

TEST(ZqThread, NeverStartedThreadIsDestroyedWithoutRunning) {
    std::atomic<bool> ran{false};
    {
        FnThread t([&](FnThread&) { ran = true; });
    }
    EXPECT_FALSE(ran);
}

TEST(ZqThread, DestroyingAThreadThatStillWaitsNeverBlocks) {
    // A program that ends mid-run destroys workers that still wait on their event: one waits
    // for good, the other keeps waking and touching its object. Destroying them must neither
    // block nor let the second touch freed memory (a sanitizer build reports that). Done in a
    // child process, which the stuck threads do not outlive.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::atomic<int> inRun{0};
        {
            FnThread waiting([&](FnThread& self) {
                ++inRun;
                self.waitEvent(ZqThread::INFINITE_WAIT);
            });
            auto polling = std::make_unique<Ticker>(inRun);
            waiting.start();
            polling->start();
            while (inRun.load() < 2) {
                ZqThread::sleep(1);
            }
            // Both are in their waits well before this.
            ZqThread::sleep(100);
            polling.reset();
        }
        ZqThread::sleep(400);
        _exit(0);
    }
    int status = -1;
    for (int i = 0; i < 1000 && waitpid(child, &status, WNOHANG) == 0; ++i) {
        ZqThread::sleep(10);
    }
    if (status == -1) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the destructor blocked or the thread touched its destroyed object";
}

TEST(ZqThread, EscapedExceptionBecomesErrorCode) {
    FnThread coded([](FnThread&) { throw 0x1234u; });
    FnThread other([](FnThread&) { throw std::runtime_error("x"); });
    FnThread clean([](FnThread&) {});
    for (ZqThread* t : {static_cast<ZqThread*>(&coded), static_cast<ZqThread*>(&other),
                        static_cast<ZqThread*>(&clean)}) {
        ASSERT_TRUE(t->start());
        ASSERT_TRUE(t->join(ZqThread::INFINITE_WAIT));
    }
    EXPECT_EQ(coded.getErrorCode(), 0x1234u);
    EXPECT_EQ(other.getErrorCode(), 0xFFFu);
    EXPECT_EQ(clean.getErrorCode(), 0u);
}

TEST(ZqThread, PriorityAndAffinity) {
    std::atomic<bool> release{false};
    FnThread t([&](FnThread&) {
        while (!release) {
            ZqThread::sleep(1);
        }
    });
    EXPECT_TRUE(t.setPriority(ZqThread::PRIORITY_BELOW_NORMAL));
    EXPECT_TRUE(t.setAffinityMask(1u));
    EXPECT_FALSE(t.setAffinityMask(0u));
    ASSERT_TRUE(t.start());
    release = true;
    EXPECT_TRUE(t.join(ZqThread::INFINITE_WAIT));
}

TEST(ZqThread, WorkerDrainsQueueOnEachWakeupAndStops) {
    ZqFifo<int> queue(64);
    Worker w(queue);
    ASSERT_TRUE(w.start());
    long expected = 0;
    for (int round = 0; round < 50; ++round) {
        for (int i = 1; i <= 10; ++i) {
            while (!queue.push(i)) {
                w.setEvent();
                ZqThread::sleep(0);
            }
            expected += i;
        }
        w.setEvent();
        w.setEvent(); // extra signals merge into one wake-up
    }
    w.m_stop = true;
    w.setEvent();
    ASSERT_TRUE(w.join(ZqThread::INFINITE_WAIT));
    EXPECT_EQ(w.m_sum, expected);
    EXPECT_EQ(w.m_done, 500);
}

TEST(ZqCriticalSection, TryLockFromOtherThreadAndRecursion) {
    ZqCriticalSection cs;
    cs.lock();
    EXPECT_TRUE(cs.tryLock()) << "the holder enters again";
    bool other = true;
    std::thread([&] { other = cs.tryLock(); }).join();
    EXPECT_FALSE(other);
    cs.unlock();
    cs.unlock();
    std::thread([&] {
        other = cs.tryLock();
        if (other) {
            cs.unlock();
        }
    }).join();
    EXPECT_TRUE(other);
}

TEST(ZqCriticalSection, GuardsCounterUnderContention) {
    ZqCriticalSection cs;
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                const ZqLockGuard hold(cs);
                ++counter;
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(counter, 8 * 20000);
}

TEST(ZqFifo, HoldsCapacityMinusOneInOrder) {
    ZqFifo<uint32_t> fifo(4);
    EXPECT_EQ(fifo.getNrQueued(), 0u);
    uint32_t out = 0;
    EXPECT_FALSE(fifo.pop(out));
    for (uint32_t round = 0; round < 3; ++round) { // wraps around the ring
        EXPECT_TRUE(fifo.push(round * 10 + 1));
        EXPECT_TRUE(fifo.push(round * 10 + 2));
        EXPECT_TRUE(fifo.push(round * 10 + 3));
        EXPECT_FALSE(fifo.push(99)) << "N - 1 records are usable";
        EXPECT_EQ(fifo.getNrQueued(), 3u);
        for (uint32_t k = 1; k <= 3; ++k) {
            ASSERT_TRUE(fifo.pop(out));
            EXPECT_EQ(out, round * 10 + k);
        }
        EXPECT_FALSE(fifo.pop(out));
    }
}

TEST(ZqFifo, SingleSlotRingHoldsNothing) {
    ZqFifo<int> one(1);
    ZqFifo<int> zero(0);
    EXPECT_FALSE(one.push(1));
    EXPECT_FALSE(zero.push(1));
}

TEST(ZqFifo, ProducerConsumerKeepsEveryRecord) {
    struct Rec {
        uint64_t id;
        uint32_t kind;
        uint32_t value;
    };
    ZqFifo<Rec> fifo(20);
    constexpr uint64_t N = 20000;
    std::thread producer([&] {
        for (uint64_t i = 0; i < N; ++i) {
            while (!fifo.push({i, 1, static_cast<uint32_t>(i * 3)})) {
                std::this_thread::yield();
            }
        }
    });
    uint64_t next = 0;
    while (next < N) {
        Rec r{};
        if (fifo.pop(r)) {
            ASSERT_EQ(r.id, next);
            ASSERT_EQ(r.value, static_cast<uint32_t>(next * 3));
            ++next;
        } else {
            std::this_thread::yield();
        }
    }
    producer.join();
}

} // namespace
