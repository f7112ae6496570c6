// Single-rectangle elements of a display list: CDldFrame (a texture rectangle through its own
// transform), CDldFrameEx (a texture drawn white between four signed corner positions with
// the alpha factor) and CDldUserCallback (an owner's update and draw functions).
#pragma once

#include "dorvanex/dld/CDldDraw.h"
#include "dorvanex/dld/CDldRef.h"
#include "dorvanex/dld/CDldTypes.h"

#include <cstdint>

class ZqGlTexture;

class CDldFrame : public CDldRef {
public:
    CDldFrame() = default;
    ~CDldFrame() override;

    // Sets the texture (one more reference) and rectangle; the frame is hidden until show.
    void setRect(ZqGlTexture* texture, uint16_t x, uint16_t y, uint16_t width, uint16_t height);
    void show() { m_shown = true; }
    void hide() { m_shown = false; }
    bool isShown() const { return m_shown; }
    void setPriority(int32_t priority) { m_priority = priority; }
    void draw();

    CDldTransform& getTransform() { return m_transform; }
    CDldRenderInfo& getRenderInfo() { return m_renderInfo; }
    ZqGlTexture* getTexture() const { return m_pTexture; }
    const CDldRect& getRect() const { return m_rect; }

    void clear() override;

protected:
    CDldTransform m_transform;
    CDldRenderInfo m_renderInfo;
    ZqGlTexture* m_pTexture = nullptr;
    CDldRect m_rect;
    bool m_shown = false;
    int32_t m_priority = -1;
};

class CDldFrameEx : public CDldFrame {
public:
    // Left, top, right, bottom in pixels.
    void setCorners(int16_t left, int16_t top, int16_t right, int16_t bottom);
    void draw();
    void clear() override;

private:
    int16_t m_corners[4] = {};
};

class CDldUserCallback : public CDldRef {
public:
    using UpdateFunction = void (*)(void* data, int32_t ms);
    using DrawFunction = void (*)(void* data);

    void set(UpdateFunction update, void* updateData, DrawFunction draw, void* drawData);
    void update(float dt);
    void draw();
    void clear() override;

private:
    UpdateFunction m_update = nullptr;
    void* m_updateData = nullptr;
    DrawFunction m_draw = nullptr;
    void* m_drawData = nullptr;
};
