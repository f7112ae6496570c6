// Tiny movies for the movie player's tests, made in memory with FFmpeg's own encoders into an
// AVI container: frames of colour bars whose lower half is a grey that names the frame, and
// optionally a tone.
#pragma once

#include <cstdint>
#include <vector>

namespace zqtest {

struct TestMovieDesc {
    // 0 x 0: no video stream.
    uint16_t width = 64;
    uint16_t height = 32;
    uint32_t frames = 4;
    uint32_t fps = 10;
    // A stereo tone of this many milliseconds at 8000 Hz; 0: no sound stream.
    uint32_t audioMs = 0;
};

// The bars of the upper half: four equal vertical bars, left to right, as 0xRRGGBB.
constexpr uint32_t TEST_MOVIE_BARS[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
// The grey level of frame i's lower half.
inline uint8_t testMovieGrey(const uint32_t frame) {
    return static_cast<uint8_t>(16 + (frame * 18) % 224);
}
// The colour (0xRRGGBB) the movie has at pixel (x, y) of frame i.
uint32_t testMovieColor(const TestMovieDesc& desc, uint32_t frame, uint32_t x, uint32_t y);

// The whole file; empty when the encoders are missing.
std::vector<uint8_t> makeTestMovie(const TestMovieDesc& desc);

} // namespace zqtest
