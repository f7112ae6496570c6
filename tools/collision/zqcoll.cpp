// zqcoll: writes collision data from its text form (one named figure a line, see
// ZqCollisionWriter.h). Usage: zqcoll <in.txt> <out>
#include "tools/collision/ZqCollisionWriter.h"

#include <cstdio>
#include <fstream>
#include <iterator>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zqcoll <in.txt> <out>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "zqcoll: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<zqcolw::Figure> figures;
    std::vector<uint8_t> data;
    std::string error;
    if (!zqcolw::parseCollision(text, figures, error) ||
        !zqcolw::writeCollision(figures, data, error)) {
        std::fprintf(stderr, "zqcoll: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    if (!out) {
        std::fprintf(stderr, "zqcoll: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
