// Models, figures and effect sets: a one-triangle model wired to its archive's first texture,
// and empty particle effect descriptions.
#include "dorvanex/scene/CResourceManifest.h"
#include "tools/dataset/DataSetBuilder_parts.h"
#include "tools/model/ZqModelWriter.h"
#include "tools/particle/ZqPmWriter.h"

#include <stdexcept>

namespace zqds::part {

std::vector<uint8_t> makeModel(const uint32_t row) {
    // Its texture: the archive's first texture row, so the model's texture wiring finds it.
    const uint32_t archive = getResourceEntry(row).archive;
    const uint32_t first = getArchiveFirstRow(archive);
    std::string texture;
    for (uint32_t r = first; r < first + getArchiveRowCount(archive); ++r) {
        if (getResourceKindOfName(getResourceEntry(r).name) == KIND_TEXTURE) {
            texture = narrow(getResourceEntry(r).name);
            break;
        }
    }
    zq_model_writer::Model model;
    std::string error;
    const std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 1\n"
                            "f 1/1/1 2/2/1 3/3/1\n";
    if (!zq_model_writer::fromObj(obj, texture, model, error)) {
        throw std::runtime_error("model: " + error);
    }
    return zq_model_writer::write(model);
}

std::vector<uint8_t> makeEffect(const std::string& name) {
    zqpmw::PmdDesc d;
    d.file = name;
    return zqpmw::writePmd(d);
}

} // namespace zqds::part
