#include "ops/video/stream_end.h"

#include "platform/app_state.h"

namespace ostrand::video {

const char* StreamEndReason(StreamEnd end) {
    switch (end) {
    case StreamEnd::None:
    case StreamEnd::Stopped: return "";
    case StreamEnd::BadAddress: return Tr("地址无效", "bad address");
    case StreamEnd::Refused: return Tr("连接被拒绝", "connection refused");
    case StreamEnd::NoConnection: return Tr("连接超时", "connect timed out");
    case StreamEnd::NotAStream: return Tr("不是视频流", "not a video stream");
    case StreamEnd::Stalled: return Tr("视频中断", "stream stalled");
    case StreamEnd::FrameTooLarge: return Tr("帧过大", "frame too large");
    case StreamEnd::Corrupt: return Tr("帧已损坏", "corrupt frames");
    case StreamEnd::Closed: return Tr("设备关闭了视频", "stream closed");
    case StreamEnd::NotResolved: return Tr("找不到主机", "host not found");
    case StreamEnd::HttpStatus: return Tr("HTTP 错误", "HTTP error");
    case StreamEnd::LoginNeeded: return Tr("需要登录", "login required");
    case StreamEnd::BadCredentials: return Tr("用户名或密码错误", "wrong user name or password");
    }
    return "";
}

std::string StreamEndText(StreamEnd end, const StreamEndDetail& detail) {
    if (end == StreamEnd::HttpStatus && detail.httpStatus > 0) return "HTTP " + std::to_string(detail.httpStatus);
    std::string text = StreamEndReason(end);
    if (end == StreamEnd::NotAStream && !detail.contentType.empty()) {
        text += Tr("（", " (") + detail.contentType + Tr("）", ")");
    }
    return text;
}

}  // namespace ostrand::video
