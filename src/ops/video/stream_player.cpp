#include "ops/video/stream_player.h"

#include <cstring>
#include <mutex>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include "ops/video/http_stream_reader.h"
#include "ops/video/stream_url.h"

namespace ostrand::video {

std::uint32_t VideoFrame::Pixel(int x, int y) const {
    const std::uint8_t* p = pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) +
                            static_cast<std::size_t>(x) * 4;
    return static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[2]) << 16 |
           static_cast<std::uint32_t>(p[1]) << 8 | p[0];
}

namespace {

constexpr int kIoBufferSize = 32 * 1024;
constexpr int kMaxLowres = 3;  // the JPEG decoder decodes at 1/2, 1/4 or 1/8 size at most

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct ScalerFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct IoFree {
    void operator()(AVIOContext* io) const {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

void QuietLibraryLog() {
    // The player reports what went wrong through its StreamEnd; the library's
    // own remarks about each damaged frame would only flood the error output.
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

// A JPEG picture ends with its EOI marker; one that does not was cut short.
bool EndsWithEoi(const AVPacket& packet) {
    std::size_t size = static_cast<std::size_t>(packet.size);
    while (size > 0 && (packet.data[size - 1] == '\r' || packet.data[size - 1] == '\n' || packet.data[size - 1] == 0)) {
        --size;
    }
    return size >= 2 && packet.data[size - 2] == 0xff && packet.data[size - 1] == 0xd9;
}

// The largest reduction at which a picture still covers the target.
int LowresFor(int width, int height, int targetWidth, int targetHeight) {
    if (targetWidth <= 0 || targetHeight <= 0) return 0;
    int lowres = 0;
    while (lowres < kMaxLowres && (width >> (lowres + 1)) >= targetWidth && (height >> (lowres + 1)) >= targetHeight) {
        ++lowres;
    }
    return lowres;
}

}  // namespace

// The state of one run of the decoding thread, reached from the library's
// callbacks through their opaque pointer.
class StreamPlayer::Session {
public:
    Session(const StopSignal& stop, const StreamBounds& bounds) : stop_(stop), bounds_(bounds), reader_(stop) {}

    StreamEnd Play(const std::string& url, const StreamCredentials& credentials, StreamPlayer& player,
                   const Listener& listener);
    StreamEndDetail Detail() const { return reader_.Detail(); }

private:
    static int ReadPacket(void* opaque, std::uint8_t* buffer, int size);
    static int Interrupted(void* opaque);
    std::unique_ptr<AVCodecContext, CodecCloser> OpenDecoder(const AVCodecParameters& parameters, int lowres);
    StreamEnd Fail(StreamEnd fallback) const { return failure_ != StreamEnd::None ? failure_ : fallback; }
    void PictureArrived() {
        deadline_ = StreamClock::now() + bounds_.pictureWait;
        bytesAtPicture_ = reader_.BytesRead();
    }

    const StopSignal& stop_;
    StreamBounds bounds_;
    HttpStreamReader reader_;
    StreamClock::time_point deadline_{};
    bool opened_ = false;
    std::uint64_t bytesAtPicture_ = 0;
    StreamEnd failure_ = StreamEnd::None;  // set by a callback that ended a library call
};

int StreamPlayer::Session::ReadPacket(void* opaque, std::uint8_t* buffer, int size) {
    auto& session = *static_cast<Session*>(opaque);
    if (session.reader_.BytesRead() - session.bytesAtPicture_ > session.bounds_.maxFrameBytes) {
        session.failure_ = StreamEnd::FrameTooLarge;
        return AVERROR_EXIT;
    }
    StreamEnd end = StreamEnd::None;
    const std::size_t n = session.reader_.Read(buffer, static_cast<std::size_t>(size), session.deadline_, end);
    if (n > 0) return static_cast<int>(n);
    session.failure_ = end;
    return end == StreamEnd::Closed ? AVERROR_EOF : AVERROR_EXIT;
}

int StreamPlayer::Session::Interrupted(void* opaque) {
    auto& session = *static_cast<Session*>(opaque);
    if (session.stop_.Raised()) {
        session.failure_ = StreamEnd::Stopped;
        return 1;
    }
    if (StreamClock::now() > session.deadline_) {
        session.failure_ = session.opened_ ? StreamEnd::Stalled : StreamEnd::NoConnection;
        return 1;
    }
    return 0;
}

std::unique_ptr<AVCodecContext, CodecCloser> StreamPlayer::Session::OpenDecoder(const AVCodecParameters& parameters,
                                                                                int lowres) {
    const AVCodec* codec = avcodec_find_decoder(parameters.codec_id);
    if (codec == nullptr) return nullptr;
    std::unique_ptr<AVCodecContext, CodecCloser> decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), &parameters) < 0) return nullptr;
    decoder->thread_count = 1;  // sixteen streams already keep every core busy
    decoder->err_recognition |= AV_EF_EXPLODE;
    decoder->lowres = std::min(lowres, static_cast<int>(codec->max_lowres));
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0) return nullptr;
    return decoder;
}

StreamEnd StreamPlayer::Session::Play(const std::string& url, const StreamCredentials& credentials,
                                      StreamPlayer& player, const Listener& listener) {
    deadline_ = StreamClock::now() + bounds_.openWait;
    AVFormatContext* raw = avformat_alloc_context();
    if (raw == nullptr) return StreamEnd::NoConnection;
    raw->interrupt_callback = {&Session::Interrupted, this};

    const bool http = IsHttpUrl(url);
    std::unique_ptr<AVIOContext, IoFree> io;
    const AVInputFormat* input = nullptr;
    if (http) {
        if (const StreamEnd opened = reader_.Open(url, credentials, deadline_); opened != StreamEnd::None) {
            avformat_free_context(raw);
            return opened;
        }
        auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferSize));
        io.reset(buffer != nullptr ? avio_alloc_context(buffer, kIoBufferSize, 0, this, &Session::ReadPacket, nullptr,
                                                        nullptr)
                                   : nullptr);
        if (!io) {
            av_free(buffer);
            avformat_free_context(raw);
            return StreamEnd::NoConnection;
        }
        raw->pb = io.get();
        input = av_find_input_format("mpjpeg");
    } else if (url.empty()) {
        avformat_free_context(raw);
        return StreamEnd::BadAddress;
    }

    // The library frees the context itself when opening fails.
    const int openResult = avformat_open_input(&raw, http ? "" : url.c_str(), input, nullptr);
    if (openResult < 0) {
        if (openResult == AVERROR(ECONNREFUSED)) return StreamEnd::Refused;
        return Fail(openResult == AVERROR_INVALIDDATA || openResult == AVERROR_EOF ? StreamEnd::NotAStream
                                                                                    : StreamEnd::NoConnection);
    }
    std::unique_ptr<AVFormatContext, FormatCloser> format(raw);
    opened_ = true;
    const int streamIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (streamIndex < 0) return StreamEnd::NotAStream;
    const AVCodecParameters& parameters = *format->streams[streamIndex]->codecpar;
    const bool jpeg = parameters.codec_id == AV_CODEC_ID_MJPEG;
    int lowres = 0;
    auto decoder = OpenDecoder(parameters, lowres);
    if (!decoder) return StreamEnd::NotAStream;

    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::unique_ptr<SwsContext, ScalerFree> scaler;
    if (!packet || !frame) return StreamEnd::NoConnection;
    bool lowresChosen = !jpeg;
    int badRun = 0;
    for (;;) {
        if (stop_.Raised()) return StreamEnd::Stopped;
        const int readResult = av_read_frame(format.get(), packet.get());
        if (readResult < 0) return Fail(readResult == AVERROR_EOF ? StreamEnd::Closed : StreamEnd::Corrupt);
        if (packet->stream_index != streamIndex) {
            av_packet_unref(packet.get());
            continue;
        }
        if (static_cast<std::size_t>(packet->size) > bounds_.maxFrameBytes) return StreamEnd::FrameTooLarge;
        bool bad = jpeg && !EndsWithEoi(*packet);
        if (!bad) bad = avcodec_send_packet(decoder.get(), packet.get()) < 0;
        av_packet_unref(packet.get());
        for (int got = 0; !bad && (got = avcodec_receive_frame(decoder.get(), frame.get())) != AVERROR(EAGAIN);) {
            if (got < 0) {
                bad = got != AVERROR_EOF;
                break;
            }
            const int targetWidth = player.targetWidth_.load();
            const int targetHeight = player.targetHeight_.load();
            if (!lowresChosen) {
                // The first picture gives the stream's size: small panels decode at a
                // fraction of it, which costs a fraction of the work.
                lowresChosen = true;
                lowres = LowresFor(frame->width, frame->height, targetWidth, targetHeight);
                if (lowres > 0) {
                    if (auto smaller = OpenDecoder(parameters, lowres)) decoder = std::move(smaller);
                }
            }
            const int width = targetWidth > 0 ? targetWidth : frame->width;
            const int height = targetHeight > 0 ? targetHeight : frame->height;
            scaler.reset(sws_getCachedContext(scaler.release(), frame->width, frame->height,
                                              static_cast<AVPixelFormat>(frame->format), width, height,
                                              AV_PIX_FMT_BGRA, SWS_FAST_BILINEAR, nullptr, nullptr, nullptr));
            if (!scaler) {
                bad = true;
                break;
            }
            auto picture = std::make_shared<VideoFrame>();
            picture->width = width;
            picture->height = height;
            picture->stride = width * 4;
            picture->pixels.resize(static_cast<std::size_t>(picture->stride) * static_cast<std::size_t>(height));
            std::uint8_t* planes[4] = {picture->pixels.data(), nullptr, nullptr, nullptr};
            int strides[4] = {picture->stride, 0, 0, 0};
            sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
            av_frame_unref(frame.get());
            PictureArrived();
            badRun = 0;
            player.Publish(std::move(picture));
            if (listener.frameReady) listener.frameReady();
        }
        if (bad && ++badRun >= bounds_.maxBadFrames) return StreamEnd::Corrupt;
    }
}

StreamPlayer::StreamPlayer(StreamBounds bounds) : bounds_(bounds) { QuietLibraryLog(); }

StreamPlayer::~StreamPlayer() { Stop(); }

void StreamPlayer::Start(std::string url, Listener listener, int targetWidth, int targetHeight,
                         StreamCredentials credentials) {
    Stop();
    SetTargetSize(targetWidth, targetHeight);
    {
        std::lock_guard lock(frameMutex_);
        latest_.reset();
        endDetail_ = {};
    }
    decoded_ = 0;
    end_ = StreamEnd::None;
    running_ = true;
    stop_ = std::make_shared<StopSignal>();
    thread_ = std::thread(&StreamPlayer::Run, this, std::move(url), std::move(credentials), std::move(listener));
}

void StreamPlayer::Stop() {
    if (stop_) stop_->Raise();
    if (thread_.joinable()) thread_.join();
    running_ = false;
}

void StreamPlayer::SetTargetSize(int width, int height) {
    targetWidth_ = std::max(width, 0);
    targetHeight_ = std::max(height, 0);
}

std::shared_ptr<const VideoFrame> StreamPlayer::LatestFrame() const {
    std::lock_guard lock(frameMutex_);
    return latest_;
}

void StreamPlayer::Publish(std::shared_ptr<VideoFrame> frame) {
    frame->number = decoded_.load() + 1;
    {
        std::lock_guard lock(frameMutex_);
        latest_ = std::move(frame);
    }
    ++decoded_;
}

StreamEndDetail StreamPlayer::EndDetail() const {
    std::lock_guard lock(frameMutex_);
    return endDetail_;
}

void StreamPlayer::Run(std::string url, StreamCredentials credentials, Listener listener) {
    Session session(*stop_, bounds_);
    const StreamEnd end = session.Play(url, credentials, *this, listener);
    {
        std::lock_guard lock(frameMutex_);
        endDetail_ = session.Detail();
    }
    end_ = end;
    running_ = false;
    if (end != StreamEnd::Stopped && listener.ended) listener.ended(end);
}

}  // namespace ostrand::video
