// What the animation writer's forms share, private to the writer: a track record of float keys
// with its frame and value tables, and the line reading of the text forms ('#' comments, the
// container header's keywords frames, fps and loop, a track's key lists).
#pragma once

#include "zq/file/ZqByteWriter.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace zq_anim_writer {

// Writes the container header's first 16 bytes at the writer's start: magic, frame count, loop
// mode, rate and a 0 word; the chunk table (HEADER_CHUNKS) is the caller's.
void writeHeader(ZqByteWriter& w, int16_t frameCount, uint8_t loopMode, int32_t fps);

// Writes a 16-byte track record (type, key count, bytes 6 and 7) at the writer's end, then its
// frame table (when frames is not empty) and its float values; returns the record's offset.
uint64_t writeFloatTrack(ZqByteWriter& w, int16_t type, uint16_t nrKeys, uint8_t byte6,
                         uint8_t byte7, const std::vector<uint16_t>& frames,
                         const std::vector<float>& values);

} // namespace zq_anim_writer

namespace zq_anim_writer::text {

// Calls onLine(key, words, what) for every line that has a first word, comments cut; a false
// return stops the reading with error "line N: what".
template <class F> bool forEachLine(const std::string& text, std::string& error, F onLine) {
    std::istringstream in(text);
    std::string line;
    int lineNr = 0;
    while (std::getline(in, line)) {
        ++lineNr;
        const size_t hash = line.find('#');
        if (hash != std::string::npos) {
            line.resize(hash);
        }
        std::istringstream words(line);
        std::string key;
        if (!(words >> key)) {
            continue;
        }
        const char* what = "";
        if (!onLine(key, words, what)) {
            error = "line " + std::to_string(lineNr) + ": " + what;
            return false;
        }
    }
    return true;
}

// True when key is frames, fps or loop, with ok false (and what) when its number is missing.
inline bool header(const std::string& key, std::istream& words, int16_t& frames, int32_t& fps,
                   uint8_t& loop, bool& ok, const char*& what) {
    if (key != "frames" && key != "fps" && key != "loop") {
        return false;
    }
    long v = 0;
    ok = static_cast<bool>(words >> v);
    if (!ok) {
        what = "a number is missing";
    } else if (key == "frames") {
        frames = static_cast<int16_t>(v);
    } else if (key == "fps") {
        fps = static_cast<int32_t>(v);
    } else {
        loop = static_cast<uint8_t>(v);
    }
    return true;
}

// The rest of a track line: "frames F..." (keys of them) and "values V..." (keys x perKey).
inline bool keyLists(std::istream& words, const long keys, const long perKey,
                     std::vector<uint16_t>& frames, std::vector<float>& values, const char*& what) {
    std::string word;
    while (words >> word) {
        if (word == "frames") {
            long v = 0;
            for (long k = 0; k < keys; ++k) {
                if (!(words >> v)) {
                    what = "too few frames";
                    return false;
                }
                frames.push_back(static_cast<uint16_t>(v));
            }
        } else if (word == "values") {
            float f = 0.0f;
            for (long k = 0; k < keys * perKey; ++k) {
                if (!(words >> f)) {
                    what = "too few values";
                    return false;
                }
                values.push_back(f);
            }
        } else {
            what = "expected frames or values";
            return false;
        }
    }
    return true;
}

} // namespace zq_anim_writer::text
