// zqanim: writes a skeletal animation, with --camera a camera path or with --texture a texture
// animation, from its text description.
//   zqanim [--camera | --texture] DESCRIPTION OUTPUT
// The descriptions' forms are the ones zq_anim_writer::parseText, parseCameraText and
// parseTextureText read (see ZqAnimWriter.h).
#include "ZqAnimWriter.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>

namespace {

enum class Kind { Skeletal, Camera, Texture };

bool describe(const Kind kind, const std::string& text, std::vector<uint8_t>& bytes,
              std::string& error) {
    if (kind == Kind::Texture) {
        zq_anim_writer::TextureAnimation animation;
        if (!zq_anim_writer::parseTextureText(text, animation, error)) {
            return false;
        }
        bytes = zq_anim_writer::write(animation);
        return true;
    }
    if (kind == Kind::Camera) {
        zq_anim_writer::CameraAnimation path;
        if (!zq_anim_writer::parseCameraText(text, path, error)) {
            return false;
        }
        bytes = zq_anim_writer::write(path);
        return true;
    }
    zq_anim_writer::Animation animation;
    if (!zq_anim_writer::parseText(text, animation, error)) {
        return false;
    }
    bytes = zq_anim_writer::write(animation);
    return true;
}

} // namespace

int main(const int argc, char** const argv) {
    Kind kind = Kind::Skeletal;
    if (argc == 4 && std::strcmp(argv[1], "--camera") == 0) {
        kind = Kind::Camera;
    } else if (argc == 4 && std::strcmp(argv[1], "--texture") == 0) {
        kind = Kind::Texture;
    } else if (argc != 3) {
        std::fprintf(stderr, "usage: zqanim [--camera | --texture] DESCRIPTION OUTPUT\n");
        return 2;
    }
    const char* const input = argv[argc - 2];
    const char* const output = argv[argc - 1];
    std::ifstream in(input, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "zqanim: cannot read %s\n", input);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
        std::vector<uint8_t> bytes;
        std::string error;
        if (!describe(kind, text, bytes, error)) {
            std::fprintf(stderr, "zqanim: %s: %s\n", input, error.c_str());
            return 1;
        }
        std::ofstream out(output, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "zqanim: cannot write %s\n", output);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zqanim: %s\n", e.what());
        return 1;
    }
    return 0;
}
