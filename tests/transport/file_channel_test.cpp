// Uploads, the log download and the export, against scripted devices.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/message_sink.h"
#include "scripted_peer.h"
#include "short_waits.h"
#include "transport/file_channel.h"
#include "transport/frames.h"
#include "transport/transport_settings.h"
#include "transport/xml_codec.h"

namespace ostrand {
namespace {

using namespace std::chrono_literals;
using test::HttpRequestSeen;
using test::ScriptedPeer;

TransportTimeouts ShortWaits() {
    TransportTimeouts timeouts = test::ShortChannelWaits();
    timeouts.replyWait = 500ms;
    timeouts.replyRestWait = 500ms;
    timeouts.fileReceiveWait = 200ms;
    timeouts.exportIdleWaits = 3;
    timeouts.httpUploadConnectTimeout = 500ms;
    timeouts.httpImageConnectTimeout = 500ms;
    timeouts.httpReceiveTimeout = 2000ms;
    return timeouts;
}

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
    return bytes;
}

class FileChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("ostrand-transport-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path WriteFile(const std::string& name, const std::string& bytes) {
        const auto path = dir_ / name;
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    static std::string ReadFile(const std::filesystem::path& path) {
        std::ifstream file(path, std::ios::binary);
        std::string bytes;
        char block[65536];
        while (file.read(block, sizeof block) || file.gcount() > 0) bytes.append(block, static_cast<std::size_t>(file.gcount()));
        return bytes;
    }

    std::filesystem::path dir_;
    ScopedTransportTimeouts waits_{ShortWaits()};
    RecordingMessageSink sink_;
    ScopedMessageSink scopedSink_{sink_};
};

// ---- TCP upload ----

class UploadSizeTest : public FileChannelTest, public ::testing::WithParamInterface<std::pair<std::size_t, std::uint32_t>> {};

TEST_P(UploadSizeTest, HeaderAnnouncesAndPacketsCarryTheWholeFile) {
    const auto [size, packets] = GetParam();
    const std::string content = Pattern(size);
    const auto path = WriteFile("image.bin", content);
    ParamMap header;
    std::vector<std::uint32_t> numbers;
    std::string received;
    ScriptedPeer peer({
        [&](net::TcpSocket& socket) {
            const std::string frame = test::ReadFrame(socket);
            DecodeCommandXml(CommandFrameDocument(frame), header);
            socket.SendAll(BuildCommandFrame(EncodeCommandXml({{"result", "10000"}}, 5012)));
        },
        [&](net::TcpSocket& socket) {
            for (;;) {
                const std::string frame = test::ReadFrame(socket, 1000ms);
                const auto packet = ParseUploadPacket(frame);
                if (!packet) break;
                numbers.push_back(packet->number);
                received.append(packet->data);
                socket.SendAll(BuildUploadAck(true));
            }
        },
    });
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    EXPECT_EQ(SendUploadHeader(endpoint, path, "kernel"), kUploadOk);
    EXPECT_EQ(SendUploadPackets(endpoint, path), kUploadOk);
    ASSERT_TRUE(peer.WaitDone());
    EXPECT_EQ(header["updatetype"], "kernel");
    EXPECT_EQ(header["filesize"], std::to_string(size));
    EXPECT_EQ(header["totalpacket"], std::to_string(packets));
    ASSERT_EQ(numbers.size(), packets);
    for (std::uint32_t i = 0; i < packets; ++i) EXPECT_EQ(numbers[i], i + 1);
    EXPECT_TRUE(received == content);
}

INSTANTIATE_TEST_SUITE_P(Sizes, UploadSizeTest,
                         ::testing::Values(std::pair<std::size_t, std::uint32_t>{1, 1},
                                           std::pair<std::size_t, std::uint32_t>{65536, 1},
                                           std::pair<std::size_t, std::uint32_t>{65537, 2},
                                           std::pair<std::size_t, std::uint32_t>{131072, 2}));

TEST_F(FileChannelTest, UploadFailuresGiveTheirResults) {
    const auto path = WriteFile("image.bin", Pattern(70000));
    const auto empty = WriteFile("empty.bin", "");
    ScriptedPeer peer({
        [](net::TcpSocket& socket) {
            test::ReadFrame(socket);
            socket.SendAll(BuildCommandFrame(EncodeCommandXml({{"result", "10001"}}, 5012)));
        },
        [](net::TcpSocket& socket) {
            test::ReadFrame(socket);
            socket.SendAll(BuildUploadAck(false));
        },
        [](net::TcpSocket& socket) {
            test::ReadFrame(socket);
            const std::string ack = BuildUploadAck(true);
            test::SendInPieces(socket, ack, ack.size(), 10ms);  // an acknowledgement in pieces still counts
            test::ReadFrame(socket);                            // then silence
            test::ReadUntilClosed(socket, 1000ms);
        },
    });
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    EXPECT_EQ(SendUploadHeader(endpoint, path, "app"), kUploadHeaderRefused);
    EXPECT_EQ(SendUploadPackets(endpoint, path), kUploadRefused);
    EXPECT_EQ(SendUploadPackets(endpoint, path), kUploadRefused);  // the second packet gets no answer
    EXPECT_EQ(SendUploadHeader(endpoint, empty, "app"), kUploadBadFile);
    EXPECT_EQ(SendUploadHeader(endpoint, path, std::string(2100, 't')), kUploadBadParameter);  // sends nothing
    EXPECT_EQ(SendUploadPackets(endpoint, dir_ / "missing.bin"), kUploadOpenFailed);

    DeviceEndpoint refused{"127.0.0.1", test::RefusingPort()};
    EXPECT_EQ(SendUploadHeader(refused, path, "app"), kUploadConnectFailed);
    EXPECT_STREQ(UploadResultText(kUploadConnectFailed), "连接服务器失败，上传失败");
    EXPECT_STREQ(UploadResultText(42), "上传失败");
    EXPECT_TRUE(sink_.Texts().empty());
}

TEST(UploadTagTest, TagIsImgAndFourHexDigits) {
    const std::string tag = MakeUploadTag();
    ASSERT_EQ(tag.size(), kUploadTagSize);
    EXPECT_EQ(tag.substr(0, 4), "IMG_");
    EXPECT_EQ(tag.find_first_not_of("0123456789abcdef", 4), std::string::npos);
}

// ---- HTTP uploads ----

TEST_F(FileChannelTest, FileUploadPostsTheWholeFileToItsName) {
    const std::string content = Pattern(5000);
    const auto path = WriteFile("app.tar", content);
    HttpRequestSeen seen;
    ScriptedPeer peer({
        [&](net::TcpSocket& socket) {
            seen = test::ReadHttpRequest(socket);
            socket.SendAll(test::HttpResponse(200, ""));
        },
        [&](net::TcpSocket& socket) {
            test::ReadHttpRequest(socket);
            socket.SendAll(test::HttpResponse(500, ""));
        },
    });
    EXPECT_TRUE(UploadFileHttp(peer.Ip(), peer.Port(), path, "app.tar"));
    EXPECT_FALSE(UploadFileHttp(peer.Ip(), peer.Port(), path, "app.tar"));
    ASSERT_TRUE(peer.WaitDone());
    EXPECT_EQ(seen.requestLine, "POST /goform/formUploadFile?filename=app.tar HTTP/1.1");
    EXPECT_EQ(seen.Header("Content-Type"), "");
    EXPECT_TRUE(seen.body == content);
    EXPECT_FALSE(UploadFileHttp(peer.Ip(), peer.Port(), WriteFile("empty", ""), "x"));
}

TEST_F(FileChannelTest, ImageOfOneChunkSendsTheChunkThenTheBareTagOnANewConnection) {
    const std::string content = Pattern(kImageChunkSize);
    const auto path = WriteFile("kernel.img", content);
    HttpRequestSeen first;
    HttpRequestSeen last;
    ScriptedPeer peer({
        [&](net::TcpSocket& socket) {
            first = test::ReadHttpRequest(socket);
            socket.SendAll(test::HttpResponse(200, "", true));
            test::ReadUntilClosed(socket, 2000ms);
        },
        [&](net::TcpSocket& socket) {
            last = test::ReadHttpRequest(socket);
            socket.SendAll(test::HttpResponse(200, ""));
        },
    });
    EXPECT_TRUE(UploadImageHttp(peer.Ip(), peer.Port(), path, "kernel.img"));
    ASSERT_TRUE(peer.WaitDone());
    EXPECT_EQ(peer.Connections(), 2);
    EXPECT_EQ(first.requestLine, "POST /goform/formUploadImage?filename=kernel.img HTTP/1.1");
    ASSERT_EQ(first.body.size(), kUploadTagSize + kImageChunkSize);
    const std::string tag = first.body.substr(0, kUploadTagSize);
    EXPECT_EQ(tag.substr(0, 4), "IMG_");
    EXPECT_TRUE(first.body.substr(kUploadTagSize) == content);
    EXPECT_EQ(last.body, tag);
}

TEST_F(FileChannelTest, ImageResultIsTheLastRequestsStatus) {
    const auto path = WriteFile("small.img", Pattern(1000));
    ScriptedPeer peer({[](net::TcpSocket& socket) {
        const HttpRequestSeen seen = test::ReadHttpRequest(socket);
        socket.SendAll(test::HttpResponse(seen.body.size() == kUploadTagSize + 1000 ? 403 : 200, ""));
    }});
    EXPECT_FALSE(UploadImageHttp(peer.Ip(), peer.Port(), path, "small.img"));
    EXPECT_FALSE(UploadImageHttp("127.0.0.1", test::RefusingPort(), path, "small.img"));
    const auto texts = sink_.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind("InternetException occur!\r\n", 0), 0u);
    EXPECT_LE(texts[0].size(), std::string("InternetException occur!\r\n").size() + 24);
}

// ---- log download ----

TEST_F(FileChannelTest, DownloadWritesTheBodyAndRefusalTextsLeaveNoFile) {
    const std::string archive = Pattern(10000);
    HttpRequestSeen seen;
    ScriptedPeer peer({
        [&](net::TcpSocket& socket) {
            seen = test::ReadHttpRequest(socket);
            socket.SendAll(test::HttpResponse(200, archive));
        },
        [](net::TcpSocket& socket) {
            test::ReadHttpRequest(socket);
            socket.SendAll(test::HttpResponse(200, kDownloadNoLogText));
        },
        [](net::TcpSocket& socket) {
            test::ReadHttpRequest(socket);
            socket.SendAll(test::HttpResponse(200, kDownloadNoTarText));
        },
        [](net::TcpSocket& socket) {
            test::ReadHttpRequest(socket);
            socket.SendAll(test::HttpResponse(404, "not here"));
        },
    });
    CommandTarget target(peer.Ip(), peer.Port());
    const auto good = dir_ / "log.tar.gz";
    EXPECT_TRUE(DownloadDeviceFile(target, good, kExportTypeLog));
    EXPECT_TRUE(ReadFile(good) == archive);
    EXPECT_EQ(seen.requestLine, "GET /goform/httpDownLoadFile HTTP/1.1");
    EXPECT_EQ(seen.Header("Accept").rfind("audio/x-aiff, audio/basic, audio/midi,\t", 0), 0u);

    const auto bad = dir_ / "bad.tar.gz";
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(DownloadDeviceFile(target, bad, kExportTypeLog));
        EXPECT_FALSE(std::filesystem::exists(bad));
    }
    EXPECT_EQ(sink_.Texts(), (std::vector<std::string>{"不存在log文件，下载失败",
                                                       "该设备不支持tar或gzip指令，无法上传日志",
                                                       "POST出错，错误码：404"}));
}

// ---- export ----

ScriptedPeer::Handler ExportDevice(std::uint8_t status, std::string content, std::uint8_t type,
                                   std::vector<ExportAck>* acks = nullptr) {
    return [=](net::TcpSocket& socket) {
        const auto requested = ParseExportRequest(test::ReadFrame(socket));
        if (!requested || *requested != type) return;
        const std::uint32_t packets =
            static_cast<std::uint32_t>((content.size() + kExportMaxDataPerFrame - 1) / kExportMaxDataPerFrame);
        socket.SendAll(BuildExportBegin({type, kExportKindBegin, status, static_cast<std::uint32_t>(content.size()), packets}));
        if (status == kExportStatusBusy || status == kExportStatusCannotBegin) return;
        for (std::uint32_t number = 1; number <= packets; ++number) {
            const std::size_t offset = (number - 1) * kExportMaxDataPerFrame;
            socket.SendAll(BuildExportData(type, number, std::string_view(content).substr(offset, kExportMaxDataPerFrame)));
            const auto ack = ParseExportAck(test::ReadFrame(socket));
            if (!ack) return;
            if (acks != nullptr) acks->push_back(*ack);
        }
    };
}

TEST_F(FileChannelTest, ExportOfTwentyMebibytesArrivesWhole) {
    const std::string content = Pattern(kExportMaxFileSize);
    std::vector<ExportAck> acks;
    ScriptedPeer peer({ExportDevice(0, content, kExportTypeRecords, &acks)});
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    const auto path = dir_ / "attendinfo";
    EXPECT_TRUE(ExportFileTcp(endpoint, path, kExportTypeRecords));
    ASSERT_TRUE(peer.WaitDone(20s));
    EXPECT_TRUE(ReadFile(path) == content);
    ASSERT_EQ(acks.size(), (content.size() + kExportMaxDataPerFrame - 1) / kExportMaxDataPerFrame);
    for (std::size_t i = 0; i + 1 < acks.size(); ++i) EXPECT_FALSE(acks[i].last);
    EXPECT_TRUE(acks.back().last);
    EXPECT_TRUE(sink_.Texts().empty());
}

// Packets are acknowledged before they are written, except the last: a
// device must never hear that the export completed when the disk failed.
TEST_F(FileChannelTest, ExportThatCannotBeWrittenNeverAcknowledgesTheLastPacket) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    for (const std::size_t size : {std::size_t{100}, kExportMaxDataPerFrame + 100}) {
        SCOPED_TRACE(size);
        sink_.Clear();
        std::vector<ExportAck> acks;
        ScriptedPeer peer({ExportDevice(0, Pattern(size), kExportTypeRecords, &acks)});
        DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
        EXPECT_FALSE(ExportFileTcp(endpoint, "/dev/full", kExportTypeRecords));
        ASSERT_TRUE(peer.WaitDone(5s));
        for (const ExportAck& ack : acks) EXPECT_FALSE(ack.last);
        EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"写入文件失败!"});
    }
}

TEST_F(FileChannelTest, ExportRefusedByTheDeviceLeavesNoFile) {
    ScriptedPeer peer({ExportDevice(kExportStatusBusy, "x", kExportTypeUsers),
                       ExportDevice(kExportStatusCannotBegin, "x", kExportTypeUsers)});
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    const auto path = dir_ / "userinfo";
    EXPECT_FALSE(ExportFileTcp(endpoint, path, kExportTypeUsers));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(ExportFileTcp(endpoint, path, kExportTypeUsers));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(sink_.Texts(), (std::vector<std::string>{"Other User is Exporting, Please waiting...", "Begain Export Fail"}));
}

TEST_F(FileChannelTest, ExportBeginFaultsAreReported) {
    ScriptedPeer peer({
        [](net::TcpSocket& socket) {  // answers for another export type
            test::ReadFrame(socket);
            socket.SendAll(BuildExportBegin({kExportTypeLog, kExportKindBegin, 0, 1, 1}));
        },
        [](net::TcpSocket& socket) {  // wrong reply kind
            test::ReadFrame(socket);
            socket.SendAll(BuildExportBegin({kExportTypeUsers, kExportKindData, 0, 1, 1}));
        },
        [](net::TcpSocket& socket) {  // too large
            test::ReadFrame(socket);
            socket.SendAll(BuildExportBegin({kExportTypeUsers, kExportKindBegin, 0, ExportMaxFileSize(kExportTypeUsers) + 1, 81}));
        },
        [](net::TcpSocket& socket) {  // silent
            test::ReadFrame(socket);
            test::ReadUntilClosed(socket, 2000ms);
        },
    });
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    const auto path = dir_ / "userinfo";
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(ExportFileTcp(endpoint, path, kExportTypeUsers));
    EXPECT_FALSE(std::filesystem::exists(path));
    DeviceEndpoint refused{"127.0.0.1", test::RefusingPort()};
    EXPECT_FALSE(ExportFileTcp(refused, path, kExportTypeUsers));
    EXPECT_EQ(sink_.Texts(), (std::vector<std::string>{"Recv Data Err，Export Fail", "Recv Cmd Type Err，Export Fail",
                                                       "The File Export is Err", "Recv Data Timeout，Export Fail",
                                                       "Connect Server Fail，Export Fail"}));
}

TEST_F(FileChannelTest, ExportOfAnEmptyFileEndsWithoutWaitingForData) {
    ScriptedPeer peer({ExportDevice(0, "", kExportTypeUsers)});
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    const auto path = dir_ / "userinfo";
    // A long receive wait, so waiting for data that never comes would show
    // plainly even on a loaded machine.
    TransportTimeouts longWait = CurrentTransportTimeouts();
    longWait.fileReceiveWait = 10s;
    ScopedTransportTimeouts scoped(longWait);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(ExportFileTcp(endpoint, path, kExportTypeUsers));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST_F(FileChannelTest, ExportThatStallsOrBreaksMidwayLeavesNoFile) {
    const std::string content = Pattern(kExportMaxDataPerFrame + 10);
    ScriptedPeer peer({
        [&](net::TcpSocket& socket) {  // sends half of its second packet and stops
            test::ReadFrame(socket);
            socket.SendAll(BuildExportBegin({kExportTypeLog, kExportKindBegin, 0, static_cast<std::uint32_t>(content.size()), 2}));
            socket.SendAll(BuildExportData(kExportTypeLog, 1, std::string_view(content).substr(0, kExportMaxDataPerFrame)));
            test::ReadFrame(socket);
            socket.SendAll(BuildExportData(kExportTypeLog, 2, content.substr(kExportMaxDataPerFrame)).substr(0, 12));
            test::ReadUntilClosed(socket, 3000ms);
        },
        [&](net::TcpSocket& socket) {  // closes after the first packet
            test::ReadFrame(socket);
            socket.SendAll(BuildExportBegin({kExportTypeLog, kExportKindBegin, 0, static_cast<std::uint32_t>(content.size()), 2}));
            socket.SendAll(BuildExportData(kExportTypeLog, 1, std::string_view(content).substr(0, kExportMaxDataPerFrame)));
            test::ReadFrame(socket);
        },
        [&](net::TcpSocket& socket) {  // trickles a packet a few bytes at a time
            test::ReadFrame(socket);
            socket.SendAll(BuildExportBegin({kExportTypeLog, kExportKindBegin, 0, static_cast<std::uint32_t>(content.size()), 2}));
            const std::string packet = BuildExportData(kExportTypeLog, 1, std::string_view(content).substr(0, kExportMaxDataPerFrame));
            for (std::size_t offset = 0; offset < 200 && socket.SendAll(packet.substr(offset, 1)); ++offset) {
                std::this_thread::sleep_for(20ms);
            }
        },
        [&](net::TcpSocket& socket) {  // announces 20 MiB, then sends whole packets of one byte, each in time
            test::ReadFrame(socket);
            constexpr std::uint32_t kAnnounced = 20u << 20;
            socket.SendAll(BuildExportBegin({kExportTypeLog, kExportKindBegin, 0, kAnnounced, kAnnounced}));
            const auto until = std::chrono::steady_clock::now() + 4s;
            for (std::uint32_t number = 1; std::chrono::steady_clock::now() < until; ++number) {
                if (!socket.SendAll(BuildExportData(kExportTypeLog, number, "x")) || test::ReadFrame(socket, 500ms).empty()) {
                    return;
                }
                std::this_thread::sleep_for(50ms);
            }
        },
    });
    DeviceEndpoint endpoint{peer.Ip(), peer.Port()};
    const auto path = dir_ / "log.tar.gz";
    for (int i = 0; i < 4; ++i) {
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(ExportFileTcp(endpoint, path, kExportTypeLog));
        EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    EXPECT_EQ(sink_.Texts(), (std::vector<std::string>{"Recv Data Timeout，Export Fail", "Recv Data Err，Export Fail",
                                                       "Recv Data Timeout，Export Fail", "Recv Data Timeout，Export Fail"}));
}

TEST_F(FileChannelTest, DownloadOnPort60005UsesTheExport) {
    const std::string ip = test::PrivateLoopbackAddress(11);
    ScriptedPeer peer({ExportDevice(0, "log bytes", kExportTypeLog)}, ip, static_cast<std::uint16_t>(kTcpCommandPort));
    ASSERT_EQ(peer.Port(), kTcpCommandPort);
    CommandTarget target(ip, kTcpCommandPort);
    const auto path = dir_ / "log.tar.gz";
    EXPECT_TRUE(DownloadDeviceFile(target, path, kExportTypeLog));
    EXPECT_EQ(ReadFile(path), "log bytes");
}

}  // namespace
}  // namespace ostrand
