// The loose files: the credit line's texture, the background-music tracks and the attract
// demo's recorded input of each event.
#include "dorvanex/core/input/BtnWriter.h"
#include "tools/dataset/DataSetBuilder_parts.h"

#include <stdexcept>

namespace zqds {

// The attract demo's recorded input of an event: half a minute of 16 ms frames, a generator
// seeded by the event, the three game buttons tapped in turn every 100 ms from the third to
// the fifteenth second (the runs and run-ups), then button 2 held for a second and button 0
// tapped every half second (jumps, throws and swings).
namespace {

std::vector<uint8_t> makeDemoRecording(const uint32_t event) {
    std::string script =
        "seed " + std::to_string(1000 + event) + "\nframes 1875*16\nbuttons 0 1 2\n";
    uint32_t button = 0;
    for (uint32_t t = 3000; t < 15000; t += 100) {
        script += "on " + std::to_string(t) + " " + std::to_string(button) + "\n";
        script += "off " + std::to_string(t + 50) + " " + std::to_string(button) + "\n";
        button = (button + 1 + event % 2) % 3;
    }
    script += "on 16000 2\noff 17000 2\n";
    for (uint32_t t = 18000; t < 29000; t += 500) {
        script += "on " + std::to_string(t) + " 0\noff " + std::to_string(t + 100) + " 0\n";
    }
    btnfmt::Recording recording;
    std::vector<uint8_t> image;
    std::string error;
    if (!btnw::parse(script, recording, &error) || !btnw::build(recording, image, &error)) {
        throw std::runtime_error("demo recording " + std::to_string(event) + ": " + error);
    }
    return image;
}

} // namespace

bool buildLooseFiles(std::vector<LooseFile>& out, std::string& error) {
    out.clear();
    try {
        out.push_back({"TestMenu/spuicom_credit.png", part::makeCreditSheet()});
        part::addBgmTracks(out);
        for (uint32_t event = 0; event < 10; ++event) {
            out.push_back(
                {"Btn/ButtonSave_Game" + std::to_string(event) + ".btn", makeDemoRecording(event)});
        }
    } catch (const std::exception& ex) {
        error = ex.what();
        return false;
    }
    return true;
}

} // namespace zqds
