// zqtexset: writes a texture-set file from its text form (one set per line, names separated
// by spaces). Usage: zqtexset <in.txt> <out>
#include "tools/textureset/ZqTextureSetWriter.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zqtexset <in.txt> <out>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "zqtexset: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    zqtsw::Sets sets;
    std::vector<uint8_t> file;
    std::string error;
    if (!zqtsw::parseTextureSet(text, sets, error) || !zqtsw::writeTextureSet(sets, file, error)) {
        std::fprintf(stderr, "zqtexset: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    if (!out) {
        std::fprintf(stderr, "zqtexset: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
