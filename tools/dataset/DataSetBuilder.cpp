#include "tools/dataset/DataSetBuilder.h"

#include "dorvanex/scene/CResourceManifest.h"
#include "tools/dataset/CameraPaths.h"
#include "tools/dataset/DataSetBuilder_parts.h"
#include "tools/dataset/DataSetHud.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace zqds {

namespace part {

std::string narrow(const char16_t* s) {
    std::string out;
    for (; *s != 0; ++s) {
        out += static_cast<char>(*s < 0x80 ? *s : '?');
    }
    return out;
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<uint8_t> placeholder(const std::string& name) {
    // Built as one string first: g++ 12 sees a false bounds fault in the vector insert.
    const std::string text = std::string(PLACEHOLDER_MAGIC) + name;
    return std::vector<uint8_t>(text.begin(), text.end());
}

} // namespace part

namespace {

using namespace part;

// Fixed time stamp for every member: the same bytes on every run.
constexpr uint64_t MEMBER_TIME = 1262304000; // 2010-01-01

std::vector<uint8_t> makeMember(const uint32_t row, const Inputs& inputs) {
    if (isHudRow(row)) {
        return makeHudMember(row);
    }
    const std::string name = narrow(getResourceEntry(row).name);
    switch (getResourceKindOfName(getResourceEntry(row).name)) {
    case KIND_TEXTURE:
        return makeTexture(row, name);
    case KIND_LAYOUT:
        return makeLayout(row);
    case KIND_MODEL:
        return makeModel(row);
    case KIND_ANIMATION:
        return makeAnimation();
    case KIND_TEXTURE_ANIMATION:
        return makeTextureAnimation();
    case KIND_CAMERA_ANIMATION:
        return makeCameraPath(row);
    case KIND_EFFECT_SET:
        return makeEffect(name);
    case KIND_SOUND_EFFECT:
        return makeSound(220.0 + (row % 24) * 20.0, 0.02);
    case KIND_SOUND_LIST:
        return makeSoundList();
    case KIND_FONTS:
        return inputs.font;
    default:
        // Faces: no writer yet.
        return placeholder(name);
    }
}

bool writeIfChanged(const std::filesystem::path& path, const std::vector<uint8_t>& data,
                    std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        if (in && static_cast<uint64_t>(in.tellg()) == data.size()) {
            std::vector<uint8_t> old(data.size());
            in.seekg(0);
            in.read(reinterpret_cast<char*>(old.data()), static_cast<std::streamsize>(old.size()));
            if (in && old == data) {
                return true;
            }
        }
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    if (!out) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

} // namespace

bool buildArchiveEntries(const uint32_t archive, const Inputs& inputs, std::vector<ZqArcEntry>& out,
                         std::string& error) {
    out.clear();
    if (archive >= NR_ARCHIVES) {
        error = "no archive " + std::to_string(archive);
        return false;
    }
    const uint32_t first = getArchiveFirstRow(archive);
    try {
        for (uint32_t r = first; r < first + getArchiveRowCount(archive); ++r) {
            ZqArcEntry e;
            e.name = getResourceEntry(r).name;
            e.data = makeMember(r, inputs);
            e.time = MEMBER_TIME;
            out.push_back(std::move(e));
        }
    } catch (const std::exception& ex) {
        error = narrow(getArchiveName(archive)) + ": " + ex.what();
        return false;
    }
    return true;
}

bool writeArchive(const std::string& dataDir, const uint32_t archive, const Inputs& inputs,
                  std::string& error) {
    std::vector<ZqArcEntry> entries;
    std::vector<uint8_t> image;
    return buildArchiveEntries(archive, inputs, entries, error) &&
           ZqArcWriter::build(entries, ZqArcWriter::DEFAULT_VERSION, image, &error) &&
           writeIfChanged(std::filesystem::path(dataDir) / "Arc" / narrow(getArchiveName(archive)),
                          image, error);
}

bool writeDataSet(const std::string& dataDir, const Inputs& inputs, std::string& error) {
    const std::filesystem::path root(dataDir);
    for (uint32_t a = 0; a < NR_ARCHIVES; ++a) {
        if (!writeArchive(dataDir, a, inputs, error)) {
            return false;
        }
    }
    std::vector<LooseFile> loose;
    if (!buildLooseFiles(loose, error)) {
        return false;
    }
    for (const LooseFile& f : loose) {
        if (!writeIfChanged(root / f.path, f.data, error)) {
            return false;
        }
    }
    return true;
}

} // namespace zqds
