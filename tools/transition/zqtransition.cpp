// zqtransition: compiles a screen-transition script from its text form (see
// ZquScreenTransitionWriter.h). Usage: zqtransition <in.txt> <out>
#include "tools/transition/ZquScreenTransitionWriter.h"

#include <cstdio>
#include <fstream>
#include <iterator>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zqtransition <in.txt> <out>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "zqtransition: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<uint8_t> image;
    std::string error;
    if (!zqstw::compileScript(text, image, error)) {
        std::fprintf(stderr, "zqtransition: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    if (!out) {
        std::fprintf(stderr, "zqtransition: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
