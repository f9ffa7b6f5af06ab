#pragma once
// The HTTP side of a simulated device: "/goform/<name>" commands (GET and
// POST, replies "?k=v&..."), "formUploadFile", "formUploadImage" and
// "httpDownLoadFile". Keep-alive connections serve several requests.

#include <string>
#include <string_view>

#include "sim/connection.h"

namespace ostrand::sim {

struct HttpReply {
    int status = 200;
    std::string body;
    std::string contentType = "text/html";
};

// What the device answers to one request (no faults of the transport kind
// applied here except the HTTP ones: status, empty and malformed bodies).
HttpReply AnswerHttpRequest(Device& device, std::string_view method, std::string_view target,
                            std::string_view body);

// Serves requests on the connection until the peer closes it or asks to.
// Bytes already in the connection's buffer are the start of the first request.
net::awaitable<void> ServeHttp(Connection& connection);

// "%XX" escapes of a request target decoded; other bytes kept.
std::string PercentDecode(std::string_view text);

}  // namespace ostrand::sim
