// ZqSdSound: start-up and devices, the four groups and loading of sound effects.
#include "zq/sd/ZqSdSound.h"

#include "zq/file/ZqByteReader.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/platform/fs/fs.h"
#include "zq/sd/ZqSdSoundFormat.h"
#include "zq/system/ZqError.h"
#include "zq/system/ZqSystem.h"

#include <algorithm>
#include <cstring>

zqp::AudioEngine* ZqSdSound::m_pXAudio = nullptr;
zqp::AudioVoice* ZqSdSound::m_pMasteringVoice = nullptr;
zqp::AudioVoice* ZqSdSound::m_pSeSubmixVoice = nullptr;
std::unique_ptr<ZqSdSound::SeMap[]> ZqSdSound::m_vpSes;
ZqFile::Io* ZqSdSound::m_pSeFileIo = nullptr;
std::unique_ptr<ZqFile::Io> ZqSdSound::m_pDefaultSeFileIo;
ZqString ZqSdSound::m_seDirectory;

namespace {

constexpr uint32_t CHANNELS = 2;
constexpr float MAX_PITCH = 2.0f;
constexpr uint32_t SILENCE_FRAMES = 128;

} // namespace

void ZqSdSound::Se::VoiceCallback::onBufferStart(void*) {
    const ZqLockGuard guard(m_cs);
    m_playing.store(1, std::memory_order_relaxed);
}

void ZqSdSound::Se::VoiceCallback::onBufferEnd(void*) {
    const ZqLockGuard guard(m_cs);
    m_playing.store(0, std::memory_order_relaxed);
}

ZqSdSound::Se::~Se() {
    for (uint32_t v = 0; v < m_nrVoices; ++v) {
        // Destroying a voice stops it; no callback runs after this.
        zqp::audioDestroyVoice(m_voices[v].source);
    }
}

void ZqSdSound::sysInit() {
    m_pDefaultSeFileIo = std::make_unique<ZqFile::Io>();
    m_pSeFileIo = m_pDefaultSeFileIo.get();
    m_seDirectory.clear();
    m_vpSes = std::make_unique<SeMap[]>(NR_GROUPS);
    if (!selectDevice(0)) {
        throw ZqError::SOUND_ENGINE;
    }
}

void ZqSdSound::sysMain() {
    if (m_vpSes == nullptr) {
        return;
    }
    const float dt = ZqSystem::getTimeTickFloat();
    for (uint32_t g = 0; g < NR_GROUPS; ++g) {
        for (auto& [name, se] : m_vpSes[g]) {
            for (uint32_t v = 0; v < se->m_nrVoices; ++v) {
                fadeStepBody(se.get(), v, dt);
            }
        }
    }
}

void ZqSdSound::sysQuit() {
    quit();
    m_vpSes.reset();
    m_pSeFileIo = nullptr;
    m_pDefaultSeFileIo.reset();
    m_seDirectory.clear();
}

void ZqSdSound::quit() {
    quitBgmBody();
    if (m_vpSes != nullptr) {
        unloadSeAll();
    }
    if (m_pSeSubmixVoice != nullptr) {
        zqp::audioDestroyVoice(m_pSeSubmixVoice);
        m_pSeSubmixVoice = nullptr;
    }
    if (m_pMasteringVoice != nullptr) {
        zqp::audioDestroyVoice(m_pMasteringVoice);
        m_pMasteringVoice = nullptr;
    }
    if (m_pXAudio != nullptr) {
        zqp::audioDestroyEngine(m_pXAudio);
        m_pXAudio = nullptr;
    }
}

uint32_t ZqSdSound::getNrDevices() {
    return zqp::audioGetDeviceCount(m_pXAudio);
}

bool ZqSdSound::getDeviceName(const uint32_t index, char16_t* const name) {
    std::u16string text;
    uint32_t rate = 0;
    if (name == nullptr || !zqp::audioGetDeviceDetails(m_pXAudio, index, text, rate)) {
        return false;
    }
    const size_t n = std::min<size_t>(text.size(), DEVICE_NAME_SIZE - 1);
    std::copy_n(text.data(), n, name);
    std::fill(name + n, name + DEVICE_NAME_SIZE, u'\0');
    return true;
}

bool ZqSdSound::selectDevice(const uint32_t index) {
    quit();
    m_pXAudio = zqp::audioCreateEngine();
    if (m_pXAudio == nullptr) {
        throw ZqError::SOUND_ENGINE;
    }
    std::u16string name;
    uint32_t rate = 0;
    if (!zqp::audioGetDeviceDetails(m_pXAudio, index, name, rate)) {
        return false;
    }
    m_pMasteringVoice = zqp::audioCreateMasteringVoice(m_pXAudio, CHANNELS, rate, index);
    if (m_pMasteringVoice == nullptr) {
        return false;
    }
    m_pSeSubmixVoice = zqp::audioCreateSubmixVoice(m_pXAudio, CHANNELS, rate);
    if (m_pSeSubmixVoice == nullptr) {
        zqp::audioDestroyVoice(m_pMasteringVoice);
        m_pMasteringVoice = nullptr;
        return false;
    }
    startBgmBody();
    setSeFileIo(nullptr);
    setMasterVolume(1.0f);
    setBgmVolume(1.0f);
    setSeMasterVolume(1.0f);
    return true;
}

void ZqSdSound::setMasterVolume(const float volume) {
    zqp::audioSetVolume(m_pMasteringVoice, volume);
}

float ZqSdSound::getMasterVolume() {
    return zqp::audioGetVolume(m_pMasteringVoice);
}

void ZqSdSound::setSeMasterVolume(const float volume) {
    zqp::audioSetVolume(m_pSeSubmixVoice, volume);
}

float ZqSdSound::getSeMasterVolume() {
    return zqp::audioGetVolume(m_pSeSubmixVoice);
}

void ZqSdSound::setSeFileIo(ZqFile::Io* const io) {
    stopSeAll(0.0f);
    if (io != nullptr) {
        m_pDefaultSeFileIo.reset();
        m_pSeFileIo = io;
    } else if (m_pDefaultSeFileIo == nullptr || m_pSeFileIo != m_pDefaultSeFileIo.get()) {
        m_pDefaultSeFileIo = std::make_unique<ZqFile::Io>();
        m_pSeFileIo = m_pDefaultSeFileIo.get();
    }
}

void ZqSdSound::setSeDirectory(const char16_t* const directory) {
    m_seDirectory = directory != nullptr ? directory : u"";
}

bool ZqSdSound::getSeName(const char16_t* const path, ZqString& name) {
    if (path == nullptr) {
        return false;
    }
    const ZqString text(path);
    const size_t slash = text.find_last_of(u"\\/");
    const size_t start = slash == ZqString::npos ? 0 : slash + 1;
    const size_t dot = text.find_last_of(u'.');
    const size_t end = dot == ZqString::npos || dot < start ? text.size() : dot;
    name = text.substr(start, end - start);
    return true;
}

ZqSdSound::SeMap* ZqSdSound::groupBody(const uint32_t group) {
    return m_vpSes != nullptr && group < NR_GROUPS ? &m_vpSes[group] : nullptr;
}

uint32_t ZqSdSound::loadSe(const char16_t* const path, const uint32_t group,
                           const uint32_t voices) {
    ZqString name;
    SeMap* const map = groupBody(group);
    if (map == nullptr || !getSeName(path, name)) {
        return 0;
    }
    // A sound of the same name goes first; it is destroyed, not just forgotten.
    map->erase(name);
    if (voices < 1 || voices > MAX_VOICES || m_pSeFileIo == nullptr) {
        return 0;
    }
    const ZqString full = m_seDirectory + path;
    uint32_t size = 0;
    void* const data = m_pSeFileIo->load(full.c_str(), 0, &size);
    if (data == nullptr) {
        return 0;
    }
    std::unique_ptr<Se> se = buildSeBody(static_cast<const uint8_t*>(data), size, voices);
    ZqMemAlloc::deallocate(data);
    if (se == nullptr) {
        return 0;
    }
    map->emplace(std::move(name), std::move(se));
    return voices;
}

uint32_t ZqSdSound::loadSe(const char16_t* const name, const void* const data, const uint32_t size,
                           const uint32_t group, const uint32_t voices) {
    SeMap* const map = groupBody(group);
    if (map == nullptr || name == nullptr) {
        return 0;
    }
    const ZqString key(name);
    map->erase(key);
    if (data == nullptr) {
        return 0;
    }
    std::unique_ptr<Se> se = buildSeBody(static_cast<const uint8_t*>(data), size, voices);
    if (se == nullptr) {
        return 0;
    }
    map->emplace(key, std::move(se));
    return voices;
}

zqp::AudioFormat ZqSdSound::audioFormatBody(const WaveHeader& wave) {
    zqp::AudioFormat format;
    format.formatTag = wave.formatTag;
    format.channels = wave.channels;
    format.sampleRate = wave.samplesPerSec;
    format.avgBytesPerSec = wave.avgBytesPerSec;
    format.blockAlign = wave.blockAlign;
    format.bitsPerSample = wave.bitsPerSample;
    return format;
}

std::unique_ptr<ZqSdSound::Se> ZqSdSound::buildSeBody(const uint8_t* const data,
                                                      const uint32_t size, const uint32_t voices) {
    if (voices < 1 || voices > MAX_VOICES || m_pXAudio == nullptr || m_pSeSubmixVoice == nullptr) {
        return nullptr;
    }
    WaveHeader wave;
    const uint32_t dataOffset = analyzeSound(data, size, &wave);
    if (dataOffset == 0) {
        return nullptr;
    }
    const ZqByteReader r(data, size);
    uint32_t fileLoopCount = 0, loopStart = 0, loopLength = 0, total = 0;
    r.u32(zqsd::OFFSET_LOOP_COUNT, fileLoopCount);
    r.u32(zqsd::OFFSET_LOOP_START, loopStart);
    r.u32(zqsd::OFFSET_LOOP_LENGTH, loopLength);
    r.u32(zqsd::OFFSET_TOTAL, total);

    std::unique_ptr<Se> se(new Se());
    se->m_channels = wave.channels;
    se->m_loopCount = fileLoopCount;
    zqp::AudioFormat format = audioFormatBody(wave);
    switch (wave.formatTag) {
    case zqsd::FORMAT_PCM:
        se->m_loopBegin = loopStart;
        se->m_loopLength = loopLength;
        break;
    case zqsd::FORMAT_ADPCM: {
        // Sample positions must fit the voice's 32-bit counts.
        const uint64_t frames = static_cast<uint64_t>(total) * wave.samplesPerBlock;
        if (frames > 0xFFFFFFFFull) {
            return nullptr;
        }
        se->m_loopBegin = loopStart * wave.samplesPerBlock;
        se->m_loopLength = loopLength * wave.samplesPerBlock;
        format.samplesPerBlock = wave.samplesPerBlock;
        format.nrCoefs = wave.nrCoefs;
        for (uint32_t i = 0; i < zqsd::ADPCM_NR_COEFS; ++i) {
            r.i16(zqsd::OFFSET_TABLE + 4 * i, format.coefs[i][0]);
            r.i16(zqsd::OFFSET_TABLE + 4 * i + 2, format.coefs[i][1]);
        }
        break;
    }
    default:
        // The file's loop region of an xWMA file is always the whole sound (analyzeSound checks
        // it); in the buffer that is the default region, as the voice counts in samples.
        se->m_loopBegin = 0;
        se->m_loopLength = 0;
        se->m_packets.resize(total);
        for (uint32_t i = 0; i < total; ++i) {
            r.u32(zqsd::OFFSET_TABLE + 4ull * i, se->m_packets[i]);
        }
        break;
    }
    const uint64_t bytes = static_cast<uint64_t>(wave.blockAlign) * total;
    const uint8_t* const audio = r.bytes(dataOffset, bytes);
    if (audio == nullptr) {
        return nullptr;
    }
    se->m_data.assign(audio, audio + bytes);
    se->m_buffer.flags = zqp::AUDIO_END_OF_STREAM;
    se->m_buffer.bytes = static_cast<uint32_t>(bytes);
    se->m_buffer.data = se->m_data.data();
    se->m_buffer.loopBegin = se->m_loopBegin;
    se->m_buffer.loopLength = se->m_loopLength;

    // The stretch of silence played after a cut: 128 frames of PCM, or one silent ADPCM block.
    if (wave.formatTag == zqsd::FORMAT_PCM) {
        const uint8_t fill = wave.bitsPerSample == 8 ? 0x80 : 0x00;
        se->m_silenceData.assign(
            static_cast<size_t>(wave.bitsPerSample / 8) * wave.channels * SILENCE_FRAMES, fill);
        se->m_silence.playLength = SILENCE_FRAMES;
        se->m_silence.loopLength = SILENCE_FRAMES;
        se->m_silence.loopCount = wave.samplesPerSec * 2 / 128000;
    } else if (wave.formatTag == zqsd::FORMAT_ADPCM) {
        se->m_silenceData.assign(wave.blockAlign, 0);
        for (uint32_t c = 0; c < wave.channels; ++c) {
            // Delta 16 per channel after the predictor bytes; history samples stay 0.
            se->m_silenceData[wave.channels + 2 * c] = 16;
        }
        const uint32_t spb =
            (wave.blockAlign - (wave.channels == 1 ? 6u : 12u)) * 2u / wave.channels;
        se->m_silence.playLength = spb;
        se->m_silence.loopLength = spb;
        se->m_silence.loopCount =
            static_cast<uint16_t>(static_cast<uint32_t>(wave.samplesPerSec * 0.002 / spb));
    }
    se->m_silence.flags = zqp::AUDIO_END_OF_STREAM;
    se->m_silence.bytes = static_cast<uint32_t>(se->m_silenceData.size());
    se->m_silence.data = se->m_silenceData.empty() ? nullptr : se->m_silenceData.data();

    se->m_voices = std::make_unique<Se::Voice[]>(voices);
    se->m_nrVoices = static_cast<uint16_t>(voices);
    se->m_lastVoice = static_cast<uint16_t>(voices - 1);
    for (uint32_t v = 0; v < voices; ++v) {
        Se::Voice& voice = se->m_voices[v];
        voice.source = zqp::audioCreateSourceVoice(m_pXAudio, format, MAX_PITCH, &voice.callback,
                                                   m_pSeSubmixVoice);
        if (voice.source == nullptr) {
            // The destructor destroys the voices made so far.
            return nullptr;
        }
    }
    return se;
}

uint32_t ZqSdSound::loadSeGroup(const uint32_t group, const uint32_t voices) {
    const ZqString pattern = m_seDirectory + u"*";
    zqp::FindData data;
    const zqp::FindHandle handle = zqp::findFirst(pattern.c_str(), data);
    if (handle == 0) {
        return 0;
    }
    uint32_t sum = 0;
    do {
        if (data.attributes != zqp::FindData::ATTRIBUTE_DIRECTORY) {
            sum += loadSe(data.name, group, voices);
        }
    } while (zqp::findNext(handle, data));
    zqp::findClose(handle);
    return sum;
}

ZqSdSound::Se* ZqSdSound::getSeHandle(const char16_t* const name, const uint32_t group) {
    SeMap* const map = groupBody(group);
    if (map == nullptr || name == nullptr) {
        return nullptr;
    }
    const auto it = map->find(name);
    return it != map->end() ? it->second.get() : nullptr;
}

uint32_t ZqSdSound::getNrSes(const uint32_t group) {
    const SeMap* const map = groupBody(group);
    return map != nullptr ? static_cast<uint32_t>(map->size()) : 0;
}

uint32_t ZqSdSound::getMaxVoices(const char16_t* const name, const uint32_t group) {
    return getMaxVoices(getSeHandle(name, group));
}

uint32_t ZqSdSound::getMaxVoices(const Se* const se) {
    return se != nullptr ? se->m_nrVoices : 0;
}

void ZqSdSound::unloadSeGroup(const uint32_t group) {
    SeMap* const map = groupBody(group);
    if (map != nullptr) {
        map->clear();
    }
}

void ZqSdSound::unloadSeAll() {
    for (uint32_t g = 0; g < NR_GROUPS; ++g) {
        unloadSeGroup(g);
    }
}
