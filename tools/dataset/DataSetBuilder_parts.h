// The data-set builder's parts, one source file per topic: archives and the manifest walk
// (DataSetBuilder.cpp), textures and text (_textures), models, figures and effect sets
// (_models), animations and cameras (_animations), layouts (_layouts), sounds (_sounds) and the
// loose files (_loose). Private to tools/dataset.
#pragma once

#include "tools/dataset/DataSetBuilder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zqds::part {

// Textures most rows get: square, this many texels a side.
constexpr uint32_t SMALL_TEXTURE = 16;
// The countdown's digit sheet (a texture row) and its cells, shared by the layout that rolls
// the digits and the texture that holds them: ten digits, five a row, each DIGIT_W x DIGIT_H.
constexpr uint32_t DIGIT_SHEET_ROW = 49;
constexpr uint16_t DIGIT_W = 12;
constexpr uint16_t DIGIT_H = 16;
constexpr uint32_t DIGIT_SHEET_W = 64;
constexpr uint32_t DIGIT_SHEET_H = 32;

// A manifest name in ASCII ('?' for anything else).
std::string narrow(const char16_t* s);
bool endsWith(const std::string& s, const std::string& tail);
// A member of a kind without a writer: PLACEHOLDER_MAGIC and the name.
std::vector<uint8_t> placeholder(const std::string& name);

// Textures and text: the row's texture (its file type from the name's extension).
std::vector<uint8_t> makeTexture(uint32_t row, const std::string& name);
// The credit line's texture, a loose file.
std::vector<uint8_t> makeCreditSheet();

// Models, figures and effect sets.
std::vector<uint8_t> makeModel(uint32_t row);
std::vector<uint8_t> makeEffect(const std::string& name);

// Animations and cameras.
std::vector<uint8_t> makeAnimation();
std::vector<uint8_t> makeTextureAnimation();
std::vector<uint8_t> makeCameraAnimation();

// Layouts.
std::vector<uint8_t> makeLayout(uint32_t row);

// Sounds: a tone (made once per frequency and length), the sound list of every sound-effect
// row, and the background-music tracks as loose files.
std::vector<uint8_t> makeSound(double frequency, double seconds);
std::vector<uint8_t> makeSoundList();
void addBgmTracks(std::vector<LooseFile>& out);

} // namespace zqds::part
