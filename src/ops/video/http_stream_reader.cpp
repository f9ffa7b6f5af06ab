#include "ops/video/http_stream_reader.h"

#include <algorithm>
#include <cctype>

namespace ostrand::video {

namespace {

StreamEnd EndOf(net::HttpStreamError error) {
    using net::HttpStreamError;
    switch (error) {
        case HttpStreamError::None: return StreamEnd::None;
        case HttpStreamError::BadAddress:
        case HttpStreamError::NotPlainHttp: return StreamEnd::BadAddress;
        case HttpStreamError::NotResolved: return StreamEnd::NotResolved;
        case HttpStreamError::Refused: return StreamEnd::Refused;
        case HttpStreamError::NoConnection: return StreamEnd::NoConnection;
        case HttpStreamError::NotHttp:
        case HttpStreamError::HeadTooLarge: return StreamEnd::NotAStream;
        case HttpStreamError::Stalled: return StreamEnd::Stalled;
        case HttpStreamError::Closed: return StreamEnd::Closed;
        case HttpStreamError::Stopped: return StreamEnd::Stopped;
    }
    return StreamEnd::Closed;
}

bool IsPage(std::string contentType) {
    std::transform(contentType.begin(), contentType.end(), contentType.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::size_t start = contentType.find_first_not_of(" \t");
    return start != std::string::npos && contentType.compare(start, 5, "text/") == 0;
}

}  // namespace

StreamEnd HttpStreamReader::Open(const std::string& url, const StreamCredentials& credentials,
                                 StreamClock::time_point deadline) {
    net::HttpStreamRequest request;
    request.url = url;
    request.user = credentials.user;
    request.password = credentials.password;
    // The request as the camera always got it: no Accept, the connection closed after.
    request.headers = {"Accept:", "Connection: close"};
    request.maxHeadBytes = kMaxHeaderBytes;
    if (const net::HttpStreamError error = stream_.Open(request, deadline); error != net::HttpStreamError::None) {
        return EndOf(error);
    }
    const long status = stream_.Status();
    if (status == 401) return stream_.HasCredentials() ? StreamEnd::BadCredentials : StreamEnd::LoginNeeded;
    if (status != 200) return StreamEnd::HttpStatus;
    if (IsPage(stream_.ContentType())) return StreamEnd::NotAStream;
    return StreamEnd::None;
}

std::size_t HttpStreamReader::Read(std::uint8_t* buffer, std::size_t size, StreamClock::time_point deadline,
                                   StreamEnd& end) {
    net::HttpStreamError error = net::HttpStreamError::None;
    const std::size_t n = stream_.Read(buffer, size, deadline, error);
    end = n > 0 ? StreamEnd::None : EndOf(error);
    return n;
}

}  // namespace ostrand::video
