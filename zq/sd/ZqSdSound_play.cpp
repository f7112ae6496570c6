// ZqSdSound: playing, stopping, fading and the per-voice settings of sound effects, and the
// volume and pitch conversions.
#include "zq/sd/ZqSdSound.h"

#include <cfloat>
#include <cmath>

namespace {

bool validLoop(const uint32_t loop) {
    return loop >= 1 && loop <= ZqSdSound::LOOP_FILE;
}

} // namespace

int32_t ZqSdSound::playVoiceBody(Se* const se, const uint32_t voice, const uint32_t loop,
                                 const float fadeIn) {
    Se::Voice& v = se->m_voices[voice];
    zqp::audioStop(v.source);
    zqp::audioFlush(v.source);
    zqp::AudioBuffer buffer = se->m_buffer;
    if (loop == LOOP_FILE) {
        buffer.loopBegin = se->m_loopBegin;
        buffer.loopLength = se->m_loopLength;
        buffer.loopCount = se->m_loopCount;
    } else {
        buffer.loopBegin = 0;
        buffer.loopLength = 0;
        buffer.loopCount = loop - 1;
    }
    zqp::AudioWmaTable table;
    table.packets = se->m_packets.data();
    table.count = static_cast<uint32_t>(se->m_packets.size());
    if (!zqp::audioSubmitBuffer(v.source, buffer, se->m_packets.empty() ? nullptr : &table)) {
        return -1;
    }
    v.volumeInForce = v.volume;
    if (fadeIn <= 0.0f) {
        v.fadeLevel = 1.0f;
        v.fadeSpeed = 0.0f;
        zqp::audioSetVolume(v.source, v.volume);
    } else {
        v.fadeLevel = 0.0f;
        v.fadeSpeed = 1.0f / fadeIn;
        zqp::audioSetVolume(v.source, 0.0f);
    }
    applyPanBody(se, voice, v.pan, true);
    zqp::audioSetFrequencyRatio(v.source, v.pitch);
    return zqp::audioStart(v.source) ? static_cast<int32_t>(voice) : -1;
}

int32_t ZqSdSound::playSe(Se* const se, const uint32_t loop, const float fadeIn) {
    if (se == nullptr) {
        return 0;
    }
    if (!validLoop(loop)) {
        return -1;
    }
    const uint32_t voice = (se->m_lastVoice + 1u) % se->m_nrVoices;
    se->m_lastVoice = static_cast<uint16_t>(voice);
    return playVoiceBody(se, voice, loop, fadeIn);
}

int32_t ZqSdSound::playSe(const char16_t* const name, const uint32_t group, const uint32_t loop,
                          const float fadeIn) {
    Se* const se = getSeHandle(name, group);
    return se != nullptr ? playSe(se, loop, fadeIn) : -1;
}

int32_t ZqSdSound::playSe(Se* const se, const uint32_t voice, const uint32_t loop,
                          const float fadeIn) {
    if (se == nullptr || voice >= se->m_nrVoices) {
        return 0;
    }
    // Loop 0 would hand the voice a loop count of -1: refused like in the round-robin form.
    if (!validLoop(loop)) {
        return -1;
    }
    return playVoiceBody(se, voice, loop, fadeIn);
}

int32_t ZqSdSound::playSe(const char16_t* const name, const uint32_t group, const uint32_t voice,
                          const uint32_t loop, const float fadeIn) {
    Se* const se = getSeHandle(name, group);
    return se != nullptr ? playSe(se, voice, loop, fadeIn) : -1;
}

bool ZqSdSound::stopVoiceBody(Se* const se, const uint32_t voice, const float fade) {
    Se::Voice& v = se->m_voices[voice];
    if (fade > 0.0f) {
        v.fadeSpeed = -v.fadeLevel / fade;
        return true;
    }
    const bool wasPlaying = v.callback.isPlaying();
    const bool stopped = zqp::audioStop(v.source);
    zqp::audioFlush(v.source);
    if (v.silentAfterStop && wasPlaying && se->m_silence.bytes != 0) {
        zqp::audioSubmitBuffer(v.source, se->m_silence, nullptr);
        zqp::audioSetFrequencyRatio(v.source, 1.0f);
        zqp::audioStart(v.source);
    }
    return stopped;
}

bool ZqSdSound::stopSe(Se* const se, const float fade) {
    if (se == nullptr) {
        return false;
    }
    bool ok = true;
    for (uint32_t v = 0; v < se->m_nrVoices; ++v) {
        ok = stopVoiceBody(se, v, fade) && ok;
    }
    return ok;
}

bool ZqSdSound::stopSe(const char16_t* const name, const uint32_t group, const float fade) {
    Se* const se = getSeHandle(name, group);
    if (se == nullptr) {
        return false;
    }
    stopSe(se, fade);
    return true;
}

bool ZqSdSound::stopSe(Se* const se, const uint32_t voice, const float fade) {
    if (se == nullptr || voice >= se->m_nrVoices) {
        return false;
    }
    return stopVoiceBody(se, voice, fade);
}

bool ZqSdSound::stopSe(const char16_t* const name, const uint32_t group, const uint32_t voice,
                       const float fade) {
    Se* const se = getSeHandle(name, group);
    if (se == nullptr) {
        return false;
    }
    if (voice < se->m_nrVoices) {
        stopVoiceBody(se, voice, fade);
    }
    return true;
}

void ZqSdSound::stopSeGroup(const uint32_t group, const float fade) {
    SeMap* const map = groupBody(group);
    if (map == nullptr) {
        return;
    }
    for (auto& [name, se] : *map) {
        stopSe(se.get(), fade);
    }
}

void ZqSdSound::stopSeAll(const float fade) {
    for (uint32_t g = 0; g < NR_GROUPS; ++g) {
        stopSeGroup(g, fade);
    }
}

bool ZqSdSound::isPlayingSe(const Se* const se) {
    if (se == nullptr) {
        return false;
    }
    for (uint32_t v = 0; v < se->m_nrVoices; ++v) {
        if (se->m_voices[v].callback.isPlaying()) {
            return true;
        }
    }
    return false;
}

bool ZqSdSound::isPlayingSe(const char16_t* const name, const uint32_t group) {
    return isPlayingSe(getSeHandle(name, group));
}

bool ZqSdSound::isPlayingSe(const Se* const se, const uint32_t voice) {
    return se != nullptr && voice < se->m_nrVoices && se->m_voices[voice].callback.isPlaying();
}

bool ZqSdSound::isPlayingSe(const char16_t* const name, const uint32_t group,
                            const uint32_t voice) {
    return isPlayingSe(getSeHandle(name, group), voice);
}

bool ZqSdSound::applyVolumeBody(Se* const se, const uint32_t voice, const float volume,
                                const bool apply) {
    Se::Voice& v = se->m_voices[voice];
    v.volume = volume;
    if (!apply) {
        return true;
    }
    v.volumeInForce = volume;
    return zqp::audioSetVolume(v.source, v.fadeLevel * volume);
}

bool ZqSdSound::applyPanBody(Se* const se, const uint32_t voice, const float pan,
                             const bool apply) {
    Se::Voice& v = se->m_voices[voice];
    v.pan = pan;
    if (!apply) {
        return true;
    }
    float gains[2] = {};
    calcPan(gains, pan);
    if (se->m_channels == 2) {
        return zqp::audioSetChannelVolumes(v.source, 2, gains);
    }
    return zqp::audioSetOutputMatrix(v.source, 1, 2, gains);
}

bool ZqSdSound::applyPitchBody(Se* const se, const uint32_t voice, const float pitch,
                               const bool apply) {
    Se::Voice& v = se->m_voices[voice];
    v.pitch = pitch;
    return !apply || zqp::audioSetFrequencyRatio(v.source, pitch);
}

namespace {

using SettingBody = bool (*)(ZqSdSound::Se*, uint32_t, float, bool);

// Every voice of a sound; false for a null handle or when a voice's setting failed.
bool settingAll(ZqSdSound::Se* const se, const float value, const bool apply,
                const SettingBody body) {
    if (se == nullptr) {
        return false;
    }
    bool ok = true;
    for (uint32_t v = 0; v < ZqSdSound::getMaxVoices(se); ++v) {
        ok = body(se, v, value, apply) && ok;
    }
    return ok;
}

bool settingOne(ZqSdSound::Se* const se, const uint32_t voice, const float value, const bool apply,
                const SettingBody body) {
    return se != nullptr && voice < ZqSdSound::getMaxVoices(se) && body(se, voice, value, apply);
}

} // namespace

bool ZqSdSound::setSeVolume(Se* const se, const float volume, const bool apply) {
    return settingAll(se, volume, apply, &applyVolumeBody);
}

bool ZqSdSound::setSeVolume(const char16_t* const name, const uint32_t group, const float volume,
                            const bool apply) {
    return settingAll(getSeHandle(name, group), volume, apply, &applyVolumeBody);
}

bool ZqSdSound::setSeVolume(Se* const se, const uint32_t voice, const float volume,
                            const bool apply) {
    return settingOne(se, voice, volume, apply, &applyVolumeBody);
}

bool ZqSdSound::setSeVolume(const char16_t* const name, const uint32_t group, const uint32_t voice,
                            const float volume, const bool apply) {
    return settingOne(getSeHandle(name, group), voice, volume, apply, &applyVolumeBody);
}

bool ZqSdSound::setSePan(Se* const se, const float pan, const bool apply) {
    return settingAll(se, pan, apply, &applyPanBody);
}

bool ZqSdSound::setSePan(const char16_t* const name, const uint32_t group, const float pan,
                         const bool apply) {
    return settingAll(getSeHandle(name, group), pan, apply, &applyPanBody);
}

bool ZqSdSound::setSePan(Se* const se, const uint32_t voice, const float pan, const bool apply) {
    return settingOne(se, voice, pan, apply, &applyPanBody);
}

bool ZqSdSound::setSePan(const char16_t* const name, const uint32_t group, const uint32_t voice,
                         const float pan, const bool apply) {
    return settingOne(getSeHandle(name, group), voice, pan, apply, &applyPanBody);
}

bool ZqSdSound::setSePitch(Se* const se, const float pitch, const bool apply) {
    return settingAll(se, pitch, apply, &applyPitchBody);
}

bool ZqSdSound::setSePitch(const char16_t* const name, const uint32_t group, const float pitch,
                           const bool apply) {
    return settingAll(getSeHandle(name, group), pitch, apply, &applyPitchBody);
}

bool ZqSdSound::setSePitch(Se* const se, const uint32_t voice, const float pitch,
                           const bool apply) {
    return settingOne(se, voice, pitch, apply, &applyPitchBody);
}

bool ZqSdSound::setSePitch(const char16_t* const name, const uint32_t group, const uint32_t voice,
                           const float pitch, const bool apply) {
    return settingOne(getSeHandle(name, group), voice, pitch, apply, &applyPitchBody);
}

bool ZqSdSound::setSeSilentAfterStopEnable(Se* const se, const bool enable) {
    if (se == nullptr) {
        return false;
    }
    for (uint32_t v = 0; v < se->m_nrVoices; ++v) {
        se->m_voices[v].silentAfterStop = enable;
    }
    return true;
}

bool ZqSdSound::setSeSilentAfterStopEnable(const char16_t* const name, const uint32_t group,
                                           const bool enable) {
    return setSeSilentAfterStopEnable(getSeHandle(name, group), enable);
}

bool ZqSdSound::setSeSilentAfterStopEnable(Se* const se, const uint32_t voice, const bool enable) {
    if (se == nullptr || voice >= se->m_nrVoices) {
        return false;
    }
    se->m_voices[voice].silentAfterStop = enable;
    return true;
}

bool ZqSdSound::setSeSilentAfterStopEnable(const char16_t* const name, const uint32_t group,
                                           const uint32_t voice, const bool enable) {
    Se* const se = getSeHandle(name, group);
    if (se == nullptr) {
        return false;
    }
    if (voice < se->m_nrVoices) {
        se->m_voices[voice].silentAfterStop = enable;
    }
    return true;
}

void ZqSdSound::fadeStepBody(Se* const se, const uint32_t voice, const float dt) {
    Se::Voice& v = se->m_voices[voice];
    if (v.fadeSpeed == 0.0f) {
        return;
    }
    v.fadeLevel += v.fadeSpeed * dt;
    if (v.fadeSpeed > 0.0f && v.fadeLevel >= 1.0f) {
        v.fadeLevel = 1.0f;
        v.fadeSpeed = 0.0f;
    } else if (v.fadeSpeed < 0.0f && v.fadeLevel <= 0.0f) {
        v.fadeLevel = 0.0f;
        v.fadeSpeed = 0.0f;
        stopVoiceBody(se, voice, 0.0f);
    }
    zqp::audioSetVolume(v.source, v.volumeInForce * v.fadeLevel);
}

float ZqSdSound::calcVolume2Decibels(const float volume) {
    return volume == 0.0f ? -FLT_MAX : 20.0f * std::log10(volume);
}

float ZqSdSound::calcDecibels2Volume(const float decibels) {
    return std::pow(10.0f, decibels * 0.05f);
}

float ZqSdSound::calcPitch2Semitones(const float pitch) {
    return 12.0f * std::log2(pitch);
}

float ZqSdSound::calcSemitones2Pitch(const float semitones) {
    return std::pow(2.0f, semitones / 12.0f);
}

void ZqSdSound::calcPan(float* const out, const float pan) {
    if (out == nullptr) {
        return;
    }
    out[0] = pan < 0.0f ? 1.0f : 1.0f - pan;
    out[1] = pan > 0.0f ? 1.0f : 1.0f + pan;
}
