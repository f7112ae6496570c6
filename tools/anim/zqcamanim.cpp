// zqcamanim: writes a camera path from its text description.
//   zqcamanim DESCRIPTION OUTPUT
// The description's form is the one zq_anim_writer::parseCameraText reads (see ZqAnimWriter.h).
#include "ZqAnimWriter.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>

int main(const int argc, char** const argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zqcamanim DESCRIPTION OUTPUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "zqcamanim: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    zq_anim_writer::CameraAnimation animation;
    std::string error;
    if (!zq_anim_writer::parseCameraText(text, animation, error)) {
        std::fprintf(stderr, "zqcamanim: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    try {
        const std::vector<uint8_t> bytes = zq_anim_writer::write(animation);
        std::ofstream out(argv[2], std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "zqcamanim: cannot write %s\n", argv[2]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zqcamanim: %s\n", e.what());
        return 1;
    }
    return 0;
}
