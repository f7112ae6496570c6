// Reading and writing the recorder's ".btn" files.
#include "dorvanex/core/input/CInputRecorder.h"

#include "dorvanex/core/input/BtnWriter.h"
#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqFile.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/system/ZqError.h"

#include <cmath>
#include <memory>

bool CInputRecorder::parse(const uint8_t* const data, const uint64_t size, btnfmt::Recording& out) {
    out = btnfmt::Recording{};
    ZqByteReader r(data, size);
    uint32_t word0 = 0, buttons = 0, groups = 0, frames = 0;
    r.read(word0);
    r.read(buttons);
    r.read(groups);
    r.read(frames);
    r.read(out.generatorIndex);
    for (uint32_t& word : out.generatorState) {
        r.read(word);
    }
    if (!r.ok() || out.generatorIndex > btnfmt::MAX_GENERATOR_INDEX) {
        return false;
    }
    if (!r.fits(r.tell(), frames, 4)) {
        return false;
    }
    out.frameTimes.resize(frames);
    for (uint32_t& t : out.frameTimes) {
        r.read(t);
    }
    if (!r.fits(r.tell(), buttons, 4)) {
        return false;
    }
    out.buttons.resize(buttons);
    for (uint32_t& b : out.buttons) {
        if (!r.read(b) || b >= btnfmt::BUTTON_LIMIT) {
            return false;
        }
    }
    // Every group takes at least its head, so the count cannot ask for more than is left.
    if (r.remaining() / btnfmt::GROUP_HEAD_SIZE < groups) {
        return false;
    }
    out.groups.resize(groups);
    for (btnfmt::Group& g : out.groups) {
        uint32_t count = 0;
        if (!r.read(g.time) || !r.read(count) || !std::isfinite(g.time) ||
            r.remaining() / btnfmt::EVENT_SIZE < count) {
            return false;
        }
        g.events.resize(count);
        for (btnfmt::Event& e : g.events) {
            if (!r.read(e.kind) || !r.read(e.button) || e.kind > btnfmt::KIND_OFF ||
                e.button >= btnfmt::BUTTON_LIMIT) {
                return false;
            }
        }
    }
    // Bytes that no count accounts for mean the counts are wrong.
    return r.ok() && r.remaining() == 0;
}

bool CInputRecorder::loadFromMemory(const uint8_t* const data, const uint64_t size) {
    btnfmt::Recording recording;
    const bool ok = parse(data, size, recording);
    clearRecording();
    if (!ok) {
        return false;
    }
    std::copy(recording.generatorState.begin(), recording.generatorState.end(), m_recordedState);
    m_recordedIndex = recording.generatorIndex;
    m_frameTimes = std::move(recording.frameTimes);
    m_buttons = std::move(recording.buttons);
    for (btnfmt::Group& g : recording.groups) {
        std::vector<btnfmt::Event>& events = m_events[g.time];
        events.insert(events.end(), g.events.begin(), g.events.end());
    }
    m_replayPosition = m_events.begin();
    m_hasRecording = true;
    return true;
}

uint32_t CInputRecorder::loadRecording(const char16_t* const fileName) {
    uint32_t size = 0;
    void* const data = ZqFile::load(fileName, 0, &size);
    if (data == nullptr) {
        const uint32_t code = ZqError::getLastError();
        clearRecording();
        return code != 0 ? code : ERROR_INVALID_DATA;
    }
    const bool ok = loadFromMemory(static_cast<const uint8_t*>(data), size);
    ZqMemAlloc::deallocate(data);
    return ok ? 0 : ERROR_INVALID_DATA;
}

bool CInputRecorder::buildImage(std::vector<uint8_t>& image) const {
    btnfmt::Recording recording;
    std::copy(std::begin(m_recordedState), std::end(m_recordedState),
              recording.generatorState.begin());
    recording.generatorIndex = m_recordedIndex;
    recording.frameTimes = m_frameTimes;
    recording.buttons = m_buttons;
    for (const auto& [time, events] : m_events) {
        recording.groups.push_back({time, events});
    }
    return btnw::build(recording, image);
}

bool CInputRecorder::saveRecording(const char16_t* const fileName) const {
    std::vector<uint8_t> image;
    return buildImage(image) && image.size() <= ZqFile::MAX_FILE_SIZE &&
           ZqFile::save(fileName, image.data(), static_cast<uint32_t>(image.size()));
}
