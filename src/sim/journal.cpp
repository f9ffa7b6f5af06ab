#include "sim/journal.h"

#include <algorithm>

namespace ostrand::sim {

Journal::EntryId Journal::Open(std::string device, std::uint16_t port, std::string peer,
                               std::string channel) {
    std::lock_guard lock(mutex_);
    JournalEntry entry;
    entry.id = nextId_++;
    entry.device = std::move(device);
    entry.port = port;
    entry.peer = std::move(peer);
    entry.channel = std::move(channel);
    entries_.push_back(std::move(entry));
    if (retention_ != 0 && entries_.size() > retention_ + retention_ / 2) {
        // Drop in batches so the erase at the front stays cheap per entry.
        std::size_t excess = entries_.size() - retention_;
        auto end = entries_.begin();
        while (excess > 0 && end != entries_.end() && end->closed) {
            ++end;
            --excess;
        }
        entries_.erase(entries_.begin(), end);
    }
    changed_.notify_all();
    return entries_.back().id;
}

JournalEntry* Journal::Find(EntryId id) {
    // Ids grow with the position, so the entry is at or before index id - 1
    // unless the journal was cleared in between.
    auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                               [](const JournalEntry& e, EntryId value) { return e.id < value; });
    if (it == entries_.end() || it->id != id) return nullptr;
    return &*it;
}

void Journal::SetChannel(EntryId id, std::string_view channel) {
    std::lock_guard lock(mutex_);
    if (JournalEntry* entry = Find(id)) entry->channel = std::string(channel);
}

void Journal::Add(EntryId id, std::string_view bytes, bool incoming) {
    std::lock_guard lock(mutex_);
    JournalEntry* entry = Find(id);
    if (entry == nullptr || bytes.empty()) return;
    std::string& kept = incoming ? entry->in : entry->out;
    if (kept.size() < captureLimit_) {
        kept.append(bytes.substr(0, captureLimit_ - kept.size()));
    }
    (incoming ? entry->inTotal : entry->outTotal) += bytes.size();
    if (observer_) observer_(*entry, incoming, bytes);
    changed_.notify_all();
}

void Journal::AddIn(EntryId id, std::string_view bytes) { Add(id, bytes, true); }
void Journal::AddOut(EntryId id, std::string_view bytes) { Add(id, bytes, false); }

void Journal::Close(EntryId id) {
    std::lock_guard lock(mutex_);
    if (JournalEntry* entry = Find(id)) entry->closed = true;
    changed_.notify_all();
}

std::vector<JournalEntry> Journal::Entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

std::vector<JournalEntry> Journal::EntriesFor(std::string_view device) const {
    std::lock_guard lock(mutex_);
    std::vector<JournalEntry> result;
    for (const JournalEntry& entry : entries_) {
        if (entry.device == device) result.push_back(entry);
    }
    return result;
}

void Journal::Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
}

bool Journal::WaitFor(const std::function<bool(const std::vector<JournalEntry>&)>& predicate,
                      std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return predicate(entries_); });
}

void Journal::SetCaptureLimit(std::size_t bytes) {
    std::lock_guard lock(mutex_);
    captureLimit_ = bytes;
}

void Journal::SetRetention(std::size_t entries) {
    std::lock_guard lock(mutex_);
    retention_ = entries;
}

void Journal::SetObserver(Observer observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

std::string HexText(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0f]);
    }
    return text;
}

}  // namespace ostrand::sim
