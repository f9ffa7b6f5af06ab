#include "mjpeg_peer.h"

#include <chrono>
#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace ostrand::video::test {

namespace {

using namespace std::chrono_literals;
constexpr auto kPeerLifetime = 15s;  // a peer never outlives its test by much
constexpr const char* kReplyHeader =
    "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=ostrandframe\r\n\r\n";

std::string Part(const std::string& jpeg) {
    return "--ostrandframe\r\nContent-Type: image/jpeg\r\nContent-Length: " + std::to_string(jpeg.size()) +
           "\r\n\r\n" + jpeg + "\r\n";
}

}  // namespace

std::string SolidJpeg(int width, int height, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (codec == nullptr) throw std::runtime_error("no JPEG encoder");
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> encoder(
        avcodec_alloc_context3(codec), [](AVCodecContext* c) { avcodec_free_context(&c); });
    encoder->width = width;
    encoder->height = height;
    encoder->pix_fmt = AV_PIX_FMT_YUVJ420P;
    encoder->time_base = {1, 25};
    if (avcodec_open2(encoder.get(), codec, nullptr) < 0) throw std::runtime_error("encoder refused");
    std::unique_ptr<AVFrame, void (*)(AVFrame*)> frame(av_frame_alloc(), [](AVFrame* f) { av_frame_free(&f); });
    frame->format = AV_PIX_FMT_YUVJ420P;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) throw std::runtime_error("no frame buffer");
    // Full-range BT.601, as JPEG stores colour.
    const double r = red, g = green, b = blue;
    const auto clamp = [](double v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v + 0.5); };
    const std::uint8_t y = clamp(0.299 * r + 0.587 * g + 0.114 * b);
    const std::uint8_t cb = clamp(128 - 0.168736 * r - 0.331264 * g + 0.5 * b);
    const std::uint8_t cr = clamp(128 + 0.5 * r - 0.418688 * g - 0.081312 * b);
    for (int row = 0; row < height; ++row) {
        std::fill_n(frame->data[0] + row * frame->linesize[0], width, y);
    }
    for (int row = 0; row < (height + 1) / 2; ++row) {
        std::fill_n(frame->data[1] + row * frame->linesize[1], (width + 1) / 2, cb);
        std::fill_n(frame->data[2] + row * frame->linesize[2], (width + 1) / 2, cr);
    }
    std::unique_ptr<AVPacket, void (*)(AVPacket*)> packet(av_packet_alloc(), [](AVPacket* p) { av_packet_free(&p); });
    if (avcodec_send_frame(encoder.get(), frame.get()) < 0 || avcodec_send_frame(encoder.get(), nullptr) < 0 ||
        avcodec_receive_packet(encoder.get(), packet.get()) < 0) {
        throw std::runtime_error("encoding failed");
    }
    return {reinterpret_cast<const char*>(packet->data), static_cast<std::size_t>(packet->size)};
}

MjpegPeer::MjpegPeer(PeerScript script, std::string jpeg) : script_(script), jpeg_(std::move(jpeg)) {
    auto listener = net::TcpListener::Listen("127.0.0.1", 0);
    if (!listener) throw std::runtime_error("cannot listen on loopback");
    listener_ = std::move(*listener);
    thread_ = std::thread(&MjpegPeer::Serve, this);
}

MjpegPeer::~MjpegPeer() {
    stop_ = true;
    thread_.join();
}

std::string MjpegPeer::Url(int channel) const {
    return "http://127.0.0.1:" + std::to_string(listener_.Port()) + "/video/" + std::to_string(channel);
}

void MjpegPeer::Serve() {
    const auto end = std::chrono::steady_clock::now() + kPeerLifetime;
    const auto live = [&] { return !stop_ && std::chrono::steady_clock::now() < end; };
    std::optional<net::TcpSocket> client;
    while (live() && !client) client = listener_.Accept(50ms);
    if (!client) return;
    std::string request;
    char buffer[1024];
    while (live() && request.find("\r\n\r\n") == std::string::npos && request.size() < 8192) {
        if (client->WaitReadable(50ms) != net::WaitResult::Ready) continue;
        const auto n = client->Receive(buffer, sizeof buffer);
        if (n <= 0) return;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    const auto send = [&](const std::string& data) { return client->SendAll(data, 200ms); };
    const auto idle = [&] {
        while (live()) std::this_thread::sleep_for(10ms);
    };

    switch (script_) {
    case PeerScript::SilentReply: return idle();
    case PeerScript::NotFound: {
        send("HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        return idle();
    }
    case PeerScript::EndlessFrame: {
        if (!send(kReplyHeader) ||
            !send("--ostrandframe\r\nContent-Type: image/jpeg\r\nContent-Length: 2000000000\r\n\r\n" +
                  jpeg_.substr(0, 600))) {
            return;
        }
        const std::string filler(64 * 1024, '\x5a');
        while (live() && send(filler)) {
        }
        return;
    }
    case PeerScript::NoBoundary: {
        if (!send("HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\n\r\n")) return;
        while (live() && send(jpeg_)) std::this_thread::sleep_for(40ms);
        return;
    }
    default: break;
    }
    if (!send(kReplyHeader)) return;
    const std::string part = Part(script_ == PeerScript::TruncatedJpeg ? jpeg_.substr(0, jpeg_.size() / 2) : jpeg_);
    for (int sent = 0; live(); ++sent) {
        if (script_ == PeerScript::FewThenClose && sent == 3) return;
        if (script_ == PeerScript::StallAfterOne && sent == 1) return idle();
        if (!send(part)) return;
        std::this_thread::sleep_for(40ms);
    }
}

}  // namespace ostrand::video::test
