#include "ops/video/mjpeg_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/net/http_stream.h"

namespace ostrand::video {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kBoundaryMax = 200;
constexpr std::size_t kReadChunk = 64 * 1024;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// End of a head (the blank line), as the offset after it; npos when not there.
// Lines may end in CRLF or, from sloppy senders, LF alone.
std::size_t HeadEnd(std::string_view buffer) {
    const std::size_t crlf = buffer.find("\r\n\r\n");
    const std::size_t lf = buffer.find("\n\n");
    if (crlf == std::string_view::npos && lf == std::string_view::npos) return std::string_view::npos;
    if (lf == std::string_view::npos || (crlf != std::string_view::npos && crlf < lf)) return crlf + 4;
    return lf + 2;
}

// Calls `use(name, value)` for every "Name: value" line after the first.
template <class Use>
void ForEachHeader(std::string_view head, Use&& use) {
    std::size_t at = head.find('\n');
    while (at != std::string_view::npos && at + 1 < head.size()) {
        const std::size_t end = head.find('\n', at + 1);
        const std::string_view line = head.substr(at + 1, (end == std::string_view::npos ? head.size() : end) - at - 1);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos) use(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
        at = end;
    }
}

// The boundary parameter of a Content-Type value, quotes removed.
std::string BoundaryOf(std::string_view contentType) {
    const std::string lower = Lower(contentType);
    const std::size_t at = lower.find("boundary=");
    if (at == std::string::npos) return {};
    std::string_view value = contentType.substr(at + 9);
    value = value.substr(0, value.find(';'));
    value = Trim(value);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return std::string(value);
}

}  // namespace

MjpegParser::MjpegParser(std::string_view contentType, MjpegLimits limits) : limits_(limits) {
    const std::string type = Lower(Trim(contentType));
    if (type.starts_with("text/")) {
        Fail(MjpegFailure::NotVideo);
    } else if (type.starts_with("multipart/")) {
        UseBoundary(BoundaryOf(contentType));
    } else {
        // Some servers send the parts under another type (FFmpeg's own, for
        // one, under application/octet-stream): the body's first line, the
        // first delimiter, then names the boundary.
        stage_ = Stage::FirstLine;
    }
}

void MjpegParser::UseBoundary(std::string boundary) {
    boundary_ = std::move(boundary);
    if (boundary_.empty() || boundary_.size() > kBoundaryMax) {
        Fail(MjpegFailure::NoBoundary);
        return;
    }
    // Some senders announce the boundary with the leading dashes of the
    // delimiter already in it; their lines then match the boundary itself.
    delimiter_ = boundary_.starts_with("--") ? boundary_ : "--" + boundary_;
    stage_ = Stage::Preamble;
}

MjpegParser::State MjpegParser::Fail(MjpegFailure failure) {
    failure_ = failure;
    state_ = State::Failed;
    buffer_.clear();
    buffer_.shrink_to_fit();
    return state_;
}

MjpegParser::State MjpegParser::Feed(std::string_view bytes) {
    if (state_ != State::More) return state_;
    buffer_.append(bytes);
    return Step();
}

MjpegParser::State MjpegParser::Finish() {
    if (state_ != State::More) return state_;
    // A part without a length ends with the connection.
    if (stage_ == Stage::Body && partLength_ < 0) return Deliver(buffer_, true);
    return Fail(MjpegFailure::Closed);
}

MjpegParser::State MjpegParser::ParsePartHead(std::string_view head) {
    partLength_ = -1;
    bool bad = false;
    ForEachHeader("\n" + std::string(head), [&](std::string_view name, std::string_view value) {
        if (!EqualsNoCase(name, "Content-Length")) return;
        if (value.empty() || value.size() > 12 ||
            !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            bad = true;
            return;
        }
        partLength_ = std::stoll(std::string(value));
    });
    if (bad) return Fail(MjpegFailure::BadLength);
    if (partLength_ > static_cast<std::int64_t>(limits_.partBytes)) return Fail(MjpegFailure::PartTooLarge);
    return State::More;
}

MjpegParser::State MjpegParser::Deliver(std::string_view part, bool delimited) {
    if (delimited) {
        // The line break before the delimiter belongs to the delimiter.
        if (part.ends_with("\r\n")) {
            part.remove_suffix(2);
        } else if (part.ends_with("\n")) {
            part.remove_suffix(1);
        }
    }
    if (part.size() > limits_.partBytes) return Fail(MjpegFailure::PartTooLarge);
    if (!part.starts_with("\xFF\xD8")) return Fail(MjpegFailure::NotJpeg);
    if (part.size() < 4 || !part.ends_with("\xFF\xD9")) return Fail(MjpegFailure::IncompleteJpeg);
    jpeg_ = std::string(part);
    buffer_.clear();
    state_ = State::Frame;
    return state_;
}

MjpegParser::State MjpegParser::Step() {
    for (;;) {
        switch (stage_) {
            case Stage::FirstLine: {
                // "--<boundary>", the first delimiter line, without waiting for
                // more than a delimiter line may hold.
                const std::size_t known = std::min<std::size_t>(buffer_.size(), 2);
                if (std::string_view(buffer_).substr(0, known) != std::string_view("--").substr(0, known)) {
                    return Fail(MjpegFailure::NotMultipart);
                }
                const std::size_t end = buffer_.find('\n');
                if (end == std::string::npos || end > kBoundaryMax + 2) {
                    if (buffer_.size() > kBoundaryMax + 2) return Fail(MjpegFailure::NoBoundary);
                    return State::More;
                }
                const std::string_view line = Trim(std::string_view(buffer_).substr(2, end - 2));
                if (line.empty() || line == "--") return Fail(MjpegFailure::NoBoundary);
                UseBoundary(std::string(line));
                break;
            }
            case Stage::Preamble:
            case Stage::Body: {
                if (stage_ == Stage::Body && partLength_ >= 0) {
                    const auto length = static_cast<std::size_t>(partLength_);
                    if (buffer_.size() < length) return State::More;
                    return Deliver(std::string_view(buffer_).substr(0, length), false);
                }
                // A delimiter line: the delimiter at the start of a line, then
                // optional blanks up to the line's end. "--" after it closes the stream.
                // A boundary announced with its dashes may come with more of them.
                const bool dashedBoundary = boundary_.starts_with("--");
                std::size_t at = scanFrom_;
                std::size_t found = std::string::npos;
                std::size_t lineEnd = std::string::npos;
                bool needMore = false;
                while ((at = buffer_.find(delimiter_, at)) != std::string::npos) {
                    std::size_t lineStart = at;
                    while (dashedBoundary && lineStart > 0 && buffer_[lineStart - 1] == '-') --lineStart;
                    const bool atLineStart = lineStart == 0 || buffer_[lineStart - 1] == '\n';
                    const std::size_t after = at + delimiter_.size();
                    lineEnd = buffer_.find('\n', after);
                    if (atLineStart && lineEnd == std::string::npos) {
                        needMore = buffer_.size() - after <= limits_.headBytes;
                        if (needMore) break;
                    }
                    // A delimiter line is short; a longer one is data, however it was cut into reads.
                    if (atLineStart && lineEnd != std::string::npos && lineEnd - after <= limits_.headBytes) {
                        const std::string_view rest = Trim(std::string_view(buffer_).substr(after, lineEnd - after));
                        if (rest.empty() || rest == "--") {
                            found = at;
                            // The closing delimiter ends a part, or a stream without one.
                            if (rest == "--" && stage_ == Stage::Preamble) {
                                return Fail(at > limits_.preambleBytes ? MjpegFailure::NoBoundary : MjpegFailure::Closed);
                            }
                            break;
                        }
                    }
                    ++at;
                }
                // Room past the cap for a delimiter line that begins within it, so
                // the outcome does not depend on where the reads were cut; what
                // lies before the delimiter is held to the cap itself below.
                const std::size_t slack = delimiter_.size() + limits_.headBytes + 2;
                const std::size_t cap =
                    (stage_ == Stage::Preamble ? limits_.preambleBytes : limits_.partBytes + 2) + slack;
                if (found == std::string::npos) {
                    // Past the cap, any delimiter line that began within it is whole and
                    // would have been found: one still waiting for its line end began
                    // past the cap and cannot save the stream, however the reads were cut.
                    if (buffer_.size() > cap) {
                        return Fail(stage_ == Stage::Preamble ? MjpegFailure::NoBoundary : MjpegFailure::PartTooLarge);
                    }
                    // Next time, look only where a new delimiter could start.
                    const std::size_t keep = delimiter_.size() + limits_.headBytes + 2;
                    if (!needMore) scanFrom_ = buffer_.size() > keep ? buffer_.size() - keep : 0;
                    return State::More;
                }
                scanFrom_ = 0;
                if (stage_ == Stage::Body) {
                    std::size_t partEnd = found;
                    while (dashedBoundary && partEnd > 0 && buffer_[partEnd - 1] == '-') --partEnd;
                    return Deliver(std::string_view(buffer_).substr(0, partEnd), true);
                }
                if (found > limits_.preambleBytes) return Fail(MjpegFailure::NoBoundary);
                buffer_.erase(0, lineEnd + 1);
                stage_ = Stage::PartHead;
                break;
            }
            case Stage::PartHead: {
                std::size_t end = 0;
                if (buffer_.starts_with("\r\n")) {
                    end = 2;
                } else if (buffer_.starts_with("\n")) {
                    end = 1;
                } else {
                    end = HeadEnd(buffer_);
                }
                if (end == std::string::npos || end > limits_.headBytes) {
                    if (buffer_.size() > limits_.headBytes) return Fail(MjpegFailure::PartHeadTooLarge);
                    return State::More;
                }
                if (ParsePartHead(std::string_view(buffer_).substr(0, end)) != State::More) return state_;
                buffer_.erase(0, end);
                stage_ = Stage::Body;
                break;
            }
        }
    }
}

std::string MjpegFailureText(MjpegFailure failure, const MjpegLimits& limits, int httpStatus,
                             const std::string& endpoint, const std::string& contentType) {
    const auto withNumber = [](const char* format, long long number) {
        char text[256];
        std::snprintf(text, sizeof text, format, number);
        return std::string(text);
    };
    switch (failure) {
        case MjpegFailure::None: return {};
        case MjpegFailure::ConnectFailed: return "无法连接到摄像机的视频流（" + endpoint + "）";
        case MjpegFailure::SendFailed: return "发送视频流请求失败（" + endpoint + "）";
        case MjpegFailure::TimedOut: {
            const auto seconds = std::chrono::duration<double>(limits.overallWait).count();
            char text[160];
            std::snprintf(text, sizeof text, "读取视频流超时：%.1f 秒内没有收到完整的一帧", seconds);
            return text;
        }
        case MjpegFailure::Closed: return "视频流在收到完整的一帧之前断开";
        case MjpegFailure::NotHttp: return "视频流的应答不是 HTTP 应答";
        case MjpegFailure::HttpStatus: return withNumber("摄像机拒绝了视频流请求（HTTP %lld）", httpStatus);
        case MjpegFailure::NotMultipart: return "视频流的应答不是 multipart/x-mixed-replace 格式";
        case MjpegFailure::HeadTooLarge:
            return withNumber("视频流的应答头过长（超过 %lld 字节）", static_cast<long long>(limits.headBytes));
        case MjpegFailure::NoBoundary: return "视频流中找不到帧分隔符";
        case MjpegFailure::PartHeadTooLarge:
            return withNumber("视频帧的头部过长（超过 %lld 字节）", static_cast<long long>(limits.headBytes));
        case MjpegFailure::PartTooLarge:
            return withNumber("视频帧过大（超过 %lld 字节）", static_cast<long long>(limits.partBytes));
        case MjpegFailure::BadLength: return "视频帧的长度（Content-Length）无效";
        case MjpegFailure::NotJpeg: return "视频帧不是 JPEG 图像";
        case MjpegFailure::IncompleteJpeg: return "视频帧的 JPEG 图像不完整";
        case MjpegFailure::BadAddress: return "视频流地址无效（" + endpoint + "）";
        case MjpegFailure::NotResolved: return "无法解析摄像机的主机名（" + endpoint + "）";
        case MjpegFailure::LoginNeeded: return withNumber("视频流需要登录（HTTP %lld）", httpStatus);
        case MjpegFailure::BadCredentials: return withNumber("视频流的用户名或密码错误（HTTP %lld）", httpStatus);
        case MjpegFailure::NotVideo:
            return "不是视频流（" + (contentType.empty() ? std::string("没有 Content-Type") : contentType) + "）";
    }
    return "视频流读取失败";
}

std::string VideoStreamPath(int channel) { return "/video/" + std::to_string(channel); }

namespace {

MjpegFailure OpenFailure(net::HttpStreamError error) {
    using net::HttpStreamError;
    switch (error) {
        case HttpStreamError::None: return MjpegFailure::None;
        case HttpStreamError::BadAddress:
        case HttpStreamError::NotPlainHttp: return MjpegFailure::BadAddress;
        case HttpStreamError::NotResolved: return MjpegFailure::NotResolved;
        case HttpStreamError::Refused:
        case HttpStreamError::NoConnection: return MjpegFailure::ConnectFailed;
        case HttpStreamError::NotHttp: return MjpegFailure::NotHttp;
        case HttpStreamError::HeadTooLarge: return MjpegFailure::HeadTooLarge;
        case HttpStreamError::Stalled:
        case HttpStreamError::Stopped: return MjpegFailure::TimedOut;
        case HttpStreamError::Closed: return MjpegFailure::Closed;
    }
    return MjpegFailure::Closed;
}

}  // namespace

MjpegFrame ReadMjpegFrame(const std::string& host, std::uint16_t port, const std::string& path,
                          const MjpegLimits& limits, const StreamCredentials& credentials) {
    const std::string endpoint = host + ":" + std::to_string(port);
    MjpegFrame frame;
    const auto fail = [&](MjpegFailure failure, int status = 0) {
        frame.failure = failure;
        frame.httpStatus = status;
        frame.jpeg.clear();
        frame.text = MjpegFailureText(failure, limits, status, endpoint, frame.contentType);
        return frame;
    };
    const Clock::time_point deadline = Clock::now() + limits.overallWait;
    net::HttpStreamRequest request;
    request.url = "http://" + endpoint + path;
    request.user = credentials.user;
    request.password = credentials.password;
    request.headers = {"Accept: multipart/x-mixed-replace"};
    request.maxHeadBytes = limits.headBytes;
    request.connectWait = limits.connectWait;
    net::HttpStream stream(-1);
    const net::HttpStreamError opened = stream.Open(request, deadline);
    if (opened != net::HttpStreamError::None) {
        const MjpegFailure failure = OpenFailure(opened);
        // A connection the whole wait did not bring is the wait's failure.
        return fail(failure == MjpegFailure::ConnectFailed && Clock::now() >= deadline ? MjpegFailure::TimedOut
                                                                                       : failure);
    }
    const int status = static_cast<int>(stream.Status());
    frame.contentType = stream.ContentType();
    if (status == 401) {
        return fail(stream.HasCredentials() ? MjpegFailure::BadCredentials : MjpegFailure::LoginNeeded, status);
    }
    if (status != 200) return fail(MjpegFailure::HttpStatus, status);
    MjpegParser parser(frame.contentType, limits);
    std::string chunk(kReadChunk, '\0');
    for (MjpegParser::State state = parser.Current();;) {
        if (state == MjpegParser::State::Frame) {
            frame.jpeg = parser.Jpeg();
            return frame;
        }
        if (state == MjpegParser::State::Failed) return fail(parser.Failure(), status);
        net::HttpStreamError end = net::HttpStreamError::None;
        const std::size_t count = stream.Read(chunk.data(), chunk.size(), deadline, end);
        if (count > 0) {
            state = parser.Feed(std::string_view(chunk.data(), count));
        } else if (end == net::HttpStreamError::Closed) {
            state = parser.Finish();
        } else {
            return fail(MjpegFailure::TimedOut);
        }
    }
}

}  // namespace ostrand::video
