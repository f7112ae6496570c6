// Test hooks of the movie player: the media clock a test drives by hand, and what the sound
// output was given (there is no sound card to listen to).
#pragma once

#include <cstdint>

class ZqGlShowTextureDll;

namespace zqmovie::test {

// Microseconds of the media clock from now on; null brings back the steady clock. Set it
// before starting players, not while they run.
void setClock(int64_t (*clock)());
// Sample frames handed to the sound device since initPlay.
uint64_t getAudioFramesPushed(const ZqGlShowTextureDll& player);
// The device's volume and balance in hundredths of a decibel.
long getAudioVolume(const ZqGlShowTextureDll& player);
long getAudioBalance(const ZqGlShowTextureDll& player);
bool hasAudioDevice(const ZqGlShowTextureDll& player);

} // namespace zqmovie::test
