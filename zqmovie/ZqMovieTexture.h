// ZqMovieTexture: the caller's texture as the movie player sees it: level 0's format and size,
// and write access to it with the previous contents discarded. The player reaches it only from
// the caller's thread (inside ZqGlShowTextureDll::main), never from its decode thread.
// Not owned by the player; the caller keeps it alive until the player is released.
#pragma once

#include <cstdint>

class ZqMovieTexture {
public:
    // Texture formats the renderer fills; any other receives nothing.
    static constexpr uint32_t FORMAT_X8R8G8B8 = 22;
    static constexpr uint32_t FORMAT_A1R5G5B5 = 25;

    // Level 0's format code and size in texels; false when they cannot be read.
    virtual bool getLevelDesc(uint32_t* format, uint32_t* width, uint32_t* height) = 0;
    // Write access to the whole of level 0, previous contents discarded; pitch in bytes.
    // False when the texture cannot be locked (for example while its device is lost).
    virtual bool lock(uint32_t* pitch, void** bits) = 0;
    // Ends a successful lock; false when that fails.
    virtual bool unlock() = 0;

protected:
    ~ZqMovieTexture() = default;
};
