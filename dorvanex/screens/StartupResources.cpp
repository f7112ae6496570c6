#include "dorvanex/screens/StartupResources.h"

#include "dorvanex/scene/CResourceManifest.h"

#include <vector>

namespace {

constexpr int32_t SOUND_LIST_ROW = 1319;
constexpr int32_t FONT_ROW = 147;
constexpr uint32_t COMMON_LAYOUT_ARCHIVE = 2;
constexpr uint32_t COMMON_TEXTURE_ARCHIVE = 20;
constexpr uint32_t COMMON_SOUND_ARCHIVE = 74;

// Every row of the archive whose file is of the kind.
void addRowsOfKind(const uint32_t archive, const uint32_t kind,
                   std::vector<CResourceManager::Pair>& out) {
    const uint32_t first = getArchiveFirstRow(archive);
    for (uint32_t row = first; row < first + getArchiveRowCount(archive); ++row) {
        if (getResourceKindOfName(getResourceEntry(row).name) == kind) {
            out.push_back({static_cast<int32_t>(row), kind});
        }
    }
}

std::vector<CResourceManager::Pair> buildList() {
    std::vector<CResourceManager::Pair> list = {{SOUND_LIST_ROW, KIND_SOUND_LIST},
                                                {FONT_ROW, KIND_FONTS}};
    addRowsOfKind(COMMON_LAYOUT_ARCHIVE, KIND_LAYOUT, list);
    addRowsOfKind(COMMON_TEXTURE_ARCHIVE, KIND_TEXTURE, list);
    addRowsOfKind(COMMON_SOUND_ARCHIVE, KIND_SOUND_EFFECT, list);
    list.push_back({0, KIND_NONE});
    return list;
}

} // namespace

const CResourceManager::Pair* getStartupResourceList() {
    static const std::vector<CResourceManager::Pair> list = buildList();
    return list.data();
}
