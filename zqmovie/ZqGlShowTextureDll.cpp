// The player's control side: building and releasing the stream, the per-frame event pump and
// the playback controls, all on the caller's thread.

#include "zqmovie/ZqGlShowTextureDll.h"

#include "zqmovie/ZqGlShowTextureDll_body.h"

#include <cmath>
#include <deque>

using zqmovie::RunState;

ZqGlShowTextureDll::ZqGlShowTextureDll() = default;

ZqGlShowTextureDll::~ZqGlShowTextureDll() {
    releaseBody();
}

void ZqGlShowTextureDll::releaseBody() {
    if (m_pBody != nullptr) {
        stop();
    }
    // The body's destructor joins the decode thread before anything it uses goes.
    m_pBody.reset();
}

bool ZqGlShowTextureDll::initPlay(const CreateTextureCallback createTexture, void* const context,
                                  const uint32_t streamSize, const SeekCallback seek,
                                  const ReadCallback read) {
    releaseBody();
    if (createTexture == nullptr || seek == nullptr || read == nullptr) {
        return false;
    }
    auto body = std::make_unique<Body>();
    body->source = std::make_unique<CFileSourceFilter>(streamSize, seek, read);
    if (!body->open()) {
        return false;
    }
    body->width = body->renderer.getWidth();
    body->height = body->renderer.getHeight();
    body->pitch = body->renderer.getSourcePitch();
    if (body->width != 0 && body->height != 0) {
        if (body->width > CTextureRendererFilter::MAX_SIDE ||
            body->height > CTextureRendererFilter::MAX_SIDE) {
            return false;
        }
        ZqMovieTexture* const texture = createTexture(body->width, body->height, context);
        if (texture == nullptr || !body->renderer.setTexture(texture)) {
            return false;
        }
        body->texture = texture;
    }
    m_pBody = std::move(body);
    m_pBody->loopMode = 0;
    m_pBody->ended = 0;
    setVolume(1.0f);
    setPan(0.0f);
    setPitch(1.0f);
    return true;
}

void ZqGlShowTextureDll::main() {
    Body* const body = m_pBody.get();
    if (body == nullptr) {
        return;
    }
    body->ended = 0;
    std::deque<long> events;
    {
        const std::lock_guard<std::mutex> hold(body->lock);
        events.swap(body->events);
    }
    for (const long event : events) {
        if (event != zqmovie::EVENT_COMPLETE) {
            continue;
        }
        body->ended = STATE_ENDED;
        stop();
        if (body->type == TYPE_SEEKABLE) {
            setTime(0.0f);
        }
        if (body->loopMode != 0) {
            play();
        }
    }
    // The newest decoded frame goes into the texture here, on the thread that draws with it.
    const std::lock_guard<std::mutex> hold(body->frameLock);
    if (body->frameFresh && body->renderer.doRenderSample(body->frontFrame.data())) {
        body->frameFresh = false;
    }
}

namespace {

bool changeState(ZqGlShowTextureDll::Body& body, const RunState to) {
    {
        const std::lock_guard<std::mutex> hold(body.lock);
        const RunState from = body.state;
        if (from == RunState::Running && to != RunState::Running) {
            body.positionBase = body.mediaTime();
        }
        if (from != RunState::Running && to == RunState::Running) {
            body.clockBase = zqmovie::clockMicroseconds();
        }
        if (from == RunState::Stopped && to != RunState::Stopped) {
            body.cued = false;
        }
        body.state = to;
    }
    body.audioOut.setRunning(to == RunState::Running);
    body.changed.notify_all();
    return true;
}

} // namespace

bool ZqGlShowTextureDll::play() {
    return m_pBody != nullptr && changeState(*m_pBody, RunState::Running);
}

bool ZqGlShowTextureDll::pause() {
    if (m_pBody == nullptr || m_pBody->type == TYPE_UNSEEKABLE) {
        return false;
    }
    return changeState(*m_pBody, RunState::Paused);
}

bool ZqGlShowTextureDll::stop() {
    return m_pBody != nullptr && changeState(*m_pBody, RunState::Stopped);
}

uint8_t ZqGlShowTextureDll::getLoopMode() const {
    return m_pBody != nullptr ? m_pBody->loopMode : 0;
}

void ZqGlShowTextureDll::setLoopMode(const uint8_t mode) {
    if (m_pBody != nullptr) {
        m_pBody->loopMode = mode;
    }
}

uint32_t ZqGlShowTextureDll::getState() const {
    const Body* const body = m_pBody.get();
    if (body == nullptr) {
        return STATE_ERROR;
    }
    const std::lock_guard<std::mutex> hold(body->lock);
    uint32_t state = STATE_RUNNING;
    if (body->state == RunState::Stopped) {
        state = STATE_STOPPED;
    } else if (body->state == RunState::Paused) {
        state = STATE_PAUSED;
    }
    if (body->state != RunState::Stopped && !body->cued && !body->failed) {
        state |= STATE_INTERMEDIATE;
    }
    if (body->state == RunState::Paused && body->failed) {
        state |= STATE_CANT_CUE;
    }
    return state | body->ended;
}

uint8_t ZqGlShowTextureDll::getType() const {
    return m_pBody != nullptr ? m_pBody->type : static_cast<uint8_t>(TYPE_SEEKABLE);
}

float ZqGlShowTextureDll::getTotalTime() const {
    return m_pBody != nullptr ? static_cast<float>(m_pBody->durationUs) / 1000.0f : 0.0f;
}

float ZqGlShowTextureDll::getTime() const {
    const Body* const body = m_pBody.get();
    if (body == nullptr) {
        return 0.0f;
    }
    const std::lock_guard<std::mutex> hold(body->lock);
    int64_t position = body->mediaTime();
    // The position stops at the end of the stream.
    if (body->durationUs > 0 && position > body->durationUs) {
        position = body->durationUs;
    }
    return static_cast<float>(position) / 1000.0f;
}

void ZqGlShowTextureDll::setTime(const float ms) {
    Body* const body = m_pBody.get();
    if (body == nullptr || body->type != TYPE_SEEKABLE || !std::isfinite(ms)) {
        return;
    }
    const int64_t target = std::max<int64_t>(0, static_cast<int64_t>(ms * 1000.0));
    {
        const std::lock_guard<std::mutex> hold(body->lock);
        ++body->seekGeneration;
        body->seekTarget = target;
        body->positionBase = target;
        body->clockBase = zqmovie::clockMicroseconds();
        body->endTime = target;
        body->cued = false;
        body->demuxEnded = false;
        body->failed = false;
        body->completeSent = false;
        body->events.clear();
    }
    body->changed.notify_all();
}

float ZqGlShowTextureDll::getPitch() const {
    const Body* const body = m_pBody.get();
    if (body == nullptr) {
        return 1.0f;
    }
    const std::lock_guard<std::mutex> hold(body->lock);
    return body->rate;
}

void ZqGlShowTextureDll::setPitch(const float rate) {
    Body* const body = m_pBody.get();
    if (body == nullptr || body->type != TYPE_SEEKABLE || !std::isfinite(rate) || rate <= 0.0f) {
        return;
    }
    {
        const std::lock_guard<std::mutex> hold(body->lock);
        body->positionBase = body->mediaTime();
        body->clockBase = zqmovie::clockMicroseconds();
        body->rate = rate;
    }
    body->changed.notify_all();
}

float ZqGlShowTextureDll::getVolume() const {
    return m_pBody != nullptr ? m_pBody->volume : 0.0f;
}

void ZqGlShowTextureDll::setVolume(const float volume) {
    if (m_pBody == nullptr || !(volume >= 0.0f && volume <= 1.0f)) {
        return;
    }
    m_pBody->volume = volume;
    m_pBody->audioOut.setVolume(static_cast<long>(volume * 10000.0f) - 10000);
}

float ZqGlShowTextureDll::getPan() const {
    return m_pBody != nullptr ? m_pBody->pan : 0.0f;
}

void ZqGlShowTextureDll::setPan(const float pan) {
    if (m_pBody == nullptr || !(pan >= -1.0f && pan <= 1.0f)) {
        return;
    }
    m_pBody->pan = pan;
    m_pBody->audioOut.setBalance(static_cast<long>(pan * 10000.0f));
}

uint16_t ZqGlShowTextureDll::getWidth() const {
    return m_pBody != nullptr ? m_pBody->width : 0;
}

uint16_t ZqGlShowTextureDll::getHeight() const {
    return m_pBody != nullptr ? m_pBody->height : 0;
}

uint32_t ZqGlShowTextureDll::getVideoPitch() const {
    return m_pBody != nullptr ? m_pBody->pitch : 0;
}
