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
    }
    return "";
}

}  // namespace ostrand::video
