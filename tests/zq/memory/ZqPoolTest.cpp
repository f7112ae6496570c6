// Object pools: order of hand-out and reuse, exhaustion, named sharing, quit counts, the shared
// block pool and zqCalloc, and all of it hammered from several threads at once.
#include "zq/memory/ZqFixList.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/memory/ZqRefAlloc.h"
#include "zq/memory/ZqRefList.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// A plain pooled class the way framework classes are written.
class Plain : public ZqFixList<Plain> {
public:
    static Plain* create() {
        const ZqLockGuard hold(*m_pCriticalSection);
        Plain* const e = ZqFixList::create();
        if (e != nullptr) {
            e->m_payload = 1;
        }
        return e;
    }
    unsigned int release() {
        const ZqLockGuard hold(*m_pCriticalSection);
        m_payload = 0;
        return ZqFixList::release(this);
    }
    static bool sysInit(const unsigned int n) { return init(n); }
    static unsigned int sysQuit() { return quit(); }
    int m_payload = 0;

private:
    friend class ZqFixList<Plain>;
    Plain() = default;
    ~Plain() override = default;
};

class Named : public ZqRefList<Named> {
public:
    static Named* create(const char16_t* name) {
        const ZqLockGuard hold(*m_pCriticalSection);
        return ZqRefList::create(name);
    }
    static Named* createForce(const char16_t* name) {
        const ZqLockGuard hold(*m_pCriticalSection);
        return ZqRefList::createForce(name);
    }
    unsigned int release() {
        const ZqLockGuard hold(*m_pCriticalSection);
        return ZqRefList::release(this);
    }
    static bool sysInit(const unsigned int n) { return init(n); }
    static unsigned int sysQuit() { return quit(); }

private:
    friend class ZqFixList<Named>;
    Named() = default;
    ~Named() override = default;
};

std::vector<Plain*> usedList() {
    std::vector<Plain*> v;
    for (Plain* e = Plain::getUsed(); e != nullptr; e = e->getNext()) {
        v.push_back(e);
    }
    return v;
}

bool storedInside(const Named* const e, const char16_t* const name) {
    const auto* const p = reinterpret_cast<const char*>(name);
    return p >= reinterpret_cast<const char*>(e) && p < reinterpret_cast<const char*>(e + 1);
}

} // namespace

TEST(ZqFixList, HandsOutInArrayOrderAndReusesLastReleasedFirst) {
    ASSERT_TRUE(Plain::sysInit(4));
    EXPECT_FALSE(Plain::sysInit(4)); // one pool per class
    Plain* const e0 = Plain::create();
    Plain* const e1 = Plain::create();
    Plain* const e2 = Plain::create();
    EXPECT_EQ(e0, &Plain::at(0));
    EXPECT_EQ(e1, &Plain::at(1));
    EXPECT_EQ(e2, &Plain::at(2));
    EXPECT_EQ(usedList(), (std::vector<Plain*>{e2, e1, e0})); // newest first

    EXPECT_EQ(e1->release(), 0u); // from the middle of the used list
    EXPECT_EQ(e0->release(), 0u); // from its tail
    EXPECT_EQ(usedList(), (std::vector<Plain*>{e2}));
    EXPECT_EQ(Plain::getFree(), e0);
    EXPECT_EQ(Plain::create(), e0);
    EXPECT_EQ(Plain::create(), e1);
    EXPECT_EQ(Plain::getNrInstances(), 3u);
    EXPECT_EQ(Plain::getNrFree(), 1u);

    EXPECT_EQ(Plain::sysQuit(), 3u); // one release per element still in use
    EXPECT_EQ(Plain::getNrInstances(), 0u);
    EXPECT_EQ(Plain::getUsed(), nullptr);
}

TEST(ZqFixList, FullPoolReturnsNullAndKeepsCounters) {
    ASSERT_TRUE(Plain::sysInit(3));
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(Plain::create(), nullptr);
    }
    EXPECT_EQ(Plain::create(), nullptr);
    EXPECT_EQ(Plain::getNrInstances(), 3u);
    EXPECT_EQ(Plain::getNrFree(), 0u);
    EXPECT_EQ(Plain::sysQuit(), 3u);

    ASSERT_TRUE(Plain::sysInit(0)); // an empty pool is valid and always full
    EXPECT_EQ(Plain::create(), nullptr);
    EXPECT_EQ(Plain::sysQuit(), 0u);
}

TEST(ZqFixList, SearchFindsOnlyElementsInUse) {
    ASSERT_TRUE(Plain::sysInit(3));
    Plain* const a = Plain::create();
    Plain* const b = Plain::create();
    EXPECT_EQ(Plain::search(a), a);
    EXPECT_EQ(Plain::search(&Plain::at(2)), nullptr); // never handed out
    b->release();
    EXPECT_EQ(Plain::search(b), nullptr);
    EXPECT_EQ(Plain::search(nullptr), nullptr);
    a->release();
    EXPECT_EQ(Plain::sysQuit(), 0u);
    EXPECT_EQ(Plain::search(a), nullptr); // no pool at all
}

TEST(ZqRefList, EqualNamesShareOneElement) {
    ASSERT_TRUE(Named::sysInit(4));
    Named* const a = Named::create(u"abc");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Named::create(u"abc"), a);
    EXPECT_EQ(a->getRefCount(), 2u);
    EXPECT_EQ(Named::getNrInstances(), 1u);
    a->addRef();
    EXPECT_EQ(a->release(), 2u);
    EXPECT_EQ(a->release(), 1u);
    EXPECT_EQ(a->release(), 0u);
    EXPECT_EQ(Named::getNrFree(), 4u);
    EXPECT_EQ(Named::search(u"abc"), nullptr);
    // Released too often: stays free, counters untouched.
    EXPECT_EQ(a->release(), 0u);
    EXPECT_EQ(Named::getNrFree(), 4u);
    EXPECT_EQ(Named::getNrInstances(), 0u);
    EXPECT_EQ(Named::sysQuit(), 0u);
}

TEST(ZqRefList, NamesAreExactCaseSensitiveAndNonEmpty) {
    ASSERT_TRUE(Named::sysInit(8));
    Named* const lower = Named::create(u"abc");
    Named* const upper = Named::create(u"ABC");
    Named* const longer = Named::create(u"abcd");
    EXPECT_NE(lower, upper);
    EXPECT_NE(lower, longer);
    EXPECT_EQ(Named::search(u"ab"), nullptr); // a prefix is not the name
    EXPECT_EQ(Named::search(u"ABC"), upper);
    EXPECT_EQ(Named::create(nullptr), nullptr);
    EXPECT_EQ(Named::create(u""), nullptr);
    EXPECT_EQ(Named::createForce(u""), nullptr);
    EXPECT_EQ(Named::search(static_cast<const char16_t*>(nullptr)), nullptr);
    EXPECT_EQ(Named::getNrInstances(), 3u);
    EXPECT_EQ(Named::sysQuit(), 3u);
}

TEST(ZqRefList, NamesUpTo15UnitsInlineLongerOnTheHeap) {
    ASSERT_TRUE(Named::sysInit(4));
    const std::u16string names[] = {u"a", u"abcdefghijklmno", u"abcdefghijklmnop",
                                    std::u16string(300, u'x')};
    const bool inlineExpected[] = {true, true, false, false};
    for (size_t i = 0; i < 4; ++i) {
        Named* const e = Named::create(names[i].c_str());
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(std::u16string(e->getName()), names[i]);
        EXPECT_EQ(storedInside(e, e->getName()), inlineExpected[i]) << names[i].size();
        EXPECT_EQ(Named::search(names[i].c_str()), e);
    }
    // The heap copies go back with their elements (LeakSanitizer checks).
    Named::search(names[2].c_str())->release();
    EXPECT_EQ(Named::sysQuit(), 3u);
}

TEST(ZqRefList, CreateForceMakesANewerTwinThatIsFoundFirst) {
    ASSERT_TRUE(Named::sysInit(4));
    Named* const older = Named::create(u"tex");
    Named* const newer = Named::createForce(u"tex");
    ASSERT_NE(newer, nullptr);
    EXPECT_NE(newer, older);
    EXPECT_EQ(newer->getRefCount(), 1u);
    EXPECT_EQ(Named::search(u"tex"), newer);
    EXPECT_EQ(Named::create(u"tex"), newer);
    EXPECT_EQ(newer->release(), 1u);
    EXPECT_EQ(newer->release(), 0u);
    EXPECT_EQ(Named::search(u"tex"), older);
    EXPECT_EQ(Named::sysQuit(), 1u);
}

TEST(ZqRefList, QuitReleasesEveryOutstandingReference) {
    ASSERT_TRUE(Named::sysInit(4));
    Named* const e = Named::create(u"held");
    Named::create(u"held");
    e->addRef();
    Named::create(u"once");
    EXPECT_EQ(Named::sysQuit(), 4u); // three for "held", one for "once"

    ASSERT_TRUE(Named::sysInit(1));
    Named::create(u"only");
    EXPECT_EQ(Named::create(u"other"), nullptr);          // full pool
    EXPECT_EQ(Named::create(u"only")->getRefCount(), 2u); // an existing name still resolves
    EXPECT_EQ(Named::sysQuit(), 2u);
}

class ZqRefAllocTest : public ::testing::Test {
protected:
    void SetUp() override { ZqRefAlloc::sysInit(); }
    void TearDown() override { ZqRefAlloc::sysQuit(); }
};

TEST_F(ZqRefAllocTest, SizeLimitZeroFillAndSharing) {
    EXPECT_EQ(ZqRefAlloc::create(u"big", ZqRefAlloc::MAX_SIZE + 1), nullptr);
    ZqRefAlloc* const a = ZqRefAlloc::create(u"big", ZqRefAlloc::MAX_SIZE);
    ASSERT_NE(a, nullptr);
    const auto* const bytes = static_cast<const uint8_t*>(a->getMemory());
    const std::vector<uint8_t> zeros(ZqRefAlloc::MAX_SIZE, 0);
    EXPECT_EQ(std::memcmp(bytes, zeros.data(), zeros.size()), 0);
    std::memset(a->getMemory(), 0x5A, ZqRefAlloc::MAX_SIZE);

    // The same name with a smaller size shares the first block, contents and all.
    ZqRefAlloc* const b = ZqRefAlloc::create(u"big", 16);
    EXPECT_EQ(b, a);
    EXPECT_EQ(b->getMemory(), a->getMemory());
    EXPECT_EQ(a->getRefCount(), 2u);

    EXPECT_EQ(ZqRefAlloc::create(nullptr, 8), nullptr);
    EXPECT_EQ(ZqRefAlloc::create(u"", 8), nullptr);
    ZqRefAlloc* const empty = ZqRefAlloc::create(u"empty", 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_NE(empty->getMemory(), nullptr);

    EXPECT_EQ(a->release(), 1u);
    EXPECT_EQ(a->release(), 0u);
    EXPECT_EQ(a->getMemory(), nullptr);
    EXPECT_EQ(empty->release(), 0u);
    EXPECT_EQ(ZqRefAlloc::getNrInstances(), 0u);
}

TEST_F(ZqRefAllocTest, LargerRequestForAnExistingNameIsRefused) {
    ZqRefAlloc* const a = ZqRefAlloc::create(u"*MotionRetargetTab*a*b", 128);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(ZqRefAlloc::create(u"*MotionRetargetTab*a*b", 129), nullptr);
    EXPECT_EQ(a->getRefCount(), 1u); // the refused call left no reference behind
    EXPECT_EQ(ZqRefAlloc::create(u"*MotionRetargetTab*a*b", 128), a);
    EXPECT_EQ(a->release(), 1u);
    EXPECT_EQ(a->release(), 0u);
    // Once the name is gone, any size up to the limit makes a new block.
    ZqRefAlloc* const c = ZqRefAlloc::create(u"*MotionRetargetTab*a*b", 4096);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->release(), 0u);
}

TEST_F(ZqRefAllocTest, PoolHolds4096Blocks) {
    std::vector<ZqRefAlloc*> held;
    for (unsigned int i = 0; i < ZqRefAlloc::NR_POOL; ++i) {
        const std::u16string name = u"b" + std::u16string(1, static_cast<char16_t>(0x100 + i));
        held.push_back(ZqRefAlloc::create(name.c_str(), 4));
        ASSERT_NE(held.back(), nullptr) << i;
    }
    EXPECT_EQ(ZqRefAlloc::create(u"one more", 4), nullptr);
    EXPECT_EQ(ZqRefAlloc::getNrFree(), 0u);
    held.front()->release();
    EXPECT_NE(ZqRefAlloc::create(u"one more", 4), nullptr);
    // The rest is left to sysQuit in TearDown, which frees every block.
}

TEST(ZqMemAlloc, CallocRefusesProductsBeyond32Bits) {
    const struct {
        unsigned int count;
        unsigned int size;
        bool ok;
    } cases[] = {
        {3, 5, true},
        {0, 7, true},
        {0x10000, 0x10000, false}, // exactly 2^32
        {0xFFFFFFFFu, 2, false},
        {2, 0x80000000u, false},
        {0x100, 0x100, true},
    };
    for (const auto& c : cases) {
        void* const p = zqCalloc(c.count, c.size);
        EXPECT_EQ(p != nullptr, c.ok) << c.count << " x " << c.size;
        const size_t bytes = static_cast<size_t>(c.count) * c.size;
        if (p != nullptr && bytes != 0) {
            const std::vector<uint8_t> zeros(bytes, 0);
            EXPECT_EQ(std::memcmp(p, zeros.data(), bytes), 0);
        }
        ZqMemAlloc::deallocate(p);
    }
    void* const q = ZqMemAlloc::allocate(64);
    ASSERT_NE(q, nullptr);
    ZqMemAlloc::deallocate(q);
    ZqMemAlloc::deallocate(nullptr);
    EXPECT_FALSE(ZqMemAlloc::enableLogging(u"alloc.log"));
}

TEST(ZqPools, SeveralThreadsAtOnce) {
    constexpr int NR_THREADS = 8;
    constexpr int ROUNDS = 3000;
    ZqRefAlloc::sysInit();
    ASSERT_TRUE(Plain::sysInit(8)); // fewer elements than threads want at peak
    ASSERT_TRUE(Named::sysInit(64));

    std::atomic<int> faults{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < NR_THREADS; ++t) {
        threads.emplace_back([t, &faults] {
            static const char16_t* const NAMES[] = {u"shared-a", u"shared-b",
                                                    u"a-rather-long-shared-name"};
            std::vector<ZqRefAlloc*> blocks;
            std::vector<Plain*> plains;
            for (int i = 0; i < ROUNDS; ++i) {
                const char16_t* const name = NAMES[(i + t) % 3];
                ZqRefAlloc* const b = ZqRefAlloc::create(name, 64);
                if (b == nullptr || std::u16string(b->getName()) != name || b->getRefCount() == 0) {
                    ++faults;
                } else {
                    static_cast<uint8_t*>(b->getMemory())[t] = 1; // each thread its own byte
                    blocks.push_back(b);
                }
                if (Plain* const p = Plain::create()) {
                    if (p->m_payload != 1) {
                        ++faults;
                    }
                    plains.push_back(p);
                }
                Named* const n = (i % 5 == 0) ? Named::createForce(name) : Named::create(name);
                if (n == nullptr || Named::search(n) != n) {
                    ++faults;
                } else {
                    n->release();
                }
                if (blocks.size() > 4) {
                    blocks.front()->release();
                    blocks.erase(blocks.begin());
                }
                if (plains.size() > 1) {
                    plains.front()->release();
                    plains.erase(plains.begin());
                }
            }
            for (ZqRefAlloc* const b : blocks) {
                b->release();
            }
            for (Plain* const p : plains) {
                p->release();
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(faults.load(), 0);
    EXPECT_EQ(ZqRefAlloc::getNrInstances(), 0u);
    EXPECT_EQ(ZqRefAlloc::getNrFree(), ZqRefAlloc::NR_POOL);
    EXPECT_EQ(Plain::getNrInstances() + Plain::getNrFree(), 8u);
    EXPECT_EQ(Plain::sysQuit(), 0u);
    EXPECT_EQ(Named::sysQuit(), 0u);
    ZqRefAlloc::sysQuit();
}
