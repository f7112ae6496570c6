// ZqSdSound: the background-music thread, its file thread and the *Bgm members.
#include "zq/file/ZqByteReader.h"
#include "zq/sd/ZqSdSoundBgm_internal.h"
#include "zq/sd/ZqSdSoundFormat.h"
#include "zq/sd/ZqSdSound_test.h"
#include "zq/system/ZqSystem.h"

#include <algorithm>
#include <cstring>

std::unique_ptr<ZqSdSound::BgmThread> ZqSdSound::m_pBgmThread;

namespace {

constexpr uint32_t SLICE_MS = 10;
constexpr float MAX_PITCH = 2.0f;
constexpr uint32_t MAX_WMA_TABLE_BYTES = 65536;
constexpr uint32_t MAX_WMA_CHUNKS = 65536;

} // namespace

// ---- file thread -------------------------------------------------------------------------

void ZqSdSound::BgmThread::FileThread::request(ZqFile::Io* const io, uint8_t* const destination,
                                               const uint32_t count) {
    m_pIo = io;
    m_pDestination = destination;
    m_count = count;
    m_result = 0;
    // The event hands the request over; the thread owns it until the done event.
    setEvent();
}

void ZqSdSound::BgmThread::FileThread::run() {
    for (;;) {
        waitEvent(INFINITE_WAIT);
        if (m_pDestination == nullptr) {
            return;
        }
        const uint32_t got = m_pIo != nullptr ? m_pIo->read(m_pDestination, m_count) : 0;
        m_result = got == m_count ? got : 0;
        m_done.set();
    }
}

// ---- music thread: construction and the main thread's side ---------------------------------

ZqSdSound::BgmThread::BgmThread()
    : m_pOwnIo(std::make_unique<ZqFile::Io>()), m_queue(QUEUE_SIZE),
      m_buffers(std::make_unique<uint8_t[]>(static_cast<size_t>(BUFFER_SIZE) * NR_BUFFERS)) {
    m_pIo = m_pOwnIo.get();
}

ZqSdSound::BgmThread::~BgmThread() {
    if (m_started && !m_ended) {
        quit();
    }
}

bool ZqSdSound::BgmThread::begin() {
    m_started = start();
    return m_started;
}

bool ZqSdSound::BgmThread::queue(const Cmd& cmd) {
    if (!m_queue.push(cmd)) {
        return false;
    }
    setEvent();
    return true;
}

void ZqSdSound::BgmThread::quit() {
    if (!m_started || m_ended) {
        return;
    }
    Cmd cmd;
    cmd.command = CMD_QUIT;
    while (!m_queue.push(cmd)) {
        ZqThread::sleep(1);
    }
    setEvent();
    join(INFINITE_WAIT);
    m_ended = true;
}

bool ZqSdSound::BgmThread::isPlaying() {
    const ZqLockGuard guard(m_cs);
    return m_playing != 0;
}

void ZqSdSound::BgmThread::setVolume(const float volume) {
    const ZqLockGuard guard(m_cs);
    m_volume = volume;
    applyVolumeLocked();
}

float ZqSdSound::BgmThread::getVolume() {
    const ZqLockGuard guard(m_cs);
    return m_volume;
}

void ZqSdSound::BgmThread::setPan(const float pan) {
    const ZqLockGuard guard(m_cs);
    m_pan = pan;
    applyPanLocked();
}

void ZqSdSound::BgmThread::setPitch(const float pitch) {
    const ZqLockGuard guard(m_cs);
    m_pitch = pitch;
    zqp::audioSetFrequencyRatio(m_pVoice, pitch);
}

bool ZqSdSound::BgmThread::setFileIo(ZqFile::Io* const io) {
    Cmd cmd;
    cmd.command = CMD_STOP;
    while (!queue(cmd)) {
        ZqThread::sleep(1);
    }
    while (isPlaying()) {
        ZqThread::sleep(1);
    }
    const ZqLockGuard guard(m_cs);
    if (m_playing != 0) {
        return false;
    }
    if (io != nullptr) {
        m_pOwnIo.reset();
        m_pIo = io;
    } else if (m_pOwnIo == nullptr || m_pIo != m_pOwnIo.get()) {
        m_pOwnIo = std::make_unique<ZqFile::Io>();
        m_pIo = m_pOwnIo.get();
    }
    return true;
}

zqsd::test::BgmState ZqSdSound::BgmThread::getStreamState() {
    zqsd::test::BgmState s;
    s.thread = true;
    const ZqLockGuard guard(m_cs);
    s.voice = m_pVoice != nullptr;
    s.queued = zqp::audioGetQueuedCount(m_pVoice);
    s.framesQueued = zqp::audioGetFramesQueued(m_pVoice);
    s.draining = m_draining;
    s.reads = m_reads;
    s.seeks = m_seeks;
    s.submits = m_submits;
    s.commands = m_queue.getNrQueued();
    s.fadingOut = m_fadeSpeed < 0.0f;
    s.starts = m_starts;
    return s;
}

// ---- music thread: commands and fades ------------------------------------------------------

uint32_t ZqSdSound::BgmThread::now() {
    return ZqSystem::getTime();
}

void ZqSdSound::BgmThread::applyVolumeLocked() {
    zqp::audioSetVolume(m_pVoice, m_volume * m_fadeLevel);
}

void ZqSdSound::BgmThread::applyPanLocked() {
    if (m_pVoice == nullptr) {
        return;
    }
    float gains[2] = {};
    calcPan(gains, m_pan);
    if (m_channels == 2) {
        zqp::audioSetChannelVolumes(m_pVoice, 2, gains);
    } else {
        zqp::audioSetOutputMatrix(m_pVoice, 1, 2, gains);
    }
}

// False for the quit command.
bool ZqSdSound::BgmThread::execute(const Cmd& cmd) {
    const auto text = [&cmd]() {
        return ZqString(cmd.text, std::find(cmd.text, cmd.text + TEXT_SIZE - 1, u'\0'));
    };
    const auto fadeOut = [this, &cmd]() {
        const ZqLockGuard guard(m_cs);
        m_fadeSpeed = -m_fadeLevel / std::max(cmd.fadeOut, 1.0f);
        m_lastFadeTime = now();
    };
    switch (cmd.command) {
    case CMD_DIRECTORY: {
        const ZqLockGuard guard(m_cs);
        m_directory = text();
        break;
    }
    case CMD_STOP:
        m_pendingName.clear();
        fadeOut();
        break;
    case CMD_PLAY:
        m_pendingName = text();
        // The record already holds loop - 1.
        m_pendingLoop = cmd.loop;
        fadeOut();
        m_fadeIn = cmd.fadeIn;
        break;
    case CMD_QUIT:
        return false;
    default:
        break;
    }
    return true;
}

int ZqSdSound::BgmThread::commandStep(const uint32_t waitMs) {
    Cmd cmd;
    bool any = false;
    while (m_queue.pop(cmd)) {
        any = true;
        if (!execute(cmd)) {
            return STEP_QUIT;
        }
    }
    if (!any && waitEvent(waitMs)) {
        while (m_queue.pop(cmd)) {
            if (!execute(cmd)) {
                return STEP_QUIT;
            }
        }
    }
    return fadeStep();
}

int ZqSdSound::BgmThread::fadeStep() {
    const ZqLockGuard guard(m_cs);
    if (m_fadeSpeed == 0.0f) {
        return STEP_GO_ON;
    }
    const uint32_t t = now();
    m_fadeLevel += static_cast<float>(t - m_lastFadeTime) * m_fadeSpeed;
    m_lastFadeTime = t;
    if (m_fadeSpeed > 0.0f && m_fadeLevel >= 1.0f) {
        m_fadeLevel = 1.0f;
        m_fadeSpeed = 0.0f;
    } else if (m_fadeSpeed < 0.0f && m_fadeLevel <= 0.0f) {
        m_fadeLevel = 0.0f;
        m_fadeSpeed = 0.0f;
        applyVolumeLocked();
        return STEP_END_TRACK;
    }
    applyVolumeLocked();
    return STEP_GO_ON;
}

// ---- music thread: the body ----------------------------------------------------------------

void ZqSdSound::BgmThread::run() {
    m_fileThread.start();
    for (;;) {
        if (commandStep(SLICE_MS) == STEP_QUIT) {
            break;
        }
        if (m_pendingName.empty()) {
            const ZqLockGuard guard(m_cs);
            m_playing = 0;
            continue;
        }
        {
            const ZqLockGuard guard(m_cs);
            m_playing = 1;
            m_pTrackIo = m_pIo;
        }
        // The track is taken: once it has played, nothing is left to start again.
        const ZqString name = std::move(m_pendingName);
        m_pendingName.clear();
        if (!startTrack(name)) {
            endTrack();
            continue;
        }
        const Flow flow = streamTrack(m_pendingLoop);
        endTrack();
        if (flow == Flow::Quit) {
            break;
        }
    }
    m_fileThread.request(nullptr, nullptr, 0);
    m_fileThread.join(INFINITE_WAIT);
    endTrack();
    freeTables();
}

void ZqSdSound::BgmThread::endTrack() {
    if (m_pTrackIo != nullptr) {
        m_pTrackIo->close();
        m_pTrackIo = nullptr;
    }
    m_draining = false;
    const ZqLockGuard guard(m_cs);
    if (m_pVoice != nullptr) {
        zqp::audioStop(m_pVoice);
        zqp::audioDestroyVoice(m_pVoice);
        m_pVoice = nullptr;
    }
}

void ZqSdSound::BgmThread::freeTables() {
    m_packets.clear();
    m_packets.shrink_to_fit();
    m_chunks.clear();
    m_chunks.shrink_to_fit();
}

bool ZqSdSound::BgmThread::startTrack(const ZqString& name) {
    ZqString path;
    {
        const ZqLockGuard guard(m_cs);
        path = m_directory + name;
    }
    ZqFile::Io* const io = m_pTrackIo;
    uint32_t size = 0;
    if (io == nullptr || !io->ropen(path.c_str(), 0, &size)) {
        return false;
    }
    uint8_t* const header = m_buffers.get();
    if (io->read(header, zqsd::HEADER_SIZE) != zqsd::HEADER_SIZE) {
        return false;
    }
    WaveHeader wave;
    const uint32_t headerSize = analyzeSound(header, size, &wave);
    if (headerSize == 0) {
        return false;
    }
    const ZqByteReader r(header, zqsd::HEADER_SIZE);
    uint32_t loopStart = 0, loopLength = 0, total = 0;
    r.u32(zqsd::OFFSET_LOOP_COUNT, m_fileLoopCount);
    r.u32(zqsd::OFFSET_LOOP_START, loopStart);
    r.u32(zqsd::OFFSET_LOOP_LENGTH, loopLength);
    r.u32(zqsd::OFFSET_TOTAL, total);
    m_fileLoopStart = static_cast<uint64_t>(loopStart) * wave.blockAlign;
    m_fileLoopLength = static_cast<uint64_t>(loopLength) * wave.blockAlign;
    freeTables();

    zqp::AudioFormat format = audioFormatBody(wave);
    m_wma = wave.formatTag == zqsd::FORMAT_WMA;
    if (wave.formatTag == zqsd::FORMAT_ADPCM) {
        constexpr uint32_t COEF_BYTES = 4 * zqsd::ADPCM_NR_COEFS;
        if (io->read(header, COEF_BYTES) != COEF_BYTES) {
            return false;
        }
        const ZqByteReader c(header, COEF_BYTES);
        for (uint32_t i = 0; i < zqsd::ADPCM_NR_COEFS; ++i) {
            c.i16(4 * i, format.coefs[i][0]);
            c.i16(4 * i + 2, format.coefs[i][1]);
        }
        format.samplesPerBlock = wave.samplesPerBlock;
        format.nrCoefs = wave.nrCoefs;
    } else if (m_wma) {
        const uint64_t tableBytes = 4ull * total;
        const uint32_t perChunk = BUFFER_SIZE / wave.blockAlign;
        const uint64_t nrChunks = (static_cast<uint64_t>(total) + perChunk - 1) / perChunk;
        if (tableBytes > MAX_WMA_TABLE_BYTES || nrChunks > MAX_WMA_CHUNKS) {
            return false;
        }
        if (io->read(header, static_cast<uint32_t>(tableBytes)) != tableBytes) {
            return false;
        }
        const ZqByteReader t(header, tableBytes);
        m_packets.resize(total);
        m_chunks.resize(nrChunks);
        uint32_t previous = 0;
        for (uint64_t k = 0; k < nrChunks; ++k) {
            const uint32_t first = static_cast<uint32_t>(k * perChunk);
            const uint32_t count = std::min(perChunk, total - first);
            uint32_t last = 0;
            for (uint32_t i = first; i < first + count; ++i) {
                t.u32(4ull * i, last);
                m_packets[i] = last - previous;
            }
            previous = last;
            m_chunks[k].packets = m_packets.data() + first;
            m_chunks[k].count = count;
        }
    }
    m_channels = wave.channels;
    m_blockAlign = wave.blockAlign;
    m_headerSize = headerSize;
    m_dataSize = static_cast<uint64_t>(wave.blockAlign) * total;

    const ZqLockGuard guard(m_cs);
    if (m_pVoice == nullptr) {
        m_pVoice = zqp::audioCreateSourceVoice(ZqSdSound::m_pXAudio, format, MAX_PITCH, &m_callback,
                                               nullptr);
        if (m_pVoice == nullptr) {
            return false;
        }
    }
    if (m_fadeIn > 0.0f) {
        m_fadeLevel = 0.0f;
        m_fadeSpeed = 1.0f / m_fadeIn;
        m_fadeIn = 0.0f;
        m_lastFadeTime = now();
    } else {
        m_fadeLevel = 1.0f;
        m_fadeSpeed = 0.0f;
    }
    applyVolumeLocked();
    applyPanLocked();
    zqp::audioSetFrequencyRatio(m_pVoice, m_pitch);
    ++m_starts;
    return zqp::audioStart(m_pVoice);
}

ZqSdSound::BgmThread::Flow ZqSdSound::BgmThread::readChunk(uint8_t* const destination,
                                                           const uint32_t count, uint32_t& got) {
    m_fileThread.request(m_pTrackIo, destination, count);
    ++m_reads;
    Flow flow = Flow::Done;
    while (!m_fileThread.getDoneEvent().wait(SLICE_MS)) {
        if (flow != Flow::Done) {
            continue;
        }
        const int step = commandStep(0);
        if (step == STEP_QUIT) {
            flow = Flow::Quit;
        } else if (step == STEP_END_TRACK) {
            flow = Flow::EndTrack;
        }
    }
    got = m_fileThread.getResult();
    return flow;
}

ZqSdSound::BgmThread::Flow ZqSdSound::BgmThread::waitQueue(const uint32_t below) {
    while (zqp::audioGetQueuedCount(m_pVoice) >= below) {
        const int step = commandStep(0);
        if (step == STEP_QUIT) {
            return Flow::Quit;
        }
        if (step == STEP_END_TRACK) {
            return Flow::EndTrack;
        }
        m_callback.getEvent().wait(SLICE_MS);
    }
    return Flow::Done;
}

ZqSdSound::BgmThread::Flow ZqSdSound::BgmThread::streamTrack(const uint32_t loopValue) {
    const uint64_t d = m_dataSize;
    uint32_t loops = loopValue;
    uint64_t s = 0;
    uint64_t e = d;
    if (loopValue == LOOP_VALUE_FILE) {
        s = m_fileLoopStart;
        e = s + m_fileLoopLength;
        loops = m_fileLoopCount;
    }
    const bool endless = loops == LOOP_VALUE_ENDLESS;
    const bool inMemory =
        d <= static_cast<uint64_t>(BUFFER_SIZE) * NR_BUFFERS && (e == d || endless);
    uint8_t* const buffers = m_buffers.get();

    uint64_t p = 0;
    uint32_t n = 0;
    uint32_t b = 0;
    uint32_t k = 0;
    for (;;) {
        uint32_t size = 0;
        if (m_wma) {
            if (k >= m_chunks.size()) {
                break;
            }
            size = m_chunks[k].count * m_blockAlign;
        } else {
            // An endless loop never runs on past its region; only the last pass plays the tail.
            const uint64_t end = n >= loops && !endless ? d : e;
            size = static_cast<uint32_t>(std::min<uint64_t>(end - p, BUFFER_SIZE));
        }
        if (size == 0) {
            break;
        }
        const uint8_t* data = nullptr;
        if (!inMemory || n == 0) {
            uint32_t got = 0;
            const Flow flow = readChunk(buffers + static_cast<size_t>(b) * BUFFER_SIZE, size, got);
            if (flow != Flow::Done) {
                return flow;
            }
            if (got < size) {
                break;
            }
            p += got;
            data = buffers + static_cast<size_t>(b) * BUFFER_SIZE;
        } else {
            p += size;
            data = buffers + (p - size);
        }
        const Flow flow = waitQueue(2);
        if (flow != Flow::Done) {
            return flow;
        }
        const bool wrap = p >= e && (endless || n != loops);
        zqp::AudioBuffer buffer;
        buffer.data = data;
        buffer.bytes = size;
        if (p >= e && !wrap && p >= d) {
            buffer.flags = zqp::AUDIO_END_OF_STREAM;
        }
        bool submitted = false;
        {
            const ZqLockGuard guard(m_cs);
            submitted = zqp::audioSubmitBuffer(m_pVoice, buffer, m_wma ? &m_chunks[k] : nullptr);
        }
        if (!submitted) {
            break;
        }
        ++m_submits;
        if (!wrap) {
            if (p >= d) {
                break;
            }
            b = (b + 1) % NR_BUFFERS;
            ++k;
        } else {
            if (!inMemory) {
                ++m_seeks;
                if (!m_pTrackIo->seek(static_cast<int64_t>(s + m_headerSize), 0)) {
                    return Flow::SeekFailed;
                }
                b = (b + 1) % NR_BUFFERS;
            } else {
                b = 0;
            }
            p = s;
            ++n;
            k = 0;
        }
    }
    m_draining = true;
    return waitQueue(1);
}

// ---- the public members ---------------------------------------------------------------------

void ZqSdSound::startBgmBody() {
    m_pBgmThread = std::make_unique<BgmThread>();
    if (!m_pBgmThread->begin()) {
        m_pBgmThread.reset();
    }
}

void ZqSdSound::quitBgmBody() {
    if (m_pBgmThread != nullptr) {
        m_pBgmThread->quit();
        m_pBgmThread.reset();
    }
}

namespace {

// The text of a command record; false when it does not fit.
bool copyText(char16_t (&out)[ZqSdSound::BgmThread::TEXT_SIZE], const char16_t* const text) {
    if (text == nullptr) {
        return false;
    }
    const size_t n = std::char_traits<char16_t>::length(text);
    if (n >= ZqSdSound::BgmThread::TEXT_SIZE) {
        return false;
    }
    std::copy_n(text, n, out);
    return true;
}

} // namespace

bool ZqSdSound::playBgm(const char16_t* const name, const uint32_t loop, const float fadeOut,
                        const float fadeIn) {
    if (m_pBgmThread == nullptr || loop < 1 || loop > LOOP_FILE) {
        return false;
    }
    BgmThread::Cmd cmd;
    cmd.command = BgmThread::CMD_PLAY;
    if (!copyText(cmd.text, name)) {
        return false;
    }
    cmd.fadeIn = fadeIn;
    cmd.fadeOut = fadeOut;
    cmd.loop = loop - 1;
    return m_pBgmThread->queue(cmd);
}

bool ZqSdSound::stopBgm(const float fade) {
    if (m_pBgmThread == nullptr) {
        return false;
    }
    BgmThread::Cmd cmd;
    cmd.command = BgmThread::CMD_STOP;
    cmd.fadeOut = fade;
    return m_pBgmThread->queue(cmd);
}

bool ZqSdSound::setBgmDirectory(const char16_t* const directory) {
    if (m_pBgmThread == nullptr) {
        return false;
    }
    BgmThread::Cmd cmd;
    cmd.command = BgmThread::CMD_DIRECTORY;
    if (!copyText(cmd.text, directory != nullptr ? directory : u"")) {
        return false;
    }
    return m_pBgmThread->queue(cmd);
}

bool ZqSdSound::isPlayingBgm() {
    return m_pBgmThread != nullptr && m_pBgmThread->isPlaying();
}

bool ZqSdSound::setBgmVolume(const float volume) {
    if (m_pBgmThread == nullptr) {
        return false;
    }
    m_pBgmThread->setVolume(volume);
    return true;
}

float ZqSdSound::getBgmVolume() {
    return m_pBgmThread != nullptr ? m_pBgmThread->getVolume() : 0.0f;
}

bool ZqSdSound::setBgmPan(const float pan) {
    if (m_pBgmThread == nullptr) {
        return false;
    }
    m_pBgmThread->setPan(pan);
    return true;
}

bool ZqSdSound::setBgmPitch(const float pitch) {
    if (m_pBgmThread == nullptr) {
        return false;
    }
    m_pBgmThread->setPitch(pitch);
    return true;
}

bool ZqSdSound::setBgmFileIo(ZqFile::Io* const io) {
    return m_pBgmThread != nullptr && m_pBgmThread->setFileIo(io);
}

zqsd::test::BgmState zqsd::test::bgmState() {
    return ZqSdSound::m_pBgmThread != nullptr ? ZqSdSound::m_pBgmThread->getStreamState()
                                              : BgmState{};
}
