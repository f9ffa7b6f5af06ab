#pragma once
// Every exchange the simulator takes part in, with the exact bytes that came in
// and went out, so tests can assert on the wire rather than on the simulator's
// own interpretation of it. One entry per connection (per datagram for UDP
// responders). Thread-safe: the simulator thread writes, tests read.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrand::sim {

struct JournalEntry {
    std::uint64_t id = 0;
    std::string device;   // the device's address text
    std::uint16_t port = 0;
    std::string peer;     // "address:port" of the other side
    std::string channel;  // "tcp", "command", "flat", "upload", "export", "http", or a responder's name
    std::string in;       // bytes received, in order (cut at the capture limit)
    std::string out;      // bytes sent, in order (cut at the capture limit)
    std::uint64_t inTotal = 0;   // byte counts without the cut
    std::uint64_t outTotal = 0;
    bool closed = false;
};

class Journal {
public:
    using EntryId = std::uint64_t;

    EntryId Open(std::string device, std::uint16_t port, std::string peer, std::string channel);
    void SetChannel(EntryId id, std::string_view channel);
    void AddIn(EntryId id, std::string_view bytes);
    void AddOut(EntryId id, std::string_view bytes);
    void Close(EntryId id);

    std::vector<JournalEntry> Entries() const;
    std::vector<JournalEntry> EntriesFor(std::string_view device) const;
    void Clear();

    // Waits (bounded) until the predicate holds over the entries; returns
    // whether it did.
    bool WaitFor(const std::function<bool(const std::vector<JournalEntry>&)>& predicate,
                 std::chrono::milliseconds limit) const;

    // Bytes kept per direction and entry; counts go on beyond it. Transfers of
    // many megabytes would otherwise be held twice in memory.
    void SetCaptureLimit(std::size_t bytes);
    // Keeps at most about this many entries (default 100000; 0: all); the
    // oldest closed entries go first. A long-running simulator would
    // otherwise grow without end.
    void SetRetention(std::size_t entries);
    // An observer called for every new byte run (for --journal files); runs on
    // the simulator thread under the journal's lock, so it must be quick.
    using Observer = std::function<void(const JournalEntry&, bool incoming, std::string_view bytes)>;
    void SetObserver(Observer observer);

private:
    JournalEntry* Find(EntryId id);
    void Add(EntryId id, std::string_view bytes, bool incoming);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<JournalEntry> entries_;
    EntryId nextId_ = 1;
    std::size_t captureLimit_ = 4u << 20;
    std::size_t retention_ = 100000;
    Observer observer_;
};

// Bytes as hex pairs, for messages and journal files.
std::string HexText(std::string_view bytes);

}  // namespace ostrand::sim
