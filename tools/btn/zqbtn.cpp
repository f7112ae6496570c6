// zqbtn: writes a recorded-input file from its text script (see BtnWriter.h).
//   zqbtn IN.txt OUT.btn
#include "dorvanex/core/input/BtnWriter.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zqbtn IN.txt OUT.btn\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "zqbtn: cannot read %s\n", argv[1]);
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    btnfmt::Recording recording;
    std::vector<uint8_t> image;
    std::string error;
    if (!btnw::parse(text.str(), recording, &error) || !btnw::build(recording, image, &error)) {
        std::fprintf(stderr, "zqbtn: %s\n", error.c_str());
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    if (!out) {
        std::fprintf(stderr, "zqbtn: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
