#include "dorvanex/dld/CDldTables.h"

#include "zq/file/ZqByteReader.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <numbers>

using namespace dldfmt;

namespace {

template <class T> T at(const uint8_t* const p, const uint64_t offset) {
    return ZqByteReader::load<T>(p + offset);
}

constexpr float PI = std::numbers::pi_v<float>;

float toRadians(const float degrees) {
    float a = degrees / 180.0f * PI;
    // Keys are 16-bit, so at most a hundred turns: bounded.
    while (a > PI) {
        a -= 2.0f * PI;
    }
    while (a < -PI) {
        a += 2.0f * PI;
    }
    return a;
}

} // namespace

CDldTables::CDldTables(const uint8_t* const image, const uint64_t size) {
    const ZqByteReader r(image, size);
    uint32_t total = 0, version = 0, textures = 0, cells = 0, layers = 0, tracks = 0, pool = 0;
    if (r.bytes(0, HEADER_SIZE) == nullptr ||
        std::memcmp(image, SIGNATURE, sizeof(SIGNATURE)) != 0) {
        return;
    }
    r.u32(H_TOTAL_SIZE, total);
    r.u32(H_VERSION, version);
    r.u32(H_TEXTURES, textures);
    r.u32(H_CELLS, cells);
    r.u32(H_LAYERS, layers);
    r.u32(H_TRACKS, tracks);
    r.u32(H_POOL, pool);
    // 64-bit: the counts of a hostile header cannot wrap the computed size.
    const uint64_t computed = uint64_t{HEADER_SIZE} + uint64_t{CELL_SIZE} * cells +
                              uint64_t{LAYER_SIZE} * layers + uint64_t{TRACK_SIZE} * tracks + pool;
    if (version < VERSION_MIN || version > VERSION_MAX || computed > size || computed != total ||
        textures > MAX_TEXTURES) {
        return;
    }
    m_image = image;
    m_textures = textures;
    m_cells = cells;
    m_layers = layers;
    m_tracks = tracks;
    m_pool = pool;
    m_layerTable = HEADER_SIZE + uint64_t{CELL_SIZE} * cells;
    m_trackTable = m_layerTable + uint64_t{LAYER_SIZE} * layers;
    m_poolStart = m_trackTable + uint64_t{TRACK_SIZE} * tracks;
    if (!checkTables()) {
        *this = CDldTables();
    }
}

uint32_t CDldTables::getVersion() const {
    return m_image != nullptr ? at<uint32_t>(m_image, H_VERSION) : 0;
}

bool CDldTables::checkKeys(const uint32_t offset, const uint32_t kind) const {
    if (uint64_t{offset} + 4 > m_pool) {
        return false;
    }
    const uint32_t n = at<uint32_t>(m_image, m_poolStart + offset);
    const uint64_t room = m_pool - (uint64_t{offset} + 4);
    if (n == 0 || n > room / KEY_SIZE[kind]) {
        return false;
    }
    const uint8_t* const keys = m_image + m_poolStart + offset + 4;
    for (uint32_t i = 1; i < n; ++i) {
        if (at<int16_t>(keys, uint64_t{i} * KEY_SIZE[kind]) <
            at<int16_t>(keys, uint64_t{i - 1} * KEY_SIZE[kind])) {
            return false;
        }
    }
    return true;
}

bool CDldTables::checkTables() const {
    for (uint32_t i = 0; i < m_cells; ++i) {
        const CDldCell c = getCell(i);
        if ((c.texture & CELL_NO_TEXTURE) == 0 && c.texture >= m_textures) {
            return false;
        }
    }
    for (uint32_t i = 0; i < m_layers; ++i) {
        const CDldLayerRecord l = getLayer(i);
        if (uint64_t{l.firstTrack} + l.trackCount > m_tracks || l.rate == 0 || l.rate > MAX_RATE) {
            return false;
        }
    }
    for (uint32_t i = 0; i < m_tracks; ++i) {
        const CDldTrack t = getTrack(i);
        const uint32_t index = t.target & TARGET_INDEX;
        if (index >= ((t.target & TARGET_LAYER) != 0 ? m_layers : m_cells)) {
            return false;
        }
        for (uint32_t k = 0; k < KEY_KINDS; ++k) {
            if (!checkKeys(t.keys[k], k)) {
                return false;
            }
        }
    }
    return true;
}

CDldCell CDldTables::getCell(const uint32_t i) const {
    CDldCell c;
    if (i < m_cells) {
        const uint8_t* const p = m_image + HEADER_SIZE + uint64_t{CELL_SIZE} * i;
        c.texture = at<uint32_t>(p, C_TEXTURE);
        c.x = at<uint16_t>(p, C_X);
        c.y = at<uint16_t>(p, C_Y);
        c.width = at<uint16_t>(p, C_W);
        c.height = at<uint16_t>(p, C_H);
    }
    return c;
}

CDldLayerRecord CDldTables::getLayer(const uint32_t i) const {
    CDldLayerRecord l;
    if (i < m_layers) {
        const uint8_t* const p = m_image + m_layerTable + uint64_t{LAYER_SIZE} * i;
        l.width = at<uint16_t>(p, L_W);
        l.height = at<uint16_t>(p, L_H);
        l.trackCount = at<uint32_t>(p, L_TRACK_COUNT);
        l.firstTrack = at<uint32_t>(p, L_FIRST_TRACK);
        l.rate = at<uint32_t>(p, L_RATE);
        l.frameCount = at<uint32_t>(p, L_FRAMES);
        l.flags = at<uint32_t>(p, L_FLAGS);
    }
    return l;
}

CDldTrack CDldTables::getTrack(const uint32_t i) const {
    CDldTrack t;
    if (i < m_tracks) {
        const uint8_t* const p = m_image + m_trackTable + uint64_t{TRACK_SIZE} * i;
        t.target = at<uint16_t>(p, T_TARGET);
        t.first = at<int16_t>(p, T_FIRST);
        t.end = at<int16_t>(p, T_END);
        for (uint32_t k = 0; k < KEY_KINDS; ++k) {
            t.keys[k] = at<uint32_t>(p, T_KEYS + 4 * k);
        }
        t.flags = at<uint32_t>(p, T_FLAGS);
    }
    return t;
}

uint32_t CDldTables::getKeyCount(const uint32_t offset) const {
    if (m_image == nullptr || uint64_t{offset} + 4 > m_pool) {
        return 0;
    }
    return at<uint32_t>(m_image, m_poolStart + offset);
}

void CDldTables::getKey(const uint32_t offset, const uint32_t kind, const uint32_t i,
                        int16_t& frame, int32_t& a, int32_t& b) const {
    frame = 0;
    a = 0;
    b = 0;
    if (kind >= KEY_KINDS || i >= getKeyCount(offset) ||
        uint64_t{offset} + 4 + uint64_t{KEY_SIZE[kind]} * (uint64_t{i} + 1) > m_pool) {
        return;
    }
    const uint8_t* const p = m_image + m_poolStart + offset + 4 + uint64_t{KEY_SIZE[kind]} * i;
    frame = at<int16_t>(p, 0);
    if (kind == KEY_ALPHA) {
        a = at<uint16_t>(p, 2);
    } else {
        a = at<int16_t>(p, 2);
        if (KEY_SIZE[kind] == 8) {
            b = at<int16_t>(p, 4);
        }
    }
}

uint32_t CDldTables::findKeyPair(const uint32_t offset, const uint32_t kind, const int32_t frame,
                                 bool& second) const {
    // Checked at creation: the count is at least 1, every key lies in the pool, frames ascend.
    const uint32_t n = at<uint32_t>(m_image, m_poolStart + offset);
    const uint8_t* const keys = m_image + m_poolStart + offset + 4;
    const uint32_t size = KEY_SIZE[kind];
    auto frameOf = [&](const uint32_t i) { return at<int16_t>(keys, uint64_t{i} * size); };
    second = false;
    if (n == 1 || frame < frameOf(0) || frame >= frameOf(n - 1)) {
        return frame >= frameOf(n - 1) ? n - 1 : 0;
    }
    // The first key after F; the pair is the key before it and that key.
    uint32_t lo = 1, hi = n - 1;
    while (lo < hi) {
        const uint32_t mid = lo + (hi - lo) / 2;
        if (frameOf(mid) > frame) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    second = true;
    return lo - 1;
}

void CDldTables::evalPlacement(const CDldTrack& track, const int32_t frame, const float exact,
                               CDldPlacement& out) const {
    float v[KEY_KINDS][2] = {};
    for (const uint32_t kind : {KEY_POSITION, KEY_SCALE, KEY_ROTATION, KEY_PIVOT}) {
        bool second = false;
        const uint32_t i = findKeyPair(track.keys[kind], kind, frame, second);
        int16_t f1 = 0;
        int32_t a1 = 0, b1 = 0;
        getKey(track.keys[kind], kind, i, f1, a1, b1);
        v[kind][0] = static_cast<float>(a1);
        v[kind][1] = static_cast<float>(b1);
        if (second) {
            int16_t f2 = 0;
            int32_t a2 = 0, b2 = 0;
            getKey(track.keys[kind], kind, i + 1, f2, a2, b2);
            if (f2 != f1) {
                const float s = (exact - f1) / static_cast<float>(f2 - f1);
                v[kind][0] += static_cast<float>(a2 - a1) * s;
                v[kind][1] += static_cast<float>(b2 - b1) * s;
            }
        }
    }
    bool second = false;
    const uint32_t i = findKeyPair(track.keys[KEY_ALPHA], KEY_ALPHA, frame, second);
    int16_t f1 = 0;
    int32_t a1 = 0, unused = 0;
    getKey(track.keys[KEY_ALPHA], KEY_ALPHA, i, f1, a1, unused);
    a1 = a1 > 255 ? 255 : a1;
    int32_t alpha = a1;
    if (second) {
        int16_t f2 = 0;
        int32_t a2 = 0;
        getKey(track.keys[KEY_ALPHA], KEY_ALPHA, i + 1, f2, a2, unused);
        a2 = a2 > 255 ? 255 : a2;
        if (f2 != f1) {
            alpha = a1 + ((a2 - a1) * (frame - f1)) / (f2 - f1);
        }
    }
    out.x = v[KEY_POSITION][0];
    out.y = v[KEY_POSITION][1];
    out.scaleX = v[KEY_SCALE][0] * 0.01f;
    out.scaleY = v[KEY_SCALE][1] * 0.01f;
    out.angle = toRadians(v[KEY_ROTATION][0]);
    out.pivotX = v[KEY_PIVOT][0];
    out.pivotY = v[KEY_PIVOT][1];
    out.alpha = alpha;
}

int32_t CDldTables::wholeFrame(const int32_t time, const uint32_t rate) {
    return static_cast<int32_t>(int64_t{time} * rate / 1000);
}

float CDldTables::exactFrame(const int32_t time, const uint32_t rate) {
    return static_cast<float>(time) * static_cast<float>(rate) * 0.001f;
}

bool CDldTables::isShowing(const uint32_t layer, const int32_t time) const {
    const CDldLayerRecord l = getLayer(layer);
    return layer < m_layers && l.rate != 0 &&
           int64_t{time} <= int64_t{l.frameCount} * 1000 / l.rate;
}

void CDldTables::evaluate(const uint32_t layer, const int32_t time, const ZqMatrix& matrix,
                          const CDldRenderInfo& info, CDldClipStack& clip,
                          const CDldCellCallback callback, void* const user) const {
    if (m_image != nullptr) {
        uint32_t budget = MAX_PLACEMENTS;
        evaluateAt(layer, time, time, matrix, info, clip, callback, user, 0, budget);
    }
}

void CDldTables::evaluateAt(const uint32_t layer, const int32_t topTime, const int32_t time,
                            const ZqMatrix& matrix, const CDldRenderInfo& info, CDldClipStack& clip,
                            const CDldCellCallback callback, void* const user, const uint32_t depth,
                            uint32_t& budget) const {
    if (depth >= MAX_DEPTH || !isShowing(layer, time)) {
        return;
    }
    const CDldLayerRecord l = getLayer(layer);
    const uint32_t savedDepth = clip.count;
    if ((l.flags & LAYER_CLIP) != 0 && !dldPushClipRect(clip, l.width, l.height, matrix)) {
        return;
    }
    const int32_t frame = wholeFrame(time, l.rate);
    const float exact = exactFrame(time, l.rate);
    for (uint32_t n = l.trackCount; n-- > 0;) {
        const CDldTrack t = getTrack(l.firstTrack + n);
        if (frame < t.first || frame >= t.end) {
            continue;
        }
        if (budget == 0) {
            break;
        }
        --budget;
        CDldPlacement p;
        evalPlacement(t, frame, exact, p);
        const ZqMatrix m =
            CDldTransform::makeMatrix(p.x, p.y, p.scaleX, p.scaleY, p.angle, p.pivotX, p.pivotY) *
            matrix;
        CDldRenderInfo child = info;
        child.alpha = static_cast<float>(p.alpha) * info.alpha / 255.0f;
        if ((t.flags & CDldRenderInfo::BLEND_MASK) != 0) {
            child.mode =
                (child.mode & ~CDldRenderInfo::BLEND_MASK) | (t.flags & CDldRenderInfo::BLEND_MASK);
        }
        const uint32_t index = t.target & TARGET_INDEX;
        if ((t.target & TARGET_LAYER) != 0) {
            const int32_t local =
                static_cast<int32_t>(int64_t{time} - int64_t{t.first} * 1000 / l.rate);
            evaluateAt(index, topTime, local, m, child, clip, callback, user, depth + 1, budget);
        } else if (callback != nullptr) {
            CDldCellInfo cell;
            cell.tables = this;
            cell.layer = layer;
            cell.topTime = topTime;
            cell.cell = index;
            cell.layerTime = time;
            cell.frame = frame;
            cell.info = &child;
            cell.matrix = &m;
            cell.clip = &clip;
            callback(cell, user);
        }
    }
    clip.count = savedDepth;
}

bool dldPushClipRect(CDldClipStack& clip, const float width, const float height,
                     const ZqMatrix& matrix) {
    if (clip.count + 4 > CDldClipStack::MAX_EDGES) {
        return false;
    }
    const float cx[4] = {0.0f, width, width, 0.0f};
    const float cy[4] = {0.0f, 0.0f, height, height};
    float sx[4], sy[4];
    for (int i = 0; i < 4; ++i) {
        sx[i] = cx[i] * matrix._11 + cy[i] * matrix._21 + matrix._41;
        sy[i] = cx[i] * matrix._12 + cy[i] * matrix._22 + matrix._42;
    }
    for (int i = 0; i < 4; ++i) {
        const int j = (i + 1) % 4;
        clip.edges[clip.count++] = {sx[i], sy[i], sx[j], sy[j], 1};
    }
    return true;
}
