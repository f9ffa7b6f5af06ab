#include "workbook/biff8/shared_string_table.h"

#include <algorithm>
#include <limits>

#include "workbook/byte_order.h"

namespace ostrand {

using namespace sst_layout;

namespace {
constexpr size_t kRecordData = biff::kMaxRecordData;
// What a CONTINUE holds of a string's characters after its flag byte: UTF-16
// characters are never cut, so a wide piece carries one byte less.
constexpr size_t kWideCharactersPerContinue = kRecordData - 2;
constexpr size_t kNarrowCharactersPerContinue = kRecordData - 1;
}  // namespace

size_t SharedStringTable::Layout(const std::vector<SharedString>& strings, std::vector<size_t>& splitPoints) {
  splitPoints.clear();
  size_t size = kStrings;
  size_t limit = kRecordData;
  for (const SharedString& s : strings) {
    const size_t n = s.ByteLength();
    const bool wide = s.flag != 0;
    if (size + n + kStringHeaderSize <= limit) {
      size += n + kStringHeaderSize;
      continue;
    }
    if (limit - size < kMinimumRoom) {
      splitPoints.push_back(size);
      limit = size + kRecordData;
      // A string that fills the new record exactly stays whole: cutting it
      // would leave a piece holding nothing but a flag byte.
      if (size + n + kStringHeaderSize <= limit) {
        size += n + kStringHeaderSize;
        continue;
      }
    }
    if (wide && (limit - size) % 2 == 0) limit -= 1;
    splitPoints.push_back(limit);
    size_t rem = n + kStringHeaderSize - (limit - size);
    size = limit;
    limit += kRecordData;
    if (wide) {
      while (rem > kWideCharactersPerContinue) {
        splitPoints.push_back(limit - 1);
        limit += kRecordData - 1;
        size += kRecordData - 1;
        rem -= kWideCharactersPerContinue;
      }
    } else {
      while (rem > kNarrowCharactersPerContinue) {
        splitPoints.push_back(limit);
        limit += kRecordData;
        size += kRecordData;
        rem -= kNarrowCharactersPerContinue;
      }
    }
    size += rem + 1;
  }
  return size;
}

void SharedStringTable::Clear() {
  strings.clear();
  keptNarrow_.clear();
  keptWide_.clear();
  totalCount = 0;
  uniqueCount = 0;
}

std::string_view SharedStringTable::Keep(std::string text) { return keptNarrow_.emplace_back(std::move(text)); }

std::u16string_view SharedStringTable::Keep(std::u16string text) { return keptWide_.emplace_back(std::move(text)); }

size_t SharedStringTable::DataSize() {
  dataSize_ = Layout(strings, splitPoints_);
  return dataSize_;
}

// The table runs to megabytes: a save encodes it straight into the stream,
// each piece behind its record header, rather than into the record's data
// first and copying it over.
size_t SharedStringTable::Write(uint8_t* stream, size_t size, size_t pos) {
  const size_t total = RecordSize();  // lays the table out
  if (pos > size || size - pos < total) return 0;
  uint8_t* out = stream + pos;
  size_t begin = 0;
  for (size_t piece = 0; piece <= splitPoints_.size(); ++piece) {
    const size_t end = piece < splitPoints_.size() ? splitPoints_[piece] : dataSize_;
    PutU16(out + begin + biff::kRecordHeaderSize * piece, piece == 0 ? biff::kSst : biff::kContinue);
    PutU16(out + begin + biff::kRecordHeaderSize * piece + 2, static_cast<uint16_t>(end - begin));
    begin = end;
  }
  EncodeAt(out + biff::kRecordHeaderSize, biff::kRecordHeaderSize);
  return total;
}

void SharedStringTable::Encode() {
  dataSize_ = Layout(strings, splitPoints_);
  data_.assign(dataSize_, 0);
  EncodeAt(data_.data(), 0);
}

// Data byte d goes to base + d + gap * (the split points at or before d):
// gap 0 gives the bare data, the header size gives the framed record.
void SharedStringTable::EncodeAt(uint8_t* base, size_t gap) const {
  size_t next = 0;  // index of the first split point not yet passed
  auto at = [&](size_t d) { return base + d + gap * next; };
  PutU32(at(kTotalCount), totalCount);
  PutU32(at(kUniqueCount), uniqueCount);
  size_t pos = kStrings;
  for (const SharedString& s : strings) {
    while (next < splitPoints_.size() && splitPoints_[next] <= pos) ++next;  // a string opening a record
    uint8_t* header = at(pos);
    PutU16(header, static_cast<uint16_t>(s.CharacterCount()));
    header[2] = s.flag;
    pos += kStringHeaderSize;
    size_t remaining = s.ByteLength();
    size_t from = 0;
    while (remaining > 0) {
      size_t boundary = next < splitPoints_.size() ? splitPoints_[next] : dataSize_;
      size_t chunk = std::min(remaining, boundary - pos);
      uint8_t* d = at(pos);
      if (s.flag == 0) {
        std::copy_n(reinterpret_cast<const uint8_t*>(s.narrow.data()) + from, chunk, d);
      } else if (from % 2 == 0 && chunk % 2 == 0) {  // the layout never cuts a character
        for (size_t u = 0; u < chunk / 2; ++u) PutU16(d + 2 * u, s.wide[from / 2 + u]);
      } else {
        for (size_t b = 0; b < chunk; ++b) d[b] = s.ByteAt(from + b);
      }
      pos += chunk;
      from += chunk;
      remaining -= chunk;
      if (remaining > 0) {
        ++next;  // the continuation starts here and repeats the string's flag
        *at(pos++) = s.flag;
      }
    }
  }
}

bool SharedStringTable::Decode() {
  const size_t size = data_.size();
  if (size < kStrings) return false;
  Clear();
  totalCount = GetU32(&data_[kTotalCount]);
  uniqueCount = GetU32(&data_[kUniqueCount]);
  strings.reserve(std::min<size_t>(uniqueCount, (size - kStrings) / kStringHeaderSize));
  size_t pos = kStrings;
  size_t next = 0;
  for (uint32_t i = 0; i < uniqueCount; ++i) {
    while (next < splitPoints_.size() && splitPoints_[next] <= pos) ++next;
    if (size - pos < kStringHeaderSize) return false;
    size_t count = GetU16(&data_[pos]);
    uint8_t flags = data_[pos + 2];
    pos += kStringHeaderSize;
    size_t runs = 0;
    size_t extended = 0;
    if ((flags & kFlagRichText) != 0) {
      if (size - pos < 2) return false;
      runs = GetU16(&data_[pos]);
      pos += 2;
    }
    if ((flags & kFlagExtended) != 0) {
      if (size - pos < 4) return false;
      extended = GetU32(&data_[pos]);
      pos += 4;
    }
    while (next < splitPoints_.size() && splitPoints_[next] < pos) ++next;

    // Characters; each continuation may switch between narrow and UTF-16.
    bool wide = (flags & kFlagWide) != 0;
    bool anyWide = wide;
    std::u16string units;
    units.reserve(count);
    size_t remaining = count;
    while (remaining > 0) {
      size_t boundary = next < splitPoints_.size() ? splitPoints_[next] : size;
      if (pos == boundary) {
        if (boundary == size) return false;
        wide = (data_[pos] & kFlagWide) != 0;
        anyWide = anyWide || wide;
        ++pos;
        ++next;
        continue;
      }
      size_t available = boundary - pos;
      size_t take = std::min(remaining, wide ? available / 2 : available);
      if (take == 0) return false;
      for (size_t k = 0; k < take; ++k) {
        units.push_back(wide ? static_cast<char16_t>(GetU16(&data_[pos + 2 * k])) : char16_t{data_[pos + k]});
      }
      pos += wide ? 2 * take : take;
      remaining -= take;
    }
    size_t trailer = 4 * runs + extended;
    if (size - pos < trailer) return false;
    pos += trailer;

    SharedString s;
    s.flag = anyWide ? 1 : 0;
    if (anyWide) {
      s.wide = Keep(std::move(units));
    } else {
      std::string narrow;
      narrow.reserve(units.size());
      for (char16_t u : units) narrow.push_back(static_cast<char>(u));
      s.narrow = Keep(std::move(narrow));
    }
    strings.push_back(s);
  }
  return true;
}

}  // namespace ostrand
