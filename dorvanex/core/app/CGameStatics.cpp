#include "dorvanex/core/app/CGameStatics.h"

#include "dorvanex/core/opdata/COperationLog.h"
#include "dorvanex/core/opdata/SecurityTable.h"
#include "dorvanex/core/play/CLimitTimer.h"
#include "dorvanex/core/play/RankingStore.h"
#include "dorvanex/core/sound/CSoundManager.h"
#include "dorvanex/event/COfflineNotice.h"
#include "dorvanex/operator/AllFactorySettingRows.h"

#include <utility>

namespace {

StaticTrace g_trace = nullptr;

void trace(const char* const name, const bool made) {
    if (g_trace != nullptr) {
        g_trace(name, made);
    }
}

// One static object: made with its name recorded, destroyed with its name recorded first.
template <class T> class Slot {
public:
    template <class... Args>
    explicit Slot(const char* const name, Args&&... args)
        : m_name(name), m_object(std::forward<Args>(args)...) {
        trace(m_name, true);
    }
    ~Slot() { trace(m_name, false); }
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;
    T& get() { return m_object; }

private:
    const char* const m_name;
    T m_object;
};

// Plain data made before the entry with no exit work (the security table, the page rows):
// only its place in the order is recorded.
class DataMark {
public:
    DataMark(const char* const name, const void* const data) {
        trace(data != nullptr ? name : "", true);
    }
};

// The place of an object whose code lands later.
struct StandIn {};

} // namespace

struct CGameStatics::Objects {
    Slot<COperationLog> operationLog{"operation log", COperationLog::makeTodayPaths(), true};
    Slot<StandIn> backGround{"background display"};
    DataMark security{"ranking security table", RANKING_SECURITY_TABLE};
    DataMark soundRequests{"sound request slots", &CSoundManager::getSlot(0)};
    Slot<CLimitTimer> limitTimer{"time-limit counter"};
    Slot<StandIn> gameWork{"play state"};
    Slot<COfflineNotice> offlineNotice{"offline notice", &isRankingServerOnline};
    Slot<StandIn> emptyModel{"empty model entry"};
    Slot<StandIn> renderObjPool{"render-object pool"};
    Slot<StandIn> renderSpritePool{"render-sprite pool"};
    Slot<StandIn> renderQueue{"render queue"};
    DataMark factoryRows{"all-factory-settings rows", ALL_FACTORY_SETTING_ROWS};
    Slot<StandIn> factoryPage{"all-factory-settings page"};
};

CGameStatics* CGameStatics::m_pCurrent = nullptr;

void setStaticTrace(const StaticTrace trace) {
    g_trace = trace;
}

CGameStatics::CGameStatics() : m_objects(std::make_unique<Objects>()) {
    m_pCurrent = this;
}

CGameStatics::~CGameStatics() {
    m_pCurrent = nullptr;
    m_objects.reset();
}

CGameStatics* CGameStatics::get() {
    return m_pCurrent;
}

COperationLog& CGameStatics::operationLog() {
    return m_objects->operationLog.get();
}

CLimitTimer& CGameStatics::limitTimer() {
    return m_objects->limitTimer.get();
}

COfflineNotice& CGameStatics::offlineNotice() {
    return m_objects->offlineNotice.get();
}

COfflineNotice* getOfflineNotice() {
    CGameStatics* const statics = CGameStatics::get();
    return statics != nullptr ? &statics->offlineNotice() : nullptr;
}

CLimitTimer* getLimitTimer() {
    CGameStatics* const statics = CGameStatics::get();
    return statics != nullptr ? &statics->limitTimer() : nullptr;
}

COperationLog* getOperationLog() {
    CGameStatics* const statics = CGameStatics::get();
    return statics != nullptr ? &statics->operationLog() : nullptr;
}
