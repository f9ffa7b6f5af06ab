#include "sim/connection.h"

#include <algorithm>
#include <atomic>
#include <chrono>

namespace ostrand::sim {
namespace {

std::string PeerText(const tcp::socket& socket) {
    boost::system::error_code error;
    const auto peer = socket.remote_endpoint(error);
    if (error) return "?";
    return peer.address().to_string() + ":" + std::to_string(peer.port());
}

// Reads start small, since most connections carry one short command, and
// grow while reads fill the whole chunk, as transfers do.
constexpr std::size_t kFirstReadChunk = 16 * 1024;
constexpr std::size_t kLargestReadChunk = 256 * 1024;

}  // namespace

Connection::Connection(tcp::socket socket, Device& device, Journal& journal)
    : socket_(std::move(socket)), device_(device), journal_(journal) {
    entry_ = journal_.Open(device_.AddressText(), device_.Port(), PeerText(socket_), "tcp");
    boost::system::error_code ignored;
    // Split replies must leave as separate segments.
    socket_.set_option(tcp::no_delay(true), ignored);
    chunk_.resize(kFirstReadChunk);
}

Connection::~Connection() {
    boost::system::error_code ignored;
    socket_.shutdown(tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    journal_.Close(entry_);
}

void Connection::SetChannel(std::string_view channel) { journal_.SetChannel(entry_, channel); }

net::awaitable<bool> Connection::ReadMore() {
    boost::system::error_code error;
    // A device with a receive limit reads in pieces of about 1/20 s of it.
    const std::uint64_t rate = device_.ReceiveRate();
    const std::size_t limit =
        rate == 0 ? chunk_.size() : static_cast<std::size_t>(std::clamp<std::uint64_t>(rate / 20, 4096, chunk_.size()));
    const std::size_t count = co_await socket_.async_read_some(
        net::buffer(chunk_.data(), limit), net::redirect_error(net::use_awaitable, error));
    if (error || count == 0) co_return false;
    const bool filled = count == chunk_.size();
    if (rate != 0) {
        net::steady_timer timer(socket_.get_executor());
        timer.expires_at(device_.ReserveReceive(count));
        boost::system::error_code ignored;
        co_await timer.async_wait(net::redirect_error(net::use_awaitable, ignored));
    }
    const std::string_view bytes(chunk_.data(), count);
    journal_.AddIn(entry_, bytes);
    buffer_.append(bytes);
    if (filled && chunk_.size() < kLargestReadChunk) chunk_.resize(chunk_.size() * 2);
    co_return true;
}

net::awaitable<void> Connection::Pause(int milliseconds) {
    if (milliseconds <= 0) co_return;
    net::steady_timer timer(socket_.get_executor());
    timer.expires_after(std::chrono::milliseconds(milliseconds));
    boost::system::error_code ignored;
    co_await timer.async_wait(net::redirect_error(net::use_awaitable, ignored));
}

net::awaitable<bool> Connection::Send(std::string bytes, const FaultOptions& faults) {
    co_return co_await SendKept(bytes, faults);
}

net::awaitable<bool> Connection::SendKept(const std::string& bytes, const FaultOptions& faults) {
    co_await Pause(faults.replyDelayMs);
    // The journal holds the bytes before they leave, so a test that has the
    // reply in hand always finds it journaled.
    journal_.AddOut(entry_, bytes);
    const std::size_t pieces =
        faults.splitSegments > 1 ? std::min<std::size_t>(faults.splitSegments, bytes.size()) : 1;
    const std::size_t pieceSize = pieces > 1 ? (bytes.size() + pieces - 1) / pieces : bytes.size();
    std::size_t offset = 0;
    boost::system::error_code error;
    while (offset < bytes.size()) {
        if (offset != 0) co_await Pause(faults.splitGapMs);
        const std::size_t size = std::min(pieceSize, bytes.size() - offset);
        co_await net::async_write(socket_, net::buffer(bytes.data() + offset, size),
                                  net::redirect_error(net::use_awaitable, error));
        if (error) co_return false;
        offset += size;
    }
    co_return true;
}

std::string GarbageBytes(std::uint64_t seed, std::size_t size) {
    std::string bytes(size, '\0');
    std::uint64_t state = seed;
    for (char& byte : bytes) {
        // splitmix64: cheap, and every seed gives a different run.
        state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        byte = static_cast<char>(z ^ (z >> 31));
    }
    if (!bytes.empty()) {
        const char first = bytes[0];
        if ((first >= '0' && first <= '9') || first == 'H' || first == '<') bytes[0] = '\x7f';
    }
    return bytes;
}

void Connection::Reset() {
    boost::system::error_code ignored;
    socket_.set_option(net::socket_base::linger(true, 0), ignored);
    socket_.close(ignored);
}

net::awaitable<bool> Connection::SendGarbage(const FaultOptions& faults) {
    // Replies differ from request to request and from device to device.
    static std::atomic<std::uint64_t> replies{0};
    const std::uint64_t seed = (replies.fetch_add(1) + 1) * 1000003u + device_.Address().to_uint();
    co_return co_await Send(GarbageBytes(seed, 16 + seed % 241), faults);
}

net::awaitable<void> Connection::StaySilent() {
    // Not "while (co_await ...)": GCC 12 miscompiles a co_await in a loop condition.
    for (;;) {
        const bool more = co_await ReadMore();
        if (!more) break;
        buffer_.clear();
    }
    co_return;
}

net::awaitable<Connection::RequestStep> Connection::ApplyRequestFaults(const FaultOptions& faults) {
    if (faults.dropConnection) co_return RequestStep::End;
    if (faults.reset) {
        Reset();
        co_return RequestStep::End;
    }
    if (faults.garbage) co_return co_await SendGarbage(faults) ? RequestStep::NextRequest : RequestStep::End;
    co_return RequestStep::Answer;
}

}  // namespace ostrand::sim
