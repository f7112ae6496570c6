// Runs a program of the build (the tools) as a user would from a shell, for tests of its
// command line: standard input from /dev/null, standard output and error captured together,
// and a time limit after which it is killed, so that a hang shows as a failure.
#pragma once

#include <string>
#include <vector>

namespace zqtest {

struct ProgramRun {
    // The exit status; -1 when it did not exit normally (killed, signalled, not started).
    int status = -1;
    bool timedOut = false;
    std::string output;
};

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args,
                      int timeoutSeconds = 30);

// A tool of this build by name ("zqarc"), beside the test programs.
std::string toolPath(const std::string& name);

// A command line a tool must refuse: the exit status and a piece of what it says.
struct Refusal {
    int line; // of the row, for the failure message
    std::vector<std::string> args;
    int status;
    std::string message;
};
// Runs the tool once a row: each run must end in time with its status and message, and the
// file `output` must not exist after it.
void expectRefusals(const std::string& tool, const std::vector<Refusal>& rows,
                    const std::string& output);

} // namespace zqtest
