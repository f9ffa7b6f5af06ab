// Temperature devices' probe answers are untrusted datagrams of up to the
// receive limit: cut at the first zero, parsed for both probe variants.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "ops/peripherals/probe_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> datagram(data, std::min<std::size_t>(size, 2000));
    const auto text = ostrand::ProbeAnswerText(datagram);
    for (const bool readsPort : {false, true}) {
        if (const auto found = ostrand::ParseProbeAnswer(text, readsPort)) {
            // Every text of the record came out of the answer.
            if (found->ipv4.size() > text.size() || found->mac.size() > text.size()) __builtin_trap();
        }
    }
    return 0;
}
