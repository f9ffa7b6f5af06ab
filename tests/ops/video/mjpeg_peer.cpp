#include "mjpeg_peer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>

#include <openssl/evp.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace ostrand::video::test {

namespace {

using namespace std::chrono_literals;
constexpr auto kPeerLifetime = 15s;  // a peer never outlives its test by much
constexpr const char* kReplyHeader =
    "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=ostrandframe\r\n\r\n";

constexpr int kMaxConnections = 4;
constexpr const char* kRealm = "ostrand camera";
constexpr const char* kNonce = "5f2a9c0d7e1b";

std::string Part(const std::string& jpeg) {
    return "--ostrandframe\r\nContent-Type: image/jpeg\r\nContent-Length: " + std::to_string(jpeg.size()) +
           "\r\n\r\n" + jpeg + "\r\n";
}

std::string Hex(const unsigned char* data, unsigned size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned i = 0; i < size; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

std::string Md5Hex(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned size = 0;
    EVP_Digest(text.data(), text.size(), digest, &size, EVP_md5(), nullptr);
    return Hex(digest, size);
}

std::string Base64(const std::string& text) {
    std::string out(4 * ((text.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    out.resize(static_cast<std::size_t>(n));
    return out;
}

// The value of a request header (first of its name, case as sent), empty when absent.
std::string HeaderValue(const std::string& request, const std::string& name) {
    const std::size_t at = request.find("\r\n" + name + ": ");
    if (at == std::string::npos) return {};
    const std::size_t start = at + name.size() + 4;
    return request.substr(start, request.find("\r\n", start) - start);
}

// One parameter of a Digest answer: name="value" or name=value.
std::string DigestParameter(const std::string& header, const std::string& name) {
    for (std::size_t at = header.find(name + "="); at != std::string::npos; at = header.find(name + "=", at + 1)) {
        if (at > 0 && header[at - 1] != ' ' && header[at - 1] != ',') continue;
        std::size_t start = at + name.size() + 1;
        if (start < header.size() && header[start] == '"') {
            ++start;
            return header.substr(start, header.find('"', start) - start);
        }
        return header.substr(start, header.find(',', start) - start);
    }
    return {};
}

std::string ChunkOf(const std::string& data) {
    char size[16];
    std::snprintf(size, sizeof size, "%zx\r\n", data.size());
    return size + data + "\r\n";
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
    end_ = std::chrono::steady_clock::now() + kPeerLifetime;
    thread_ = std::thread(&MjpegPeer::Serve, this);
}

MjpegPeer::~MjpegPeer() {
    stop_ = true;
    thread_.join();
}

std::string MjpegPeer::Url(int channel, const std::string& host) const {
    return "http://" + host + ":" + std::to_string(listener_.Port()) + "/video/" + std::to_string(channel);
}

std::vector<std::string> MjpegPeer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool MjpegPeer::Authorised(const std::string& request) const {
    const std::string answer = HeaderValue(request, "Authorization");
    if (script_ == PeerScript::NeedsBasic) {
        return answer == "Basic " + Base64(std::string(kPeerUser) + ":" + kPeerPassword);
    }
    if (!answer.starts_with("Digest ")) return false;
    const std::string uri = DigestParameter(answer, "uri");
    const std::string ha1 = Md5Hex(std::string(kPeerUser) + ":" + kRealm + ":" + kPeerPassword);
    const std::string ha2 = Md5Hex("GET:" + uri);
    const std::string expected = Md5Hex(ha1 + ":" + kNonce + ":" + DigestParameter(answer, "nc") + ":" +
                                        DigestParameter(answer, "cnonce") + ":auth:" + ha2);
    return DigestParameter(answer, "username") == kPeerUser && DigestParameter(answer, "realm") == kRealm &&
           DigestParameter(answer, "nonce") == kNonce && request.starts_with("GET " + uri + " ") &&
           DigestParameter(answer, "response") == expected;
}

void MjpegPeer::Serve() {
    const auto live = [&] { return !stop_ && std::chrono::steady_clock::now() < end_; };
    for (int connection = 0; live() && connection < kMaxConnections; ++connection) {
        std::optional<net::TcpSocket> client;
        while (live() && !client) client = listener_.Accept(50ms);
        if (!client || !ServeOne(*client)) return;
    }
}

bool MjpegPeer::ServeOne(net::TcpSocket& socket) {
    net::TcpSocket* client = &socket;
    const auto live = [&] { return !stop_ && std::chrono::steady_clock::now() < end_; };
    std::string request;
    char buffer[1024];
    while (live() && request.find("\r\n\r\n") == std::string::npos && request.size() < 8192) {
        if (client->WaitReadable(50ms) != net::WaitResult::Ready) continue;
        const auto n = client->Receive(buffer, sizeof buffer);
        if (n <= 0) return false;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request.substr(0, request.find("\r\n\r\n") + 4));
    }
    const auto send = [&](const std::string& data) { return client->SendAll(data, 200ms); };
    const auto idle = [&] {
        while (live()) std::this_thread::sleep_for(10ms);
        return false;
    };

    switch (script_) {
    case PeerScript::SilentReply: return idle();
    case PeerScript::NotFound: {
        send("HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        return idle();
    }
    case PeerScript::LoginPage: {
        send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><form>User <input name=u></form></html>");
        return idle();
    }
    case PeerScript::NeedsBasic:
    case PeerScript::NeedsDigest: {
        if (Authorised(request)) break;
        const std::string page = "<html>401 Unauthorized</html>";
        const std::string challenge = script_ == PeerScript::NeedsBasic
                                          ? std::string("Basic realm=\"") + kRealm + "\""
                                          : std::string("Digest realm=\"") + kRealm + "\", qop=\"auth\", nonce=\"" +
                                                kNonce + "\"";
        send("HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: " + challenge +
             "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(page.size()) + "\r\n\r\n" + page);
        return true;  // closed: the reader comes again with its credentials, if it has any
    }
    case PeerScript::Chunked: {
        if (!send("HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=ostrandframe\r\n"
                  "Transfer-Encoding: chunked\r\n\r\n")) {
            return false;
        }
        const std::string part = Part(jpeg_);
        const std::size_t cut = part.size() / 3;  // inside the image, so only decoding puts it together
        while (live() && send(ChunkOf(part.substr(0, cut))) && send(ChunkOf(part.substr(cut)))) {
            std::this_thread::sleep_for(40ms);
        }
        return false;
    }
    case PeerScript::ContinueFirst: {
        if (!send("HTTP/1.1 100 Continue\r\n\r\n")) return false;
        std::this_thread::sleep_for(20ms);
        break;
    }
    case PeerScript::EndlessFrame: {
        if (!send(kReplyHeader) ||
            !send("--ostrandframe\r\nContent-Type: image/jpeg\r\nContent-Length: 2000000000\r\n\r\n" +
                  jpeg_.substr(0, 600))) {
            return false;
        }
        const std::string filler(64 * 1024, '\x5a');
        while (live() && send(filler)) {
        }
        return false;
    }
    case PeerScript::NoBoundary: {
        if (!send("HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\n\r\n")) return false;
        while (live() && send(jpeg_)) std::this_thread::sleep_for(40ms);
        return false;
    }
    default: break;
    }
    if (!send(kReplyHeader)) return false;
    const std::string part = Part(script_ == PeerScript::TruncatedJpeg ? jpeg_.substr(0, jpeg_.size() / 2) : jpeg_);
    for (int sent = 0; live(); ++sent) {
        if (script_ == PeerScript::FewThenClose && sent == 3) return false;
        if (script_ == PeerScript::StallAfterOne && sent == 1) return idle();
        if (!send(part)) return false;
        std::this_thread::sleep_for(40ms);
    }
    return false;
}

}  // namespace ostrand::video::test
