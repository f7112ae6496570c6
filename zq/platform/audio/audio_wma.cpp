// xWMA through libavcodec's WMA version 2 decoder. The stored format has no codec private
// data, so the decoder gets the one that our writer's encoder uses. Packets are decoded in
// order with the decoder's state carried from buffer to buffer (a stream cut into buffers
// plays without seams) until reset() after a flush.
#include "zq/platform/audio/audio_internal.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zqp {

namespace {

// WMA version 2 private data: 32-bit flags, 16-bit flags (bit 0: exponents coded with VLC).
constexpr uint8_t WMA_EXTRADATA[6] = {0, 0, 0, 0, 1, 0};
constexpr uint64_t MAX_PACKET_FRAMES = 32768;

class LibavWmaDecoder final : public AudioWmaDecoder {
public:
    ~LibavWmaDecoder() override {
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
        avcodec_free_context(&m_context);
    }

    bool open(const AudioFormat& f) {
        const AVCodec* const codec = avcodec_find_decoder(AV_CODEC_ID_WMAV2);
        if (codec == nullptr) {
            return false;
        }
        m_context = avcodec_alloc_context3(codec);
        m_packet = av_packet_alloc();
        m_frame = av_frame_alloc();
        if (m_context == nullptr || m_packet == nullptr || m_frame == nullptr) {
            return false;
        }
        m_channels = f.channels;
        m_blockAlign = f.blockAlign;
        m_context->sample_rate = static_cast<int>(f.sampleRate);
        av_channel_layout_default(&m_context->ch_layout, f.channels);
        m_context->bit_rate = static_cast<int64_t>(f.avgBytesPerSec) * 8;
        m_context->block_align = f.blockAlign;
        m_context->extradata =
            static_cast<uint8_t*>(av_mallocz(sizeof WMA_EXTRADATA + AV_INPUT_BUFFER_PADDING_SIZE));
        if (m_context->extradata == nullptr) {
            return false;
        }
        std::memcpy(m_context->extradata, WMA_EXTRADATA, sizeof WMA_EXTRADATA);
        m_context->extradata_size = sizeof WMA_EXTRADATA;
        return avcodec_open2(m_context, codec, nullptr) == 0;
    }

    bool decode(const uint8_t* const data, const uint32_t bytes, const AudioWmaTable& table,
                std::vector<int16_t>& out) override {
        const uint64_t need = static_cast<uint64_t>(table.count) * m_blockAlign;
        const uint64_t totalBytes = table.packets[table.count - 1];
        const uint64_t frameBytes = 2ull * m_channels;
        // A packet decodes to at most a few thousand frames; a table claiming far more is bad.
        if (need > bytes || totalBytes % frameBytes != 0 ||
            totalBytes > static_cast<uint64_t>(table.count) * MAX_PACKET_FRAMES * frameBytes) {
            return false;
        }
        out.clear();
        out.reserve(totalBytes / 2);
        for (uint32_t i = 0; i < table.count; ++i) {
            if (av_new_packet(m_packet, m_blockAlign) < 0) {
                return false;
            }
            std::memcpy(m_packet->data, data + static_cast<size_t>(i) * m_blockAlign, m_blockAlign);
            const int sent = avcodec_send_packet(m_context, m_packet);
            av_packet_unref(m_packet);
            if (sent < 0 && sent != AVERROR(EAGAIN)) {
                return false;
            }
            while (avcodec_receive_frame(m_context, m_frame) == 0) {
                append(out);
                av_frame_unref(m_frame);
            }
        }
        // The table says how much the packets hold; the decoder's output is cut or padded to it.
        out.resize(totalBytes / 2, 0);
        return true;
    }

    void reset() override { avcodec_flush_buffers(m_context); }

private:
    void append(std::vector<int16_t>& out) const {
        const int n = m_frame->nb_samples;
        const uint32_t ch = m_channels;
        const auto fmt = static_cast<AVSampleFormat>(m_frame->format);
        for (int i = 0; i < n; ++i) {
            for (uint32_t c = 0; c < ch; ++c) {
                float x = 0.0f;
                if (fmt == AV_SAMPLE_FMT_FLTP) {
                    x = reinterpret_cast<const float*>(m_frame->extended_data[c])[i];
                } else if (fmt == AV_SAMPLE_FMT_FLT) {
                    x = reinterpret_cast<const float*>(m_frame->extended_data[0])[i * ch + c];
                }
                const float v = std::clamp(x * 32768.0f, -32768.0f, 32767.0f);
                out.push_back(static_cast<int16_t>(std::lrint(v)));
            }
        }
    }

    AVCodecContext* m_context = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    uint32_t m_channels = 1;
    uint32_t m_blockAlign = 1;
};

} // namespace

std::unique_ptr<AudioWmaDecoder> AudioWmaDecoder::create(const AudioFormat& format) {
    auto d = std::make_unique<LibavWmaDecoder>();
    if (!d->open(format)) {
        return nullptr;
    }
    return d;
}

} // namespace zqp
