// COfflineNotice: the "ranking server offline" banner over layout 60: it slides in (layer 1)
// while the ranking server does not answer, blinks (layer 2, looping) and slides out (layer
// 3) once it answers again. Nothing comes in, and nothing is drawn, while the play state's
// offline word is 2 (network ranking off). One static object of the game; the root makes its
// element with create and releases it at quit. The server's state comes from a query the
// owner gives (the ranking service); without one the server counts as offline.
// Main thread only.
#pragma once

#include <cstdint>

class CDldElementList;
class CDldFile;
class CDldLayer;

class COfflineNotice {
public:
    using OnlineQuery = bool (*)();
    enum class State : int32_t {
        Waiting = 0,
        ComingIn = 1,
        In = 2,
        Looping = 3,
        Leaving = 4,
        GoingOut = 5,
    };

    explicit COfflineNotice(OnlineQuery online = nullptr) : m_online(online) {}
    ~COfflineNotice();
    COfflineNotice(const COfflineNotice&) = delete;
    COfflineNotice& operator=(const COfflineNotice&) = delete;

    // The banner's layer over the layout (null: layout 60 of the resource manager). False
    // without layout or list; the states still run, each wait for a layer counting as ended.
    bool create(CDldFile* layout = nullptr);
    void release();
    void setOnlineQuery(OnlineQuery online) { m_online = online; }

    // dt in ms.
    void update(float dt);
    void draw();

    State getState() const { return m_state; }
    const CDldLayer* getLayer() const { return m_pLayer; }

private:
    bool isOnline() const { return m_online != nullptr && m_online(); }
    void play(uint32_t layer, uint32_t endMode);
    bool isLayerEnded() const;

    CDldElementList* m_pList = nullptr;
    CDldLayer* m_pLayer = nullptr;
    State m_state = State::Waiting;
    OnlineQuery m_online = nullptr;
};
