// The texture-set writer: makes texture-set files ("ZQTS", zq/gl/ZqGlTextureSetFormat.h) from
// sets of texture file names, or from their text form: one set per line, names separated by
// spaces or tabs, blank lines and lines starting with '#' skipped. A name used more than once
// is stored once. The tests, the fuzz seeds and the game's data set are made with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zqtsw {

using Sets = std::vector<std::vector<std::string>>;

// The whole file; false with a reason when the sets cannot be written (ragged sets, more than
// 255 sets or textures per set, 256 names, a name empty or longer than 254 bytes or not plain
// ASCII, or a file of 16,384 bytes or more).
bool writeTextureSet(const Sets& sets, std::vector<uint8_t>& out, std::string& error);
// The text form; false with a reason for a line with another count of names than the first.
bool parseTextureSet(const std::string& text, Sets& out, std::string& error);

} // namespace zqtsw
