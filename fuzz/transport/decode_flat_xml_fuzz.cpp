// Flat replies and probe answers are untrusted text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "transport/xml_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ostrand::ParamMap reply;
    (void)ostrand::DecodeFlatXml(std::string_view(reinterpret_cast<const char*>(data), size), reply);
    return 0;
}
