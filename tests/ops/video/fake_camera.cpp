#include "fake_camera.h"

#include <unistd.h>

#include "../../transport/scripted_peer.h"

namespace ostrand::test {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kLongestHold{20'000};

std::string CommandOf(const std::string& requestLine) {
    const std::size_t at = requestLine.find("/goform/");
    if (at == std::string::npos) return {};
    const std::size_t end = requestLine.find(' ', at);
    return requestLine.substr(at + 8, end == std::string::npos ? std::string::npos : end - at - 8);
}

}  // namespace

FakeCamera::FakeCamera(std::map<std::string, Answer> answers, Answer fallback)
    : answers_(std::move(answers)), fallback_(std::move(fallback)) {
    const unsigned pid = static_cast<unsigned>(::getpid());
    ip_ = "127.63." + std::to_string(pid & 0xFF) + "." + std::to_string(1 + (pid >> 8) % 250);
    listener_ = net::TcpListener::Listen(ip_, 0);
    if (listener_) {
        port_ = listener_->Port();
        acceptor_ = std::thread([this] { Accept(); });
    }
}

FakeCamera::~FakeCamera() {
    stop_ = true;
    if (acceptor_.joinable()) acceptor_.join();
    std::vector<std::thread> served;
    {
        std::lock_guard lock(mutex_);
        served.swap(served_);
    }
    for (std::thread& thread : served) thread.join();
}

void FakeCamera::SetAnswer(const std::string& command, Answer answer) {
    std::lock_guard lock(mutex_);
    answers_[command] = std::move(answer);
}

std::vector<std::string> FakeCamera::Commands() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const Seen& seen : seen_) names.push_back(seen.command);
    return names;
}

std::vector<std::string> FakeCamera::Bodies(const std::string& command) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> bodies;
    for (const Seen& seen : seen_) {
        if (seen.command == command) bodies.push_back(seen.body);
    }
    return bodies;
}

std::vector<std::string> FakeCamera::Heads(const std::string& command) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> heads;
    for (const Seen& seen : seen_) {
        if (seen.command == command) heads.push_back(seen.head);
    }
    return heads;
}

void FakeCamera::Clear() {
    std::lock_guard lock(mutex_);
    seen_.clear();
}

void FakeCamera::Accept() {
    while (!stop_) {
        auto socket = listener_->Accept(std::chrono::milliseconds(20));
        if (!socket) continue;
        std::lock_guard lock(mutex_);
        served_.emplace_back([this, s = std::move(*socket)]() mutable { Serve(std::move(s)); });
    }
}

void FakeCamera::Serve(net::TcpSocket socket) {
    const HttpRequestSeen request = ReadHttpRequest(socket);
    if (!request.complete) return;
    const std::string command = CommandOf(request.requestLine);
    Answer answer;
    {
        std::lock_guard lock(mutex_);
        std::string head = request.requestLine;
        for (const std::string& line : request.headerLines) head += "\r\n" + line;
        seen_.push_back({command, std::move(head), request.body});
        const auto it = answers_.find(command);
        answer = it == answers_.end() ? fallback_ : it->second;
    }
    const auto hold = [this](std::chrono::milliseconds wait) {
        const auto end = Clock::now() + std::min(wait, kLongestHold);
        while (!stop_ && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    if (answer.silent) {
        hold(kLongestHold);
        return;
    }
    hold(answer.delay);
    if (!stop_) socket.SendAll(HttpResponse(answer.status, answer.body), std::chrono::milliseconds(5000));
}

std::string HugeFormBody(std::size_t bytes) {
    std::string body;
    body.reserve(bytes);
    for (std::size_t i = 0; body.size() + 24 < bytes; ++i) {
        body += i == 0 ? '?' : '&';
        body += "k" + std::to_string(i) + "=" + std::to_string(i % 10);
    }
    return body;
}

}  // namespace ostrand::test
