// zqmodel: writes model files.
//   zqmodel obj MESH.obj OUTPUT [TEXTURE]   a static one-bone model of a Wavefront OBJ mesh
//   zqmodel sample OUTPUT                   the small skinned sample model
#include "ZqModelWriter.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>

int main(const int argc, char** const argv) {
    zq_model_writer::Model model;
    const char* output = nullptr;
    if (argc >= 4 && argc <= 5 && std::strcmp(argv[1], "obj") == 0) {
        std::ifstream in(argv[2], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "zqmodel: cannot read %s\n", argv[2]);
            return 1;
        }
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        std::string error;
        if (!zq_model_writer::fromObj(text, argc == 5 ? argv[4] : "", model, error)) {
            std::fprintf(stderr, "zqmodel: %s: %s\n", argv[2], error.c_str());
            return 1;
        }
        output = argv[3];
    } else if (argc == 3 && std::strcmp(argv[1], "sample") == 0) {
        model = zq_model_writer::sampleModel();
        output = argv[2];
    } else {
        std::fprintf(stderr, "usage: zqmodel obj MESH.obj OUTPUT [TEXTURE]\n"
                             "       zqmodel sample OUTPUT\n");
        return 2;
    }
    try {
        const std::vector<uint8_t> bytes = zq_model_writer::write(model);
        std::ofstream out(output, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "zqmodel: cannot write %s\n", output);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zqmodel: %s\n", e.what());
        return 1;
    }
    return 0;
}
