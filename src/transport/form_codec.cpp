#include "transport/form_codec.h"

#include <algorithm>

#include "platform/app_state.h"
#include "platform/code_page.h"

namespace ostrand {

namespace {

// Position of the first "=" at or after `from`, stepping over GBK double-byte
// characters so a trail byte is never taken for a separator.
std::size_t FindEqualsMultibyte(std::string_view text, std::size_t from) {
    std::size_t i = from;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '=') return i;
        i += (byte >= 0x81 && byte <= 0xFE && i + 1 < text.size()) ? 2 : 1;
    }
    return std::string_view::npos;
}

}  // namespace

std::string EncodeFormBody(const ParamMap& request) {
    std::string body;
    for (const auto& [key, value] : request) {
        body += body.empty() ? '?' : '&';
        body += key;
        body += '=';
        body += value;
    }
    return body;
}

bool DecodeFormBody(std::string_view body, ParamMap& reply, std::span<const std::string_view> keep,
                    std::size_t& dropped) {
    if (body.empty()) return false;
    if (body.front() != '?') return true;
    const auto add = [&](std::string_view key, std::string_view value) {
        if (!keep.empty() && std::find(keep.begin(), keep.end(), key) == keep.end()) {
            ++dropped;
            return;
        }
        reply[std::string(key)] = std::string(value);
    };
    std::size_t separator = 0;
    for (;;) {
        const std::size_t equals = FindEqualsMultibyte(body, separator + 1);
        if (equals == std::string_view::npos) return false;
        const std::string_view key = body.substr(separator + 1, equals - separator - 1);
        if (equals + 1 == body.size()) {
            add(key, {});
            return true;
        }
        const std::size_t ampersand = body.find('&', equals + 1);
        if (ampersand == std::string_view::npos) {
            add(key, body.substr(equals + 1));
            return true;
        }
        add(key, body.substr(equals + 1, ampersand - equals - 1));
        separator = ampersand;
    }
}

bool DecodeFormBody(std::string_view body, ParamMap& reply) {
    std::size_t dropped = 0;
    return DecodeFormBody(body, reply, {}, dropped);
}

std::optional<std::string> FormRequestProblem(const ParamMap& request) {
    for (const auto& [key, value] : request) {
        const std::string shownKey = GbkToUtf8Lossy(key);
        if (key.find_first_of("&=") != std::string::npos) {
            return std::string(Tr("参数名“", "The parameter name \"")) + shownKey +
                   Tr("”含有“&”或“=”，请求未发送", "\" contains \"&\" or \"=\"; the request was not sent");
        }
        if (value.find('&') != std::string::npos) {
            return std::string(Tr("参数“", "The value of \"")) + shownKey +
                   Tr("”的值含有“&”，请求未发送", "\" contains \"&\"; the request was not sent");
        }
    }
    return std::nullopt;
}

}  // namespace ostrand
