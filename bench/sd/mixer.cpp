// The audio mixer's cost: 64 looping voices (16-bit PCM and Microsoft ADPCM, mono and stereo,
// each at its own pitch between 0.8 and 1.5) mixed through a submix into a stereo 48 kHz
// mastering voice through the null sink, one second of audio an iteration. The peer beside it,
// in the same run: a plain mixer written out below that does the same work (decodes the same
// PCM and ADPCM data, resamples each voice linearly at the same step, applies the same gains,
// loops and sums 48,000 frames), its output checked equal to ours before anything is timed.
// A third run mixes a set with xWMA voices in place of the stereo ADPCM ones (no peer: its
// decoder is libavcodec's); it gives the share of one core per voice. Runs are repeated and
// interleaved; the closing lines give the mixer as a multiple of the peer (goal: at most 1.5)
// and that share (goal: at most 1 %).
#include "tools/sound/ZqSdWriter.h"
#include "zq/file/ZqByteReader.h"
#include "zq/platform/audio/audio.h"

#include "bench/support/MedianReport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t RATE = 48000;
constexpr uint32_t VOICES = 64;

struct Sound {
    zqp::AudioFormat format;
    std::vector<uint8_t> file;
    uint32_t dataOffset = 0;
    uint32_t dataBytes = 0;
    std::vector<uint32_t> packets;
    zqsdw::Pcm pcm; // the same sound as 16-bit PCM, for the floor
};

Sound makeSound(const zqsdw::Encoding encoding, const uint16_t channels, const uint32_t rate,
                const double hz) {
    Sound s;
    s.pcm = zqsdw::makeTone(hz, 1.0, rate, channels, 0.2);
    zqsdw::Options o;
    o.encoding = encoding;
    std::string error;
    if (!zqsdw::writeSound(s.pcm, o, s.file, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::abort();
    }
    const ZqByteReader r(s.file.data(), s.file.size());
    uint32_t total = 0;
    r.u16(4, s.format.formatTag);
    r.u16(6, s.format.channels);
    r.u32(8, s.format.sampleRate);
    r.u32(12, s.format.avgBytesPerSec);
    r.u16(16, s.format.blockAlign);
    r.u16(18, s.format.bitsPerSample);
    r.u32(32, total);
    s.dataOffset = 36;
    if (s.format.formatTag == zqp::AUDIO_FORMAT_ADPCM) {
        s.dataOffset = 64;
        s.format.nrCoefs = 7;
        s.format.samplesPerBlock =
            static_cast<uint16_t>(zqsdw::adpcmSamplesPerBlock(s.format.blockAlign, channels));
        for (uint32_t i = 0; i < 7; ++i) {
            r.i16(36 + 4 * i, s.format.coefs[i][0]);
            r.i16(38 + 4 * i, s.format.coefs[i][1]);
        }
    } else if (s.format.formatTag == zqp::AUDIO_FORMAT_WMA) {
        s.dataOffset = 36 + 4 * total;
        s.packets.resize(total);
        for (uint32_t i = 0; i < total; ++i) {
            r.u32(36 + 4 * i, s.packets[i]);
        }
    }
    s.dataBytes = total * s.format.blockAlign;
    return s;
}

// The like-for-like set: PCM and ADPCM, mono and stereo.
const std::vector<Sound>& sounds() {
    static const std::vector<Sound> all = {
        makeSound(zqsdw::Encoding::PCM16, 1, 44100, 440.0),
        makeSound(zqsdw::Encoding::PCM16, 2, 48000, 550.0),
        makeSound(zqsdw::Encoding::ADPCM, 1, 22050, 660.0),
        makeSound(zqsdw::Encoding::ADPCM, 2, 44100, 770.0),
    };
    return all;
}

// The set with xWMA in place of stereo ADPCM.
const std::vector<Sound>& soundsWithWma() {
    static const std::vector<Sound> all = {
        sounds()[0],
        sounds()[1],
        sounds()[2],
        makeSound(zqsdw::Encoding::WMA, 2, 44100, 770.0),
    };
    return all;
}

// Voice v's pitch and gains: mono voices through the output matrix (left 1, right 0.5),
// stereo ones through their channel volumes (the same).
float pitchOf(const uint32_t v) {
    return 0.8f + 0.7f * static_cast<float>(v) / VOICES;
}
constexpr float PAN[2] = {1.0f, 0.5f};

// An engine with the 64 voices of a set started; null when a voice was refused.
zqp::AudioEngine* makeEngine(const std::vector<Sound>& set) {
    zqp::audioSetSink(zqp::AudioSink::NULL_SINK);
    zqp::AudioEngine* const engine = zqp::audioCreateEngine();
    zqp::audioCreateMasteringVoice(engine, 2, RATE, 0);
    zqp::AudioVoice* const submix = zqp::audioCreateSubmixVoice(engine, 2, RATE);
    for (uint32_t v = 0; v < VOICES; ++v) {
        const Sound& s = set[v % set.size()];
        zqp::AudioVoice* const voice =
            zqp::audioCreateSourceVoice(engine, s.format, 2.0f, nullptr, submix);
        zqp::AudioBuffer b;
        b.bytes = s.dataBytes;
        b.data = s.file.data() + s.dataOffset;
        b.loopCount = zqp::AUDIO_LOOP_INFINITE;
        const zqp::AudioWmaTable table{s.packets.data(), static_cast<uint32_t>(s.packets.size())};
        if (voice == nullptr ||
            !zqp::audioSubmitBuffer(voice, b, s.packets.empty() ? nullptr : &table)) {
            zqp::audioDestroyEngine(engine);
            return nullptr;
        }
        zqp::audioSetFrequencyRatio(voice, pitchOf(v));
        if (s.format.channels == 1) {
            zqp::audioSetOutputMatrix(voice, 1, 2, PAN);
        } else {
            zqp::audioSetChannelVolumes(voice, 2, PAN);
        }
        zqp::audioStart(voice);
    }
    return engine;
}

void runMixer(benchmark::State& state, const std::vector<Sound>& set) {
    zqp::AudioEngine* const engine = makeEngine(set);
    if (engine == nullptr) {
        state.SkipWithError("voice refused");
        return;
    }
    std::vector<float> out(2 * RATE);
    for (auto _ : state) {
        zqp::audioRender(engine, out.data(), RATE);
        benchmark::DoNotOptimize(out.data());
    }
    zqp::audioDestroyEngine(engine);
}

// The peer: a plain mixer. Each voice walks its sound frame by frame, 16-bit PCM read as it
// stands and ADPCM decoded a block at a time when the walk enters the block; the output frame
// interpolates linearly between the two source frames around a 32.32 fixed-point position that
// advances by the voice's step, and adds them with the voice's gains.
class PlainMixer {
public:
    explicit PlainMixer(const std::vector<Sound>& set) {
        for (uint32_t v = 0; v < VOICES; ++v) {
            Voice voice;
            voice.sound = &set[v % set.size()];
            const zqp::AudioFormat& f = voice.sound->format;
            voice.ch = f.channels;
            voice.adpcm = f.formatTag == zqp::AUDIO_FORMAT_ADPCM;
            voice.blockFrames =
                voice.adpcm ? f.samplesPerBlock : voice.sound->dataBytes / f.blockAlign;
            voice.blocks = voice.adpcm ? voice.sound->dataBytes / f.blockAlign : 1;
            voice.step = static_cast<uint64_t>(
                static_cast<double>(pitchOf(v)) * f.sampleRate / RATE * 4294967296.0 + 0.5);
            voice.decoded.resize(static_cast<size_t>(voice.blockFrames) * voice.ch);
            voice.gain[0] = PAN[0];
            voice.gain[1] = PAN[1];
            m_voices.push_back(std::move(voice));
        }
        for (Voice& v : m_voices) {
            enterBlock(v, 0);
            load(v, v.a);
            advance(v);
            load(v, v.b);
        }
    }

    // One second of stereo frames into out.
    void render(float* const out) {
        std::fill(out, out + 2 * RATE, 0.0f);
        constexpr float FRACTION = 1.0f / 4294967296.0f;
        for (Voice& v : m_voices) {
            for (uint32_t i = 0; i < RATE; ++i) {
                const float t = static_cast<float>(v.phase) * FRACTION;
                if (v.ch == 1) {
                    const float x = v.a[0] + (v.b[0] - v.a[0]) * t;
                    out[2 * i] += v.gain[0] * x;
                    out[2 * i + 1] += v.gain[1] * x;
                } else {
                    out[2 * i] += v.gain[0] * (v.a[0] + (v.b[0] - v.a[0]) * t);
                    out[2 * i + 1] += v.gain[1] * (v.a[1] + (v.b[1] - v.a[1]) * t);
                }
                v.phase += v.step;
                while (v.phase >= (uint64_t{1} << 32)) {
                    v.phase -= uint64_t{1} << 32;
                    v.a[0] = v.b[0];
                    v.a[1] = v.b[1];
                    advance(v);
                    load(v, v.b);
                }
            }
        }
    }

private:
    struct Voice {
        const Sound* sound = nullptr;
        uint32_t ch = 1;
        bool adpcm = false;
        uint32_t blockFrames = 0; // frames of one ADPCM block, or of the whole PCM sound
        uint32_t blocks = 1;
        uint32_t block = 0; // the walk's block and frame in it
        uint32_t frame = 0;
        uint64_t step = 0;
        uint64_t phase = 0; // the fraction between a and b, 32.32
        float a[2] = {};
        float b[2] = {};
        float gain[2] = {};
        std::vector<int16_t> decoded; // the ADPCM block being walked
    };

    static const uint8_t* blockData(const Voice& v, const uint32_t block) {
        return v.sound->file.data() + v.sound->dataOffset +
               static_cast<size_t>(block) * v.sound->format.blockAlign;
    }

    // Microsoft ADPCM: per channel a predictor index, the step, the two newest samples (the
    // block's first two frames, older first), then 4-bit codes, high nibble first.
    static void decodeBlock(Voice& v) {
        const zqp::AudioFormat& f = v.sound->format;
        const uint8_t* const p = blockData(v, v.block);
        const uint32_t ch = v.ch;
        const auto i16 = [p](const uint32_t at) {
            return static_cast<int32_t>(static_cast<int16_t>(p[at] | (p[at + 1] << 8)));
        };
        int32_t c1[2];
        int32_t c2[2];
        int32_t delta[2];
        int32_t s1[2];
        int32_t s2[2];
        for (uint32_t c = 0; c < ch; ++c) {
            c1[c] = f.coefs[p[c]][0];
            c2[c] = f.coefs[p[c]][1];
            delta[c] = i16(ch + 2 * c);
            s1[c] = i16(3 * ch + 2 * c);
            s2[c] = i16(5 * ch + 2 * c);
            v.decoded[c] = static_cast<int16_t>(s2[c]);
            v.decoded[ch + c] = static_cast<int16_t>(s1[c]);
        }
        static constexpr int32_t ADAPT[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                              768, 614, 512, 409, 307, 230, 230, 230};
        const uint8_t* const codes = p + 7 * ch;
        for (uint32_t n = 0; n < (v.blockFrames - 2) * ch; ++n) {
            const uint32_t c = n % ch;
            const uint32_t nibble = (n & 1) == 0 ? codes[n / 2] >> 4 : codes[n / 2] & 0x0F;
            const int32_t code = nibble >= 8 ? static_cast<int32_t>(nibble) - 16 : nibble;
            int32_t x = (s1[c] * c1[c] + s2[c] * c2[c]) / 256 + code * delta[c];
            x = std::clamp(x, -32768, 32767);
            s2[c] = s1[c];
            s1[c] = x;
            delta[c] = std::clamp(ADAPT[nibble] * delta[c] / 256, 16, INT32_MAX / 768);
            v.decoded[2 * ch + n] = static_cast<int16_t>(x);
        }
    }

    static void enterBlock(Voice& v, const uint32_t block) {
        v.block = block;
        v.frame = 0;
        if (v.adpcm) {
            decodeBlock(v);
        }
    }

    // The walk's next frame, back to the first after the last (the loop).
    static void advance(Voice& v) {
        if (++v.frame == v.blockFrames) {
            enterBlock(v, v.block + 1 == v.blocks ? 0 : v.block + 1);
        }
    }

    static void load(const Voice& v, float* const x) {
        for (uint32_t c = 0; c < v.ch; ++c) {
            int16_t sample = 0;
            if (v.adpcm) {
                sample = v.decoded[v.frame * v.ch + c];
            } else {
                std::memcpy(&sample, blockData(v, 0) + 2 * (v.frame * v.ch + c), 2);
            }
            x[c] = static_cast<float>(sample) * (1.0f / 32768.0f);
        }
    }

    std::vector<Voice> m_voices;
};

void runPlain(benchmark::State& state) {
    PlainMixer mixer(sounds());
    std::vector<float> out(2 * RATE);
    for (auto _ : state) {
        mixer.render(out.data());
        benchmark::DoNotOptimize(out.data());
    }
}

// Two seconds from fresh voices, ours against the peer's; false, after naming the first
// difference, when a sample differs by more than rounding.
bool sameAsPlain() {
    zqp::AudioEngine* const engine = makeEngine(sounds());
    if (engine == nullptr) {
        std::fprintf(stderr, "voice refused\n");
        return false;
    }
    PlainMixer plain(sounds());
    std::vector<float> ours(2 * RATE);
    std::vector<float> peer(2 * RATE);
    bool same = true;
    for (int second = 0; second < 2 && same; ++second) {
        zqp::audioRender(engine, ours.data(), RATE);
        plain.render(peer.data());
        for (size_t i = 0; i < ours.size(); ++i) {
            if (std::fabs(ours[i] - peer[i]) > 1e-5f) {
                std::fprintf(stderr, "mixer and peer differ at second %d, sample %zu: %f, %f\n",
                             second, i, ours[i], peer[i]);
                same = false;
                break;
            }
        }
    }
    zqp::audioDestroyEngine(engine);
    return same;
}

} // namespace

int main(int argc, char** argv) {
    if (!sameAsPlain()) {
        return 1;
    }
    benchmark::RegisterBenchmark("mixer/64-voices", [](benchmark::State& st) {
        runMixer(st, sounds());
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("plain/64-voices", runPlain)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("mixer/64-voices-xwma", [](benchmark::State& st) {
        runMixer(st, soundsWithWma());
    })->Unit(benchmark::kMillisecond);
    soundsWithWma();
    zqbench::MedianReporter reporter(false);
    if (!zqbench::runRepeated(argc, argv, reporter, {"--benchmark_repetitions=7"})) {
        return 1;
    }
    const double ours = reporter.time("mixer/64-voices");
    const double peer = reporter.time("plain/64-voices");
    // CPU time per iteration is CPU per second of audio (times in milliseconds).
    const double wma = reporter.time("mixer/64-voices-xwma");
    std::printf("\n");
    zqbench::printFigure("mixer / plain mixer, 64 voices", peer > 0 ? ours / peer : 0,
                         zqbench::Goal::AT_MOST, 1.5);
    zqbench::printFigure("mixer with xWMA, % of a core per voice", wma / 1000.0 / VOICES * 100.0,
                         zqbench::Goal::AT_MOST, 1.0);
    benchmark::Shutdown();
    return 0;
}
