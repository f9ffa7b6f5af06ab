#pragma once
// Output of the subcommands that move a whole file.

#include <filesystem>
#include <string>

#include "cli/cli_common.h"
#include "platform/code_page.h"

namespace ostrand::cli {

// Success: "file" and "bytes" of the local file as the reply; failure: the
// given exit status with `failureText`.
inline int PrintFileOutcome(const CliSettings& settings, bool ok, int failureStatus,
                            const std::string& failureText, const std::filesystem::path& path,
                            const std::string& successText) {
    ParamMap reply;
    if (ok) {
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        reply["file"] = Utf8ToGbkLossy(path.string());
        reply["bytes"] = error ? std::string("0") : std::to_string(size);
        return PrintOutcome(settings, 0, successText, reply);
    }
    return PrintOutcome(settings, failureStatus, failureText, reply);
}

}  // namespace ostrand::cli
