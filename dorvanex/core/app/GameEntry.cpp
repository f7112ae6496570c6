#include "dorvanex/core/app/GameEntry.h"

#include "dorvanex/core/app/TaskRoot.h"
#include "dorvanex/core/opdata/ErrorLog.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/platform/fs/fs.h"
#include "zq/system/ZqError.h"
#include "zq/system/ZqSprintf.h"
#include "zq/system/ZqString.h"
#include "zq/system/ZqSystem.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr size_t TEXT_SIZE = 200;
constexpr uint32_t WINDOW_STYLE = 0xCA0000u; // caption, system menu, minimise box
constexpr unsigned CODE_GRAPHICS_CARD = 1034;
constexpr unsigned CODE_NO_SSE = 3;
constexpr unsigned CODE_UNKNOWN_EXCEPTION = 3840;
constexpr unsigned CODE_OUT_OF_MEMORY = 4095;

std::u16string toUtf16(const std::string& text) {
    ZqString out;
    zqUtf82Char(text.c_str(), static_cast<int>(text.size()), out);
    return out;
}

std::string toUtf8(const std::u16string& text) {
    ZqStringMb out;
    zqChar2Utf8(text.c_str(), static_cast<int>(text.size()), out);
    return out;
}

// A box only where someone can see it: not with the off-screen or dummy video drivers, nor
// without an X or Wayland display.
bool hasDisplay() {
    const char* const driver = std::getenv("SDL_VIDEODRIVER");
    if (driver != nullptr &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        return false;
    }
    return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

} // namespace

std::u16string fatalErrorText(const unsigned code) {
    char16_t text[TEXT_SIZE] = {};
    switch (code) {
    case CODE_GRAPHICS_CARD:
        zqSprintf(text, TEXT_SIZE,
                  u"This graphics card is not supported.\nHINT:It may be improved when using "
                  u"the latest driver.\n");
        break;
    case CODE_NO_SSE:
        zqSprintf(text, TEXT_SIZE, u"CPU can't support SSE\n");
        break;
    case CODE_UNKNOWN_EXCEPTION:
        zqSprintf(text, TEXT_SIZE, u"An unknown exception occured at the application.\n");
        break;
    case CODE_OUT_OF_MEMORY:
        zqSprintf(text, TEXT_SIZE, u"Failed in \"new\" somewhere of the application\n");
        break;
    default:
        zqSprintf(text, TEXT_SIZE,
                  u"An error occured at the application.\nerror code = 0x%08x(see zq.h for "
                  u"details)\n",
                  code);
        break;
    }
    return text;
}

void reportFatalError(const unsigned code) {
    const std::u16string text = fatalErrorText(code);
    const std::string utf8 = toUtf8(text);
    std::fputs(utf8.c_str(), stderr);
    // The framework's name and text for the code, when it is one of its own.
    if (const ZqError::Entry* const e = ZqError::find(code); e != nullptr) {
        std::fprintf(stderr, "%s: %s\n", toUtf8(e->name).c_str(), toUtf8(e->text).c_str());
    }
    std::fflush(stderr);
    writeErrorLog(utf8);
    if (hasDisplay()) {
        zqp::messageBox(u"Error", text.c_str());
    }
}

std::string chooseDataFolder(const int argc, char** const argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--data") == 0) {
            return argv[i + 1];
        }
    }
    const char* const env = std::getenv("DORVANEX_DATA");
    if (env != nullptr && env[0] != '\0') {
        return env;
    }
    const std::string exe = toUtf8(ZqSystem::getModulePath());
    const size_t slash = exe.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return exe.substr(0, slash + 1) + "Application/data";
}

int runGame(ZqTask* const root, const std::string& dataFolder, const char16_t* const instanceName) {
    if (!dataFolder.empty() && !zqp::setCurrentPath(toUtf16(dataFolder).c_str())) {
        std::fprintf(stderr, "dorvanex: cannot use the data folder \"%s\"\n", dataFolder.c_str());
    }
    unsigned code = 0;
    try {
        return ZqSystem::go(GameWindowProc, WINDOW_STYLE, nullptr, 1024, 768, u"dorvanex", false,
                            root, instanceName);
    } catch (const unsigned thrown) {
        code = thrown;
    }
    reportFatalError(code);
    if (code == CODE_GRAPHICS_CARD) {
        // The operator's record of what the card offers.
        try {
            ZqGlSystem::reportDeviceCaps(u"dx9caps.txt");
        } catch (const unsigned) {
        }
    }
    // A fatal error must not read as success to whatever started the program.
    return EXIT_FATAL;
}

int gameMain(const int argc, char** const argv) {
    const int status =
        runGame(TaskRoot::getInstance(), chooseDataFolder(argc, argv), u"dorvanex mutex name");
    TaskRoot::deleteInstance();
    return status;
}
