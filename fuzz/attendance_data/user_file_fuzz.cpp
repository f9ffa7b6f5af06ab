// Any bytes as the terminal's user file: read from memory and from the
// device's folder, both must agree, and every user found must be one the
// bytes can hold (a card number, within the record count).

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "data_file_scratch.h"
#include "ops/attendance_data/user_file.h"

using namespace ostrand;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::DataFileScratch scratch;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    std::vector<UserFileRecord> parsed;
    ParseUserRecords(bytes.size() >= kUserVersionSize ? bytes.substr(kUserVersionSize) : std::string_view(), parsed);
    const std::size_t most = size / kUserRecordSize + 1;
    if (parsed.size() > most) std::abort();
    for (const UserFileRecord& user : parsed) {
        if (user.cardNo.empty() || user.cardNo.size() > kUserCardSize) std::abort();
    }

    if (!scratch.Put(DataFile::Users, bytes)) return 0;
    std::vector<UserFileRecord> read;
    if (ReadUserFile(fuzz::kFuzzMac, read, scratch.Places()) && size >= kUserVersionSize && read != parsed) {
        std::abort();  // the file and the bytes after its version must read alike
    }
    return 0;
}
