// Devices that misbehave on purpose: they overrun what they announced, never
// finish a body, trickle bytes, or are handed names that would split the
// request. Every rule holds its bound, leaves no file behind and never touches
// what the output path named before.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "platform/message_sink.h"
#include "scripted_peer.h"
#include "short_waits.h"
#include "transport/file_channel.h"
#include "transport/form_channel.h"
#include "transport/frames.h"
#include "transport/request_target.h"
#include "transport/transport_settings.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ScriptedPeer;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kEndless = 0xFFFFFFFF;

TransportTimeouts HostileWaits() {
    TransportTimeouts timeouts = test::ShortChannelWaits();
    timeouts.fileReceiveWait = 300ms;
    timeouts.exportIdleWaits = 2;
    timeouts.httpReceiveTimeout = 500ms;  // also the download's grace before its rate floor
    timeouts.downloadMinRate = 1000;
    timeouts.httpDownloadMaxBytes = 1u << 20;
    timeouts.httpFormReceiveTimeout = 1000ms;
    timeouts.httpFormDeadline = 600ms;
    return timeouts;
}

class HostilePeerTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ostrand-hostile-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Names in the folder: a transfer leaves no temporary file behind.
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
    ScopedTransportTimeouts waits_{HostileWaits()};
    RecordingMessageSink sink_;
    ScopedMessageSink scopedSink_{sink_};
};

std::string ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void WriteAll(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// ---- export: a device that sends its begin reply, then the given frames,
// each awaiting the tool's acknowledgement ----

ScriptedPeer::Handler ExportScript(std::string begin, std::vector<std::string> frames) {
    return [begin = std::move(begin), frames = std::move(frames)](net::TcpSocket& socket) {
        test::ReadFrame(socket);
        socket.SendAll(begin);
        for (const auto& frame : frames) {
            if (!socket.SendAll(frame, 1000ms) || test::ReadFrame(socket, 1000ms).empty()) return;
        }
    };
}

std::string Begin(std::uint32_t size, std::uint32_t packets) {
    return BuildExportBegin({kExportTypeUsers, kExportKindBegin, 0, size, packets});
}

// `count` full data frames, the last one numbered `lastNumber`.
std::vector<std::string> DataFrames(std::size_t count, std::size_t bytesEach, std::uint32_t lastNumber) {
    const std::string data(bytesEach, 'd');
    std::vector<std::string> frames;
    for (std::size_t i = 1; i <= count; ++i) {
        frames.push_back(BuildExportData(kExportTypeUsers, i == count ? lastNumber : static_cast<std::uint32_t>(i), data));
    }
    return frames;
}

// A complete frame of six bytes: length 2, the export type and a kind byte.
std::string ShortFrame(std::uint8_t kind) {
    std::string frame;
    AppendLe32(frame, 2);
    frame += static_cast<char>(kExportTypeUsers);
    frame += static_cast<char>(kind);
    return frame;
}

struct ExportFault {
    const char* name;
    std::function<ScriptedPeer::Handler()> device;
    const char* message;
};

TEST_F(HostilePeerTest, ExportFaultsFailWithTheirTextAndLeaveNoFile) {
    const std::vector<ExportFault> faults = {
        {"streams past the 1000 bytes it announced",
         [] { return ExportScript(Begin(1000, kEndless), DataFrames(6, 65536, kEndless)); },
         "设备发送的数据超过其声明的文件大小，导出失败"},
        {"streams past the 20 MiB cap",
         [] {
             const std::size_t frames = kExportMaxFileSize / kExportMaxDataPerFrame + 2;
             return ExportScript(Begin(kExportMaxFileSize, kEndless), DataFrames(frames, kExportMaxDataPerFrame, kEndless));
         },
         "设备发送的数据超过其声明的文件大小，导出失败"},
        {"ends short of the size it announced",
         [] { return ExportScript(Begin(1000, 1), DataFrames(1, 500, 1)); },
         "导出文件的大小与设备声明的不符，导出失败"},
        {"sends a complete short data frame of the begin kind",
         [] { return ExportScript(Begin(10, 1), {ShortFrame(kExportKindBegin)}); },
         "Recv Cmd Type Err，Export Fail"},
        {"answers the request with a complete short frame of the data kind",
         [] { return ExportScript(ShortFrame(kExportKindData), {}); },
         "Recv Cmd Type Err，Export Fail"},
    };
    const auto path = dir_ / "userinfo";
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.name);
        sink_.Clear();
        ScriptedPeer peer({fault.device()});
        DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
        EXPECT_FALSE(ExportFileTcp(endpoint, path, kExportTypeUsers));
        EXPECT_EQ(sink_.Texts(), std::vector<std::string>{fault.message});
        EXPECT_TRUE(Listing().empty());
        EXPECT_TRUE(peer.WaitDone(10s));
    }
}

// ---- HTTP log download ----

// Sends the head of a 200 reply, then `piece` every `pause` until the tool
// hangs up or `most` has passed.
ScriptedPeer::Handler EndlessBody(std::string head, std::string piece, std::chrono::milliseconds pause,
                                  std::chrono::milliseconds most) {
    return [=](net::TcpSocket& socket) {
        test::ReadHttpRequest(socket);
        if (!socket.SendAll(head)) return;
        const auto until = Clock::now() + most;
        while (Clock::now() < until && socket.SendAll(piece, 500ms)) std::this_thread::sleep_for(pause);
    };
}

std::string Chunk(const std::string& data) {
    char size[16];
    std::snprintf(size, sizeof size, "%zx\r\n", data.size());
    return size + data + "\r\n";
}

TEST_F(HostilePeerTest, DownloadsThatNeverEndFailWithinTheirBoundsAndLeaveNoFile) {
    const std::string chunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const std::string longHead = "HTTP/1.1 200 OK\r\nContent-Length: 100000000\r\n\r\n";
    struct Case {
        const char* name;
        ScriptedPeer::Handler device;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"endless chunked body", EndlessBody(chunkedHead, Chunk(std::string(65536, 'z')), 0ms, 8s),
         "设备发送的文件超过 1 MiB，下载失败"},
        {"endless error page", EndlessBody("HTTP/1.1 404 Not Found\r\nTransfer-Encoding: chunked\r\n\r\n",
                                           Chunk(std::string(65536, 'e')), 0ms, 8s),
         "设备发送的文件超过 1 MiB，下载失败"},
        {"trickle of two bytes at a time", EndlessBody(longHead, "zz", 50ms, 8s), "设备发送过慢，下载失败"},
        {"silence after the request",
         [](net::TcpSocket& socket) {
             test::ReadHttpRequest(socket);
             test::ReadUntilClosed(socket, 8s);
         },
         "设备没有应答，下载失败"},
    };
    const auto path = dir_ / "log.tar.gz";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sink_.Clear();
        ScriptedPeer peer({c.device});
        CommandTarget target(peer.Ip(), peer.Port());
        const auto started = Clock::now();
        EXPECT_FALSE(DownloadDeviceFile(target, path, kExportTypeLog));
        // The grace of 0.5 s, and the rate check libcurl runs once a second.
        EXPECT_LT(Clock::now() - started, 3s);
        EXPECT_EQ(sink_.Texts(), std::vector<std::string>{c.message});
        EXPECT_TRUE(Listing().empty());
    }
}

TEST_F(HostilePeerTest, SlowButSteadyDownloadStillFinishes) {
    const std::string body(3000, 'b');
    ScriptedPeer peer({[&](net::TcpSocket& socket) {
        test::ReadHttpRequest(socket);
        test::SendInPieces(socket, test::HttpResponse(200, body), 6, 150ms);  // about 3 kB/s
    }});
    CommandTarget target(peer.Ip(), peer.Port());
    EXPECT_TRUE(DownloadDeviceFile(target, dir_ / "log.tar.gz", kExportTypeLog)) << sink_.Texts().size();
    EXPECT_EQ(ReadAll(dir_ / "log.tar.gz"), body);
}

// ---- what the output path named before a failed transfer ----

// Runs one broken export or download into `path`.
bool RunBroken(bool overHttp, const fs::path& path) {
    ScriptedPeer peer({overHttp ? ScriptedPeer::Handler([](net::TcpSocket& socket) {
                          test::ReadHttpRequest(socket);
                          socket.SendAll("HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n" + std::string(5000, 'n'));
                      })
                                : ExportScript(Begin(2 * 1000, 2), DataFrames(1, 1000, 1))});
    if (overHttp) {
        CommandTarget target(peer.Ip(), peer.Port());
        return DownloadDeviceFile(target, path, kExportTypeLog);
    }
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    return ExportFileTcp(endpoint, path, kExportTypeUsers);
}

// Drains a FIFO while a transfer writes into it.
class FifoReader {
public:
    explicit FifoReader(const fs::path& path) : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK)) {
        thread_ = std::thread([this] {
            char block[4096];
            while (!stop_) {
                if (::read(fd_, block, sizeof block) <= 0) std::this_thread::sleep_for(5ms);
            }
        });
    }
    ~FifoReader() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }

private:
    int fd_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

bool IsKind(const fs::path& path, mode_t kind) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == kind;
}

TEST_F(HostilePeerTest, FailedTransferLeavesWhatThePathNamedUntouched) {
    for (const bool overHttp : {false, true}) {
        SCOPED_TRACE(overHttp ? "download" : "export");

        const auto regular = dir_ / "old.bin";
        WriteAll(regular, "old contents");
        EXPECT_FALSE(RunBroken(overHttp, regular));
        EXPECT_EQ(ReadAll(regular), "old contents");

        const auto target = dir_ / "target.bin";
        const auto link = dir_ / "link.bin";
        WriteAll(target, "target contents");
        fs::create_symlink("target.bin", link);
        EXPECT_FALSE(RunBroken(overHttp, link));
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(ReadAll(target), "target contents");

        const auto fifo = dir_ / "fifo";
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        {
            FifoReader reader(fifo);
            EXPECT_FALSE(RunBroken(overHttp, fifo));
        }
        EXPECT_TRUE(IsKind(fifo, S_IFIFO));

        if (::geteuid() == 0) {  // a node of the null device of our own
            const auto node = dir_ / "null";
            ASSERT_EQ(::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
            EXPECT_FALSE(RunBroken(overHttp, node));
            EXPECT_TRUE(IsKind(node, S_IFCHR));
        }
        // Nothing else was left in the folder.
        std::vector<std::string> expected = {"fifo", "link.bin", "old.bin", "target.bin"};
        if (::geteuid() == 0) expected.insert(expected.begin() + 2, "null");
        EXPECT_EQ(Listing(), expected);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
}

TEST_F(HostilePeerTest, SuccessfulExportThroughASymlinkReplacesItsTarget) {
    const auto target = dir_ / "target.bin";
    const auto link = dir_ / "link.bin";
    WriteAll(target, "old");
    ::chmod(target.c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(target.c_str(), 1234, 1234), 0);  // a file of another user
    }
    fs::create_symlink(target, link);
    ScriptedPeer peer({ExportScript(Begin(3, 1), {BuildExportData(kExportTypeUsers, 1, "new")})});
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    EXPECT_TRUE(ExportFileTcp(endpoint, link, kExportTypeUsers));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(target), "new");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    if (root) {
        EXPECT_EQ(info.st_uid, 1234u);
    }
    EXPECT_EQ(Listing(), (std::vector<std::string>{"link.bin", "target.bin"}));
}

// ---- HTTP form commands ----

TEST_F(HostilePeerTest, TricklingFormReplyEndsWithinTheDeadline) {
    const auto trickle = EndlessBody("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n?a=", "x", 50ms, 5s);
    ScriptedPeer peer({trickle, trickle});
    CommandTarget target(peer.Ip(), peer.Port());
    ParamMap reply;
    std::string detail;
    auto started = Clock::now();
    EXPECT_EQ(GetFormCommandCoded(target, "getnetparam", reply, &detail), kTransportFailed);
    EXPECT_LT(Clock::now() - started, 1500ms);
    EXPECT_NE(detail.find("within 0.6 s"), std::string::npos) << detail;
    EXPECT_TRUE(sink_.Texts().empty());

    started = Clock::now();
    EXPECT_FALSE(GetFormCommand(target, "getnetparam", reply));
    EXPECT_LT(Clock::now() - started, 1500ms);
    ASSERT_EQ(sink_.Texts().size(), 1u);
    EXPECT_NE(sink_.Texts()[0].find("no complete reply"), std::string::npos) << sink_.Texts()[0];
}

// ---- names inside the request line ----

TEST_F(HostilePeerTest, NamesThatWouldSplitTheRequestAreRefusedUnsent) {
    const std::vector<std::string> names = {
        "get\r\n\r\nGET /goform/reboot", "getnetparam\nX-Injected: 1", "a b", "tab\tname", std::string("nul\0x", 5),
        "del\x7f",
    };
    WriteAll(dir_ / "image.bin", "image");
    ScriptedPeer peer({[](net::TcpSocket& socket) { test::ReadUntilClosed(socket, 300ms); }});
    CommandTarget target(peer.Ip(), peer.Port());
    for (const auto& name : names) {
        SCOPED_TRACE(testing::PrintToString(name));
        sink_.Clear();
        ParamMap request;
        ParamMap reply;
        EXPECT_FALSE(IsSafeRequestName(name));
        EXPECT_EQ(GetFormCommandCoded(target, name, reply), kTransportBadParameter);
        EXPECT_EQ(PostFormCommandCoded(target, name, request, reply), kTransportBadParameter);
        EXPECT_TRUE(sink_.Texts().empty());
        EXPECT_FALSE(GetFormCommand(target, name, reply));
        EXPECT_FALSE(PostFormNoReply(target, name));
        EXPECT_FALSE(UploadFileHttp(peer.Ip(), peer.Port(), dir_ / "image.bin", name));
        EXPECT_FALSE(UploadImageHttp(peer.Ip(), peer.Port(), dir_ / "image.bin", name));
        EXPECT_EQ(sink_.Texts(), std::vector<std::string>(4, "参数错误"));
    }
    EXPECT_EQ(peer.Connections(), 0);
    EXPECT_TRUE(IsSafeRequestName("\xc9\xe8\xb1\xb8.bin"));  // GBK text passes
    EXPECT_TRUE(IsSafeRequestName("getnetparam"));
}

}  // namespace
}  // namespace ostrand
