// zqdld: writes a layout file from its text description (see DldWriter.h).
//   zqdld IN.txt OUT.dld
#include "tools/dld/DldWriter.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zqdld IN.txt OUT.dld\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "zqdld: cannot read %s\n", argv[1]);
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    dldw::Layout layout;
    std::vector<uint8_t> image;
    std::string error;
    if (!dldw::parse(text.str(), layout, &error) || !dldw::build(layout, image, &error)) {
        std::fprintf(stderr, "zqdld: %s\n", error.c_str());
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    if (!out) {
        std::fprintf(stderr, "zqdld: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
