#include "workbook/container/container_header.h"

#include <algorithm>
#include <cstring>

#include "workbook/byte_order.h"

namespace ostrand {

using namespace cfb::header_offset;

void ContainerHeader::Encode(uint8_t* out) const {
  std::memset(out, 0, cfb::kHeaderSize);
  std::copy(cfb::kSignature.begin(), cfb::kSignature.end(), out + kSignature);
  PutU16(out + kMinorVersion, minorVersion);
  PutU16(out + kMajorVersion, majorVersion);
  PutU16(out + kByteOrder, byteOrder);
  PutU16(out + kSectorShift, sectorShift);
  PutU32(out + kMiniSectorShift, miniSectorShift);
  PutU32(out + kDirectorySectorCount, directorySectorCount);
  PutU32(out + kFatSectorCount, fatSectorCount);
  PutU32(out + kFirstDirectorySector, firstDirectorySector);
  PutU32(out + kTransactionSignature, transactionSignature);
  PutU32(out + kMiniStreamCutoff, miniStreamCutoff);
  PutU32(out + kFirstMiniFatSector, firstMiniFatSector);
  PutU32(out + kMiniFatSectorCount, miniFatSectorCount);
  PutU32(out + kFirstDifatSector, firstDifatSector);
  PutU32(out + kDifatSectorCount, difatSectorCount);
  for (size_t i = 0; i < difat.size(); ++i) PutU32(out + kDifat + 4 * i, difat[i]);
}

bool ContainerHeader::Decode(const uint8_t* in) {
  if (!std::equal(cfb::kSignature.begin(), cfb::kSignature.end(), in + kSignature)) return false;
  minorVersion = GetU16(in + kMinorVersion);
  majorVersion = GetU16(in + kMajorVersion);
  byteOrder = GetU16(in + kByteOrder);
  sectorShift = GetU16(in + kSectorShift);
  miniSectorShift = GetU16(in + kMiniSectorShift);
  directorySectorCount = GetU32(in + kDirectorySectorCount);
  fatSectorCount = GetU32(in + kFatSectorCount);
  firstDirectorySector = GetU32(in + kFirstDirectorySector);
  transactionSignature = GetU32(in + kTransactionSignature);
  miniStreamCutoff = GetU32(in + kMiniStreamCutoff);
  firstMiniFatSector = GetU32(in + kFirstMiniFatSector);
  miniFatSectorCount = GetU32(in + kMiniFatSectorCount);
  firstDifatSector = GetU32(in + kFirstDifatSector);
  difatSectorCount = GetU32(in + kDifatSectorCount);
  for (size_t i = 0; i < difat.size(); ++i) difat[i] = GetU32(in + kDifat + 4 * i);
  return true;
}

}  // namespace ostrand
