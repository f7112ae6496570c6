#include "zq/u/vinput/ZquVirtualInput.h"

#include "zq/input/ZqInput.h"

#include <algorithm>
#include <cmath>
#include <new>

ZquVirtualInput* ZquVirtualInput::m_vpDeviceUsed[NR_DEVICES] = {};

namespace {

constexpr uint32_t BUTTON = ZqInput::OBJECT_TYPE_BUTTON;
constexpr uint32_t AXIS = ZqInput::OBJECT_TYPE_AXIS;
constexpr uint32_t POV = ZqInput::OBJECT_TYPE_POV;

// POV sectors up, right, down, left in hundredths of a degree, low inclusive, high
// exclusive; neighbours overlap so that a diagonal lies in two.
struct Sector {
    int low;
    int high;
};
constexpr Sector SECTORS[4] = {{-6000, 6000}, {3000, 15000}, {12000, 24000}, {21000, 33000}};

bool inSector(const int angle, const uint32_t sector) {
    if (sector >= 4) {
        return false;
    }
    const Sector& s = SECTORS[sector];
    return (s.low <= angle && angle < s.high) || (s.low <= angle - 36000 && angle - 36000 < s.high);
}

// Unit vectors up, right, down, left (x right, y up).
constexpr double DIR_X[4] = {0.0, 1.0, 0.0, -1.0};
constexpr double DIR_Y[4] = {1.0, 0.0, -1.0, 0.0};

// The sectors (negative side, positive side) an axis option names; the same pairs serve a POV
// read as an axis.
constexpr uint32_t AXIS_NEGATIVE[4] = {2, 3, 0, 1};
constexpr uint32_t AXIS_POSITIVE[4] = {0, 1, 2, 3};

// The highest option a pair of types takes; -1 when the option is not looked at.
int maxOption(const uint32_t physical, const uint32_t virtualType) {
    if (physical == virtualType) {
        return -1;
    }
    if ((physical == BUTTON && virtualType == AXIS) ||
        (physical == AXIS && virtualType == BUTTON)) {
        return 1;
    }
    // Every other pair names one of four directions; a button aimed at a POV indexes the
    // four-entry direction table, so it is held to the same range.
    return 3;
}

// The first present device in the input system's chain.
ZqInput* chainHead() {
    for (uint32_t n = 0; n < ZqInput::NR_DEVICES; ++n) {
        if (ZqInput* const d = ZqInput::getDevice(n)) {
            return d;
        }
    }
    return nullptr;
}

} // namespace

void ZquVirtualInput::sysInit() {
    std::fill(std::begin(m_vpDeviceUsed), std::end(m_vpDeviceUsed), nullptr);
    init(NR_POOL);
}

void ZquVirtualInput::sysQuit() {
    if (m_pCriticalSection != nullptr) {
        quit();
    }
    std::fill(std::begin(m_vpDeviceUsed), std::end(m_vpDeviceUsed), nullptr);
}

void ZquVirtualInput::sysMain() {
    if (m_pCriticalSection == nullptr || !ZqInput::isDeviceChanged()) {
        return;
    }
    for (uint32_t i = 0; i < NR_DEVICES; ++i) {
        if (ZqInput::getDevice(i) == nullptr) {
            m_vpDeviceUsed[i] = nullptr;
        }
    }
    // Oldest first, so that a controller that arrives goes to the first player waiting for
    // one of its kind.
    std::vector<ZquVirtualInput*> all;
    {
        const ZqLockGuard hold(*m_pCriticalSection);
        for (ZquVirtualInput* v = getUsed(); v != nullptr; v = v->getNext()) {
            all.push_back(v);
        }
    }
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        ZquVirtualInput& v = **it;
        for (uint32_t n = 0; n < v.m_nrButtons; ++n) {
            for (Assignment* a = v.m_pButtons[n]; a != nullptr; a = a->pNext) {
                v.findDevice(*a);
            }
        }
        for (uint32_t n = 0; n < v.m_nrAxes; ++n) {
            for (Assignment* a = v.m_pAxes[n]; a != nullptr; a = a->pNext) {
                v.findDevice(*a);
            }
        }
        for (uint32_t n = 0; n < v.m_nrPovs; ++n) {
            for (Assignment* a = v.m_pPovs[n]; a != nullptr; a = a->pNext) {
                v.findDevice(*a);
            }
        }
    }
}

ZquVirtualInput* ZquVirtualInput::create(const uint32_t maxAssignments, const uint32_t nrButtons,
                                         const uint32_t nrAxes, const uint32_t nrPovs) {
    if (maxAssignments < 1 || maxAssignments > MAX_ASSIGNMENTS || nrButtons > MAX_BUTTONS ||
        nrAxes > MAX_AXES || nrPovs > MAX_POVS || m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZquVirtualInput* const v = ZqFixList::create();
    if (v == nullptr) {
        return nullptr;
    }
    try {
        v->m_assignments.assign(maxAssignments, Assignment{});
    } catch (const std::bad_alloc&) {
        ZqFixList::release(v);
        return nullptr;
    }
    v->m_maxAssignments = static_cast<uint16_t>(maxAssignments);
    v->m_nrAssignments = 0;
    v->m_nrButtons = static_cast<uint16_t>(nrButtons);
    v->m_nrAxes = static_cast<uint16_t>(nrAxes);
    v->m_nrPovs = static_cast<uint16_t>(nrPovs);
    v->m_pButtons.fill(nullptr);
    v->m_pAxes.fill(nullptr);
    v->m_pPovs.fill(nullptr);
    // Free assignments are handed out lowest index first.
    v->m_pFreeAssignment = nullptr;
    for (uint32_t i = maxAssignments; i-- > 0;) {
        v->m_assignments[i].pNext = v->m_pFreeAssignment;
        v->m_pFreeAssignment = &v->m_assignments[i];
    }
    return v;
}

unsigned int ZquVirtualInput::release() {
    if (m_pCriticalSection == nullptr) {
        return 0;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    // A second release of the same object must not link it into the free list twice.
    if (searchBody(this) == nullptr) {
        return 0;
    }
    for (uint32_t i = 0; i < m_assignments.size(); ++i) {
        removeAssignment(i);
    }
    m_assignments.clear();
    m_assignments.shrink_to_fit();
    m_pFreeAssignment = nullptr;
    m_maxAssignments = 0;
    m_nrButtons = 0;
    m_nrAxes = 0;
    m_nrPovs = 0;
    return ZqFixList::release(this);
}

// ---- assignments ----

uint32_t ZquVirtualInput::assign(const AssignmentData* const data) {
    if (data == nullptr) {
        return INVALID;
    }
    const AssignmentData& d = *data;
    const bool byVidPid = d.deviceNr == INVALID;
    if (byVidPid ? d.vidPid == 0 : (d.deviceNr >= NR_DEVICES || d.vidPid != 0)) {
        return INVALID;
    }
    if (d.objectType > POV || d.virtualObjectType > POV) {
        return INVALID;
    }
    Assignment** head = nullptr;
    switch (d.virtualObjectType) {
    case BUTTON:
        head = d.virtualObjectNr < m_nrButtons ? &m_pButtons[d.virtualObjectNr] : nullptr;
        break;
    case AXIS:
        head = d.virtualObjectNr < m_nrAxes ? &m_pAxes[d.virtualObjectNr] : nullptr;
        break;
    default:
        head = d.virtualObjectNr < m_nrPovs ? &m_pPovs[d.virtualObjectNr] : nullptr;
        break;
    }
    if (head == nullptr) {
        return INVALID;
    }
    const int limit = maxOption(d.objectType, d.virtualObjectType);
    if (limit >= 0 && (d.option < 0 || d.option > limit)) {
        return INVALID;
    }
    Assignment* const a = m_pFreeAssignment;
    if (a == nullptr) {
        return INVALID;
    }
    m_pFreeAssignment = a->pNext;
    a->pHead = head;
    a->pPrev = nullptr;
    a->pNext = *head;
    if (*head != nullptr) {
        (*head)->pPrev = a;
    }
    *head = a;
    a->data = d;
    a->enabled = true;
    a->pDevice = nullptr;
    a->vidPid = 0;
    ++m_nrAssignments;
    findDevice(*a);
    return static_cast<uint32_t>(a - m_assignments.data());
}

uint32_t ZquVirtualInput::assignByDeviceNr(const uint32_t deviceNr, const uint32_t objectType,
                                           const uint32_t objectNr,
                                           const uint32_t virtualObjectType,
                                           const uint32_t virtualObjectNr, const int32_t option) {
    const AssignmentData d{deviceNr,        0,     objectType, objectNr, virtualObjectType,
                           virtualObjectNr, option};
    return assign(&d);
}

uint32_t ZquVirtualInput::assignByVidPid(const uint32_t vidPid, const uint32_t objectType,
                                         const uint32_t objectNr, const uint32_t virtualObjectType,
                                         const uint32_t virtualObjectNr, const int32_t option) {
    const AssignmentData d{INVALID,           vidPid,          objectType, objectNr,
                           virtualObjectType, virtualObjectNr, option};
    return assign(&d);
}

uint32_t ZquVirtualInput::assignButtonByDeviceNr(const uint32_t deviceNr, const uint32_t buttonNr,
                                                 const uint32_t virtualButtonNr) {
    return assignByDeviceNr(deviceNr, BUTTON, buttonNr, BUTTON, virtualButtonNr, 0);
}

uint32_t ZquVirtualInput::assignButton(const uint32_t vidPid, const uint32_t buttonNr,
                                       const uint32_t virtualButtonNr) {
    return assignByVidPid(vidPid, BUTTON, buttonNr, BUTTON, virtualButtonNr, 0);
}

uint32_t ZquVirtualInput::assignAxisByDeviceNr(const uint32_t deviceNr, const uint32_t axisNr,
                                               const uint32_t virtualAxisNr) {
    return assignByDeviceNr(deviceNr, AXIS, axisNr, AXIS, virtualAxisNr, 0);
}

uint32_t ZquVirtualInput::assignAxis(const uint32_t vidPid, const uint32_t axisNr,
                                     const uint32_t virtualAxisNr) {
    return assignByVidPid(vidPid, AXIS, axisNr, AXIS, virtualAxisNr, 0);
}

uint32_t ZquVirtualInput::assignPovByDeviceNr(const uint32_t deviceNr, const uint32_t povNr,
                                              const uint32_t virtualPovNr) {
    return assignByDeviceNr(deviceNr, POV, povNr, POV, virtualPovNr, 0);
}

uint32_t ZquVirtualInput::assignPov(const uint32_t vidPid, const uint32_t povNr,
                                    const uint32_t virtualPovNr) {
    return assignByVidPid(vidPid, POV, povNr, POV, virtualPovNr, 0);
}

bool ZquVirtualInput::removeAssignment(const uint32_t index) {
    if (index >= m_assignments.size() || m_assignments[index].pHead == nullptr) {
        return false;
    }
    Assignment& a = m_assignments[index];
    if (isByVidPid(a) && a.pDevice != nullptr) {
        const uint8_t slot = a.pDevice->getDeviceNr();
        if (slot < NR_DEVICES && m_vpDeviceUsed[slot] == this) {
            m_vpDeviceUsed[slot] = nullptr;
        }
    }
    if (a.pPrev != nullptr) {
        a.pPrev->pNext = a.pNext;
    } else {
        *a.pHead = a.pNext;
    }
    if (a.pNext != nullptr) {
        a.pNext->pPrev = a.pPrev;
    }
    a = Assignment{};
    a.pNext = m_pFreeAssignment;
    m_pFreeAssignment = &a;
    --m_nrAssignments;
    return true;
}

bool ZquVirtualInput::setAssignmentEnable(const uint32_t index, const bool enable) {
    if (index >= m_assignments.size() || m_assignments[index].pHead == nullptr) {
        return false;
    }
    m_assignments[index].enabled = enable;
    return true;
}

bool ZquVirtualInput::getAssignment(const uint32_t index, AssignmentData* const data) const {
    if (index >= m_assignments.size() || m_assignments[index].pHead == nullptr) {
        return false;
    }
    if (data != nullptr) {
        *data = m_assignments[index].data;
    }
    return true;
}

ZqInput* ZquVirtualInput::getAssignedDevice(const uint32_t index) const {
    if (index >= m_assignments.size() || m_assignments[index].pHead == nullptr) {
        return nullptr;
    }
    return m_assignments[index].pDevice;
}

// ---- binding ----

bool ZquVirtualInput::isSingle() {
    return getNrInstances() == 1;
}

bool ZquVirtualInput::ownsBoundVidPid(const uint32_t vidPid) const {
    return std::any_of(m_assignments.begin(), m_assignments.end(), [this, vidPid](const auto& a) {
        return a.pHead != nullptr && isByVidPid(a) && a.pDevice != nullptr && a.vidPid == vidPid;
    });
}

void ZquVirtualInput::findDevice(Assignment& a) {
    if (!isByVidPid(a)) {
        // By slot: a slot without a device keeps the binding it had.
        if (ZqInput* const d = ZqInput::getDevice(a.data.deviceNr)) {
            a.pDevice = d;
            a.vidPid = d->getVidPid();
        }
        return;
    }
    const uint32_t vidPid = a.data.vidPid;
    if (isSingle() || vidPid == ZqInput::VIDPID_KEYBOARD || vidPid == ZqInput::VIDPID_MOUSE) {
        for (ZqInput* d = chainHead(); d != nullptr; d = d->getNext()) {
            if (d->getVidPid() == vidPid) {
                a.pDevice = d;
                a.vidPid = vidPid;
                return;
            }
        }
    } else {
        // Several virtual inputs share out the devices of one VID/PID: each claims a slot.
        for (ZqInput* d = chainHead(); d != nullptr; d = d->getNext()) {
            const uint8_t slot = d->getDeviceNr();
            if (slot <= ZqInput::DEVICE_NR_MOUSE || slot >= NR_DEVICES ||
                d->getVidPid() != vidPid) {
                continue;
            }
            if (m_vpDeviceUsed[slot] == this && ownsBoundVidPid(vidPid)) {
                a.pDevice = d;
                a.vidPid = vidPid;
                return;
            }
            if (m_vpDeviceUsed[slot] == nullptr) {
                m_vpDeviceUsed[slot] = this;
                a.pDevice = d;
                a.vidPid = vidPid;
                return;
            }
        }
    }
    a.pDevice = nullptr;
    a.vidPid = 0;
}

// ---- reading ----

template <typename Fn> bool ZquVirtualInput::walk(const Assignment* const head, Fn fn) const {
    const bool single = isSingle();
    for (const Assignment* a = head; a != nullptr; a = a->pNext) {
        if (!a->enabled || a->pDevice == nullptr) {
            continue;
        }
        for (const ZqInput* d = a->pDevice; d != nullptr;
             d = single ? d->getNextSameVidPid() : nullptr) {
            if (fn(*a, *d)) {
                return true;
            }
        }
    }
    return false;
}

uint8_t ZquVirtualInput::readButton(const uint32_t n, const Edge edge) const {
    if (n >= m_nrButtons) {
        return 0;
    }
    uint8_t result = 0;
    walk(m_pButtons[n], [&](const Assignment& a, const ZqInput& d) {
        const uint32_t nr = a.data.objectNr;
        switch (a.data.objectType) {
        case BUTTON: {
            const uint8_t v = edge == Edge::Held  ? d.getButton(nr)
                              : edge == Edge::On  ? d.getButtonOn(nr)
                              : edge == Edge::Off ? d.getButtonOff(nr)
                                                  : d.getButtonRepeat(nr);
            result = v;
            break;
        }
        case AXIS: {
            const int16_t v = edge == Edge::Held  ? d.getAxis(nr)
                              : edge == Edge::On  ? d.getAxisOn(nr)
                              : edge == Edge::Off ? d.getAxisOff(nr)
                                                  : d.getAxisRepeat(nr);
            result = (a.data.option == 0 ? v < 0 : v > 0) ? 1 : 0;
            break;
        }
        default: {
            const int v = edge == Edge::Held  ? d.getPov(nr)
                          : edge == Edge::On  ? d.getPovOn(nr)
                          : edge == Edge::Off ? d.getPovOff(nr)
                                              : d.getPovRepeat(nr);
            result = v >= 0 && inSector(v, static_cast<uint32_t>(a.data.option)) ? 1 : 0;
            break;
        }
        }
        return result != 0;
    });
    return result;
}

uint8_t ZquVirtualInput::getButton(const uint32_t n) const {
    return readButton(n, Edge::Held);
}

uint8_t ZquVirtualInput::getButtonOn(const uint32_t n) const {
    return readButton(n, Edge::On);
}

uint8_t ZquVirtualInput::getButtonOff(const uint32_t n) const {
    return readButton(n, Edge::Off);
}

uint8_t ZquVirtualInput::getButtonRepeat(const uint32_t n) const {
    return readButton(n, Edge::Repeat);
}

int16_t ZquVirtualInput::getAxis(const uint32_t n) const {
    if (n >= m_nrAxes) {
        return 0;
    }
    int64_t sum = 0;
    walk(m_pAxes[n], [&sum](const Assignment& a, const ZqInput& d) {
        const uint32_t nr = a.data.objectNr;
        const uint32_t option = static_cast<uint32_t>(a.data.option);
        switch (a.data.objectType) {
        case BUTTON:
            if (d.getButton(nr) != 0) {
                sum += option == 0 ? -AXIS_MAX : AXIS_MAX;
            }
            break;
        case AXIS:
            sum += d.getAxis(nr);
            break;
        default: {
            const int pov = d.getPov(nr);
            if (pov >= 0 && option < 4) {
                if (inSector(pov, AXIS_POSITIVE[option])) {
                    sum += AXIS_MAX;
                } else if (inSector(pov, AXIS_NEGATIVE[option])) {
                    sum -= AXIS_MAX;
                }
            }
            break;
        }
        }
        return false;
    });
    return static_cast<int16_t>(std::clamp<int64_t>(sum, -AXIS_MAX, AXIS_MAX));
}

int ZquVirtualInput::getPov(const uint32_t n) const {
    if (n >= m_nrPovs) {
        return -1;
    }
    constexpr double PI = 3.14159265358979323846;
    double x = 0.0;
    double y = 0.0;
    walk(m_pPovs[n], [&](const Assignment& a, const ZqInput& d) {
        const uint32_t nr = a.data.objectNr;
        const uint32_t option = static_cast<uint32_t>(a.data.option);
        switch (a.data.objectType) {
        case BUTTON:
            if (d.getButton(nr) != 0 && option < 4) {
                x += DIR_X[option];
                y += DIR_Y[option];
            }
            break;
        case AXIS: {
            const int16_t v = d.getAxis(nr);
            if (v != 0 && option < 4) {
                const uint32_t dir = v < 0 ? AXIS_NEGATIVE[option] : AXIS_POSITIVE[option];
                x += DIR_X[dir];
                y += DIR_Y[dir];
            }
            break;
        }
        default: {
            const int pov = d.getPov(nr);
            if (pov >= 0) {
                const double r = pov / 100.0 * PI / 180.0;
                x += std::sin(r);
                y += std::cos(r);
            }
            break;
        }
        }
        return false;
    });
    if (std::fabs(x) < 0.001 && std::fabs(y) < 0.001) {
        return -1;
    }
    // Hundredths of a degree, cut toward zero; the nudge keeps exact angles such as 135
    // degrees from landing a hair below their value.
    const double hundredths = std::atan2(y, x) * 18000.0 / PI;
    const int t = static_cast<int>(hundredths + std::copysign(1e-6, hundredths));
    return (45000 - t) % 36000;
}
