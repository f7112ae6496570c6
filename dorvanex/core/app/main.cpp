// The game program.
#include "dorvanex/core/app/CGameStatics.h"
#include "dorvanex/core/app/GameEntry.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

bool isSet(const char* const name) {
    const char* const value = std::getenv(name);
    return value != nullptr && value[0] != 0;
}

// Without a display and without a chosen video driver the window would open nowhere and the
// game would run unseen; say so instead.
bool hasDisplayOrDriver() {
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("SDL_VIDEODRIVER");
}

} // namespace

int main(int argc, char** argv) {
    if (!hasDisplayOrDriver()) {
        std::fputs("dorvanex needs a display: run it on a desktop, under Xvfb "
                   "(xvfb-run -a dorvanex), or headless with SDL_VIDEODRIVER=offscreen.\n",
                   stderr);
        return 2;
    }
    // The game's static objects, in their order, before anything else; destroyed in reverse
    // when this scope ends, after the framework has shut down, whether the entry returned or
    // threw (the operation log writes its closing row last).
    const CGameStatics statics;
    try {
        return gameMain(argc, argv);
    } catch (const std::bad_alloc&) {
        reportFatalError(4095);
    } catch (...) {
        reportFatalError(3840);
    }
    return EXIT_FATAL;
}
