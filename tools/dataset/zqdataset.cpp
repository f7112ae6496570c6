// zqdataset: writes the game's data set into a data folder.
//   zqdataset DATA_DIR FONT.ttf [STAMP]
// STAMP, when given, is touched after a complete run (for the build's dependency check).
#include "DataSetBuilder.h"

#include <cstdio>
#include <fstream>
#include <iterator>

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: zqdataset DATA_DIR FONT.ttf [STAMP]\n");
        return 2;
    }
    zqds::Inputs inputs;
    std::ifstream font(argv[2], std::ios::binary);
    if (!font) {
        std::fprintf(stderr, "zqdataset: cannot read %s\n", argv[2]);
        return 1;
    }
    inputs.font.assign(std::istreambuf_iterator<char>(font), std::istreambuf_iterator<char>());
    std::string error;
    if (!zqds::writeDataSet(argv[1], inputs, error)) {
        std::fprintf(stderr, "zqdataset: %s\n", error.c_str());
        return 1;
    }
    if (argc == 4) {
        std::ofstream stamp(argv[3], std::ios::trunc);
        stamp << "complete\n";
    }
    return 0;
}
