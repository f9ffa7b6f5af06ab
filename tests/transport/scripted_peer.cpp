#include "scripted_peer.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "transport/frames.h"

namespace ostrand::test {

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds Left(Clock::time_point deadline) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
}

// Appends one receive; false when nothing more can come in time.
bool ReceiveMore(net::TcpSocket& socket, std::string& bytes, Clock::time_point deadline, std::size_t most = 65536) {
    const auto left = Left(deadline);
    if (left.count() <= 0 || socket.WaitReadable(left) != net::WaitResult::Ready) return false;
    std::string block(most, '\0');
    const auto got = socket.Receive(block.data(), block.size());
    if (got <= 0) return false;
    bytes.append(block.data(), static_cast<std::size_t>(got));
    return true;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

ScriptedPeer::ScriptedPeer(std::vector<Handler> handlers, std::string ip, std::uint16_t port)
    : ip_(std::move(ip)), handlers_(std::move(handlers)) {
    listener_ = net::TcpListener::Listen(ip_, port);
    if (listener_) {
        port_ = listener_->Port();
        thread_ = std::thread([this] { Run(); });
    }
}

ScriptedPeer::~ScriptedPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

bool ScriptedPeer::WaitDone(std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    while (finished_.load() < static_cast<int>(handlers_.size())) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

void ScriptedPeer::Run() {
    std::size_t next = 0;
    while (!stop_) {
        auto socket = listener_->Accept(20ms);
        if (!socket) continue;
        ++connections_;
        const int noDelay = 1;
        ::setsockopt(socket->Descriptor(), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        if (next < handlers_.size()) {
            handlers_[next++](*socket);
            ++finished_;
        }
    }
}

std::string ReadBytes(net::TcpSocket& socket, std::size_t count, std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    std::string bytes;
    while (bytes.size() < count && ReceiveMore(socket, bytes, deadline, count - bytes.size())) {
    }
    return bytes;
}

std::string ReadFrame(net::TcpSocket& socket, std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    std::string bytes = ReadBytes(socket, 4, wait);
    if (bytes.size() < 4) return {};
    const std::size_t total = ReadLe32(bytes.data()) + 4u;
    while (bytes.size() < total && ReceiveMore(socket, bytes, deadline, total - bytes.size())) {
    }
    return bytes;
}

std::string ReadUntilClosed(net::TcpSocket& socket, std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    std::string bytes;
    while (ReceiveMore(socket, bytes, deadline)) {
    }
    return bytes;
}

void SendInPieces(net::TcpSocket& socket, const std::string& bytes, std::size_t pieces,
                  std::chrono::milliseconds pause) {
    const std::size_t step = (bytes.size() + pieces - 1) / pieces;
    for (std::size_t offset = 0; offset < bytes.size(); offset += step) {
        socket.SendAll(std::string_view(bytes).substr(offset, step));
        std::this_thread::sleep_for(pause);
    }
}

std::string HttpRequestSeen::Header(const std::string& name) const {
    const std::string wanted = Lower(name) + ":";
    for (const auto& line : headerLines) {
        if (Lower(line.substr(0, wanted.size())) == wanted) {
            std::string value = line.substr(wanted.size());
            while (!value.empty() && value.front() == ' ') value.erase(0, 1);
            return value;
        }
    }
    return {};
}

HttpRequestSeen ReadHttpRequest(net::TcpSocket& socket, std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    HttpRequestSeen seen;
    std::string bytes;
    std::size_t headEnd = std::string::npos;
    while ((headEnd = bytes.find("\r\n\r\n")) == std::string::npos) {
        if (!ReceiveMore(socket, bytes, deadline, 1)) return seen;  // byte-wise: never read past the head
    }
    std::size_t lineStart = 0;
    bool first = true;
    while (lineStart < headEnd) {
        std::size_t lineEnd = bytes.find("\r\n", lineStart);
        const std::string line = bytes.substr(lineStart, lineEnd - lineStart);
        if (first) {
            seen.requestLine = line;
            first = false;
        } else {
            seen.headerLines.push_back(line);
        }
        lineStart = lineEnd + 2;
    }
    const std::string length = seen.Header("Content-Length");
    const std::size_t bodySize = length.empty() ? 0 : std::stoul(length);
    seen.body = bytes.substr(headEnd + 4);
    while (seen.body.size() < bodySize && ReceiveMore(socket, seen.body, deadline, bodySize - seen.body.size())) {
    }
    seen.complete = seen.body.size() == bodySize;
    return seen;
}

std::string HttpResponse(int status, const std::string& body, bool keepAlive) {
    return "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Error") +
           "\r\nContent-Length: " + std::to_string(body.size()) +
           (keepAlive ? "\r\n" : "\r\nConnection: close\r\n") + "\r\n" + body;
}

std::string PrivateLoopbackAddress(int salt) {
    const int pid = static_cast<int>(::getpid());
    return "127." + std::to_string(100 + (pid >> 8) % 100) + "." + std::to_string(pid & 0xFF) + "." +
           std::to_string(1 + salt % 250);
}

std::uint16_t RefusingPort() {
    auto listener = net::TcpListener::Listen("127.0.0.1", 0);
    return listener ? listener->Port() : 1;  // closed again when it goes out of scope
}

}  // namespace ostrand::test
