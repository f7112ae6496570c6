#include "tests/support/TestMovie.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zqtest {
namespace {

constexpr int AUDIO_RATE = 8000;
constexpr int AUDIO_FRAME = 400;

struct Encoder {
    AVCodecContext* context = nullptr;
    AVStream* stream = nullptr;
    ~Encoder() { avcodec_free_context(&context); }
};

bool drain(AVFormatContext* const format, Encoder& encoder, AVPacket* const packet) {
    for (;;) {
        const int result = avcodec_receive_packet(encoder.context, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
            return true;
        }
        if (result < 0) {
            return false;
        }
        av_packet_rescale_ts(packet, encoder.context->time_base, encoder.stream->time_base);
        packet->stream_index = encoder.stream->index;
        if (av_interleaved_write_frame(format, packet) < 0) {
            return false;
        }
    }
}

} // namespace

uint32_t testMovieColor(const TestMovieDesc& desc, const uint32_t frame, const uint32_t x,
                        const uint32_t y) {
    if (y >= desc.height / 2u) {
        const uint32_t g = testMovieGrey(frame);
        return g << 16 | g << 8 | g;
    }
    return TEST_MOVIE_BARS[std::min<uint32_t>(3, x * 4 / desc.width)];
}

std::vector<uint8_t> makeTestMovie(const TestMovieDesc& desc) {
    std::vector<uint8_t> file;
    // The muxer seeks back to patch sizes; an in-memory file that grows in place serves it.
    struct Sink {
        std::vector<uint8_t> data;
        int64_t position = 0;
    } sink;
    const auto write = [](void* const opaque, uint8_t* const buffer, const int size) -> int {
        auto* const s = static_cast<Sink*>(opaque);
        const size_t end = static_cast<size_t>(s->position) + static_cast<size_t>(size);
        if (s->data.size() < end) {
            s->data.resize(end);
        }
        std::memcpy(s->data.data() + s->position, buffer, static_cast<size_t>(size));
        s->position = static_cast<int64_t>(end);
        return size;
    };
    const auto seek = [](void* const opaque, const int64_t offset, const int whence) -> int64_t {
        auto* const s = static_cast<Sink*>(opaque);
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return static_cast<int64_t>(s->data.size());
        case SEEK_SET:
            s->position = offset;
            return offset;
        case SEEK_CUR:
            s->position += offset;
            return s->position;
        case SEEK_END:
            s->position = static_cast<int64_t>(s->data.size()) + offset;
            return s->position;
        default:
            return -1;
        }
    };

    AVFormatContext* format = nullptr;
    if (avformat_alloc_output_context2(&format, nullptr, "avi", nullptr) < 0) {
        return file;
    }
    const int ioSize = 4096;
    auto* const ioBuffer = static_cast<uint8_t*>(av_malloc(ioSize));
    format->pb = avio_alloc_context(ioBuffer, ioSize, 1, &sink, nullptr, write, seek);

    Encoder video;
    Encoder audio;
    bool ok = format->pb != nullptr;
    const bool withVideo = desc.width != 0 && desc.height != 0;
    if (ok && withVideo) {
        const AVCodec* const codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
        video.context = codec != nullptr ? avcodec_alloc_context3(codec) : nullptr;
        video.stream = avformat_new_stream(format, nullptr);
        ok = video.context != nullptr && video.stream != nullptr;
        if (ok) {
            AVCodecContext& c = *video.context;
            c.width = desc.width;
            c.height = desc.height;
            c.pix_fmt = AV_PIX_FMT_YUV420P;
            c.time_base = AVRational{1, static_cast<int>(desc.fps)};
            c.framerate = AVRational{static_cast<int>(desc.fps), 1};
            // Every frame a key frame, near-lossless: frames can be told apart by colour and
            // any frame can be reached by a seek.
            c.gop_size = 1;
            c.flags |= AV_CODEC_FLAG_QSCALE;
            c.global_quality = FF_QP2LAMBDA * 2;
            c.thread_count = 1;
            if (format->oformat->flags & AVFMT_GLOBALHEADER) {
                c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
            }
            ok = avcodec_open2(&c, codec, nullptr) >= 0 &&
                 avcodec_parameters_from_context(video.stream->codecpar, &c) >= 0;
            video.stream->time_base = c.time_base;
        }
    }
    if (ok && desc.audioMs != 0) {
        const AVCodec* const codec = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
        audio.context = codec != nullptr ? avcodec_alloc_context3(codec) : nullptr;
        audio.stream = avformat_new_stream(format, nullptr);
        ok = audio.context != nullptr && audio.stream != nullptr;
        if (ok) {
            AVCodecContext& c = *audio.context;
            c.sample_fmt = AV_SAMPLE_FMT_S16;
            c.sample_rate = AUDIO_RATE;
            const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
            av_channel_layout_copy(&c.ch_layout, &stereo);
            c.time_base = AVRational{1, AUDIO_RATE};
            ok = avcodec_open2(&c, codec, nullptr) >= 0 &&
                 avcodec_parameters_from_context(audio.stream->codecpar, &c) >= 0;
            audio.stream->time_base = c.time_base;
        }
    }
    ok = ok && avformat_write_header(format, nullptr) >= 0;

    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    ok = ok && frame != nullptr && packet != nullptr;
    // Video frames and sound blocks interleaved by time.
    const uint32_t videoFrames = withVideo ? desc.frames : 0;
    const int64_t audioSamples = static_cast<int64_t>(desc.audioMs) * AUDIO_RATE / 1000;
    uint32_t nextVideo = 0;
    int64_t nextSample = 0;
    std::vector<uint8_t> rgb(static_cast<size_t>(desc.width) * desc.height * 3);
    SwsContext* scaler = nullptr;
    while (ok && (nextVideo < videoFrames || nextSample < audioSamples)) {
        const double videoTime =
            nextVideo < videoFrames ? static_cast<double>(nextVideo) / desc.fps : 1e30;
        const double audioTime =
            nextSample < audioSamples ? static_cast<double>(nextSample) / AUDIO_RATE : 1e30;
        av_frame_unref(frame);
        if (videoTime <= audioTime) {
            for (uint32_t y = 0; y < desc.height; ++y) {
                for (uint32_t x = 0; x < desc.width; ++x) {
                    const uint32_t c = testMovieColor(desc, nextVideo, x, y);
                    uint8_t* const p = &rgb[(static_cast<size_t>(y) * desc.width + x) * 3];
                    p[0] = static_cast<uint8_t>(c >> 16);
                    p[1] = static_cast<uint8_t>(c >> 8);
                    p[2] = static_cast<uint8_t>(c);
                }
            }
            frame->format = AV_PIX_FMT_YUV420P;
            frame->width = desc.width;
            frame->height = desc.height;
            ok = av_frame_get_buffer(frame, 0) >= 0;
            scaler = sws_getCachedContext(scaler, desc.width, desc.height, AV_PIX_FMT_RGB24,
                                          desc.width, desc.height, AV_PIX_FMT_YUV420P, SWS_POINT,
                                          nullptr, nullptr, nullptr);
            const uint8_t* const planes[1] = {rgb.data()};
            const int pitches[1] = {static_cast<int>(desc.width) * 3};
            ok = ok && scaler != nullptr &&
                 sws_scale(scaler, planes, pitches, 0, desc.height, frame->data, frame->linesize) >
                     0;
            frame->pts = nextVideo++;
            ok =
                ok && avcodec_send_frame(video.context, frame) >= 0 && drain(format, video, packet);
        } else {
            const int count =
                static_cast<int>(std::min<int64_t>(AUDIO_FRAME, audioSamples - nextSample));
            frame->format = AV_SAMPLE_FMT_S16;
            frame->sample_rate = AUDIO_RATE;
            frame->nb_samples = count;
            const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
            av_channel_layout_copy(&frame->ch_layout, &stereo);
            ok = av_frame_get_buffer(frame, 0) >= 0;
            if (ok) {
                auto* const s = reinterpret_cast<int16_t*>(frame->data[0]);
                for (int i = 0; i < count; ++i) {
                    const double t = static_cast<double>(nextSample + i) / AUDIO_RATE;
                    const auto v = static_cast<int16_t>(8000.0 * std::sin(t * 2.0 * M_PI * 440.0));
                    s[i * 2] = v;
                    s[i * 2 + 1] = v;
                }
            }
            frame->pts = nextSample;
            nextSample += count;
            ok =
                ok && avcodec_send_frame(audio.context, frame) >= 0 && drain(format, audio, packet);
        }
    }
    for (Encoder* const e : {&video, &audio}) {
        if (ok && e->context != nullptr) {
            ok = avcodec_send_frame(e->context, nullptr) >= 0 && drain(format, *e, packet);
        }
    }
    ok = ok && av_write_trailer(format) >= 0;
    sws_freeContext(scaler);
    av_packet_free(&packet);
    av_frame_free(&frame);
    if (format->pb != nullptr) {
        avio_flush(format->pb);
        av_freep(&format->pb->buffer);
        avio_context_free(&format->pb);
    }
    avformat_free_context(format);
    if (ok) {
        file = std::move(sink.data);
    }
    return file;
}

} // namespace zqtest
