// Feeds the layout reader with arbitrary bytes: a layout made from them, every layer (up to
// 64) played in each end mode and evaluated at several times, with its cells made into quads
// (clipped by the clip stack) into the layout queues, which stand in for the device. Seeds:
// layouts that tools/dld writes (fuzz/dld_file_seeds.cmake).
#include "dorvanex/dld/CDldDraw.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/dld/CDldLayer.h"

#include <cstddef>
#include <cstdint>

namespace {

int gTexture = 0;

void recordCell(const CDldCellInfo& info, void*) {
    const CDldCell cell = info.tables->getCell(info.cell);
    const float w = cell.width, h = cell.height;
    const float local[4][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    float corner[4][2];
    const ZqMatrix& m = *info.matrix;
    for (int i = 0; i < 4; ++i) {
        corner[i][0] = local[i][0] * m._11 + local[i][1] * m._21 + m._41;
        corner[i][1] = local[i][0] * m._12 + local[i][1] * m._22 + m._42;
    }
    CDldVertex points[CDldQueues::MAX_POINTS];
    const uint32_t n = dldMakePolygon(64.0f, 64.0f, local, corner, *info.info, info.clip, points);
    if (n > CDldQueues::MAX_POINTS) {
        __builtin_trap();
    }
    CDldQueues::queuePolygon(reinterpret_cast<const ZqGlTexture*>(&gTexture), info.info->getBlend(),
                             info.info->getFilter(), points, n);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CDldFile* file = CDldFile::create(data, size);
    const uint32_t layers = file->getTables().getLayerCount();
    CDldLayer* layer = dldCreate<CDldLayer>();
    dldSetCurrentPriority(7);
    for (uint32_t i = 0; i < layers && i < 64; ++i) {
        layer->setFile(file, i);
        layer->setUserCallback(recordCell, nullptr);
        for (uint32_t mode = 0; mode < 3; ++mode) {
            layer->play(mode);
            for (const float dt : {0.0f, 16.7f, 250.0f, 1000.0f, 60000.0f}) {
                layer->update(dt);
                layer->draw();
            }
        }
        CDldQueues::clearAll();
    }
    // A layer index past the table plays as an empty layer.
    layer->setFile(file, layers);
    layer->play(0);
    layer->draw();
    dldRelease(layer);
    dldRelease(file);
    CDldQueues::clearAll();
    return 0;
}
