#include "dorvanex/scene/CDbgCamera.h"

#include "dorvanex/core/render/GameDebug.h"

#include "zq/zq.h"

namespace {

constexpr float FOV = 0.7853982f;
constexpr float ASPECT = 1.3333334f;
constexpr float NEAR = 1.0f;
constexpr float FAR = 65534.0f;
constexpr uint32_t MOUSE_LEFT = 0;
constexpr uint32_t WHITE = 0xFFFFFFFFu;

} // namespace

CDbgCamera::CDbgCamera() {
    setPerspectiveFov(FOV, ASPECT, NEAR, FAR);
}

void CDbgCamera::control(const float dt) {
    ZqVector3 direction(0.0f, 0.0f, 0.0f);
    if (ZqInput::getKeyboardButton(KEY_W) != 0) {
        direction -= m_back;
    }
    if (ZqInput::getKeyboardButton(KEY_S) != 0) {
        direction += m_back;
    }
    if (ZqInput::getKeyboardButton(KEY_D) != 0) {
        direction += m_side;
    }
    if (ZqInput::getKeyboardButton(KEY_A) != 0) {
        direction -= m_side;
    }
    float height = m_position.y;
    if (ZqInput::getKeyboardButtonRepeat(KEY_UP) != 0) {
        height += m_speed * dt;
    }
    if (ZqInput::getKeyboardButtonRepeat(KEY_DOWN) != 0) {
        height -= m_speed * dt;
    }
    if (direction.lengthSquared() > 0.0f) {
        m_position += direction.normalize() * (m_speed * dt);
    }
    m_position.y = height;
    if (ZqInput::getMouseButton(MOUSE_LEFT) != 0) {
        const float pitch = -static_cast<float>(ZqInput::getMouseY()) / MOUSE_TURN;
        const float yaw = -static_cast<float>(ZqInput::getMouseX()) / MOUSE_TURN;
        ZqMatrix turn;
        turn.setRotAxis(m_side, pitch);
        turn.rotY(yaw);
        m_side.rot(turn);
        m_up.rot(turn);
        m_back.rot(turn);
    }
}

void CDbgCamera::update(const float /*dt*/) {
    m_back.normalize();
    m_up.cross(m_back, m_side).normalize();
    m_side.cross(m_up, m_back).normalize();
    m_view.set(m_side.x, m_up.x, m_back.x, 0.0f, m_side.y, m_up.y, m_back.y, 0.0f, m_side.z, m_up.z,
               m_back.z, 0.0f, -m_side.dot(m_position), -m_up.dot(m_position),
               -m_back.dot(m_position), 1.0f);
    if (m_pCamera != nullptr) {
        m_pCamera->setWorldViewMatrix(m_view);
    }
}

void CDbgCamera::lookAt(const ZqVector3& eye, const ZqVector3& at, const ZqVector3& up) {
    m_back = (eye - at).normalize();
    m_side.cross(up, m_back).normalize();
    m_up.cross(m_back, m_side).normalize();
    m_position = eye;
    update(0.0f);
}

void CDbgCamera::setTransXYZ(const float x, const float y, const float z) {
    CBaseCamera::setTransXYZ(x, y, z);
    m_position.rotTransProj(m_local);
}

void CDbgCamera::setTrans(const ZqVector3& t) {
    CBaseCamera::setTrans(t);
    m_position.rotTransProj(m_local);
}

void CDbgCamera::printDebug() {
    ZqGlFont* const font = getDebugFont();
    if (font == nullptr) {
        return;
    }
    ZqGlFont::begin();
    ZqGlFont::setColor(WHITE);
    ZqGlFont::setLocation(600, 20);
    font->printf(u"Pos:(%4.1f, %4.1f, %4.1f)\n", m_position.x, m_position.y, m_position.z);
    ZqGlFont::setLocation(600, 120);
    font->printf(u"Pos:(%4.1f, %4.1f, %4.1f)\n", m_back.x, m_back.y, m_back.z);
    ZqGlFont::end();
}
