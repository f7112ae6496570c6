// The game's static objects, made in one fixed order by one call at the top of main and
// destroyed in the reverse order when main's scope ends (after the framework has shut down,
// also when the entry throws): the operation log first and last, then the background
// display, the ranking security table, the sound request slots, the time-limit counter, the
// play state, the offline notice, the empty model entry, the two render-object pools, the
// render queue and the operator menu's all-factory-settings rows and page. C++ gives statics
// of different files no order, so they are members of one object instead. Objects whose code
// has not landed yet hold their place as named stand-ins. Main thread only.
// Stand-in: empty slots: render pools, queue, model entry (#42), notice (#45), page (#62).
#pragma once

#include <memory>

class CLimitTimer;
class COfflineNotice;
class COperationLog;

// Tells a test each static object made (true) and destroyed (false), by name.
using StaticTrace = void (*)(const char* name, bool made);
void setStaticTrace(StaticTrace trace);

class CGameStatics {
public:
    CGameStatics();
    ~CGameStatics();
    CGameStatics(const CGameStatics&) = delete;
    CGameStatics& operator=(const CGameStatics&) = delete;

    // The living set; null before main made it and after it ended.
    static CGameStatics* get();
    COperationLog& operationLog();
    CLimitTimer& limitTimer();
    COfflineNotice& offlineNotice();

private:
    struct Objects;
    std::unique_ptr<Objects> m_objects;
    static CGameStatics* m_pCurrent;
};

// The offline notice of the living set; null outside it.
COfflineNotice* getOfflineNotice();
