#include "cli/cli_common.h"

#include "platform/code_page.h"

namespace ostrand::cli {

std::string GbkArgument(const std::string& utf8, const char* what) {
    auto gbk = Utf8ToGbk(utf8);
    if (!gbk) throw UsageError(std::string(what) + " \"" + utf8 + "\" is not UTF-8 text that GBK can hold");
    return *gbk;
}

ParamMap Assignments(const std::vector<std::string>& arguments) {
    ParamMap map;
    for (const std::string& argument : arguments) {
        const std::size_t equals = argument.find('=');
        if (equals == std::string::npos || equals == 0) throw UsageError("\"" + argument + "\" is not KEY=VALUE");
        map[GbkArgument(argument.substr(0, equals), "key")] = GbkArgument(argument.substr(equals + 1), "value");
    }
    return map;
}

ParamMap Assignments(const std::vector<std::string>& arguments, const std::set<std::string>& allowed,
                          const std::set<std::string>& required) {
    for (const std::string& argument : arguments) {
        const std::string key = argument.substr(0, argument.find('='));
        if (argument.find('=') != std::string::npos && !key.empty() && !allowed.contains(key)) {
            std::string known;
            for (const std::string& name : allowed) known += (known.empty() ? "" : ", ") + name;
            throw UsageError("unknown value \"" + key + "\" (known: " + known + ")");
        }
    }
    ParamMap map = Assignments(arguments);
    for (const std::string& key : required) {
        if (!map.contains(GbkArgument(key, "key"))) throw UsageError(key + "=... is required");
    }
    return map;
}

std::string OutputText(const std::string& gbk) { return GbkToUtf8Lossy(gbk); }

}  // namespace ostrand::cli
