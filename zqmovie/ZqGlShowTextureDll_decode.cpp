// The decode side of the player: the demuxer on an I/O context that reads through the file
// source, the decoders, and the thread that hands frames out at their time.

#include "zqmovie/ZqGlShowTextureDll_body.h"
#include "zqmovie/ZqGlShowTextureDll_test.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>

namespace zqmovie {
namespace {

constexpr int IO_BUFFER_SIZE = 32768;
// A request is served at once; the wait only guards against a source that never answers.
constexpr uint32_t REQUEST_TIMEOUT_MS = 5000;
// Sound is handed to the device this far ahead of the clock.
constexpr int64_t AUDIO_LEAD_US = 300000;
// Longest wait before the clock is looked at again.
constexpr int64_t POLL_US = 5000;

std::atomic<int64_t (*)()> g_testClock{nullptr};

int64_t steadyMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int readPacket(void* const opaque, uint8_t* const buffer, const int size) {
    auto* const body = static_cast<ZqGlShowTextureDll::Body*>(opaque);
    int64_t total = 0;
    body->source->length(&total, nullptr);
    if (size <= 0 || body->ioPosition >= total) {
        return AVERROR_EOF;
    }
    CFileSourceFilter::Sample sample;
    sample.position = body->ioPosition;
    sample.length = std::min<int64_t>(size, total - body->ioPosition);
    sample.buffer = buffer;
    if (body->source->request(&sample, 0) != CFileSourceFilter::Result::Ok) {
        return AVERROR(EIO);
    }
    CFileSourceFilter::Sample* done = nullptr;
    if (body->source->waitForNext(REQUEST_TIMEOUT_MS, &done, nullptr) !=
            CFileSourceFilter::Result::Ok ||
        done != &sample) {
        return AVERROR(EIO);
    }
    body->ioPosition += sample.dataLength;
    return static_cast<int>(sample.dataLength);
}

int64_t seekPacket(void* const opaque, const int64_t offset, const int whence) {
    auto* const body = static_cast<ZqGlShowTextureDll::Body*>(opaque);
    int64_t total = 0;
    body->source->length(&total, nullptr);
    int64_t position = 0;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return total;
    case SEEK_SET:
        position = offset;
        break;
    case SEEK_CUR:
        position = body->ioPosition + offset;
        break;
    case SEEK_END:
        position = total + offset;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (position < 0 || position > total) {
        return AVERROR(EINVAL);
    }
    // The caller's stream is moved with each read; here only the position is noted.
    body->ioPosition = position;
    return position;
}

AVCodecContext* openDecoder(AVFormatContext* const format, const int index) {
    const AVCodecParameters* const par = format->streams[index]->codecpar;
    const AVCodec* const codec = avcodec_find_decoder(par->codec_id);
    if (codec == nullptr) {
        return nullptr;
    }
    AVCodecContext* context = avcodec_alloc_context3(codec);
    if (context == nullptr) {
        return nullptr;
    }
    context->thread_count = 1;
    if (avcodec_parameters_to_context(context, par) < 0 ||
        avcodec_open2(context, codec, nullptr) < 0) {
        avcodec_free_context(&context);
        return nullptr;
    }
    return context;
}

enum class Decoded { Video, Audio, End, Error };

} // namespace

int64_t toMicroseconds(const int64_t ts, const AVRational base) {
    return av_rescale_q(ts, base, AVRational{1, 1000000});
}

int64_t clockMicroseconds() {
    const auto clock = g_testClock.load();
    return clock != nullptr ? clock() : steadyMicroseconds();
}

} // namespace zqmovie

const ZqGlShowTextureDll::Body* zqmovieBodyOf(const ZqGlShowTextureDll& player) {
    return player.m_pBody.get();
}

namespace {
const ZqGlShowTextureDll::Body* access(const ZqGlShowTextureDll& player) {
    return zqmovieBodyOf(player);
}
} // namespace

void zqmovie::test::setClock(int64_t (*const clock)()) {
    g_testClock.store(clock);
}

uint64_t zqmovie::test::getAudioFramesPushed(const ZqGlShowTextureDll& player) {
    const ZqGlShowTextureDll::Body* const body = access(player);
    return body != nullptr ? body->audioOut.getPushedFrames() : 0;
}

long zqmovie::test::getAudioVolume(const ZqGlShowTextureDll& player) {
    const ZqGlShowTextureDll::Body* const body = access(player);
    return body != nullptr ? body->audioOut.getVolume() : 0;
}

long zqmovie::test::getAudioBalance(const ZqGlShowTextureDll& player) {
    const ZqGlShowTextureDll::Body* const body = access(player);
    return body != nullptr ? body->audioOut.getBalance() : 0;
}

bool zqmovie::test::hasAudioDevice(const ZqGlShowTextureDll& player) {
    const ZqGlShowTextureDll::Body* const body = access(player);
    return body != nullptr && body->audioOut.isOpen();
}

using zqmovie::Decoded;
using zqmovie::RunState;

ZqGlShowTextureDll::Body::~Body() {
    stopThread();
    audioOut.close();
    sws_freeContext(scaler);
    swr_free(&resampler);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    avformat_close_input(&format);
    if (io != nullptr) {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
}

int64_t ZqGlShowTextureDll::Body::mediaTime() const {
    if (state != RunState::Running) {
        return positionBase;
    }
    const double elapsed = static_cast<double>(zqmovie::clockMicroseconds() - clockBase);
    return positionBase + static_cast<int64_t>(elapsed * rate);
}

bool ZqGlShowTextureDll::Body::open() {
    auto* const buffer = static_cast<uint8_t*>(av_malloc(zqmovie::IO_BUFFER_SIZE));
    if (buffer == nullptr) {
        return false;
    }
    io = avio_alloc_context(buffer, zqmovie::IO_BUFFER_SIZE, 0, this, zqmovie::readPacket, nullptr,
                            zqmovie::seekPacket);
    if (io == nullptr) {
        av_free(buffer);
        return false;
    }
    format = avformat_alloc_context();
    if (format == nullptr) {
        return false;
    }
    format->pb = io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    // On failure the library frees the context it was given.
    if (avformat_open_input(&format, nullptr, nullptr, nullptr) < 0) {
        format = nullptr;
        return false;
    }
    if (avformat_find_stream_info(format, nullptr) < 0) {
        return false;
    }
    videoIndex = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (videoIndex >= 0 &&
        (format->streams[videoIndex]->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0) {
        videoIndex = -1;
    }
    audioIndex = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (videoIndex < 0 && audioIndex < 0) {
        return false;
    }
    if (videoIndex >= 0) {
        const AVCodecParameters* const par = format->streams[videoIndex]->codecpar;
        // A video stream the renderer refuses (too large, no size) fails the whole stream.
        if (!renderer.setMediaType(false, par->width, par->height)) {
            return false;
        }
        video = zqmovie::openDecoder(format, videoIndex);
        if (video == nullptr) {
            return false;
        }
        const size_t bytes = static_cast<size_t>(renderer.getSourcePitch()) * renderer.getHeight();
        frontFrame.assign(bytes, 0);
        backFrame.assign(bytes, 0);
    }
    if (audioIndex >= 0) {
        audio = zqmovie::openDecoder(format, audioIndex);
        if (audio == nullptr || audio->sample_rate <= 0 || audio->ch_layout.nb_channels <= 0) {
            return false;
        }
        // Without a sound device the pictures still play.
        audioOut.open(audio->sample_rate);
    }
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (static_cast<int>(i) != videoIndex && static_cast<int>(i) != audioIndex) {
            format->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    if (format->duration > 0) {
        durationUs = format->duration;
    }
    frame = av_frame_alloc();
    packet = av_packet_alloc();
    if (frame == nullptr || packet == nullptr) {
        return false;
    }
    thread = std::thread([this] { run(); });
    return true;
}

void ZqGlShowTextureDll::Body::stopThread() {
    if (!thread.joinable()) {
        return;
    }
    {
        const std::lock_guard<std::mutex> hold(lock);
        quit = true;
    }
    changed.notify_all();
    thread.join();
}

namespace {

using Body = ZqGlShowTextureDll::Body;

int64_t streamStart(const Body& body, const int index) {
    const AVStream* const stream = body.format->streams[index];
    return stream->start_time != AV_NOPTS_VALUE
               ? zqmovie::toMicroseconds(stream->start_time, stream->time_base)
               : 0;
}

// The next decoded frame into body.frame: video first when both decoders have one.
Decoded decodeNext(Body& body) {
    for (;;) {
        if (body.video != nullptr && avcodec_receive_frame(body.video, body.frame) == 0) {
            return Decoded::Video;
        }
        if (body.audio != nullptr && avcodec_receive_frame(body.audio, body.frame) == 0) {
            return Decoded::Audio;
        }
        if (body.decoderDrained) {
            return Decoded::End;
        }
        const int result = av_read_frame(body.format, body.packet);
        if (result == AVERROR_EOF) {
            // The decoders give back what they still hold.
            if (body.video != nullptr) {
                avcodec_send_packet(body.video, nullptr);
            }
            if (body.audio != nullptr) {
                avcodec_send_packet(body.audio, nullptr);
            }
            body.decoderDrained = true;
            continue;
        }
        if (result < 0) {
            return Decoded::Error;
        }
        AVCodecContext* const decoder = body.packet->stream_index == body.videoIndex   ? body.video
                                        : body.packet->stream_index == body.audioIndex ? body.audio
                                                                                       : nullptr;
        // A packet the decoder refuses (damaged data) is skipped.
        if (decoder != nullptr) {
            avcodec_send_packet(decoder, body.packet);
        }
        av_packet_unref(body.packet);
    }
}

// Start and end of the frame in body.frame, in microseconds of media time.
void frameTimes(Body& body, const bool isVideo, const int64_t previousEnd) {
    const int index = isVideo ? body.videoIndex : body.audioIndex;
    const AVStream* const stream = body.format->streams[index];
    int64_t ts = body.frame->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE) {
        ts = body.frame->pts;
    }
    const int64_t start = ts != AV_NOPTS_VALUE ? zqmovie::toMicroseconds(ts, stream->time_base) -
                                                     streamStart(body, index)
                                               : previousEnd;
    int64_t length = 0;
    if (isVideo) {
        if (body.frame->pkt_duration > 0) {
            length = zqmovie::toMicroseconds(body.frame->pkt_duration, stream->time_base);
        } else if (stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0) {
            length = av_rescale(1000000, stream->avg_frame_rate.den, stream->avg_frame_rate.num);
        } else {
            length = 40000;
        }
    } else if (body.frame->sample_rate > 0) {
        length = av_rescale(body.frame->nb_samples, 1000000, body.frame->sample_rate);
    }
    body.pendingStart = start;
    body.pendingEnd = start + std::max<int64_t>(length, 0);
}

// Converts the frame in body.frame into the back buffer at the video size; false when there is
// nothing to show.
bool convertVideo(Body& body) {
    const AVFrame& f = *body.frame;
    if (f.width <= 0 || f.height <= 0) {
        return false;
    }
    body.scaler =
        sws_getCachedContext(body.scaler, f.width, f.height, static_cast<AVPixelFormat>(f.format),
                             body.renderer.getWidth(), body.renderer.getHeight(), AV_PIX_FMT_BGR24,
                             SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (body.scaler == nullptr) {
        return false;
    }
    uint8_t* const planes[4] = {body.backFrame.data(), nullptr, nullptr, nullptr};
    const int pitches[4] = {static_cast<int>(body.renderer.getSourcePitch()), 0, 0, 0};
    return sws_scale(body.scaler, f.data, f.linesize, 0, f.height, planes, pitches) > 0;
}

// Hands the converted frame to main(). Called under body.lock, so that a caller who finds the
// frame in the texture also finds the player cued.
void publishVideo(Body& body) {
    const std::lock_guard<std::mutex> hold(body.frameLock);
    body.frontFrame.swap(body.backFrame);
    body.frameFresh = true;
}

// The sound in body.frame, resampled to the device (its pitch moved by the rate).
void presentAudio(Body& body, const float rate) {
    if (!body.audioOut.isOpen()) {
        return;
    }
    AVFrame& f = *body.frame;
    if (body.resampler == nullptr || body.resamplerRate != rate) {
        swr_free(&body.resampler);
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        const int inRate = static_cast<int>(std::lround(body.audio->sample_rate * rate));
        if (inRate <= 0 ||
            swr_alloc_set_opts2(&body.resampler, &stereo, AV_SAMPLE_FMT_S16,
                                body.audioOut.getRate(), &body.frame->ch_layout,
                                static_cast<AVSampleFormat>(f.format), inRate, 0, nullptr) < 0 ||
            swr_init(body.resampler) < 0) {
            swr_free(&body.resampler);
            return;
        }
        body.resamplerRate = rate;
    }
    const int capacity = swr_get_out_samples(body.resampler, f.nb_samples);
    if (capacity <= 0) {
        return;
    }
    body.audioWork.resize(static_cast<size_t>(capacity) * 2);
    uint8_t* out[1] = {reinterpret_cast<uint8_t*>(body.audioWork.data())};
    const int frames = swr_convert(body.resampler, out, capacity,
                                   const_cast<const uint8_t**>(f.extended_data), f.nb_samples);
    if (frames > 0) {
        body.audioOut.push(body.audioWork.data(), static_cast<size_t>(frames));
    }
}

// Moves the demuxer to the key frame at or before target and empties the decoders.
bool seekTo(Body& body, const int64_t target) {
    body.source->beginFlush();
    body.source->endFlush();
    const int64_t start = body.format->start_time != AV_NOPTS_VALUE ? body.format->start_time : 0;
    const int64_t ts = target + start;
    int result = avformat_seek_file(body.format, -1, INT64_MIN, ts, ts, 0);
    if (result < 0) {
        result = av_seek_frame(body.format, -1, ts, AVSEEK_FLAG_BACKWARD);
    }
    if (result < 0 && target <= 0) {
        // A stream without an index still starts over from its first byte.
        result = av_seek_frame(body.format, -1, 0, AVSEEK_FLAG_BYTE);
    }
    if (body.video != nullptr) {
        avcodec_flush_buffers(body.video);
    }
    if (body.audio != nullptr) {
        avcodec_flush_buffers(body.audio);
    }
    body.decoderDrained = false;
    body.audioOut.clear();
    return result >= 0;
}

} // namespace

void ZqGlShowTextureDll::Body::run() {
    std::unique_lock<std::mutex> held(lock);
    const auto waitUs = [&](const int64_t us) {
        changed.wait_for(held,
                         std::chrono::microseconds(std::clamp<int64_t>(us, 1, zqmovie::POLL_US)));
    };
    while (!quit) {
        if (seekDone != seekGeneration) {
            const uint32_t generation = seekGeneration;
            const int64_t target = seekTarget;
            if (pendingValid) {
                av_frame_unref(frame);
                pendingValid = false;
            }
            held.unlock();
            const bool moved = seekTo(*this, target);
            held.lock();
            seekDone = generation;
            demuxEnded = !moved;
            failed = !moved;
            continue;
        }
        if (state == RunState::Stopped) {
            changed.wait(held);
            continue;
        }
        if (!pendingValid) {
            if (demuxEnded) {
                if (!completeSent && mediaTime() >= endTime) {
                    completeSent = true;
                    cued = true;
                    events.push_back(zqmovie::EVENT_COMPLETE);
                } else if (completeSent) {
                    changed.wait(held);
                } else {
                    waitUs(static_cast<int64_t>((endTime - mediaTime()) / rate));
                }
                continue;
            }
            const uint32_t generation = seekGeneration;
            const int64_t previousEnd = endTime;
            held.unlock();
            const Decoded decoded = decodeNext(*this);
            if (decoded == Decoded::Video || decoded == Decoded::Audio) {
                pendingVideo = decoded == Decoded::Video;
                frameTimes(*this, pendingVideo, previousEnd);
            }
            held.lock();
            if (decoded == Decoded::Video || decoded == Decoded::Audio) {
                pendingValid = true;
            } else {
                // A stream that cannot be read on ends where it failed.
                demuxEnded = true;
                failed = decoded == Decoded::Error;
            }
            if (generation != seekGeneration && pendingValid) {
                av_frame_unref(frame);
                pendingValid = false;
            }
            continue;
        }
        // Frames wholly before the position moved to are decoded only to reach it.
        if (pendingEnd <= seekTarget && pendingStart < seekTarget) {
            av_frame_unref(frame);
            pendingValid = false;
            continue;
        }
        const int64_t now = mediaTime();
        const bool due = pendingVideo ? !cued || (state == RunState::Running && now >= pendingStart)
                                      : pendingStart <= now + zqmovie::AUDIO_LEAD_US;
        if (!due) {
            const int64_t ahead =
                pendingVideo ? pendingStart - now : pendingStart - now - zqmovie::AUDIO_LEAD_US;
            waitUs(state == RunState::Running ? static_cast<int64_t>(ahead / rate)
                                              : zqmovie::POLL_US);
            continue;
        }
        const uint32_t generation = seekGeneration;
        const float playRate = rate;
        held.unlock();
        bool converted = false;
        if (pendingVideo) {
            converted = convertVideo(*this);
        } else {
            presentAudio(*this, playRate);
        }
        av_frame_unref(frame);
        held.lock();
        if (converted) {
            publishVideo(*this);
        }
        pendingValid = false;
        if (generation == seekGeneration) {
            cued = true;
            endTime = std::max(endTime, pendingEnd);
        }
    }
}
