// The mixer service on ALSA's simple mixer: device n is the n-th sound card ("hw:<card>").
#include "zq/platform/mixer/mixer.h"

#include <alsa/asoundlib.h>

#include <string>
#include <vector>

namespace zqp {

namespace {

// The names the speaker line goes by, in order of preference.
constexpr const char* SPEAKER_NAMES[] = {"Master", "Speaker", "PCM"};

std::vector<int> cardNumbers() {
    std::vector<int> cards;
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0) {
        cards.push_back(card);
    }
    return cards;
}

snd_mixer_t* openCard(const uint32_t device) {
    const std::vector<int> cards = cardNumbers();
    if (device >= cards.size()) {
        return nullptr;
    }
    snd_mixer_t* mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) < 0) {
        return nullptr;
    }
    const std::string name = "hw:" + std::to_string(cards[device]);
    if (snd_mixer_attach(mixer, name.c_str()) < 0 ||
        snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 || snd_mixer_load(mixer) < 0) {
        snd_mixer_close(mixer);
        return nullptr;
    }
    return mixer;
}

class AlsaMixer final : public MixerBackend {
public:
    ~AlsaMixer() override { close(); }

    uint32_t getDeviceCount() override { return static_cast<uint32_t>(cardNumbers().size()); }

    bool getDestinationCount(const uint32_t device, uint32_t& count) override {
        snd_mixer_t* const mixer = openCard(device);
        if (mixer == nullptr) {
            return false;
        }
        count = 0;
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer); e != nullptr;
             e = snd_mixer_elem_next(e)) {
            if (snd_mixer_selem_has_playback_volume(e)) {
                ++count;
            }
        }
        snd_mixer_close(mixer);
        return true;
    }

    bool open(const uint32_t device) override {
        close();
        m_mixer = openCard(device);
        return m_mixer != nullptr;
    }

    bool getSpeakerVolume(MixerVolumeControl& control) override {
        m_element = nullptr;
        if (m_mixer == nullptr) {
            return false;
        }
        for (const char* const name : SPEAKER_NAMES) {
            for (snd_mixer_elem_t* e = snd_mixer_first_elem(m_mixer);
                 e != nullptr && m_element == nullptr; e = snd_mixer_elem_next(e)) {
                if (snd_mixer_selem_has_playback_volume(e) &&
                    std::string(snd_mixer_selem_get_name(e)) == name) {
                    m_element = e;
                }
            }
        }
        if (m_element == nullptr) {
            return false;
        }
        long minimum = 0, maximum = 0;
        if (snd_mixer_selem_get_playback_volume_range(m_element, &minimum, &maximum) < 0) {
            return false;
        }
        control.minimum = minimum;
        control.maximum = maximum;
        control.items = 0;
        control.uniform = snd_mixer_selem_is_playback_mono(m_element) != 0;
        control.channels = 0;
        for (int c = 0; c <= SND_MIXER_SCHN_LAST; ++c) {
            if (snd_mixer_selem_has_playback_channel(
                    m_element, static_cast<snd_mixer_selem_channel_id_t>(c))) {
                ++control.channels;
            }
        }
        return control.channels != 0;
    }

    bool setVolumeValues(const uint32_t channels, const uint32_t items,
                         const uint32_t* const values) override {
        if (m_element == nullptr || values == nullptr || channels == 0) {
            return false;
        }
        // The raw values are the control's own (signed) numbers carried in 32 bits.
        const auto raw = [values](const uint32_t i) {
            return static_cast<long>(static_cast<int32_t>(values[i]));
        };
        if (channels == 1) {
            return snd_mixer_selem_set_playback_volume_all(m_element, raw(0)) == 0;
        }
        const uint32_t stride = items > 1 ? items : 1;
        uint32_t i = 0;
        for (int c = 0; c <= SND_MIXER_SCHN_LAST && i < channels; ++c) {
            const auto id = static_cast<snd_mixer_selem_channel_id_t>(c);
            if (!snd_mixer_selem_has_playback_channel(m_element, id)) {
                continue;
            }
            if (snd_mixer_selem_set_playback_volume(m_element, id, raw(i * stride)) != 0) {
                return false;
            }
            ++i;
        }
        return i == channels;
    }

    void close() override {
        m_element = nullptr;
        if (m_mixer != nullptr) {
            snd_mixer_close(m_mixer);
            m_mixer = nullptr;
        }
    }

private:
    snd_mixer_t* m_mixer = nullptr;
    snd_mixer_elem_t* m_element = nullptr;
};

AlsaMixer g_alsa;
MixerBackend* g_backend = nullptr;

} // namespace

MixerBackend& mixerBackend() {
    return g_backend != nullptr ? *g_backend : g_alsa;
}

void mixerSetBackend(MixerBackend* const backend) {
    g_backend = backend;
}

} // namespace zqp
