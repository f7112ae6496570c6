#include "dorvanex/event/HudLayouts.h"

#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/dld/CDldFormat.h"
#include "dorvanex/scene/CResourceManager.h"
#include "zq/math/ZqMatrix.h"

#include <cmath>

CDldFile* findHudLayout(const uint32_t row) {
    const CResourceManager* const manager = CResourceManager::getInstance();
    if (manager == nullptr) {
        return nullptr;
    }
    CDldFile* const chapter =
        manager->getLayout(static_cast<int32_t>(row), CResourceManager::BANK_CHAPTER);
    return chapter != nullptr
               ? chapter
               : manager->getLayout(static_cast<int32_t>(row), CResourceManager::BANK_RESIDENT);
}

ZqGlTexture* findHudTexture(const uint32_t row) {
    const CResourceManager* const manager = CResourceManager::getInstance();
    if (manager == nullptr) {
        return nullptr;
    }
    ZqGlTexture* const chapter =
        manager->getTexture(static_cast<int32_t>(row), CResourceManager::BANK_CHAPTER);
    return chapter != nullptr
               ? chapter
               : manager->getTexture(static_cast<int32_t>(row), CResourceManager::BANK_RESIDENT);
}

bool readHudCell(const CDldFile* const file, const uint32_t cell, CDldCell& out) {
    if (file == nullptr || !file->getTables().isValid() ||
        cell >= file->getTables().getCellCount()) {
        return false;
    }
    out = file->getTables().getCell(cell);
    return true;
}

ZqGlTexture* getHudCellTexture(const CDldFile& file, const CDldCell& cell) {
    return (cell.texture & dldfmt::CELL_NO_TEXTURE) != 0 ? nullptr : file.getTexture(cell.texture);
}

HudPlace getHudPlace(const ZqMatrix& matrix) {
    HudPlace place;
    place.x = matrix._41;
    place.y = matrix._42;
    place.scaleX = std::sqrt(matrix._11 * matrix._11 + matrix._12 * matrix._12);
    return place;
}
