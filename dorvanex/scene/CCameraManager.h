// CCameraManager: the game's cameras by kind (0 plain, 1 gliding, 2 path, 3 aiming path,
// 4 debug), kept in a list and addressed by index; the main camera and the sub camera (player
// 2's view in split screen); the frame's camera update with an optional pause, and which of
// them is current for drawing. With left Alt held the sub camera takes the debug controls.
// Indices or cameras that do not exist change nothing. Made on first use, destroyed by the
// root task. Main thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class CBaseCamera;

class CCameraManager {
public:
    enum KIND : uint32_t {
        KIND_BASE = 0,
        KIND_PRO = 1,
        KIND_ANIMATION = 2,
        KIND_AIM = 3,
        KIND_DEBUG = 4,
    };
    // DirectInput key code of left Alt.
    static constexpr uint32_t KEY_LEFT_ALT = 56;

    static CCameraManager* getInstance();
    static void deleteInstance();
    CCameraManager() = default;
    ~CCameraManager();
    CCameraManager(const CCameraManager&) = delete;
    CCameraManager& operator=(const CCameraManager&) = delete;

    // A new camera of kind appended to the list; null (list unchanged) for another kind or
    // when no framework camera is free.
    CBaseCamera* createCamera(uint32_t kind);
    // The main camera becomes camera i and current.
    void setCamera(uint32_t i);
    void setSubCamera(uint32_t i);
    // Makes the sub (true) or the main camera current, when it exists.
    void useSubCamera(bool sub);
    CBaseCamera* getMainCamera() const { return m_pMain; }
    CBaseCamera* getSubCamera() const { return m_pSub; }
    CBaseCamera* getCamera(uint32_t i) const;
    uint32_t getNrCameras() const { return static_cast<uint32_t>(m_cameras.size()); }
    // Milliseconds: the debug controls, then updateCamera and updateSubCamera.
    void update(float dt);
    // The main camera's update (with 0 while paused); nothing without one.
    void updateCamera(float dt);
    // The sub camera's update, when there is one and the manager is not paused.
    void updateSubCamera(float dt);
    void deleteCamera(uint32_t i);
    // The framework's default camera becomes current, then every camera goes.
    void releaseAll();
    // The framework's default camera becomes current.
    static void resetCamera();
    void setPause(const bool on) { m_pause = on; }
    bool isPaused() const { return m_pause; }

private:
    static void makeCurrent(const CBaseCamera* camera);

    std::vector<std::unique_ptr<CBaseCamera>> m_cameras;
    CBaseCamera* m_pMain = nullptr;
    CBaseCamera* m_pSub = nullptr;
    bool m_pause = false;

    static std::unique_ptr<CCameraManager> m_pInstance;
};
