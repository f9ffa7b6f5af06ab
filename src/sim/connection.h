#pragma once
// One accepted connection of a simulated device: reads with journaling, and
// replies that honour the device's delay and split faults.

#include <cstddef>
#include <string>
#include <string_view>

#include "sim/asio.h"
#include "sim/device.h"
#include "sim/journal.h"

namespace ostrand::sim {

// `size` bytes of noise from `seed`, the same for the same seed. The first
// byte is never a digit, 'H' or '<', so no reader takes it for a frame length,
// a status line or a document by chance.
std::string GarbageBytes(std::uint64_t seed, std::size_t size);

class Connection {
public:
    Connection(tcp::socket socket, Device& device, Journal& journal);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Device& Dev() { return device_; }
    Journal& Log() { return journal_; }
    void SetChannel(std::string_view channel);

    // Bytes received and not yet consumed.
    std::string& Buffer() { return buffer_; }
    // Reads what is there (at least one byte) into Buffer(); false at the end
    // of the connection or on an error.
    net::awaitable<bool> ReadMore();
    // Sends the bytes, after the reply delay and in as many pieces as the
    // device's faults ask for. False when the peer has gone.
    net::awaitable<bool> Send(std::string bytes, const FaultOptions& faults);
    // The same for bytes the caller keeps alive until the send completes.
    net::awaitable<bool> SendKept(const std::string& bytes, const FaultOptions& faults);
    // Holds the connection without answering until the peer closes it.
    net::awaitable<void> StaySilent();
    net::awaitable<void> Pause(int milliseconds);
    // Aborts the connection: the peer sees a reset, not an orderly close.
    void Reset();
    // Sends bytes that are neither a frame nor an HTTP response (the garbage
    // fault), different for every request of the device.
    net::awaitable<bool> SendGarbage(const FaultOptions& faults);

    // What the faults that end or replace an answer (drop, reset, garbage)
    // leave to do with one request; the faults that shape an answer are the
    // session's own.
    enum class RequestStep { Answer, NextRequest, End };
    net::awaitable<RequestStep> ApplyRequestFaults(const FaultOptions& faults);

private:
    tcp::socket socket_;
    Device& device_;
    Journal& journal_;
    Journal::EntryId entry_;
    std::string buffer_;
    std::string chunk_;
};

}  // namespace ostrand::sim
