// The game program.
#include "dorvanex/core/GameEntry.h"

#include <cstdio>
#include <cstdlib>

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
    return gameMain(argc, argv);
}
