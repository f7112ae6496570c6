// The game program as a user starts it: without a display, under an X server that goes away,
// and asked to end by a signal. Each run is a child process with an environment of its own
// and a runtime folder of its own (the single-instance lock lives there).
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace fs = std::filesystem;

namespace {

class Child {
public:
    // Starts the program with exactly these environment entries; its standard error is read
    // back through a pipe.
    Child(const std::vector<std::string>& program, const std::vector<std::string>& env) {
        int err[2];
        EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
        m_pid = fork();
        if (m_pid == 0) {
            dup2(err[1], STDERR_FILENO);
            std::vector<char*> argv, envp;
            for (const std::string& a : program) {
                argv.push_back(const_cast<char*>(a.c_str()));
            }
            argv.push_back(nullptr);
            for (const std::string& e : env) {
                envp.push_back(const_cast<char*>(e.c_str()));
            }
            envp.push_back(nullptr);
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        close(err[1]);
        m_err = err[0];
    }
    ~Child() {
        if (m_pid > 0 && !m_ended) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_err);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return m_pid; }

    // Waits up to `limit` for the child to end; its status, or -1 when it is still running.
    int wait(const std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (std::chrono::steady_clock::now() < end) {
            drain();
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_ended = true;
                drain();
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }
    const std::string& errors() const { return m_errors; }

private:
    void drain() {
        pollfd p{m_err, POLLIN, 0};
        char buf[512];
        while (poll(&p, 1, 0) > 0) {
            const ssize_t n = read(m_err, buf, sizeof buf);
            if (n <= 0) {
                break;
            }
            m_errors.append(buf, static_cast<size_t>(n));
        }
    }

    pid_t m_pid = -1;
    int m_err = -1;
    bool m_ended = false;
    std::string m_errors;
};

class GameProgram : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "dorvanex-run-XXXXXX").string();
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        m_runtime = templ;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_runtime, ec);
    }

    // The environment of a run: the runtime folder, and the given display settings.
    std::vector<std::string> env(const std::vector<std::string>& display) const {
        std::vector<std::string> e = {"XDG_RUNTIME_DIR=" + m_runtime.string(),
                                      "HOME=" + m_runtime.string(),
                                      "SDL_AUDIODRIVER=dummy",
                                      "SDL_JOYSTICK_DISABLE_UDEV=1",
                                      "SDL_JOYSTICK_HIDAPI=0",
                                      "ASAN_OPTIONS=intercept_tls_get_addr=0:detect_leaks=0"};
        if (const char* const path = std::getenv("PATH")) {
            e.push_back(std::string("PATH=") + path);
        }
        e.insert(e.end(), display.begin(), display.end());
        return e;
    }

    fs::path m_runtime;
};

// Waits until the run catches SIGTERM and SIGINT (its window layer has started): a signal
// sent before would end it the default way.
bool waitForSignalHandlers(Child& child) {
    const std::string status = "/proc/" + std::to_string(child.pid()) + "/status";
    const unsigned long long wanted = (1ull << (SIGTERM - 1)) | (1ull << (SIGINT - 1));
    for (int i = 0; i < 3000; ++i) {
        std::ifstream in(status);
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("SigCgt:", 0) == 0 &&
                (std::stoull(line.substr(7), nullptr, 16) & wanted) == wanted) {
                return true;
            }
        }
        if (child.wait(std::chrono::milliseconds(10)) != -1) {
            return false;
        }
    }
    return false;
}

// Finds the top-level window of that title; 0 when there is none.
Window findTopLevel(Display* const x, const char* const title) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count) != 0) {
        for (unsigned i = 0; i < count && found == 0; ++i) {
            char* name = nullptr;
            if (XFetchName(x, children[i], &name) != 0 && name != nullptr) {
                if (std::strcmp(name, title) == 0) {
                    found = children[i];
                }
                XFree(name);
            }
        }
        XFree(children);
    }
    return found;
}

// True when the window is mapped and its part of the screen holds a pixel that is not black:
// a frame has been drawn into it.
bool showsAFrame(Display* const x, const Window window) {
    XWindowAttributes a{};
    if (XGetWindowAttributes(x, window, &a) == 0 || a.map_state != IsViewable) {
        return false;
    }
    int left = 0, top = 0;
    Window child = 0;
    XTranslateCoordinates(x, window, DefaultRootWindow(x), 0, 0, &left, &top, &child);
    // Read from the root: the window may reach past the screen's edges.
    const int x0 = std::max(left, 0), y0 = std::max(top, 0);
    const int x1 = std::min(left + a.width, DisplayWidth(x, DefaultScreen(x)));
    const int y1 = std::min(top + a.height, DisplayHeight(x, DefaultScreen(x)));
    if (x1 <= x0 || y1 <= y0) {
        return false;
    }
    XImage* const image = XGetImage(x, DefaultRootWindow(x), x0, y0, static_cast<unsigned>(x1 - x0),
                                    static_cast<unsigned>(y1 - y0), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    bool drawn = false;
    for (int yy = 0; yy < image->height && !drawn; yy += 4) {
        for (int xx = 0; xx < image->width && !drawn; xx += 4) {
            drawn = XGetPixel(image, xx, yy) != 0;
        }
    }
    XDestroyImage(image);
    return drawn;
}

// Waits until the run's window on that display shows a drawn frame: its window and graphics
// are up and its frames run. Taking the server away earlier would test the graphics
// library's start-up rather than the program (that library may crash when its server goes
// away in the middle of it). Bounded generously: under load the start-up takes long.
bool waitForDrawnWindow(const std::string& display, Child& child) {
    Display* const x = XOpenDisplay((":" + display).c_str());
    if (x == nullptr) {
        return false;
    }
    // A window that goes away between the query and the reading is only not there yet.
    const auto previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    bool shown = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!shown && std::chrono::steady_clock::now() < end) {
        const Window window = findTopLevel(x, "dorvanex");
        shown = window != 0 && showsAFrame(x, window);
        if (!shown && child.wait(std::chrono::milliseconds(50)) != -1) {
            break;
        }
    }
    XSetErrorHandler(previous);
    XCloseDisplay(x);
    return shown;
}

TEST_F(GameProgram, WithoutADisplaySaysHowToRunAndFails) {
    Child run({DORVANEX_PATH}, env({}));
    const int status = run.wait(std::chrono::seconds(20));
    ASSERT_NE(status, -1);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0);
    EXPECT_NE(run.errors().find("needs a display"), std::string::npos) << run.errors();
    EXPECT_NE(run.errors().find("SDL_VIDEODRIVER=offscreen"), std::string::npos);
    EXPECT_EQ(std::count(run.errors().begin(), run.errors().end(), '\n'), 1) << "one line";
}

TEST_F(GameProgram, FirstTerminationSignalClosesSecondEndsTheProcess) {
    {
        Child run({DORVANEX_PATH}, env({"SDL_VIDEODRIVER=offscreen"}));
        ASSERT_TRUE(waitForSignalHandlers(run)) << run.errors();
        kill(run.pid(), SIGTERM);
        const int status = run.wait(std::chrono::seconds(30));
        ASSERT_NE(status, -1) << "SIGTERM did not end the program";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << run.errors();
        // Only the game's state folder (HOME/.local: the operator drives with the day's
        // operation log) stays behind.
        for (const fs::directory_entry& entry : fs::directory_iterator(m_runtime)) {
            EXPECT_EQ(entry.path().filename(), ".local") << "the lock file is removed at the end";
        }
    }
    {
        // A run that is stopped cannot close; the second signal ends it all the same.
        Child run({DORVANEX_PATH}, env({"SDL_VIDEODRIVER=offscreen"}));
        ASSERT_TRUE(waitForSignalHandlers(run)) << run.errors();
        // Both arrive before it can act on the first (a signal of one kind does not queue).
        kill(run.pid(), SIGSTOP);
        kill(run.pid(), SIGINT);
        kill(run.pid(), SIGTERM);
        kill(run.pid(), SIGCONT);
        const int status = run.wait(std::chrono::seconds(30));
        ASSERT_NE(status, -1);
        EXPECT_TRUE(WIFSIGNALED(status) &&
                    (WTERMSIG(status) == SIGINT || WTERMSIG(status) == SIGTERM))
            << status;
    }
}

TEST_F(GameProgram, LostXServerEndsTheRunAndTheNextStartWorks) {
    if (access("/usr/bin/Xvfb", X_OK) != 0) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    int displayPipe[2];
    ASSERT_EQ(pipe2(displayPipe, O_CLOEXEC), 0);
    const pid_t server = fork();
    ASSERT_GE(server, 0);
    if (server == 0) {
        dup2(displayPipe[1], 9);
        execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", "9", "-screen", "0", "800x600x24", "-nolisten",
              "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(displayPipe[1]);
    std::string display;
    char c = 0;
    while (read(displayPipe[0], &c, 1) == 1 && c != '\n') {
        display.push_back(c);
    }
    close(displayPipe[0]);
    ASSERT_FALSE(display.empty()) << "Xvfb did not start";

    Child run({DORVANEX_PATH}, env({"DISPLAY=:" + display}));
    // Let the window open and frames run, then take the server away.
    const bool drawn = waitForDrawnWindow(display, run);
    if (!drawn) {
        kill(server, SIGKILL);
        waitpid(server, nullptr, 0);
    }
    ASSERT_TRUE(drawn) << "no frame was drawn: " << run.errors();
    kill(server, SIGKILL);
    waitpid(server, nullptr, 0);
    const auto killed = std::chrono::steady_clock::now();
    const int status = run.wait(std::chrono::seconds(20));
    ASSERT_NE(status, -1) << "the program did not end after its display was lost";
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - killed);
    std::printf("ended %lld ms after the X server\n", static_cast<long long>(took.count()));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0);
    EXPECT_NE(run.errors().find("connection to the display was lost"), std::string::npos)
        << run.errors();

    // The next start gets the lock and runs.
    Child next({DORVANEX_PATH}, env({"SDL_VIDEODRIVER=offscreen"}));
    ASSERT_TRUE(waitForSignalHandlers(next)) << next.errors();
    kill(next.pid(), SIGTERM);
    const int nextStatus = next.wait(std::chrono::seconds(30));
    EXPECT_TRUE(WIFEXITED(nextStatus) && WEXITSTATUS(nextStatus) == 0) << next.errors();
}

} // namespace
