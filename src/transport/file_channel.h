#pragma once
// Whole-file transfers: uploads of firmware and application images, the log
// download and the TCP export of device files.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/net/tcp_socket.h"
#include "transport/form_channel.h"
#include "transport/tcp_channel.h"

namespace ostrand {

// Result of the TCP upload calls (texts from UploadResultText).
using UploadResult = std::int32_t;
inline constexpr UploadResult kUploadOk = 0;
inline constexpr UploadResult kUploadConnectFailed = 1;
inline constexpr UploadResult kUploadOpenFailed = 2;
inline constexpr UploadResult kUploadBadFile = 3;
inline constexpr UploadResult kUploadSendFailed = 4;
inline constexpr UploadResult kUploadReceiveFailed = 5;
inline constexpr UploadResult kUploadHeaderRefused = 6;
inline constexpr UploadResult kUploadRefused = 7;
inline constexpr UploadResult kUploadBadParameter = 9;  // the header would not fit its frame; nothing sent

// `remoteName` is device text (GBK); it is sent UTF-8 in the request target.
// A name IsSafeRequestName refuses shows "参数错误" and nothing is sent.
bool UploadFileHttp(const std::string& ip, std::int32_t port, const std::filesystem::path& localPath,
                    std::string_view remoteName);
// Sends the file in tagged chunks of kImageChunkSize bytes.
bool UploadImageHttp(const std::string& ip, std::int32_t port, const std::filesystem::path& localPath,
                     std::string_view remoteName);
inline constexpr std::size_t kImageChunkSize = 921600;
inline constexpr std::size_t kUploadTagSize = 8;

// Port 60005: ExportFileTcp; otherwise GET "/goform/httpDownLoadFile". Shows
// its messages. The body is bounded by httpDownloadMaxBytes and, after the
// first receive wait, by the floor rate downloadMinRate. The file is
// written as OutputFile describes: on failure the path is left as it was.
bool DownloadDeviceFile(CommandTarget& target, const std::filesystem::path& localPath,
                        std::uint8_t exportType);
inline constexpr const char* kDownloadNoLogText = "HttpDownLoadFile failed, LOG/vekIPC.log fopen failed";
inline constexpr const char* kDownloadNoTarText = "Device Donot support tar gzip";

// Announces an upload with command 5012 ("updatetype", "filesize", "totalpacket").
UploadResult SendUploadHeader(DeviceEndpoint& endpoint, const std::filesystem::path& localPath,
                              std::string_view updateType);
// Sends the file in 65536-byte packets on a new connection, each acknowledged.
UploadResult SendUploadPackets(DeviceEndpoint& endpoint, const std::filesystem::path& localPath);
const char* UploadResultText(UploadResult result);

// Streams a device file (export type 2, 4 or 5) into `localPath`. Shows its
// messages. The bytes never pass the announced size (at most 20 MiB), and a
// file that ends at another size than announced is a failure. The file is
// written as OutputFile describes: on failure the path is left as it was.
bool ExportFileTcp(DeviceEndpoint& endpoint, const std::filesystem::path& localPath,
                   std::uint8_t exportType);

// Up to three connection attempts, each bounded by FileConnectWait(), with a
// 65536-byte send buffer.
std::optional<net::TcpSocket> ConnectWithRetry(const DeviceEndpoint& endpoint);

enum class ReceiveStatus : std::uint8_t {
    Data,      // `received` bytes were stored
    TimedOut,  // the wait ended without data (`received` is 0)
    Failed,    // wait error, error condition, closed connection or receive error
};
// One bounded wait (fileReceiveWait) and one receive of at most `size` bytes.
ReceiveStatus ReceiveWithWait(net::TcpSocket& socket, char* buffer, std::size_t size,
                              std::size_t& received);

// "IMG_%04x" with a pseudo-random number in 0..65534 seeded from the wall clock.
std::string MakeUploadTag();

}  // namespace ostrand
