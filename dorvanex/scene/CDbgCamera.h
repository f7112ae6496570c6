// CDbgCamera: a free-flying camera for developers. W/S move along the view, A/D sideways, the
// up and down arrows change the height, and with the left mouse button held the mouse turns
// it; printDebug shows its position and viewing axis with the game's debug font. Input comes
// from ZqInput (DirectInput key codes). Main thread only.
#pragma once

#include "dorvanex/scene/CBaseCamera.h"

class CDbgCamera : public CBaseCamera {
public:
    // DirectInput key codes.
    static constexpr uint32_t KEY_W = 17;
    static constexpr uint32_t KEY_A = 30;
    static constexpr uint32_t KEY_S = 31;
    static constexpr uint32_t KEY_D = 32;
    static constexpr uint32_t KEY_UP = 200;
    static constexpr uint32_t KEY_DOWN = 208;
    static constexpr float MOUSE_TURN = 250.0f;

    CDbgCamera();

    void update(float dt) override;
    void control(float dt) override;
    void printDebug() override;
    void setTransXYZ(float x, float y, float z) override;
    void setTrans(const ZqVector3& t) override;
    void lookAt(const ZqVector3& eye, const ZqVector3& at, const ZqVector3& up) override;

    void setSpeed(const float speed) { m_speed = speed; }
    const ZqVector3& getPosition() const { return m_position; }
    const ZqVector3& getBackAxis() const { return m_back; }

private:
    ZqVector3 m_position{0.0f, 15.0f, 0.0f};
    ZqVector3 m_side{-1.0f, 0.0f, 0.0f};
    ZqVector3 m_up{0.0f, 1.0f, 0.0f};
    ZqVector3 m_back{0.0f, 0.0f, -1.0f};
    ZqMatrix m_view = ZqMatrix::UNIT;
    float m_speed = 2.0f;
};
