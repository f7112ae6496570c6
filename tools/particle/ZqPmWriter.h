// The particle writer: effect descriptions ("PMD0") and texture lists ("PMT0") from values or
// from a readable text description, for tests, fuzz seeds and the game's placeholder effects.
// Shares the layout (zq/u/pm/ZquPmFormat.h) and the emitter record type with the readers.
//
// Text description, one statement a line, '#' starts a comment:
//   pmt <file>                  starts a texture list
//     texture <file name>       one texture record (at most 16)
//     frame <umin> <vmin> <du> <dv>
//   pmd <file>                  starts an effect description
//     loop <0|1>  rate <frames per second>  motion <0..5>  texlist <name>  length <seconds>
//     emitter                   starts an emitter record with the reset slot's values
//       <field> <value>...      a field of ZquPm::EMITDATA by its member name; vectors take
//                               three numbers, colours three bytes, arrays their elements
#pragma once

#include "zq/u/pm/ZquPm.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zqpmw {

struct PmdDesc {
    std::string file;
    uint32_t counter = 0;
    uint16_t loop = 0;
    uint16_t rate = 30;
    uint32_t motion = 0;
    std::string texList;
    float length = 1.0f;
    std::vector<ZquPm::EMITDATA> emitters;
};

struct PmtDesc {
    std::string file;
    uint32_t counter = 0;
    std::vector<std::string> textures;
    std::vector<ZquPm::FrameRect> frames;
};

struct Description {
    std::vector<PmdDesc> effects;
    std::vector<PmtDesc> lists;
};

// The 624 stored bytes of one record.
std::vector<uint8_t> writeEmitData(const ZquPm::EMITDATA& e);
std::vector<uint8_t> writePmd(const PmdDesc& d);
std::vector<uint8_t> writePmt(const PmtDesc& d);
// Parses a text description; false with a message naming the line on a fault.
bool parseDescription(const std::string& text, Description& out, std::string& error);
// Writes every file of the description into dir; false with a message on a fault.
bool writeFiles(const Description& d, const std::string& dir, std::string& error);

} // namespace zqpmw
