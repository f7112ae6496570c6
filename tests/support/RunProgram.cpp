#include "tests/support/RunProgram.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <filesystem>

namespace zqtest {

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      const int timeoutSeconds) {
    ProgramRun run;
    int fds[2] = {-1, -1};
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return run;
    }
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(fds[1]);
    if (child < 0) {
        close(fds[0]);
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            run.timedOut = true;
            kill(child, SIGKILL);
            break;
        }
        pollfd p = {fds[0], POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), INT_MAX))) <= 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        run.output.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    if (waitpid(child, &status, 0) == child && WIFEXITED(status) && !run.timedOut) {
        run.status = WEXITSTATUS(status);
    }
    return run;
}

std::string toolPath(const std::string& name) {
    return std::string(ZQ_TOOL_DIR) + "/" + name;
}

void expectRefusals(const std::string& tool, const std::vector<Refusal>& rows,
                    const std::string& output) {
    for (const Refusal& row : rows) {
        SCOPED_TRACE(testing::Message() << "line " << row.line);
        const ProgramRun run = runProgram(toolPath(tool), row.args);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(row.status, run.status) << run.output;
        EXPECT_NE(std::string::npos, run.output.find(row.message)) << run.output;
        EXPECT_FALSE(std::filesystem::exists(output));
    }
}

} // namespace zqtest
