#include "bench/support/MaskedPeer.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace zqbench {

namespace {

constexpr const char* CHILD_MARK = "ZQBENCH_MASKED_PEER";
// Every capability bit of both words cleared: libcrypto takes its portable code.
constexpr const char* MASK = "OPENSSL_ia32cap=~0xFFFFFFFFFFFFFFFF:~0xFFFFFFFFFFFFFFFF";

// The parent's end: the child's pid and two line streams.
class Child {
public:
    Child() {
        int toChild[2];
        int fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
        for (const int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) {
            posix_spawn_file_actions_addclose(&actions, fd);
        }
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string s = *e;
            if (s.rfind("OPENSSL_ia32cap=", 0) != 0 && s.rfind(CHILD_MARK, 0) != 0) {
                env.push_back(s);
            }
        }
        env.emplace_back(MASK);
        env.push_back(std::string(CHILD_MARK) + "=1");
        std::vector<char*> envp;
        for (std::string& s : env) {
            envp.push_back(s.data());
        }
        envp.push_back(nullptr);
        char self[] = "/proc/self/exe";
        char* const argv[] = {self, nullptr};
        const bool spawned = posix_spawn(&m_pid, self, &actions, nullptr, argv, envp.data()) == 0;
        posix_spawn_file_actions_destroy(&actions);
        close(toChild[0]);
        close(fromChild[1]);
        if (!spawned) {
            close(toChild[1]);
            close(fromChild[0]);
            m_pid = -1;
            return;
        }
        m_in = fdopen(toChild[1], "w");
        m_out = fdopen(fromChild[0], "r");
    }
    ~Child() {
        if (m_in != nullptr) {
            std::fclose(m_in); // the child's input ends: it leaves
        }
        if (m_out != nullptr) {
            std::fclose(m_out);
        }
        if (m_pid > 0) {
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool alive() const { return m_in != nullptr && m_out != nullptr; }

    // Seconds the child took for `count` operations of the job; negative on refusal or loss.
    double run(const std::string& job, const uint64_t count) {
        if (!alive()) {
            return -1;
        }
        std::fprintf(m_in, "%llu %s\n", static_cast<unsigned long long>(count), job.c_str());
        std::fflush(m_in);
        double seconds = -1;
        if (std::fscanf(m_out, "%lf", &seconds) != 1) {
            return -1;
        }
        return seconds;
    }

private:
    pid_t m_pid = -1;
    std::FILE* m_in = nullptr;
    std::FILE* m_out = nullptr;
};

Child& child() {
    static Child c;
    return c;
}

} // namespace

void servePeerJobs(const PeerJobFactory& factory) {
    if (std::getenv(CHILD_MARK) == nullptr) {
        return;
    }
    std::map<std::string, std::function<void()>> made;
    char line[4096];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        char* rest = nullptr;
        const unsigned long long count = std::strtoull(line, &rest, 10);
        std::string job = rest != nullptr ? rest : "";
        job.erase(0, job.find_first_not_of(' '));
        while (!job.empty() && (job.back() == '\n' || job.back() == '\r')) {
            job.pop_back();
        }
        auto it = made.find(job);
        if (it == made.end()) {
            it = made.emplace(job, factory(job)).first;
        }
        if (!it->second) {
            std::printf("-1\n");
            std::fflush(stdout);
            continue;
        }
        const auto start = std::chrono::steady_clock::now();
        for (unsigned long long i = 0; i < count; ++i) {
            it->second();
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::printf("%.9f\n", took.count());
        std::fflush(stdout);
    }
    std::exit(0);
}

bool maskedPeerAvailable() {
    return child().alive();
}

void runInMaskedPeer(benchmark::State& state, const std::string& job, const uint64_t batch,
                     const uint64_t bytesPerOperation) {
    for (auto _ : state) {
        const double seconds = child().run(job, batch);
        if (seconds < 0) {
            state.SkipWithError("the masked peer refused the job or is gone");
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * batch * bytesPerOperation));
}

} // namespace zqbench
