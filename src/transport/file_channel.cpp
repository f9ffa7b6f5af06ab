#include "transport/file_channel.h"

#include "transport/failure_note.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <system_error>

#include "platform/app_state.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/message_sink.h"
#include "platform/net/http_client.h"
#include "platform/stop_signal.h"
#include "transport/frame_reader.h"
#include "transport/frames.h"
#include "transport/http_upload.h"
#include "transport/output_file.h"
#include "transport/request_target.h"
#include "transport/transport_settings.h"
#include "transport/xml_codec.h"

namespace ostrand {

namespace {

using net::TcpSocket;
using Millis = std::chrono::milliseconds;

constexpr std::size_t kUploadTargetLimit = 9999;
constexpr std::size_t kDownloadReadSize = 1999;
constexpr const char* kDownloadAccept =
    "Accept: audio/x-aiff, audio/basic, audio/midi,\t\t\t\t\t\t   audio/mpeg, audio/wav, image/jpeg, "
    "image/gif, image/jpg, image/png,\t\t\t\t\t\t   image/mng, image/bmp, text/plain, text/html, text/htm";

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string bytes;
    char block[65536];
    while (file.read(block, sizeof block) || file.gcount() > 0) {
        bytes.append(block, static_cast<std::size_t>(file.gcount()));
    }
    if (file.bad()) return std::nullopt;
    return bytes;
}

std::optional<std::uint64_t> FileSize(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    const auto size = std::filesystem::file_size(path, error);
    if (error) return std::nullopt;
    return size;
}

// "/goform/<form>?filename=<name>" in UTF-8; refused with a message when the
// name cannot be converted or the target is too long.
std::optional<std::string> UploadTarget(const char* form, std::string_view remoteName) {
    // Each refusal is noted as one of a request not sent.
    if (!IsSafeRequestName(remoteName)) {
        NoteTransportFailure(kTransportBadParameter);
        ShowMessage(TransportResultText(kTransportBadParameter));
        return std::nullopt;
    }
    auto utf8Name = GbkToUtf8(remoteName);
    if (!utf8Name) {
        NoteTransportFailure(kTransportBadParameter);
        ShowMessage(Tr("文件名含有无法转换的字符，上传失败", "The file name cannot be converted; the upload failed"));
        return std::nullopt;
    }
    std::string target = std::string("/goform/") + form + "?filename=" + *utf8Name;
    if (target.size() > kUploadTargetLimit) {
        NoteTransportFailure(kTransportBadParameter);
        ShowMessage(Tr("文件名过长，上传失败", "The file name is too long; the upload failed"));
        return std::nullopt;
    }
    return target;
}

void ShowHttpLayerError(std::string description) {
    if (description.size() > 24) description.resize(24);
    ShowMessage("InternetException occur!\r\n" + description);
}

// "创建文件失败!" with the file it could not create: a folder the program may
// not write (an installed copy's own folder, say) is then plain to see.
std::string CreateFailedText(const std::filesystem::path& path) { return "创建文件失败!\n" + path.string(); }

void ShowUnknownError() { ShowMessage("Unknow Exception occur!\r\n" + std::to_string(errno)); }

// Sends the command document of an upload header and reads its framed reply.
UploadResult ExchangeUploadHeader(TcpSocket& socket, const ParamMap& request) {
    const TransportTimeouts timeouts = CurrentTransportTimeouts();
    const std::string document = EncodeCommandXml(request, kUploadHeaderCode);
    if (document.size() > kMaxCommandDocumentSize) return kUploadBadParameter;  // nothing is sent
    socket.SetLinger(true, timeouts.lingerSeconds);
    if (!socket.SendAll(BuildCommandFrame(document), timeouts.fileReceiveWait)) return kUploadSendFailed;
    if (socket.WaitReadable(timeouts.replyWait) != net::WaitResult::Ready) return kUploadReceiveFailed;
    std::string bytes;
    if (ReceiveAppend(socket, bytes, kCommandFrameBufferSize) <= 0) return kUploadReceiveFailed;
    CompleteFrame(socket, bytes, kCommandFrameBufferSize, timeouts.replyRestWait);
    ParamMap reply;
    if (!DecodeCommandXml(CommandFrameDocument(bytes), reply)) return kUploadReceiveFailed;
    return reply["result"] == "10000" ? kUploadOk : kUploadHeaderRefused;
}

// Streams the body into the local file in the device's read size, watching
// for the two texts a device answers instead of a log archive, and for a body
// longer than the download may be.
class DownloadWriter {
public:
    DownloadWriter(OutputFile& file, std::uint64_t maxBytes) : file_(file), maxBytes_(maxBytes) {}

    bool Take(std::string_view data) {
        if (data.size() > maxBytes_ - taken_) {
            tooLarge = true;
            return false;
        }
        taken_ += data.size();
        while (!data.empty()) {
            const std::size_t room = kDownloadReadSize - pending_.size();
            const std::size_t take = data.size() < room ? data.size() : room;
            pending_.append(data.substr(0, take));
            data.remove_prefix(take);
            if (pending_.size() == kDownloadReadSize && !Flush()) return false;
        }
        return true;
    }

    bool Finish() { return pending_.empty() || Flush(); }

    bool noLog = false;
    bool noTar = false;
    bool writeFailed = false;
    bool tooLarge = false;

private:
    bool Flush() {
        if (pending_ == kDownloadNoLogText) noLog = true;
        if (pending_ == kDownloadNoTarText) noTar = true;
        if (!file_.Write(pending_)) writeFailed = true;
        pending_.clear();
        return !writeFailed;
    }

    OutputFile& file_;
    std::uint64_t maxBytes_;
    std::uint64_t taken_ = 0;
    std::string pending_;
};

std::string DownloadTooLargeText(std::uint64_t maxBytes) {
    const std::string mib = std::to_string(maxBytes >> 20);
    return std::string(Tr("设备发送的文件超过 ", "The device sent more than ")) + mib +
           Tr(" MiB，下载失败", " MiB; the download failed");
}

bool DownloadOverHttp(CommandTarget& target, const std::filesystem::path& localPath) {
    const TransportTimeouts timeouts = CurrentTransportTimeouts();
    net::HttpRequest http;
    http.host = target.ip;
    http.port = target.port;
    http.method = "GET";
    http.target = "/goform/httpDownLoadFile";
    http.headers.emplace_back(kDownloadAccept);
    http.connectTimeout = timeouts.httpConnectTimeout;
    http.connectBackoff = timeouts.httpConnectBackoff;
    http.connectRetries = timeouts.httpConnectRetries;
    http.stallTimeout = timeouts.httpReceiveTimeout;
    // A device that trickles its body is held no longer than the first receive
    // wait plus the time an honest device needs at the floor rate.
    http.minAverageRate = timeouts.downloadMinRate;
    http.rateGrace = timeouts.httpReceiveTimeout;

    // The local file is created only once the device has answered 200, and put
    // in place only when the whole download succeeded.
    std::optional<OutputFile> file;
    std::optional<DownloadWriter> writer;
    bool createFailed = false;
    auto open = [&]() {
        file = OutputFile::Open(localPath);
        if (!file) {
            createFailed = true;
            return false;
        }
        writer.emplace(*file, timeouts.httpDownloadMaxBytes);
        return true;
    };
    std::uint64_t errorPageBytes = 0;
    bool errorPageTooLarge = false;
    bool answered = false;
    http.onBody = [&](long status, std::string_view data) {
        answered = true;
        if (status != 200) {  // an error page is not kept, but it is bounded all the same
            errorPageBytes += data.size();
            errorPageTooLarge = errorPageBytes > timeouts.httpDownloadMaxBytes;
            return !errorPageTooLarge;
        }
        if (!file && !open()) return false;
        return writer->Take(data);
    };

    long status = 0;
    std::string layerError;
    auto layerKind = net::HttpError::Kind::Other;
    try {
        net::HttpSession session;
        status = session.Perform(http).status;
    } catch (const net::HttpError& error) {
        layerError = error.what();
        layerKind = error.kind();
    }
    if (status == 200 && !file && !createFailed && layerError.empty()) (void)open();  // an empty body
    const bool wroteAll = writer && !writer->tooLarge && writer->Finish();

    std::string failure;
    if (createFailed) {
        failure = CreateFailedText(localPath);
    } else if ((writer && writer->tooLarge) || errorPageTooLarge) {
        failure = DownloadTooLargeText(timeouts.httpDownloadMaxBytes);
    } else if (writer && (writer->writeFailed || !wroteAll)) {
        failure = Tr("写入文件失败!", "Writing the file failed!");
    } else if (!answered &&
               (layerKind == net::HttpError::Kind::TooSlow || layerKind == net::HttpError::Kind::Stalled)) {
        // Not a byte of an answer: the device is silent, not slow.
        failure = Tr("设备没有应答，下载失败", "The device did not answer; the download failed");
    } else if (layerKind == net::HttpError::Kind::TooSlow) {
        failure = Tr("设备发送过慢，下载失败", "The device sends too slowly; the download failed");
    } else if (!layerError.empty()) {
        failure = layerError;  // the HTTP layer's own description
    } else if (status != 200) {
        failure = "POST出错，错误码：" + std::to_string(status);
    }
    if (!failure.empty()) {
        ShowMessage(failure);
        return false;  // the unfinished file is abandoned with `file`
    }
    bool ok = true;
    if (writer->noLog) {
        ShowMessage("不存在log文件，下载失败");
        ok = false;
    }
    if (writer->noTar) {
        ShowMessage("该设备不支持tar或gzip指令，无法上传日志");
        ok = false;
    }
    if (ok && !file->Commit()) {
        ShowMessage(Tr("写入文件失败!", "Writing the file failed!"));
        ok = false;
    }
    return ok;
}

const char* ExportOverrunText() {
    return Tr("设备发送的数据超过其声明的文件大小，导出失败",
              "The device sent more than the file size it announced, Export Fail");
}

const char* ExportShortText() {
    return Tr("导出文件的大小与设备声明的不符，导出失败",
              "The exported size differs from the size the device announced, Export Fail");
}

// The kind byte of a complete frame, checked before its layout: a frame of the
// wrong kind is reported as such even when it is too short for its own kind.
std::optional<std::uint8_t> FrameKind(std::string_view frame) {
    constexpr std::size_t kKindOffset = kFrameLengthSize + 1;
    if (frame.size() <= kKindOffset) return std::nullopt;
    return static_cast<std::uint8_t>(frame[kKindOffset]);
}

// The export's data phase: frames of at most kExportMaxFrameSize bytes, each
// acknowledged, until the last announced packet. The bytes written never pass
// the announced size (itself at most ExportMaxFileSize), and the last packet
// must bring them to exactly that size. Returns the failure text, or nullptr
// on success.
const char* ReceiveExportData(TcpSocket& socket, OutputFile& file, std::uint8_t exportType,
                              const ExportBegin& begin) {
    const TransportTimeouts timeouts = CurrentTransportTimeouts();
    // Each frame must be complete within the idle waits, so a device that
    // trickles bytes cannot hold the export any more than a silent one.
    const auto frameWait = timeouts.fileReceiveWait * (timeouts.exportIdleWaits > 0 ? timeouts.exportIdleWaits : 1);
    auto frameDeadline = std::chrono::steady_clock::now() + frameWait;
    // Frames that each arrive in time may still come a byte at a time: the
    // export holds the tool no longer than the first receive wait plus the
    // time an honest device needs at the floor rate.
    const auto started = std::chrono::steady_clock::now();
    std::uint64_t arrived = 0;
    const auto tooSlow = [&] {
        if (timeouts.downloadMinRate == 0) return false;
        const auto earned = std::chrono::milliseconds(arrived * 1000 / timeouts.downloadMinRate);
        return std::chrono::steady_clock::now() - started > timeouts.fileReceiveWait + earned;
    };
    // One buffer for the whole export, filled and emptied frame by frame;
    // growing a string for every receive would clear its new part each time.
    std::string buffer(kExportMaxFrameSize, '\0');
    std::size_t filled = 0;
    std::uint32_t packets = 0;
    for (;;) {
        const std::string_view bytes(buffer.data(), filled);
        const FrameProbe probe = ProbeFrame(bytes, kExportMaxFrameSize);
        if (probe.state == FrameState::Invalid) return "Recv Data Err，Export Fail";
        if (probe.state == FrameState::Incomplete) {
            if (std::chrono::steady_clock::now() >= frameDeadline) return "Recv Data Timeout，Export Fail";
            // Never read past the frame: the next one stays in the socket.
            const std::size_t limit = WantedFrameSize(bytes, kExportMaxFrameSize);
            std::size_t received = 0;
            const ReceiveStatus status =
                ReceiveWithWait(socket, buffer.data() + filled, limit - filled, received);
            filled += received;
            arrived += received;
            if (status == ReceiveStatus::Failed) return "Recv Data Err，Export Fail";
            if (tooSlow() || CurrentStopRaised()) return "Recv Data Timeout，Export Fail";
            continue;
        }
        const std::string_view frame(bytes.data(), probe.totalSize);
        const auto kind = FrameKind(frame);
        if (kind && *kind != kExportKindData) return "Recv Cmd Type Err，Export Fail";
        const auto data = ParseExportData(frame);
        if (!data) return "Recv Data Err，Export Fail";
        // A device that keeps sending past its announced count or size would
        // otherwise fill the disk.
        if (++packets > begin.totalPackets) return "Recv Data Err，Export Fail";
        if (data->data.size() > begin.totalSize - file.Written()) return ExportOverrunText();
        const bool last = data->number == begin.totalPackets;
        // A packet is acknowledged before it is written, so the device sends
        // the next one while the disk takes this one. The last acknowledgement
        // waits for the write: it tells the device the export is complete, and
        // a failed write ends the export without it.
        if (!last && !socket.SendAll(BuildExportAck(exportType, false), timeouts.fileReceiveWait)) {
            return "Send Data Fail，Export Fail";
        }
        if (!file.Write(data->data)) return "写入文件失败!";
        if (last && !socket.SendAll(BuildExportAck(exportType, true), timeouts.fileReceiveWait)) {
            return "Send Data Fail，Export Fail";
        }
        if (last) return file.Written() == begin.totalSize ? nullptr : ExportShortText();
        filled -= probe.totalSize;
        if (filled != 0) std::memmove(buffer.data(), buffer.data() + probe.totalSize, filled);
        frameDeadline = std::chrono::steady_clock::now() + frameWait;
    }
}

// The begin reply as the device protocol checks it: a complete frame of the
// request's export type, then its kind, then its layout. nullopt after the
// failure message has been shown.
std::optional<ExportBegin> CheckExportBegin(std::string_view bytes, std::uint8_t exportType) {
    const FrameProbe probe = ProbeFrame(bytes, kExportReceiveSize);
    const bool whole = probe.state == FrameState::Complete && probe.totalSize == bytes.size();
    const auto kind = FrameKind(bytes);
    if (!whole || !kind || static_cast<std::uint8_t>(bytes[kFrameLengthSize]) != exportType) {
        ShowMessage("Recv Data Err，Export Fail");
        return std::nullopt;
    }
    if (*kind != kExportKindBegin) {
        ShowMessage("Recv Cmd Type Err，Export Fail");
        return std::nullopt;
    }
    auto begin = ParseExportBegin(bytes);
    if (!begin) ShowMessage("Recv Data Err，Export Fail");
    return begin;
}
}  // namespace

namespace {

// What both HTTP uploads share: the argument and file checks, the name in
// UTF-8, and turning an HTTP-layer failure into its message.
template <typename Send>
bool RunHttpUpload(const std::filesystem::path& localPath, std::string_view remoteName, const char* form, Send send) {
    if (localPath.empty() || remoteName.empty()) return false;
    try {
        const auto bytes = ReadWholeFile(localPath);
        if (!bytes || bytes->empty()) return false;
        if (!UploadTarget(form, remoteName)) return false;
        const HttpUploadOutcome outcome = send(*GbkToUtf8(remoteName), *bytes);
        if (outcome.kind == HttpUploadOutcome::Kind::Failed) ShowHttpLayerError(outcome.detail);
        return outcome.kind == HttpUploadOutcome::Kind::Ok;
    } catch (const std::exception&) {
        ShowUnknownError();
    }
    return false;
}

}  // namespace

bool UploadFileHttp(const std::string& ip, std::int32_t port, const std::filesystem::path& localPath,
                    std::string_view remoteName) {
    return RunHttpUpload(localPath, remoteName, "formUploadFile", [&](const std::string& name, std::string_view image) {
        return UploadApplicationHttp(ip, port, name, image);
    });
}

bool UploadImageHttp(const std::string& ip, std::int32_t port, const std::filesystem::path& localPath,
                     std::string_view remoteName) {
    return RunHttpUpload(localPath, remoteName, "formUploadImage", [&](const std::string& name, std::string_view image) {
        return UploadKernelImageHttp(ip, port, name, image);
    });
}

bool DownloadDeviceFile(CommandTarget& target, const std::filesystem::path& localPath, std::uint8_t exportType) {
    if (target.port == kTcpCommandPort) return ExportFileTcp(target.endpoint, localPath, exportType);
    return DownloadOverHttp(target, localPath);
}

UploadResult SendUploadHeader(DeviceEndpoint& endpoint, const std::filesystem::path& localPath,
                              std::string_view updateType) {
    auto socket = ConnectWithRetry(endpoint);
    if (!socket) return kUploadConnectFailed;
    const auto size = FileSize(localPath);
    if (!size || *size == 0 || !std::ifstream(localPath, std::ios::binary)) return kUploadBadFile;
    ParamMap request;
    request["updatetype"] = std::string(updateType);
    request["filesize"] = std::to_string(*size);
    request["totalpacket"] = std::to_string(UploadPacketCount(*size));
    return ExchangeUploadHeader(*socket, request);
}

UploadResult SendUploadPackets(DeviceEndpoint& endpoint, const std::filesystem::path& localPath) {
    const TransportTimeouts timeouts = CurrentTransportTimeouts();
    auto socket = ConnectWithRetry(endpoint);
    if (!socket) return kUploadConnectFailed;
    std::ifstream file(localPath, std::ios::binary);
    if (!file) return kUploadOpenFailed;

    std::string data(kUploadPacketDataSize, '\0');
    for (std::uint32_t number = 1;; ++number) {
        file.read(data.data(), static_cast<std::streamsize>(data.size()));
        const auto count = static_cast<std::size_t>(file.gcount());
        if (count == 0) return file.bad() ? kUploadOpenFailed : kUploadOk;
        const std::string packet = BuildUploadPacket(number, std::string_view(data.data(), count));
        if (!socket->SendAll(packet, timeouts.fileReceiveWait)) return kUploadSendFailed;

        std::string reply(kUploadAckReceiveSize, '\0');
        std::size_t received = 0;
        if (ReceiveWithWait(*socket, reply.data(), reply.size(), received) == ReceiveStatus::Failed) {
            return kUploadReceiveFailed;
        }
        reply.resize(received);
        if (received > 0) CompleteFrame(*socket, reply, kUploadAckReceiveSize, timeouts.replyRestWait);
        if (!IsUploadAck(reply)) return kUploadRefused;
        if (count < kUploadPacketDataSize) return kUploadOk;
    }
}

const char* UploadResultText(UploadResult result) {
    switch (result) {
    case kUploadOk: return "";
    case kUploadConnectFailed: return "连接服务器失败，上传失败";
    case kUploadOpenFailed: return "打开文件失败，上传失败";
    case kUploadBadFile: return "上传文件有误，上传失败";
    case kUploadSendFailed: return "发送数据失败，上传失败";
    case kUploadReceiveFailed: return "接收数据失败，上传失败";
    case kUploadHeaderRefused: return "上传文件信息失败，上传失败";
    case kUploadBadParameter: return "参数错误，上传失败";
    default: return "上传失败";
    }
}

bool ExportFileTcp(DeviceEndpoint& endpoint, const std::filesystem::path& localPath, std::uint8_t exportType) {
    auto socket = ConnectWithRetry(endpoint);
    if (!socket) {
        NoteTransportFailure(kTransportConnectFailed);
        ShowMessage("Connect Server Fail，Export Fail");
        return false;
    }
    const TransportTimeouts timeouts = CurrentTransportTimeouts();
    if (!socket->SendAll(BuildExportRequest(exportType), timeouts.fileReceiveWait)) {
        NoteTransportFailure(kTransportSendFailed);
        ShowMessage("Send Data Fail，Export Fail");
        return false;
    }

    // The first data packet may follow the begin reply at once, so only the
    // length is read first and then exactly the frame it announces.
    std::string bytes(kFrameLengthSize, '\0');
    std::size_t received = 0;
    const ReceiveStatus status = ReceiveWithWait(*socket, bytes.data(), bytes.size(), received);
    bytes.resize(received);
    if (status == ReceiveStatus::Data) CompleteFrame(*socket, bytes, kExportReceiveSize, timeouts.replyRestWait);
    // No begin reply at all is a receive failure; a reply of the wrong shape is not.
    if (status != ReceiveStatus::Data) NoteTransportFailure(kTransportReceiveFailed);
    if (status == ReceiveStatus::TimedOut) {
        ShowMessage("Recv Data Timeout，Export Fail");
        return false;
    }
    const auto begin = CheckExportBegin(bytes, exportType);
    if (!begin) return false;
    if (begin->status == kExportStatusBusy) {
        ShowMessage("Other User is Exporting, Please waiting...");
        return false;
    }
    if (begin->status == kExportStatusCannotBegin) {
        ShowMessage("Begain Export Fail");
        return false;
    }
    // No packets can only describe an empty file; anything else is inconsistent.
    if (begin->totalSize > ExportMaxFileSize(exportType) || (begin->totalPackets == 0 && begin->totalSize != 0)) {
        ShowMessage("The File Export is Err");
        return false;
    }

    auto file = OutputFile::Open(localPath);
    if (!file) {
        ShowMessage(CreateFailedText(localPath));
        return false;
    }
    const char* failure = begin->totalPackets == 0 ? nullptr : ReceiveExportData(*socket, *file, exportType, *begin);
    socket->Close();
    if (failure == nullptr && !file->Commit()) failure = "写入文件失败!";
    if (failure != nullptr) {
        ShowMessage(failure);
        return false;  // the unfinished file is abandoned with `file`
    }
    return true;
}

std::optional<TcpSocket> ConnectWithRetry(const DeviceEndpoint& endpoint) {
    constexpr int kAttempts = 3;
    constexpr int kSendBufferSize = 65536;
    for (int attempt = 0; attempt < kAttempts && !CurrentStopRaised(); ++attempt) {
        auto socket = TcpSocket::Connect(endpoint.ip, endpoint.port, FileConnectWait(), kSendBufferSize);
        if (socket) return socket;
    }
    return std::nullopt;
}

ReceiveStatus ReceiveWithWait(TcpSocket& socket, char* buffer, std::size_t size, std::size_t& received) {
    received = 0;
    // A cancelled transfer ends as one whose device fell silent.
    if (CurrentStopRaised()) return ReceiveStatus::TimedOut;
    // During a transfer the next bytes are usually queued already.
    if (const auto waiting = socket.ReceiveIfWaiting(buffer, size)) {
        if (*waiting <= 0) return ReceiveStatus::Failed;
        received = static_cast<std::size_t>(*waiting);
        return ReceiveStatus::Data;
    }
    switch (socket.WaitReadable(CurrentTransportTimeouts().fileReceiveWait)) {
    case net::WaitResult::TimedOut:
    case net::WaitResult::Stopped: return ReceiveStatus::TimedOut;
    case net::WaitResult::ErrorCondition:
    case net::WaitResult::WaitFailed: return ReceiveStatus::Failed;
    case net::WaitResult::Ready: break;
    }
    const std::ptrdiff_t got = socket.Receive(buffer, size);
    if (got <= 0) return ReceiveStatus::Failed;
    received = static_cast<std::size_t>(got);
    return ReceiveStatus::Data;
}

std::string MakeUploadTag() {
    const auto wall = CurrentClock().WallNow();
    const auto sinceEpoch = wall.time_since_epoch();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(wall);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto localSeconds = static_cast<std::uint64_t>(seconds + local.tm_gmtoff);
    const auto millis = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000);
    std::mt19937 generator(static_cast<std::uint32_t>(localSeconds * 1000000u + millis * 1000u));
    std::uniform_int_distribution<unsigned> pick(0, 65534);
    char tag[16];
    std::snprintf(tag, sizeof tag, "IMG_%04x", pick(generator));
    return tag;
}

}  // namespace ostrand
