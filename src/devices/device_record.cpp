#include "devices/device_record.h"

#include <cstring>

namespace ostrand {
namespace {

// Reads and writes each field at its own offset so the layout does not depend
// on the host's byte order.
class RecordReader {
public:
    explicit RecordReader(std::span<const std::uint8_t, DeviceRecord::kSize> bytes) : bytes_(bytes) {}

    template <std::size_t N>
    void Text(TextField<N>& field) {
        std::memcpy(field.data(), bytes_.data() + offset_, N);
        offset_ += N;
    }
    void Int(std::int32_t& value) {
        std::uint32_t raw = 0;
        for (int i = 3; i >= 0; --i) raw = (raw << 8) | bytes_[offset_ + static_cast<std::size_t>(i)];
        value = static_cast<std::int32_t>(raw);
        offset_ += 4;
    }
    std::size_t Offset() const { return offset_; }

private:
    std::span<const std::uint8_t, DeviceRecord::kSize> bytes_;
    std::size_t offset_ = 0;
};

class RecordWriter {
public:
    explicit RecordWriter(std::array<std::uint8_t, DeviceRecord::kSize>& bytes) : bytes_(bytes) {}

    template <std::size_t N>
    void Text(const TextField<N>& field) {
        std::memcpy(bytes_.data() + offset_, field.data(), N);
        offset_ += N;
    }
    void Int(std::int32_t value) {
        auto raw = static_cast<std::uint32_t>(value);
        for (int i = 0; i < 4; ++i) {
            bytes_[offset_++] = static_cast<std::uint8_t>(raw & 0xFFu);
            raw >>= 8;
        }
    }
    std::size_t Offset() const { return offset_; }

private:
    std::array<std::uint8_t, DeviceRecord::kSize>& bytes_;
    std::size_t offset_ = 0;
};

// One field list for both directions, so reading and writing cannot drift apart.
template <typename Io, typename Record>
void VisitFields(Io& io, Record& r) {
    io.Text(r.mac);
    io.Text(r.ip);
    io.Text(r.subnetMask);
    io.Text(r.gateway);
    io.Int(r.commandPort);
    io.Int(r.deviceType);
    io.Text(r.version);
    io.Text(r.deviceNumber);
    io.Text(r.loginAccount);
    io.Text(r.deviceName);
    io.Int(r.videoChannels);
    io.Int(r.extraCount1);
    io.Int(r.extraCount2);
    io.Text(r.productModel);
    io.Int(r.tfStatus);
    io.Int(r.webPort);
    io.Text(r.versionPrefix);
    io.Int(r.rs485Status);
    io.Int(r.attendServerStatus);
    io.Text(r.attendTerminalNumber);
    io.Int(r.attendType);
}

}  // namespace

DeviceRecord DeviceRecord::FromBytes(std::span<const std::uint8_t, kSize> bytes) {
    DeviceRecord record;
    RecordReader reader(bytes);
    VisitFields(reader, record);
    return record;
}

std::array<std::uint8_t, DeviceRecord::kSize> DeviceRecord::ToBytes() const {
    std::array<std::uint8_t, kSize> bytes{};
    RecordWriter writer(bytes);
    VisitFields(writer, *this);
    return bytes;
}

}  // namespace ostrand
