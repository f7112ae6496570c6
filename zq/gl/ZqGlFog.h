// ZqGlFog: stand-in until its graphics class is built: the start-up, per-frame and
// device-reset hooks that the graphics device calls, doing nothing yet.
#pragma once

class ZqGlFog {
public:
    static void sysInit() {}
    static void sysMain() {}
};
