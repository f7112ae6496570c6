#include "dorvanex/scene/CSPBoneNoBlendAnim.h"

#include "dorvanex/core/opdata/ErrorLog.h"
#include "zq/zq.h"

#include <algorithm>
#include <cmath>

namespace {

// The retired forms once stopped the program with a modal box; an unattended cabinet cannot
// answer one, so the note goes to the error log.
constexpr const char* RETIRED_CAPTION = "错误提示!";
constexpr const char* RETIRED_TEXT = "这种调用方式不再支持";
constexpr const char* USE_CHANGE_ANM =
    "使用ChangeAnm(const ZqGlAnimation* pAnim,int anmFileID = 0,u8 lm = 1,float time = 0)";
constexpr const char* USE_ANIM_INF = "使用const _Anim_Inf& GetCurrAnmInf()";
// What the box's OK button answered.
constexpr int32_t MESSAGE_BOX_OK = 1;

void noteRetired(const char* const use) {
    writeErrorLog(std::string(RETIRED_CAPTION) + " " + RETIRED_TEXT + "\n" + use);
}

const ZqGlKeyFrame* keyFrameOf(const ZqGlAnimation* const animation) {
    return animation != nullptr ? animation->getKeyFrame() : nullptr;
}

} // namespace

CSPBoneNoBlendAnim::CSPBoneNoBlendAnim(const int32_t modelId)
    : CSPModel(GROUP_CHARACTER), CSPModelAnm(modelId) {}

CSPBoneNoBlendAnim::~CSPBoneNoBlendAnim() {
    for (const FrameEvent& e : m_events) {
        if (e.release != nullptr) {
            e.release(e.object);
        }
    }
    releasePlayer();
}

int32_t CSPBoneNoBlendAnim::ChangeAnm(const int32_t /*animationId*/) {
    noteRetired(USE_CHANGE_ANM);
    return MESSAGE_BOX_OK;
}

int32_t CSPBoneNoBlendAnim::getCurrentAnimationId() const {
    noteRetired(USE_ANIM_INF);
    return 0;
}

void CSPBoneNoBlendAnim::setLoop(const uint8_t mode) {
    if (m_pPlayer == nullptr) {
        return;
    }
    m_loop = mode;
    m_pPlayer->setLoopMode(mode);
    if (!m_entries.empty()) {
        m_entries.front().loopMode = mode;
    }
}

bool CSPBoneNoBlendAnim::isLoop() const {
    return m_pPlayer != nullptr && m_pPlayer->getLoopMode() == 1;
}

void CSPBoneNoBlendAnim::releasePlayer() {
    if (m_pPlayer != nullptr) {
        m_pPlayer->release();
        m_pPlayer = nullptr;
    }
}

bool CSPBoneNoBlendAnim::load(const int32_t /*modelId*/) {
    return false;
}

bool CSPBoneNoBlendAnim::fits(const ZqGlAnimation* const animation) const {
    return animation != nullptr && m_pModel != nullptr && m_pModel->testAnimation(animation) &&
           keyFrameOf(animation) != nullptr;
}

bool CSPBoneNoBlendAnim::load(ZqGlAnimation* const animation) {
    if (!CSPModel::load(m_modelId) || !fits(animation)) {
        return false;
    }
    releasePlayer();
    m_pPlayer = ZqGlAnimationPlayer::create(animation, 0.0f);
    if (m_pPlayer == nullptr) {
        return false;
    }
    m_entries.assign(1, Entry{animation, 0.0f, 1, 0, 0, KEEP_SPEED});
    m_pPlayer->setBoneScaleEnable(true);
    m_pPlayer->setTime(0.0f);
    setLoop(1);
    m_blockLoopMode = 1;
    m_ended = false;
    return true;
}

void CSPBoneNoBlendAnim::startEntry(const Entry& e) {
    m_pPlayer->setAnimation(e.animation, 0.0f);
    setLoop(e.loopMode);
    m_pPlayer->setTime(e.startTime);
    if (e.speed != KEEP_SPEED) {
        m_speedFactor = e.speed;
    }
    m_blockLoopMode = e.loopMode;
}

int32_t CSPBoneNoBlendAnim::ChangeAnm(ZqGlAnimation* const animation, const int32_t anmFileID,
                                      const uint8_t lm, const float speed, const float time) {
    if (m_pPlayer == nullptr || !fits(animation)) {
        return -1;
    }
    m_entries.clear();
    const Entry e{animation, time, lm, anmFileID, ++m_serial, speed};
    m_entries.push_back(e);
    startEntry(e);
    m_ended = false;
    // A change is a new play: the events of the animation may fire again.
    m_pLastSeen = nullptr;
    return static_cast<int32_t>(e.serial);
}

int32_t CSPBoneNoBlendAnim::addAnimation(ZqGlAnimation* const animation, const int32_t anmFileID,
                                         const uint8_t lm, const float speed, const float time) {
    if (m_pPlayer == nullptr || !fits(animation)) {
        return -1;
    }
    const bool listed = std::any_of(m_entries.begin(), m_entries.end(), [&](const Entry& e) {
        return e.animation == animation && e.fileId == anmFileID;
    });
    if (listed) {
        return -1;
    }
    m_entries.push_back(Entry{animation, time, lm, anmFileID, ++m_serial, speed});
    return static_cast<int32_t>(m_serial);
}

void CSPBoneNoBlendAnim::update(const float dt) {
    if (!m_animationEnable || !m_visible || m_pPlayer == nullptr) {
        return;
    }
    const float step = dt * m_speedFactor;
    const float total = getTotalTime();
    const float t = m_pPlayer->getTime();
    bool ended = true;
    // An empty animation counts as ended on frame 0 rather than dividing by its length.
    if (total > 0.0f) {
        ended = m_blockLoopMode != 0 ? std::floor(t / total) != std::floor((t + step) / total)
                                     : t + step > total;
    }
    if (ended && !m_entries.empty()) {
        const Entry& first = m_entries.front();
        m_animInf = _Anim_Inf{total - t, total, m_speedFactor, first.loopMode, first.fileId};
    }
    m_ended = ended;
    if (m_pPlayer->getLoopMode() == 1 || !ended) {
        m_pPlayer->setRelativeTime(step);
    } else if (m_entries.size() > 1) {
        m_entries.erase(m_entries.begin());
        startEntry(m_entries.front());
    }
    runFrameEvents();
}

void CSPBoneNoBlendAnim::clearFired(const ZqGlAnimation* const animation) {
    for (FrameEvent& e : m_events) {
        if (e.animation == animation) {
            e.fired = false;
        }
    }
}

void CSPBoneNoBlendAnim::runFrameEvents() {
    const ZqGlAnimation* const animation =
        m_pPlayer != nullptr ? m_pPlayer->getAnimation() : nullptr;
    const int32_t frame = getFrame();
    if (animation == m_pLastSeen) {
        if (frame == m_lastSeenFrame) {
            return;
        }
    } else {
        m_lastFiredFrame = -1;
        m_pLastSeen = animation;
        clearFired(animation);
    }
    m_lastSeenFrame = frame;
    if (animation == nullptr) {
        return;
    }
    // A step that wrapped a looping animation starts a new play: its events may fire again,
    // and each fires once in it.
    if (isEnd()) {
        clearFired(animation);
    }
    for (FrameEvent& e : m_events) {
        if (e.animation != animation || e.frame >= frame || e.fired) {
            continue;
        }
        if (e.condition == nullptr || e.condition(e.object)) {
            e.action(e.object);
            m_lastFiredFrame = e.frame;
        }
        e.fired = true;
    }
}

void CSPBoneNoBlendAnim::addFrameEvent(const ZqGlAnimation* const animation, const int32_t frame,
                                       const EventAction action, void* const object,
                                       const EventRelease release, const EventCondition condition) {
    if (action == nullptr) {
        return;
    }
    // Sorted by frame among the events of one animation; equal frames keep their order.
    const auto at = std::find_if(m_events.begin(), m_events.end(), [&](const FrameEvent& e) {
        return e.animation == animation && e.frame > frame;
    });
    m_events.insert(at, FrameEvent{animation, frame, action, object, release, condition, false});
}

int32_t CSPBoneNoBlendAnim::getFrame() const {
    const ZqGlKeyFrame* const k =
        keyFrameOf(m_pPlayer != nullptr ? m_pPlayer->getAnimation() : nullptr);
    if (k == nullptr || k->getTotalFrames() == 0 || k->getFps() <= 0.0f) {
        return 0;
    }
    const auto total = static_cast<int64_t>(k->getTotalFrames());
    const auto f = static_cast<int64_t>(k->msec2frame(m_pPlayer->getTime() + 0.5f / k->getFps()));
    return static_cast<int32_t>(((f % total) + total) % total);
}

int32_t CSPBoneNoBlendAnim::getTotalFrames() const {
    return getAnimationFrames(m_pPlayer != nullptr ? m_pPlayer->getAnimation() : nullptr);
}

float CSPBoneNoBlendAnim::getTotalTime() const {
    return getAnimationTime(m_pPlayer != nullptr ? m_pPlayer->getAnimation() : nullptr);
}

int32_t CSPBoneNoBlendAnim::getAnimationFrames(const ZqGlAnimation* const animation) {
    const ZqGlKeyFrame* const k = keyFrameOf(animation);
    return k != nullptr ? static_cast<int32_t>(k->getTotalFrames()) : -1;
}

float CSPBoneNoBlendAnim::getAnimationTime(const ZqGlAnimation* const animation) {
    const ZqGlKeyFrame* const k = keyFrameOf(animation);
    return k != nullptr ? k->getTotalTime() : -1.0f;
}

float CSPBoneNoBlendAnim::getTime() const {
    return m_pPlayer != nullptr ? m_pPlayer->getTime() : 0.0f;
}

uint32_t CSPBoneNoBlendAnim::getNrBones() const {
    if (m_pPlayer != nullptr) {
        return m_pPlayer->getNrBones();
    }
    return m_pModel != nullptr ? m_pModel->getNrBones() : 0;
}

const ZqMatrix& CSPBoneNoBlendAnim::getBoneMatrix(const int32_t bone) const {
    if (m_pPlayer == nullptr || bone < 0 ||
        static_cast<uint32_t>(bone) >= m_pPlayer->getNrBones()) {
        return ZqMatrix::UNIT;
    }
    return m_pPlayer->getMatrix(static_cast<uint32_t>(bone));
}

ZqVector3 CSPBoneNoBlendAnim::getBonePosition(const int32_t bone) const {
    const ZqMatrix m = getBoneMatrix(bone) * m_local;
    return ZqVector3(m._41, m._42, m._43);
}

const ZqGlAnimation* CSPBoneNoBlendAnim::getFirstEntry() const {
    return m_entries.empty() ? nullptr : m_entries.front().animation;
}

void CSPBoneNoBlendAnim::clearAnimations() {
    m_entries.clear();
    releasePlayer();
}

void CSPBoneNoBlendAnim::draw(const float dt) {
    if (m_visible) {
        CSPModel::draw(dt, m_pPlayer != nullptr ? m_pPlayer->getMatrixArray() : nullptr, nullptr,
                       0);
    }
}

void CSPBoneNoBlendAnim::drawImmediate(const float dt) {
    if (m_visible) {
        CSPModel::drawImmediate(dt, m_pPlayer != nullptr ? m_pPlayer->getMatrixArray() : nullptr,
                                nullptr, 0);
    }
}
