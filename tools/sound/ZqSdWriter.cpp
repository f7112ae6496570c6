// The sound writer. The ADPCM encoder runs the decoder's own arithmetic alongside, so that
// every code it picks is judged by what the player will rebuild from it; per block and channel
// it keeps the predictor and starting step that rebuild the block best.
#include "tools/sound/ZqSdWriter.h"

#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqByteWriter.h"
#include "zq/sd/ZqSdSoundFormat.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace zqsdw {

namespace {

constexpr int32_t ADAPTATION[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                    768, 614, 512, 409, 307, 230, 230, 230};
constexpr int32_t START_DELTAS[] = {16, 48, 160, 512, 1600};

struct ChannelCode {
    uint8_t predictor = 0;
    int16_t delta = 16;
    std::vector<uint8_t> nibbles;
    double error = 0.0;
};

// Encodes frames 2.. of one channel of a block (stride `ch`).
ChannelCode encodeChannel(const int16_t* const x, const uint32_t ch, const uint32_t frames,
                          const uint8_t predictor, const int32_t startDelta) {
    ChannelCode out;
    out.predictor = predictor;
    out.delta = static_cast<int16_t>(startDelta);
    const int32_t c1 = zqsd::ADPCM_COEFS[predictor][0];
    const int32_t c2 = zqsd::ADPCM_COEFS[predictor][1];
    int32_t s2 = x[0];
    int32_t s1 = x[ch];
    int32_t delta = startDelta;
    out.nibbles.reserve(frames);
    for (uint32_t i = 2; i < frames; ++i) {
        const int32_t target = x[static_cast<size_t>(i) * ch];
        const int32_t pred = (s1 * c1 + s2 * c2) / 256;
        const double q = static_cast<double>(target - pred) / delta;
        const int32_t code = std::clamp(static_cast<int32_t>(std::lround(q)), -8, 7);
        const int32_t value = std::clamp(pred + code * delta, -32768, 32767);
        const uint32_t nibble = static_cast<uint32_t>(code) & 0x0F;
        out.error += static_cast<double>(value - target) * (value - target);
        s2 = s1;
        s1 = value;
        delta = std::max(16, ADAPTATION[nibble] * delta / 256);
        out.nibbles.push_back(static_cast<uint8_t>(nibble));
    }
    return out;
}

void putPcm(ZqByteWriter& w, const Pcm& pcm, const bool eightBit) {
    for (const int16_t s : pcm.samples) {
        if (eightBit) {
            w.u8(static_cast<uint8_t>((s >> 8) + 128));
        } else {
            w.i16(s);
        }
    }
}

struct Header {
    uint16_t tag = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint32_t avgBytes = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    uint32_t loopCount = 0;
    uint32_t loopStart = 0;
    uint32_t loopLength = 0;
    uint32_t total = 0;
};

void putHeader(ZqByteWriter& w, const Header& h) {
    w.bytes(zqsd::MAGIC, 4);
    w.u16(h.tag);
    w.u16(h.channels);
    w.u32(h.rate);
    w.u32(h.avgBytes);
    w.u16(h.blockAlign);
    w.u16(h.bits);
    w.u32(h.loopCount);
    w.u32(h.loopStart);
    w.u32(h.loopLength);
    w.u32(h.total);
}

// The table from what the decoder really gives for each packet: a packet's bits may finish a
// frame that the packet before began, so packets give 0, 1 or 2 frames. A player that cuts a
// stream into buffers at packet boundaries then decodes exactly the counts the table holds.
// The counts stop at the input's end so that the padding is cut. False when it cannot decode.
bool recountWma(const std::vector<uint8_t>& packets, const uint16_t blockAlign,
                const uint32_t sampleRate, const uint16_t channels, const int64_t bitRate,
                const uint32_t frames, std::vector<uint32_t>& table) {
    const AVCodec* const codec = avcodec_find_decoder(AV_CODEC_ID_WMAV2);
    if (codec == nullptr) {
        return false;
    }
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    bool ok = ctx != nullptr && packet != nullptr && frame != nullptr;
    if (ok) {
        // The decoder's private data as the audio platform gives it.
        static constexpr uint8_t EXTRA[6] = {0, 0, 0, 0, 1, 0};
        ctx->sample_rate = static_cast<int>(sampleRate);
        av_channel_layout_default(&ctx->ch_layout, channels);
        ctx->bit_rate = bitRate;
        ctx->block_align = blockAlign;
        ctx->extradata =
            static_cast<uint8_t*>(av_mallocz(sizeof EXTRA + AV_INPUT_BUFFER_PADDING_SIZE));
        ok = ctx->extradata != nullptr;
        if (ok) {
            std::memcpy(ctx->extradata, EXTRA, sizeof EXTRA);
            ctx->extradata_size = sizeof EXTRA;
            ok = avcodec_open2(ctx, codec, nullptr) == 0;
        }
    }
    uint64_t decoded = 0;
    const size_t count = packets.size() / blockAlign;
    for (size_t i = 0; ok && i < count; ++i) {
        ok = av_new_packet(packet, blockAlign) == 0;
        if (!ok) {
            break;
        }
        std::memcpy(packet->data, packets.data() + i * blockAlign, blockAlign);
        const int sent = avcodec_send_packet(ctx, packet);
        av_packet_unref(packet);
        ok = sent >= 0 || sent == AVERROR(EAGAIN);
        while (ok && avcodec_receive_frame(ctx, frame) == 0) {
            decoded += static_cast<uint64_t>(frame->nb_samples);
            av_frame_unref(frame);
        }
        table[i] = static_cast<uint32_t>(std::min<uint64_t>(decoded, frames) * channels * 2);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&ctx);
    return ok;
}

// libavcodec's WMA version 2 encoder, asked for a bit rate that gives the packet size wanted.
bool encodeWma(const Pcm& pcm, const uint16_t blockAlign, std::vector<uint8_t>& packets,
               std::vector<uint32_t>& table, uint32_t& avgBytes, std::string& error) {
    const AVCodec* const codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    if (codec == nullptr) {
        error = "this libavcodec has no WMA version 2 encoder";
        return false;
    }
    AVCodecContext* ctx = nullptr;
    int frameSize = 0;
    // The packet size follows from the bit rate; try rates around the one that should give it.
    for (int attempt = 0; attempt < 8 && ctx == nullptr; ++attempt) {
        ctx = avcodec_alloc_context3(codec);
        ctx->sample_rate = static_cast<int>(pcm.sampleRate);
        av_channel_layout_default(&ctx->ch_layout, pcm.channels);
        ctx->sample_fmt = AV_SAMPLE_FMT_FLTP;
        const int frameLen = pcm.sampleRate <= 16000 ? 512 : pcm.sampleRate <= 22050 ? 1024 : 2048;
        ctx->bit_rate = static_cast<int64_t>(
            std::ceil(static_cast<double>(blockAlign) * pcm.sampleRate * 8.0 / frameLen) + attempt);
        if (avcodec_open2(ctx, codec, nullptr) != 0 || ctx->block_align != blockAlign) {
            avcodec_free_context(&ctx);
            ctx = nullptr;
        }
    }
    if (ctx == nullptr) {
        error = "the encoder gives no packets of that size at this sample rate";
        return false;
    }
    frameSize = ctx->frame_size;
    avgBytes = static_cast<uint32_t>(ctx->bit_rate / 8);
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    bool ok = frame != nullptr && packet != nullptr;
    const uint32_t frames = pcm.frames();
    const uint32_t ch = pcm.channels;
    auto drain = [&]() {
        while (ok) {
            const int r = avcodec_receive_packet(ctx, packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) {
                break;
            }
            if (r < 0 || packet->size != blockAlign) {
                ok = false;
                break;
            }
            packets.insert(packets.end(), packet->data, packet->data + packet->size);
            // The decoder gives nothing for the first packet and one frame for each later one;
            // the last packets' counts stop at the input's end so that the padding is cut.
            const uint64_t decoded = static_cast<uint64_t>(table.size()) * frameSize;
            table.push_back(static_cast<uint32_t>(std::min<uint64_t>(decoded, frames) * ch * 2));
            av_packet_unref(packet);
        }
    };
    // One frame of silence goes first: it fills the frame the decoder swallows, and the
    // decoded sound then starts with the input's first sample. One more goes last, so that
    // the overlap of the input's last frame is coded too.
    const uint64_t end = static_cast<uint64_t>(frames) + frameSize;
    const uint64_t padded = end + frameSize;
    for (uint64_t at = 0; ok && at < padded; at += static_cast<uint32_t>(frameSize)) {
        frame->nb_samples = frameSize;
        frame->format = AV_SAMPLE_FMT_FLTP;
        av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout);
        frame->sample_rate = ctx->sample_rate;
        if (av_frame_get_buffer(frame, 0) < 0) {
            ok = false;
            break;
        }
        for (uint32_t c = 0; c < ch; ++c) {
            float* const dst = reinterpret_cast<float*>(frame->extended_data[c]);
            for (int i = 0; i < frameSize; ++i) {
                const uint64_t f = at + i;
                dst[i] = f >= static_cast<uint64_t>(frameSize) && f < end
                             ? pcm.samples[(f - frameSize) * ch + c] / 32768.0f
                             : 0.0f;
            }
        }
        ok = avcodec_send_frame(ctx, frame) == 0;
        av_frame_unref(frame);
        drain();
    }
    if (ok) {
        avcodec_send_frame(ctx, nullptr);
        drain();
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    const int64_t bitRate = ctx->bit_rate;
    avcodec_free_context(&ctx);
    if (ok && !table.empty()) {
        ok = recountWma(packets, blockAlign, pcm.sampleRate, pcm.channels, bitRate, frames, table);
    }
    if (!ok || table.empty()) {
        error = "the WMA encoder failed";
        return false;
    }
    return true;
}

} // namespace

Pcm makeTone(const double frequency, const double seconds, const uint32_t sampleRate,
             const uint16_t channels, const double amplitude) {
    Pcm pcm;
    pcm.sampleRate = sampleRate;
    pcm.channels = channels;
    const uint32_t frames = static_cast<uint32_t>(std::lround(seconds * sampleRate));
    pcm.samples.resize(static_cast<size_t>(frames) * channels);
    for (uint32_t i = 0; i < frames; ++i) {
        const double s = amplitude * std::sin(2.0 * std::numbers::pi * frequency * i / sampleRate);
        for (uint32_t c = 0; c < channels; ++c) {
            const double v = c == 0 ? s : s * 0.5;
            pcm.samples[static_cast<size_t>(i) * channels + c] =
                static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0));
        }
    }
    return pcm;
}

bool readWav(const std::vector<uint8_t>& bytes, Pcm& out, std::string& error) {
    const ZqByteReader r(bytes.data(), bytes.size());
    const uint8_t* const riff = r.bytes(0, 12);
    if (riff == nullptr || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0) {
        error = "not a WAV file";
        return false;
    }
    uint16_t tag = 0, channels = 0, bits = 0;
    uint32_t rate = 0;
    bool haveFormat = false;
    uint64_t at = 12;
    while (r.fits(at, 8)) {
        const uint8_t* const id = r.bytes(at, 4);
        uint32_t size = 0;
        r.u32(at + 4, size);
        const uint64_t body = at + 8;
        if (!r.fits(body, size)) {
            error = "a chunk runs past the end of the file";
            return false;
        }
        if (std::memcmp(id, "fmt ", 4) == 0 && size >= 16) {
            r.u16(body, tag);
            r.u16(body + 2, channels);
            r.u32(body + 4, rate);
            r.u16(body + 14, bits);
            haveFormat = true;
        } else if (std::memcmp(id, "data", 4) == 0) {
            if (!haveFormat || tag != 1 || channels < 1 || channels > 2 ||
                (bits != 8 && bits != 16)) {
                error = "only 8- or 16-bit PCM WAV files with 1 or 2 channels are taken";
                return false;
            }
            out.sampleRate = rate;
            out.channels = channels;
            const uint32_t width = bits / 8;
            const uint64_t n = size / width;
            out.samples.resize(n - n % channels);
            for (uint64_t i = 0; i < out.samples.size(); ++i) {
                if (bits == 8) {
                    uint8_t b = 0;
                    r.u8(body + i, b);
                    out.samples[i] = static_cast<int16_t>((b - 128) * 256);
                } else {
                    r.i16(body + 2 * i, out.samples[i]);
                }
            }
            return true;
        }
        at = body + size + (size & 1);
    }
    error = "no data chunk";
    return false;
}

uint32_t adpcmSamplesPerBlock(const uint16_t blockAlign, const uint16_t channels) {
    return (blockAlign - 7u * channels) * 2u / channels + 2u;
}

std::vector<uint8_t> encodeAdpcm(const Pcm& pcm, const uint16_t blockAlign) {
    const uint32_t ch = pcm.channels;
    const uint32_t spb = adpcmSamplesPerBlock(blockAlign, pcm.channels);
    const uint32_t frames = pcm.frames();
    const uint32_t blocks = std::max<uint32_t>(1, (frames + spb - 1) / spb);
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(blocks) * blockAlign);
    std::vector<int16_t> block(static_cast<size_t>(spb) * ch);
    for (uint32_t b = 0; b < blocks; ++b) {
        std::fill(block.begin(), block.end(), int16_t{0});
        const uint64_t first = static_cast<uint64_t>(b) * spb;
        for (uint64_t i = 0; i < spb && first + i < frames; ++i) {
            for (uint32_t c = 0; c < ch; ++c) {
                block[i * ch + c] = pcm.samples[(first + i) * ch + c];
            }
        }
        ChannelCode best[2];
        for (uint32_t c = 0; c < ch; ++c) {
            bool first = true;
            for (uint8_t p = 0; p < zqsd::ADPCM_NR_COEFS; ++p) {
                for (const int32_t d : START_DELTAS) {
                    ChannelCode code = encodeChannel(block.data() + c, ch, spb, p, d);
                    if (first || code.error < best[c].error) {
                        best[c] = std::move(code);
                        first = false;
                    }
                }
            }
        }
        // The block is written in place: its size is fixed and the codes always fit it.
        std::vector<uint8_t> bytes(blockAlign, 0);
        size_t at = 0;
        const auto putU8 = [&](const uint8_t v) {
            if (at < bytes.size()) {
                bytes[at] = v;
            }
            ++at;
        };
        const auto putI16 = [&](const int16_t v) {
            if (at + 2 <= bytes.size()) {
                ZqByteWriter::store(bytes.data() + at, v);
            }
            at += 2;
        };
        for (uint32_t c = 0; c < ch; ++c) {
            putU8(best[c].predictor);
        }
        for (uint32_t c = 0; c < ch; ++c) {
            putI16(best[c].delta);
        }
        for (uint32_t c = 0; c < ch; ++c) {
            putI16(block[ch + c]); // sample 1: the block's second frame
        }
        for (uint32_t c = 0; c < ch; ++c) {
            putI16(block[c]); // sample 2: its first
        }
        // Codes of frames 2.., channels alternating, high nibble first.
        uint8_t pending = 0;
        bool high = true;
        for (uint32_t i = 0; i + 2 < spb; ++i) {
            for (uint32_t c = 0; c < ch; ++c) {
                const uint8_t n = best[c].nibbles[i];
                if (high) {
                    pending = static_cast<uint8_t>(n << 4);
                } else {
                    putU8(static_cast<uint8_t>(pending | n));
                }
                high = !high;
            }
        }
        if (!high) {
            putU8(pending);
        }
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

bool writeSound(const Pcm& pcm, const Options& options, std::vector<uint8_t>& out,
                std::string& error) {
    const uint32_t frames = pcm.frames();
    if (pcm.channels < 1 || pcm.channels > 2 || pcm.sampleRate < zqsd::MIN_RATE ||
        pcm.sampleRate > zqsd::MAX_RATE || frames == 0) {
        error = "the input needs 1 or 2 channels, a rate of 1000 to 50000 and some samples";
        return false;
    }
    if (options.loopCount > zqsd::MAX_LOOP_COUNT || options.loopStart >= frames ||
        static_cast<uint64_t>(options.loopStart) + options.loopLength > frames) {
        error = "the loop region does not lie inside the sound";
        return false;
    }
    const uint32_t loopLength =
        options.loopLength != 0 ? options.loopLength : frames - options.loopStart;
    Header h;
    h.channels = pcm.channels;
    h.rate = pcm.sampleRate;
    h.loopCount = options.loopCount;
    ZqByteWriter w;
    switch (options.encoding) {
    case Encoding::PCM8:
    case Encoding::PCM16: {
        const bool eight = options.encoding == Encoding::PCM8;
        h.tag = zqsd::FORMAT_PCM;
        h.bits = eight ? 8 : 16;
        h.blockAlign = static_cast<uint16_t>(pcm.channels * h.bits / 8);
        h.avgBytes = pcm.sampleRate * h.blockAlign;
        h.loopStart = options.loopStart;
        h.loopLength = loopLength;
        h.total = frames;
        putHeader(w, h);
        putPcm(w, pcm, eight);
        break;
    }
    case Encoding::ADPCM: {
        const uint16_t ba = options.blockAlign != 0 ? options.blockAlign
                                                    : static_cast<uint16_t>(512 * pcm.channels);
        if (ba < zqsd::ADPCM_MIN_BLOCK_ALIGN || ba > zqsd::ADPCM_MAX_BLOCK_ALIGN ||
            (ba * 8u) % (4u * pcm.channels) != 0) {
            error = "ADPCM blocks are 22 to 4096 bytes";
            return false;
        }
        const uint32_t spb = adpcmSamplesPerBlock(ba, pcm.channels);
        // Players refuse files of fewer than 22 blocks per channel: pad with silence.
        Pcm padded = pcm;
        const uint32_t minFrames = zqsd::ADPCM_MIN_BLOCK_ALIGN * pcm.channels * spb;
        if (frames < minFrames) {
            padded.samples.resize(static_cast<size_t>(minFrames) * pcm.channels, 0);
        }
        const std::vector<uint8_t> blocks = encodeAdpcm(padded, ba);
        h.tag = zqsd::FORMAT_ADPCM;
        h.bits = 4;
        h.blockAlign = ba;
        h.avgBytes = static_cast<uint32_t>(static_cast<uint64_t>(pcm.sampleRate) * ba / spb);
        h.total = static_cast<uint32_t>(blocks.size() / ba);
        h.loopStart = options.loopStart / spb;
        const uint32_t loopEnd = (options.loopStart + loopLength + spb - 1) / spb;
        h.loopLength = std::min(loopEnd, h.total) - h.loopStart;
        putHeader(w, h);
        for (const auto& pair : zqsd::ADPCM_COEFS) {
            w.i16(pair[0]);
            w.i16(pair[1]);
        }
        w.bytes(blocks.data(), blocks.size());
        break;
    }
    case Encoding::WMA: {
        const uint16_t ba =
            options.blockAlign != 0 ? options.blockAlign : zqsd::WMA_BLOCK_ALIGNS[0];
        if (std::find(std::begin(zqsd::WMA_BLOCK_ALIGNS), std::end(zqsd::WMA_BLOCK_ALIGNS), ba) ==
            std::end(zqsd::WMA_BLOCK_ALIGNS)) {
            error = "xWMA packets are 929, 1487 or 2230 bytes";
            return false;
        }
        std::vector<uint8_t> packets;
        std::vector<uint32_t> table;
        if (!encodeWma(pcm, ba, packets, table, h.avgBytes, error)) {
            return false;
        }
        h.tag = zqsd::FORMAT_WMA;
        h.bits = 16;
        h.blockAlign = ba;
        h.total = static_cast<uint32_t>(table.size());
        h.loopStart = 0;
        h.loopLength = h.total;
        putHeader(w, h);
        for (const uint32_t v : table) {
            w.u32(v);
        }
        w.bytes(packets.data(), packets.size());
        break;
    }
    }
    out = w.take();
    return true;
}

} // namespace zqsdw
