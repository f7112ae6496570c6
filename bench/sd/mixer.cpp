// The audio mixer's cost: 64 looping voices (16-bit PCM mono and stereo, ADPCM, xWMA, each at
// its own pitch between 0.8 and 1.5) mixed into a stereo 48 kHz mastering voice through the
// null sink, one second of audio an iteration. The floor beside it, in the same run: a plain
// loop that only sums the same sounds, already decoded to 16-bit PCM, into a stereo buffer.
// Runs are repeated and interleaved; the closing lines give the median mixer time as a
// multiple of the floor's (goal: at most 3) and as a share of one core per voice.
#include "tools/sound/ZqSdWriter.h"
#include "zq/file/ZqByteReader.h"
#include "zq/platform/audio/audio.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
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

const std::vector<Sound>& sounds() {
    static const std::vector<Sound> all = {
        makeSound(zqsdw::Encoding::PCM16, 1, 44100, 440.0),
        makeSound(zqsdw::Encoding::PCM16, 2, 48000, 550.0),
        makeSound(zqsdw::Encoding::ADPCM, 1, 22050, 660.0),
        makeSound(zqsdw::Encoding::WMA, 2, 44100, 770.0),
    };
    return all;
}

void mixer(benchmark::State& state) {
    zqp::audioSetSink(zqp::AudioSink::NULL_SINK);
    zqp::AudioEngine* const engine = zqp::audioCreateEngine();
    zqp::audioCreateMasteringVoice(engine, 2, RATE, 0);
    zqp::AudioVoice* const submix = zqp::audioCreateSubmixVoice(engine, 2, RATE);
    for (uint32_t v = 0; v < VOICES; ++v) {
        const Sound& s = sounds()[v % sounds().size()];
        zqp::AudioVoice* const voice =
            zqp::audioCreateSourceVoice(engine, s.format, 2.0f, nullptr, submix);
        zqp::AudioBuffer b;
        b.bytes = s.dataBytes;
        b.data = s.file.data() + s.dataOffset;
        b.loopCount = zqp::AUDIO_LOOP_INFINITE;
        const zqp::AudioWmaTable table{s.packets.data(), static_cast<uint32_t>(s.packets.size())};
        if (voice == nullptr ||
            !zqp::audioSubmitBuffer(voice, b, s.packets.empty() ? nullptr : &table)) {
            state.SkipWithError("voice refused");
            zqp::audioDestroyEngine(engine);
            return;
        }
        zqp::audioSetFrequencyRatio(voice, 0.8f + 0.7f * static_cast<float>(v) / VOICES);
        const float pan[2] = {1.0f, 0.5f};
        if (s.format.channels == 1) {
            zqp::audioSetOutputMatrix(voice, 1, 2, pan);
        } else {
            zqp::audioSetChannelVolumes(voice, 2, pan);
        }
        zqp::audioStart(voice);
    }
    std::vector<float> out(2 * RATE);
    for (auto _ : state) {
        zqp::audioRender(engine, out.data(), RATE);
        benchmark::DoNotOptimize(out.data());
    }
    zqp::audioDestroyEngine(engine);
}

// The floor: the same sounds as 16-bit PCM summed as they are, no pitch, gains or looping.
void plainSum(benchmark::State& state) {
    std::vector<const zqsdw::Pcm*> pcm;
    for (uint32_t v = 0; v < VOICES; ++v) {
        pcm.push_back(&sounds()[v % sounds().size()].pcm);
    }
    std::vector<float> out(2 * RATE);
    for (auto _ : state) {
        std::fill(out.begin(), out.end(), 0.0f);
        for (const zqsdw::Pcm* const p : pcm) {
            const int16_t* const s = p->samples.data();
            const uint32_t n = std::min(p->frames(), RATE);
            if (p->channels == 1) {
                for (uint32_t i = 0; i < n; ++i) {
                    const float x = s[i] * (1.0f / 32768.0f);
                    out[2 * i] += x;
                    out[2 * i + 1] += x;
                }
            } else {
                for (uint32_t i = 0; i < 2 * n; ++i) {
                    out[i] += s[i] * (1.0f / 32768.0f);
                }
            }
        }
        benchmark::DoNotOptimize(out.data());
    }
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
                m_median[r.run_name.function_name] = r.GetAdjustedCPUTime();
            }
        }
    }
    void printRatios() const {
        const auto m = m_median.find("mixer/64-voices");
        const auto f = m_median.find("floor/plain-sum");
        if (m == m_median.end() || f == m_median.end() || f->second <= 0.0) {
            return;
        }
        // CPU time per iteration is CPU per second of audio (times in milliseconds).
        std::printf("\nmixer as a multiple of the floor (goal: at most 3.00): %.2f\n",
                    m->second / f->second);
        std::printf("mixer CPU per voice: %.4f %% of one core (goal: well under 1 %%)\n",
                    m->second / 1000.0 / VOICES * 100.0);
    }

private:
    std::map<std::string, double> m_median;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("mixer/64-voices", mixer)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(7);
    benchmark::RegisterBenchmark("floor/plain-sum", plainSum)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(7);
    // Runs of the two alternate rather than one after the other.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return 1;
    }
    sounds();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
