// The recorded-input writer: builds ".btn" images (dorvanex/core/input/CInputRecordFormat.h) from a
// recording held in memory, and parses the short text script the zqbtn program reads. The
// game's input recorder saves what it recorded through build. Not a reader.
#pragma once

#include "dorvanex/core/input/CInputRecordFormat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace btnw {

// The image; false with a reason when the generator index is above 624, a button is 32 or
// more, an event kind is neither on nor off, a group time is not finite, or a count does not
// fit 32 bits.
bool build(const btnfmt::Recording& recording, std::vector<uint8_t>& image,
           std::string* error = nullptr);

// The text script, one statement a line ('#' starts a comment):
//   seed N                 generator state of the Mersenne Twister seeded with N (index 624)
//   frames T ... | N*T     frame times in milliseconds appended in order (N*T: N frames of T)
//   buttons B ...          the watched buttons
//   on TIME B ... | off TIME B ...
//                          events at TIME milliseconds; events of one time form one group, in
//                          the order given; groups are written in order of time
bool parse(const std::string& text, btnfmt::Recording& out, std::string* error = nullptr);

} // namespace btnw
