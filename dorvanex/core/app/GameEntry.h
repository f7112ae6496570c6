// The game program's entry: makes the data folder the working directory, runs the framework
// with the game's window procedure and root task, and turns a fatal code thrown out of the
// framework into its text on standard error, a time-stamped line block in the error log on
// e: and, where a display exists, a message box; the program then ends with status 1.
#pragma once

#include "dorvanex/core/opdata/ErrorLog.h"
#include "zq/platform/window/window.h"

#include <cstdint>
#include <string>

class ZqTask;

constexpr int EXIT_FATAL = 1;

// The whole program: arguments "--data DIR" (else $DORVANEX_DATA, else "Application/data"
// beside the executable). Returns the exit status.
int gameMain(int argc, char** argv);

// Runs the framework with a root task in the data folder (UTF-8; empty: stay where we are)
// under a single-instance name; reports a fatal code. Returns the exit status.
int runGame(ZqTask* root, const std::string& dataFolder, const char16_t* instanceName);

// The data folder the arguments and the environment choose (UTF-8), empty when none.
std::string chooseDataFolder(int argc, char** argv);

// The text of a fatal code (code 1 and unknown codes: the general text with the code).
std::u16string fatalErrorText(unsigned code);
// Reports a fatal code as the entry does (standard error, error log, box with a display).
void reportFatalError(unsigned code);

zqp::LResult GameWindowProc(zqp::WindowHandle window, uint32_t message, zqp::WParam wParam,
                            zqp::LParam lParam);
