// The simulator's fleet files are hand-written: any text must end in a device
// list or in std::invalid_argument naming the entry, never in another
// exception, a crash or a list that breaks the file's own bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include <nlohmann/json.hpp>

#include "sim/fleet_file.h"

namespace {

using nlohmann::json;

// Documents that name files to read or ask for large fleets or exports are
// bounded by the parser itself (a regular file of at most 1 GiB, at most 1 GiB
// held in all); here they would only measure the machine's memory and disks.
bool WithinFuzzBudget(const json& value, int depth = 0) {
    if (depth > 64) return false;
    if (value.is_object()) {
        for (const auto& [key, item] : value.items()) {
            if (key == "file") return false;
            if ((key == "size" || key == "count") && item.is_number() && !(item >= 0 && item <= 4096)) return false;
            if (!WithinFuzzBudget(item, depth + 1)) return false;
        }
    } else if (value.is_array()) {
        if (value.size() > 256) return false;
        for (const auto& item : value) {
            if (!WithinFuzzBudget(item, depth + 1)) return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const json document = json::parse(text, nullptr, false);
    if (document.is_discarded() || !WithinFuzzBudget(document)) return 0;
    try {
        const auto devices = ostrand::sim::ParseFleet(document);
        for (const auto& device : devices) {
            boost::system::error_code error;
            (void)boost::asio::ip::make_address_v4(device.address, error);
            if (error) std::abort();  // every device has a usable address
        }
    } catch (const std::invalid_argument&) {
    }
    if (document.is_object() && document.contains("faults")) {
        try {
            (void)ostrand::sim::ParseFaults(document.at("faults"));
        } catch (const std::invalid_argument&) {
        }
    }
    return 0;
}
