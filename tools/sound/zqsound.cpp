// zqsound: writes a sound file from a WAV file or a generated tone.
//   zqsound [--pcm8 | --pcm16 | --adpcm | --wma] [--block BYTES]
//           [--loop COUNT START LENGTH] (--wav IN.wav | --tone HZ SECONDS RATE CHANNELS) OUT
// Loop positions are sample frames of the input; LENGTH 0 runs to the end.
#include "tools/sound/ZqSdWriter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr, "usage: zqsound [--pcm8|--pcm16|--adpcm|--wma] [--block BYTES] "
                         "[--loop COUNT START LENGTH] (--wav IN.wav | --tone HZ SECONDS RATE "
                         "CHANNELS) OUT.sound\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    zqsdw::Options options;
    zqsdw::Pcm pcm;
    bool haveInput = false;
    const char* outPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const int left = argc - i - 1;
        if (a == "--pcm8") {
            options.encoding = zqsdw::Encoding::PCM8;
        } else if (a == "--pcm16") {
            options.encoding = zqsdw::Encoding::PCM16;
        } else if (a == "--adpcm") {
            options.encoding = zqsdw::Encoding::ADPCM;
        } else if (a == "--wma") {
            options.encoding = zqsdw::Encoding::WMA;
        } else if (a == "--block" && left >= 1) {
            options.blockAlign = static_cast<uint16_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--loop" && left >= 3) {
            options.loopCount = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
            options.loopStart = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
            options.loopLength = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--wav" && left >= 1) {
            std::ifstream in(argv[++i], std::ios::binary);
            const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                             std::istreambuf_iterator<char>());
            std::string error;
            if (!in.good() && !in.eof()) {
                std::fprintf(stderr, "zqsound: cannot read %s\n", argv[i]);
                return 1;
            }
            if (!zqsdw::readWav(bytes, pcm, error)) {
                std::fprintf(stderr, "zqsound: %s: %s\n", argv[i], error.c_str());
                return 1;
            }
            haveInput = true;
        } else if (a == "--tone" && left >= 4) {
            const double hz = std::strtod(argv[++i], nullptr);
            const double seconds = std::strtod(argv[++i], nullptr);
            const auto rate = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
            const auto channels = static_cast<uint16_t>(std::strtoul(argv[++i], nullptr, 10));
            pcm = zqsdw::makeTone(hz, seconds, rate, channels);
            haveInput = true;
        } else if (a.rfind("--", 0) != 0 && outPath == nullptr) {
            outPath = argv[i];
        } else {
            return usage();
        }
    }
    if (!haveInput || outPath == nullptr) {
        return usage();
    }
    std::vector<uint8_t> file;
    std::string error;
    if (!zqsdw::writeSound(pcm, options, file, error)) {
        std::fprintf(stderr, "zqsound: %s\n", error.c_str());
        return 1;
    }
    std::ofstream out(outPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    if (!out) {
        std::fprintf(stderr, "zqsound: cannot write %s\n", outPath);
        return 1;
    }
    return 0;
}
