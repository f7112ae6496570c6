// Sounds: tones for the sound-effect rows and the background music, and the sound list.
#include "dorvanex/scene/CResourceManifest.h"
#include "tools/dataset/DataSetBuilder_parts.h"
#include "tools/sound/ZqSdWriter.h"
#include "zq/file/ZqByteWriter.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace zqds::part {

namespace {

// Background-music tracks, written loose under sound/bgm.
constexpr const char* BGM_TRACKS[] = {"SP100MBGM.adpcm.sound",
                                      "SPCommonFalseJingle.adpcm.sound",
                                      "SPCommonStaffRollBGM.adpcm.sound",
                                      "SPCommonThemeBGM.adpcm.sound",
                                      "SPCommonWinJingle.adpcm.sound",
                                      "SPFencingBGM.adpcm.sound",
                                      "SPJavelinBGM.adpcm.sound",
                                      "SPLiftingBGM.adpcm.sound",
                                      "SPLongJumpBGM.adpcm.sound",
                                      "SPPingpongBGM.adpcm.sound",
                                      "SPShootingBGM.adpcm.sound",
                                      "SPhurdleBGM.adpcm.sound",
                                      "SPvaultBGM.adpcm.sound"};

} // namespace

std::vector<uint8_t> makeSound(const double frequency, const double seconds) {
    // Many rows share a tone: write each one once.
    static std::map<std::pair<double, double>, std::vector<uint8_t>> made;
    const auto known = made.find({frequency, seconds});
    if (known != made.end()) {
        return known->second;
    }
    const zqsdw::Pcm pcm = zqsdw::makeTone(frequency, seconds, 22050, 1, 0.25);
    std::vector<uint8_t> out;
    std::string error;
    if (!zqsdw::writeSound(pcm, zqsdw::Options{}, out, error)) {
        throw std::runtime_error("sound: " + error);
    }
    made[{frequency, seconds}] = out;
    return out;
}

// The sound list: a record per sound-effect row {priority, play-count code, exclusive key,
// volume in percent, name length} and the name, each record padded to 4 bytes.
std::vector<uint8_t> makeSoundList() {
    std::vector<std::string> names;
    for (uint32_t r = 0; r < NR_RESOURCES; ++r) {
        if (getResourceKindOfName(getResourceEntry(r).name) == KIND_SOUND_EFFECT) {
            names.push_back(narrow(getResourceEntry(r).name));
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    ZqByteWriter w;
    w.u32(0);
    w.u32(static_cast<uint32_t>(names.size()));
    for (const std::string& n : names) {
        w.u32(1);   // priority
        w.u32(0);   // play once
        w.u32(0);   // no exclusive key
        w.u32(100); // volume
        w.u32(static_cast<uint32_t>(n.size()));
        for (const char c : n) {
            w.u8(static_cast<uint8_t>(c));
        }
        w.u8(0);
        while (w.tell() % 4 != 0) {
            w.u8(0);
        }
    }
    return w.take();
}

void addBgmTracks(std::vector<LooseFile>& out) {
    double frequency = 262.0;
    for (const char* track : BGM_TRACKS) {
        out.push_back({std::string("sound/bgm/") + track, makeSound(frequency, 0.1)});
        frequency *= 1.06;
    }
}

} // namespace zqds::part
