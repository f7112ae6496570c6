// The sound file ("ZQSD"): what the sound writer (tools/sound) writes and
// ZqSdSound::analyzeSound reads. Constants only, shared by both sides; no code.
//
// Layout, all integers little-endian:
//   0  "ZQSD"
//   4  u16 format tag (FORMAT_PCM, FORMAT_ADPCM, FORMAT_WMA)   } laid out like the first
//   6  u16 channels (1, 2)                                    } sixteen bytes of a wave
//   8  u32 sample rate (MIN_RATE..MAX_RATE)                   } format
//  12  u32 average bytes per second (not checked)             }
//  16  u16 block align: bytes per unit                        }
//  18  u16 bits per sample (PCM 8/16, ADPCM 4, xWMA 16)       }
//  20  u32 loop count (0..MAX_LOOP_COUNT; 255 endless)
//  24  u32 loop start, in units
//  28  u32 loop length, in units, never 0
//  32  u32 total units
//  36  encoding table: ADPCM 7 x (i16, i16) coefficient pairs; xWMA `total` x u32 cumulative
//      decoded bytes at each packet's end; PCM nothing
//  header size: audio data, total x block align bytes, and nothing after it.
// A unit is a sample frame (PCM), an ADPCM block, or an xWMA packet.
#pragma once

#include <cstdint>

namespace zqsd {

constexpr uint8_t MAGIC[4] = {'Z', 'Q', 'S', 'D'};
constexpr uint32_t HEADER_SIZE = 36;
constexpr uint32_t ADPCM_HEADER_SIZE = 64;

constexpr uint32_t OFFSET_FORMAT_TAG = 4;
constexpr uint32_t OFFSET_CHANNELS = 6;
constexpr uint32_t OFFSET_SAMPLE_RATE = 8;
constexpr uint32_t OFFSET_AVG_BYTES = 12;
constexpr uint32_t OFFSET_BLOCK_ALIGN = 16;
constexpr uint32_t OFFSET_BITS = 18;
constexpr uint32_t OFFSET_LOOP_COUNT = 20;
constexpr uint32_t OFFSET_LOOP_START = 24;
constexpr uint32_t OFFSET_LOOP_LENGTH = 28;
constexpr uint32_t OFFSET_TOTAL = 32;
constexpr uint32_t OFFSET_TABLE = 36;

constexpr uint16_t FORMAT_PCM = 1;
constexpr uint16_t FORMAT_ADPCM = 2;
constexpr uint16_t FORMAT_WMA = 0x0161;

constexpr uint32_t MIN_RATE = 1000;
constexpr uint32_t MAX_RATE = 50000;
constexpr uint32_t MAX_LOOP_COUNT = 255;

constexpr uint32_t ADPCM_MIN_BLOCK_ALIGN = 22;
constexpr uint32_t ADPCM_MAX_BLOCK_ALIGN = 4096;
constexpr uint32_t ADPCM_NR_COEFS = 7;
// The coefficient pairs every ADPCM file carries.
constexpr int16_t ADPCM_COEFS[ADPCM_NR_COEFS][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                                    {240, 0}, {460, -208}, {392, -232}};

// The packet sizes an xWMA file may have.
constexpr uint16_t WMA_BLOCK_ALIGNS[3] = {929, 1487, 2230};

} // namespace zqsd
