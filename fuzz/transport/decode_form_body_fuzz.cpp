// Form replies of the HTTP channel are untrusted text; a decoded map must
// encode again without trouble.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "transport/form_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ostrand::ParamMap reply;
    (void)ostrand::DecodeFormBody(std::string_view(reinterpret_cast<const char*>(data), size), reply);
    (void)ostrand::EncodeFormBody(reply);
    (void)ostrand::FormRequestProblem(reply);
    return 0;
}
