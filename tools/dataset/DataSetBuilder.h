// DataSetBuilder: writes the game's data set from the resource manifest: every archive under
// "Arc/" with its members in manifest order, made by the format writers (small textures,
// layouts with the layers and cells the game addresses, models, animations, sounds, the sound
// list, the font), and the loose files (the credit texture, the background-music tracks, the
// attract demo's recorded input of each event). Kinds without a writer get a marked placeholder
// that their loaders refuse. The output is the same bytes on every run. Used by the zqdataset
// program and the tests.
// Stand-in: faces are marked placeholders; replaced by the figure writers of #43.
#pragma once

#include "tools/arc/ZqArcWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zqds {

// Placeholder members start with these bytes, then the member's name in UTF-8.
constexpr char PLACEHOLDER_MAGIC[] = "ZQ-PLACEHOLDER\n";

struct Inputs {
    // The TrueType font stored for the manifest's font row.
    std::vector<uint8_t> font;
};

struct LooseFile {
    std::string path; // relative to the data folder, '/' separated
    std::vector<uint8_t> data;
};

// An RGBA image as a PNG file (stored deflate blocks; every decoder reads them).
std::vector<uint8_t> makePng(uint32_t width, uint32_t height, uint32_t seed);

// Rows of a filter byte 0 and RGBA bytes as a PNG file.
std::vector<uint8_t> encodeRgbaPng(uint32_t width, uint32_t height,
                                   const std::vector<uint8_t>& raw);

// The members of an archive in manifest order; false with a reason past the table or when a
// writer refuses.
bool buildArchiveEntries(uint32_t archive, const Inputs& inputs, std::vector<ZqArcEntry>& out,
                         std::string& error);
// The loose files of the data set.
bool buildLooseFiles(std::vector<LooseFile>& out, std::string& error);
// Writes one archive as "Arc/<name>" under dataDir (UTF-8 path).
bool writeArchive(const std::string& dataDir, uint32_t archive, const Inputs& inputs,
                  std::string& error);
// Writes everything under dataDir (UTF-8 path); files whose bytes are unchanged are left
// untouched so their times stay.
bool writeDataSet(const std::string& dataDir, const Inputs& inputs, std::string& error);

} // namespace zqds
