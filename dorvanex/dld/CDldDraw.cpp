#include "dorvanex/dld/CDldDraw.h"

#include "dorvanex/dld/CDldFile.h"
#include "zq/gl/ZqGlTexture.h"

#include <cmath>

namespace {

CDldQuadSlot g_slots[CDldQueues::NR_QUEUES][CDldQueues::NR_SLOTS];
uint32_t g_counts[CDldQueues::NR_QUEUES] = {};
uint32_t g_priority = CDldQueues::IDLE_PRIORITY;

uint32_t channel(const float f) {
    const long v = std::lround(f * 255.0f);
    return static_cast<uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

uint32_t packColor(const CDldRenderInfo& info) {
    return channel(info.alpha) << 24 | channel(info.red) << 16 | channel(info.green) << 8 |
           channel(info.blue);
}

// Signed distance-like value of p against edge a-b; negative is outside for side 1.
float edgeValue(const CDldClipStack::Edge& e, const CDldVertex& p) {
    return (e.ax - p.x) * (e.by - e.ay) + (p.y - e.ay) * (e.bx - e.ax);
}

bool outside(const CDldClipStack::Edge& e, const float value) {
    return e.side != 0 ? value < 0.0f : value > 0.0f;
}

uint32_t clipEdge(const CDldClipStack::Edge& e, const CDldVertex* in, const uint32_t n,
                  CDldVertex* out) {
    uint32_t m = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const CDldVertex& p = in[i];
        const CDldVertex& q = in[(i + 1) % n];
        const float vp = edgeValue(e, p);
        const float vq = edgeValue(e, q);
        const bool pOut = outside(e, vp);
        const bool qOut = outside(e, vq);
        if (!pOut) {
            out[m++] = p;
        }
        if (pOut != qOut && vp != vq) {
            const float t = vp / (vp - vq);
            CDldVertex c = p;
            c.x = p.x + (q.x - p.x) * t;
            c.y = p.y + (q.y - p.y) * t;
            c.w = p.w + (q.w - p.w) * t;
            c.u = p.u + (q.u - p.u) * t;
            c.v = p.v + (q.v - p.v) * t;
            out[m++] = c;
        }
    }
    return m;
}

void drawPolygon(const ZqGlTexture* const texture, const CDldRenderInfo& info,
                 const CDldVertex* const points, const uint32_t n) {
    if (n < 3) {
        return;
    }
    if (info.getPath() == CDldRenderInfo::PATH_IMMEDIATE) {
        CDldVertex triangles[3 * (CDldQueues::MAX_POINTS - 2)];
        uint32_t k = 0;
        for (uint32_t i = 1; i + 1 < n; ++i) {
            triangles[k++] = points[0];
            triangles[k++] = points[i];
            triangles[k++] = points[i + 1];
        }
        dldDrawImmediate(texture, info.getBlend(), info.getFilter(), triangles, k);
        return;
    }
    CDldQueues::queuePolygon(texture, info.getBlend(), info.getFilter(), points, n);
}

void drawCorners(const ZqGlTexture* const texture, const CDldRect& rect, const float (&texel)[4][2],
                 const float (&local)[4][2], const CDldRenderInfo& info, const ZqMatrix& matrix,
                 const CDldClipStack* const clip) {
    if (texture == nullptr) {
        return;
    }
    float corner[4][2];
    for (int i = 0; i < 4; ++i) {
        corner[i][0] = local[i][0] * matrix._11 + local[i][1] * matrix._21 + matrix._41;
        corner[i][1] = local[i][0] * matrix._12 + local[i][1] * matrix._22 + matrix._42;
    }
    CDldVertex points[CDldQueues::MAX_POINTS];
    const uint32_t n = dldMakePolygon(texture->getWidth(), texture->getHeight(), texel, corner,
                                      info, clip, points);
    drawPolygon(texture, info, points, n);
}

} // namespace

namespace CDldQueues {

uint32_t getCount(const uint32_t priority) {
    return priority < NR_QUEUES ? g_counts[priority] : 0;
}

const CDldQuadSlot& getSlot(const uint32_t priority, const uint32_t slot) {
    return g_slots[priority % NR_QUEUES][slot % NR_SLOTS];
}

void clearAll() {
    for (uint32_t p = 0; p < NR_QUEUES; ++p) {
        for (uint32_t i = 0; i < g_counts[p]; ++i) {
            g_slots[p][i].texture = nullptr;
            g_slots[p][i].count = 0;
        }
        g_counts[p] = 0;
    }
}

bool queuePolygon(const ZqGlTexture* const texture, const uint32_t blend, const uint32_t filter,
                  const CDldVertex* const points, const uint32_t count) {
    const uint32_t p = g_priority;
    if (p >= NR_QUEUES || texture == nullptr || count < 3) {
        return false;
    }
    bool queued = false;
    for (uint32_t i = 1; i + 1 < count;) {
        if (g_counts[p] >= NR_SLOTS) {
            break;
        }
        CDldQuadSlot& slot = g_slots[p][g_counts[p]++];
        slot.texture = texture;
        slot.blend = blend;
        slot.filter = filter;
        slot.count = 0;
        for (; i + 1 < count && slot.count + 3 <= CDldQuadSlot::MAX_VERTICES; ++i) {
            slot.vertices[slot.count++] = points[0];
            slot.vertices[slot.count++] = points[i];
            slot.vertices[slot.count++] = points[i + 1];
        }
        queued = true;
    }
    return queued;
}

} // namespace CDldQueues

void dldSetCurrentPriority(const uint32_t priority) {
    g_priority = priority;
}

uint32_t dldGetCurrentPriority() {
    return g_priority;
}

uint32_t dldMakePolygon(const float texWidth, const float texHeight, const float (&texel)[4][2],
                        const float (&corner)[4][2], const CDldRenderInfo& info,
                        const CDldClipStack* const clip,
                        CDldVertex (&out)[CDldQueues::MAX_POINTS]) {
    const uint32_t color = packColor(info);
    const float iw = texWidth > 0.0f ? 1.0f / texWidth : 0.0f;
    const float ih = texHeight > 0.0f ? 1.0f / texHeight : 0.0f;
    for (int i = 0; i < 4; ++i) {
        const float u = texel[i][0] * iw;
        const float v = texel[i][1] * ih;
        out[i] = {corner[i][0] - 0.5f, corner[i][1] - 0.5f, 0.0f, 1.0f, color,
                  u > 1.0f ? 1.0f : u, v > 1.0f ? 1.0f : v};
    }
    uint32_t n = 4;
    if (clip != nullptr && clip->count != 0) {
        CDldVertex other[CDldQueues::MAX_POINTS];
        CDldVertex* in = out;
        CDldVertex* to = other;
        const uint32_t edges =
            clip->count < CDldClipStack::MAX_EDGES ? clip->count : CDldClipStack::MAX_EDGES;
        for (uint32_t e = 0; e < edges && n >= 3; ++e) {
            // Each edge adds at most one point; the buffers hold four plus one per edge.
            n = clipEdge(clip->edges[e], in, n, to);
            CDldVertex* const t = in;
            in = to;
            to = t;
        }
        if (in != out) {
            for (uint32_t i = 0; i < n; ++i) {
                out[i] = in[i];
            }
        }
    }
    return n >= 3 ? n : 0;
}

void dldDrawTexture(const ZqGlTexture* const texture, const CDldRect& rect,
                    const CDldRenderInfo& info, const ZqMatrix& matrix,
                    const CDldClipStack* const clip) {
    const float w = rect.width, h = rect.height;
    const float x = rect.x, y = rect.y;
    const float local[4][2] = {{0.0f, 0.0f}, {w, 0.0f}, {w, h}, {0.0f, h}};
    const float texel[4][2] = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
    drawCorners(texture, rect, texel, local, info, matrix, clip);
}

void dldDrawTextureQuad(const ZqGlTexture* const texture, const CDldRect& rect,
                        const float (&p)[4][2], const CDldRenderInfo& info, const ZqMatrix& matrix,
                        const CDldClipStack* const clip) {
    float texel[4][2];
    for (int i = 0; i < 4; ++i) {
        texel[i][0] = rect.x + p[i][0];
        texel[i][1] = rect.y + p[i][1];
    }
    drawCorners(texture, rect, texel, p, info, matrix, clip);
}

void dldDrawCell(const CDldFile& file, const CDldCell& cell, const CDldRenderInfo& info,
                 const ZqMatrix& matrix, const CDldClipStack* const clip) {
    if ((cell.texture & dldfmt::CELL_NO_TEXTURE) != 0) {
        return;
    }
    const CDldRect rect{cell.x, cell.y, cell.width, cell.height};
    dldDrawTexture(file.getTexture(cell.texture), rect, info, matrix, clip);
}

void dldDrawCellById(const CDldFile& file, const uint32_t cell, const CDldRenderInfo& info,
                     const ZqMatrix& matrix, const CDldClipStack* const clip) {
    if (cell < file.getTables().getCellCount()) {
        dldDrawCell(file, file.getTables().getCell(cell), info, matrix, clip);
    }
}

void dldDefaultCellCallback(const CDldCellInfo& info, void* const user) {
    if (user != nullptr) {
        dldDrawCellById(*static_cast<const CDldFile*>(user), info.cell, *info.info, *info.matrix,
                        info.clip);
    }
}
