// zqpm: writes the particle effect descriptions and texture lists of a text description.
//   zqpm <description.txt> <output folder>
#include "tools/particle/ZqPmWriter.h"

#include <cstdio>
#include <fstream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zqpm <description> <output folder>\n");
        return 2;
    }
    std::ifstream f(argv[1], std::ios::binary);
    if (!f) {
        std::fprintf(stderr, "zqpm: cannot read %s\n", argv[1]);
        return 1;
    }
    std::stringstream text;
    text << f.rdbuf();
    zqpmw::Description d;
    std::string error;
    if (!zqpmw::parseDescription(text.str(), d, error) || !zqpmw::writeFiles(d, argv[2], error)) {
        std::fprintf(stderr, "zqpm: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    return 0;
}
