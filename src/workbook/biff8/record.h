#pragma once
// A BIFF8 record: code, data and the points where its data continue in
// CONTINUE records. Each record class parses its own data (Decode) and
// rebuilds it from its fields (Encode); the base class frames both ways.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ostrand {

namespace biff {
inline constexpr size_t kRecordHeaderSize = 4;  // code (2), data length (2)
inline constexpr size_t kMaxRecordData = 8224;  // data of one record or CONTINUE

inline constexpr uint16_t kContinue = 0x003C;
inline constexpr uint16_t kBof = 0x0809;
inline constexpr uint16_t kEof = 0x000A;
inline constexpr uint16_t kWindow1 = 0x003D;
inline constexpr uint16_t kFont = 0x0031;
inline constexpr uint16_t kXf = 0x00E0;
inline constexpr uint16_t kStyle = 0x0293;
inline constexpr uint16_t kBoundSheet = 0x0085;
inline constexpr uint16_t kSst = 0x00FC;
inline constexpr uint16_t kExtSst = 0x00FF;
inline constexpr uint16_t kIndex = 0x020B;
inline constexpr uint16_t kDimensions = 0x0200;
inline constexpr uint16_t kRow = 0x0208;
inline constexpr uint16_t kLabelSst = 0x00FD;
inline constexpr uint16_t kRk = 0x027E;
inline constexpr uint16_t kMulRk = 0x00BD;
inline constexpr uint16_t kNumber = 0x0203;
inline constexpr uint16_t kBlank = 0x0201;
inline constexpr uint16_t kMulBlank = 0x00BE;
inline constexpr uint16_t kBoolErr = 0x0205;
inline constexpr uint16_t kFormula = 0x0006;
inline constexpr uint16_t kDbCell = 0x00D7;
inline constexpr uint16_t kWindow2 = 0x023E;
}  // namespace biff

class Record {
 public:
  explicit Record(uint16_t code) : code_(code) {}
  virtual ~Record() = default;
  Record(const Record&) = default;
  Record& operator=(const Record&) = default;
  Record(Record&&) noexcept = default;
  Record& operator=(Record&&) noexcept = default;

  // Parses the record at pos together with the CONTINUE records after it.
  // Returns the bytes consumed; 0 when the record runs past the end of the
  // stream or its data do not parse.
  virtual size_t Read(const uint8_t* stream, size_t size, size_t pos);
  // Serialises the record and its continuations at pos. Returns the bytes
  // written; 0 when they would not fit in size.
  virtual size_t Write(uint8_t* stream, size_t size, size_t pos);
  // Computes the data length (and the continuation split points).
  virtual size_t DataSize();
  // Computes the whole length: the data plus 4 header bytes per record piece.
  virtual size_t RecordSize();

  uint16_t Code() const { return code_; }
  const std::vector<uint8_t>& Data() const { return data_; }
  const std::vector<size_t>& SplitPoints() const { return splitPoints_; }

  // Code and data length of the record at pos; false when no whole header is there.
  static bool PeekHeader(const uint8_t* stream, size_t size, size_t pos, uint16_t& code, uint16_t& length);

 protected:
  virtual bool Decode() { return true; }
  virtual void Encode() {}

  uint16_t code_;
  std::vector<uint8_t> data_;
  size_t dataSize_ = 0;
  size_t recordSize_ = 0;
  std::vector<size_t> splitPoints_;
};

}  // namespace ostrand
