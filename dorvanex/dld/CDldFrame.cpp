#include "dorvanex/dld/CDldFrame.h"

#include "zq/gl/ZqGlTexture.h"

CDldFrame::~CDldFrame() {
    CDldFrame::clear();
}

void CDldFrame::setRect(ZqGlTexture* const texture, const uint16_t x, const uint16_t y,
                        const uint16_t width, const uint16_t height) {
    if (texture != nullptr) {
        texture->addRef();
    }
    if (m_pTexture != nullptr) {
        m_pTexture->release();
    }
    m_pTexture = texture;
    m_rect = {x, y, width, height};
    m_shown = false;
}

void CDldFrame::draw() {
    if (!m_shown) {
        return;
    }
    const uint32_t saved = dldGetCurrentPriority();
    if (m_priority != -1) {
        dldSetCurrentPriority(static_cast<uint32_t>(m_priority));
    }
    dldDrawTexture(m_pTexture, m_rect, m_renderInfo, m_transform.getMatrix(), m_renderInfo.clip);
    if (m_priority != -1) {
        dldSetCurrentPriority(saved);
    }
}

void CDldFrame::clear() {
    if (m_pTexture != nullptr) {
        m_pTexture->release();
        m_pTexture = nullptr;
    }
    m_transform = CDldTransform();
    m_renderInfo = CDldRenderInfo();
    m_rect = CDldRect();
    m_shown = false;
    m_priority = -1;
}

void CDldFrameEx::setCorners(const int16_t left, const int16_t top, const int16_t right,
                             const int16_t bottom) {
    m_corners[0] = left;
    m_corners[1] = top;
    m_corners[2] = right;
    m_corners[3] = bottom;
}

void CDldFrameEx::draw() {
    if (!m_shown || m_pTexture == nullptr) {
        return;
    }
    // White with the alpha factor, blend mode 3.
    CDldRenderInfo info = m_renderInfo;
    info.red = info.green = info.blue = 1.0f;
    info.mode = (info.mode & ~CDldRenderInfo::BLEND_MASK) | 3u;
    const float l = m_corners[0], t = m_corners[1], r = m_corners[2], b = m_corners[3];
    const float w = m_pTexture->getWidth(), h = m_pTexture->getHeight();
    const float texel[4][2] = {{0.0f, 0.0f}, {w, 0.0f}, {w, h}, {0.0f, h}};
    const float corner[4][2] = {{l, t}, {r, t}, {r, b}, {l, b}};
    CDldVertex points[CDldQueues::MAX_POINTS];
    const uint32_t n = dldMakePolygon(w, h, texel, corner, info, info.clip, points);
    CDldQueues::queuePolygon(m_pTexture, info.getBlend(), info.getFilter(), points, n);
}

void CDldFrameEx::clear() {
    CDldFrame::clear();
    setCorners(0, 0, 0, 0);
}

void CDldUserCallback::set(const UpdateFunction update, void* const updateData,
                           const DrawFunction draw, void* const drawData) {
    m_update = update;
    m_updateData = updateData;
    m_draw = draw;
    m_drawData = drawData;
}

void CDldUserCallback::update(const float dt) {
    if (m_update != nullptr) {
        m_update(m_updateData, static_cast<int32_t>(dt));
    }
}

void CDldUserCallback::draw() {
    if (m_draw != nullptr) {
        m_draw(m_drawData);
    }
}

void CDldUserCallback::clear() {
    set(nullptr, nullptr, nullptr, nullptr);
}
