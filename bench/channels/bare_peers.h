#pragma once
// The same exchanges as the channel benchmarks, done with plain blocking
// sockets and a minimal server thread: one connection per command (sent,
// answered with canned bytes, closed), and an export of stop-and-wait packets
// written to a file that replaces the last one. They measure what this
// machine's loopback and file system allow at all, so the channel figures can
// be read against that ceiling rather than only against a fixed target.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace ostrand::bench {

class BareServer {
public:
    // Serves on `ip`, port chosen by the kernel. `reply` answers every
    // command; `packets` are sent one by one on a connection whose first
    // frame is `exportRequest`, each after the previous one's acknowledgement.
    BareServer(const std::string& ip, std::string reply, std::string exportRequest,
               std::vector<std::string> packets);
    ~BareServer();
    BareServer(const BareServer&) = delete;
    BareServer& operator=(const BareServer&) = delete;

    std::uint16_t Port() const { return port_; }

private:
    void Serve();
    void Answer(int fd);

    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::string reply_;
    std::string exportRequest_;
    std::vector<std::string> packets_;
    std::thread thread_;
};

// One command: connect, send `request`, read one whole frame, close.
bool BareCommand(const std::string& ip, std::uint16_t port, const std::string& request);

// One export of `packetCount` packets into `target` (through a file beside it
// that replaces it at the end); `ack` is sent after each packet.
bool BareExport(const std::string& ip, std::uint16_t port, const std::string& request, const std::string& ack,
                std::size_t packetCount, const std::filesystem::path& target);

}  // namespace ostrand::bench
