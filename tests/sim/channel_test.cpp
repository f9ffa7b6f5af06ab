// Every device channel through the tool's own transport calls against the
// simulator on loopback, the faults it plays, and the bytes its journal saw.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/message_sink.h"
#include "sim/simulator.h"
#include "sim_test_support.h"
#include "transport/file_channel.h"
#include "transport/form_channel.h"
#include "transport/form_codec.h"
#include "transport/frames.h"
#include "transport/tcp_channel.h"
#include "transport/xml_codec.h"

namespace ostrand::sim {
namespace {

namespace fs = std::filesystem;
using test::AddressBlock;
using test::ShortWaits;
using namespace std::chrono_literals;

constexpr std::uint16_t kCameraPort = 18080;

class ChannelTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string block = AddressBlock();
        DeviceConfig terminal;
        terminal.address = block + "1";
        terminal.kind = DeviceKind::Terminal;
        terminal.name = "T1";
        terminal.deviceNumber = "T0001";
        terminal.replies["5019"] = {{"server", "127.0.0.1"}};
        terminal.exports[4] = "user file";
        terminal_ = &sim_.AddDevice(terminal);

        DeviceConfig camera;
        camera.address = block + "2";
        camera.kind = DeviceKind::Camera;
        camera.port = kCameraPort;
        camera.replies["getUpdateKernelStatus"] = {{"status", "0"}};
        camera_ = &sim_.AddDevice(camera);
        sim_.Start();

        dir_ = fs::path(testing::TempDir()) / ("sim_channels_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        sim_.Stop();
        fs::remove_all(dir_);
    }

    DeviceEndpoint TerminalEndpoint() const { return {terminal_->AddressText(), kTcpChannelPort}; }
    CommandTarget TerminalTarget() const { return {terminal_->AddressText(), kTcpChannelPort}; }
    CommandTarget CameraTarget() const { return {camera_->AddressText(), kCameraPort}; }

    void Fault(Device& device, const std::function<void(FaultOptions&)>& change) {
        FaultOptions faults = device.Faults();
        change(faults);
        sim_.SetFaults(device, faults);
    }

    // The journal entries of a device once `count` of them are closed.
    std::vector<JournalEntry> Closed(const Device& device, std::size_t count) {
        const std::string address = device.AddressText();
        sim_.GetJournal().WaitFor(
            [&](const std::vector<JournalEntry>& entries) {
                std::size_t closed = 0;
                for (const auto& entry : entries) closed += entry.device == address && entry.closed;
                return closed >= count;
            },
            5s);
        return sim_.GetJournal().EntriesFor(address);
    }

    static void WriteFile(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    ScopedTransportTimeouts waits_{ShortWaits()};
    RecordingMessageSink sink_;
    ScopedMessageSink scopedSink_{sink_};
    Simulator sim_;
    Device* terminal_ = nullptr;
    Device* camera_ = nullptr;
    fs::path dir_;
};

TEST_F(ChannelTest, TcpGetIsCode5000AndTheJournalHoldsBothFramesExactly) {
    CommandTarget target = TerminalTarget();
    ParamMap reply;
    ASSERT_EQ(GetFormCommandCoded(target, "getnetparam", reply), kTransportOk);
    EXPECT_EQ(reply["result"], "10000");
    EXPECT_EQ(reply["ipaddress"], terminal_->AddressText());
    EXPECT_EQ(reply["deviceNumber"], "T0001");

    const auto entries = Closed(*terminal_, 1);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].channel, "command");
    EXPECT_EQ(entries[0].in, BuildCommandFrame(EncodeCommandXml({{"result", "10000"}}, 5000)));
    ParamMap expected = terminal_->Settings();
    expected["result"] = "10000";
    EXPECT_EQ(entries[0].out, BuildCommandFrame(EncodeCommandXml(expected, 5000)));
}

TEST_F(ChannelTest, WritesChangeTheSettingsThatLaterReadsReturn) {
    CommandTarget tcp = TerminalTarget();
    ParamMap request{{"gateway", "127.9.9.9"}};
    ParamMap reply;
    ASSERT_EQ(PostFormCommandCoded(tcp, "setnetparam", request, reply), kTransportOk);
    EXPECT_EQ(terminal_->Setting("gateway"), "127.9.9.9");
    ParamMap again;
    ASSERT_EQ(GetFormCommandCoded(tcp, "getnetparam", again), kTransportOk);
    EXPECT_EQ(again["gateway"], "127.9.9.9");

    // Over HTTP the fixed form pair travels but is not stored.
    CommandTarget http = CameraTarget();
    ParamMap named{{"devname", "\xC7\xB0\xCC\xA8"}};  // GBK, sent as UTF-8
    ParamMap httpReply;
    ASSERT_EQ(PostFormCommandCoded(http, "setDeviceName", named, httpReply), kTransportOk);
    EXPECT_EQ(httpReply["result"], "10000");
    EXPECT_EQ(camera_->Setting("devname"), "\xC7\xB0\xCC\xA8");
    EXPECT_EQ(camera_->Settings().count(kFixedFormKey), 0u);
}

TEST_F(ChannelTest, CodedCommandsAndRepliesByCode) {
    DeviceEndpoint endpoint = TerminalEndpoint();
    ParamMap reply;
    ASSERT_EQ(SendXmlCommandCoded(endpoint, {}, reply, 5019), kTransportOk);
    EXPECT_EQ(reply["server"], "127.0.0.1");
    EXPECT_EQ(reply["result"], "10000");

    Fault(*terminal_, [](FaultOptions& f) {
        f.resultCode = "10001";
        f.errorText = "busy";
    });
    ParamMap refused;
    ASSERT_EQ(SendXmlCommandCoded(endpoint, {}, refused, 5019), kTransportOk);
    EXPECT_EQ(refused["result"], "10001");
    EXPECT_EQ(refused["errmsg"], "busy");
}

TEST_F(ChannelTest, HttpCommandsOnTheWire) {
    CommandTarget target = CameraTarget();
    ParamMap reply;
    ASSERT_EQ(GetFormCommandCoded(target, "getUpdateKernelStatus", reply), kTransportOk);
    EXPECT_EQ(reply["status"], "0");
    ParamMap request{{"a", "1"}};
    ParamMap posted;
    ASSERT_EQ(PostFormCommandCoded(target, "setThing", request, posted), kTransportOk);

    const auto entries = Closed(*camera_, 2);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].channel, "http");
    EXPECT_EQ(entries[0].in.rfind("GET /goform/getUpdateKernelStatus HTTP/1.1\r\n", 0), 0u);
    const std::string& post = entries[1].in;
    EXPECT_EQ(post.rfind("POST /goform/setThing HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(post.find("Content-Type: application/x-www-form-urlencoded;\r\n"), std::string::npos);
    const std::string body = std::string("?B41E7A2C_93D0_4c7e_A52F_1C08E93B6D=LATEST_BUILD_CLIENTTAG&a=1");
    EXPECT_EQ(post.substr(post.size() - body.size()), body);
    EXPECT_EQ(entries[1].out.substr(entries[1].out.size() - 13), "?result=10000");
}

TEST_F(ChannelTest, NameWithoutCodeFallsThroughToHttpOnPort60005) {
    CommandTarget target = TerminalTarget();
    ParamMap reply;
    ASSERT_EQ(GetFormCommandCoded(target, "getDeviceState", reply), kTransportOk);
    EXPECT_EQ(reply["ipaddress"], terminal_->AddressText());
    const auto entries = Closed(*terminal_, 1);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].channel, "http");
}

TEST_F(ChannelTest, FlatExchangeFramedBareAndSilent) {
    DeviceEndpoint endpoint = TerminalEndpoint();
    ParamMap request{{"probe", "1"}};
    ParamMap framed;
    ASSERT_EQ(SendFlatXmlCommand(framed, endpoint, request), kTransportOk);
    EXPECT_EQ(framed["result"], "10000");
    EXPECT_EQ(framed["cmdid"], "9001");
    EXPECT_EQ(terminal_->Setting("probe"), "1");

    Fault(*terminal_, [](FaultOptions& f) { f.flatBare = true; });
    ParamMap bare;
    ASSERT_EQ(SendFlatXmlCommand(bare, endpoint, {}), kTransportOk);
    EXPECT_EQ(bare["result"], "10000");

    Fault(*terminal_, [](FaultOptions& f) { f.silent = true; });
    ParamMap silent;
    EXPECT_EQ(SendFlatXmlCommand(silent, endpoint, {}), kTransportOk);
    EXPECT_TRUE(silent.empty());

    const auto entries = Closed(*terminal_, 3);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].in, BuildFlatFrame(EncodeFlatXml(request)));
    EXPECT_EQ(entries[0].out.substr(4, 6), "<?xml ");
    EXPECT_EQ(entries[1].out.substr(0, 6), "<?xml ");
    EXPECT_TRUE(entries[2].out.empty());
}

TEST_F(ChannelTest, TcpFaults) {
    DeviceEndpoint endpoint = TerminalEndpoint();
    ParamMap reply;

    Fault(*terminal_, [](FaultOptions& f) { f.refuse = true; });
    EXPECT_EQ(SendXmlCommandCoded(endpoint, {}, reply, 5000), kTransportConnectFailed);

    // Silence: the same frame three times, then "no reply".
    Fault(*terminal_, [](FaultOptions& f) {
        f.refuse = false;
        f.silent = true;
    });
    sim_.GetJournal().Clear();
    EXPECT_EQ(SendXmlCommandCoded(endpoint, {}, reply, 5000), kTransportReceiveFailed);
    const auto silent = Closed(*terminal_, 1);
    ASSERT_EQ(silent.size(), 1u);
    const std::string frame = BuildCommandFrame(EncodeCommandXml({}, 5000));
    EXPECT_EQ(silent[0].in, frame + frame + frame);
    EXPECT_TRUE(silent[0].out.empty());

    Fault(*terminal_, [](FaultOptions& f) {
        f.silent = false;
        f.malformed = true;
    });
    EXPECT_EQ(SendXmlCommandCoded(endpoint, {}, reply, 5000), kTransportUndecodable);

    Fault(*terminal_, [](FaultOptions& f) {
        f.malformed = false;
        f.dropConnection = true;
    });
    EXPECT_EQ(SendXmlCommandCoded(endpoint, {}, reply, 5000), kTransportReceiveFailed);

    // A reply in many segments is read until it is whole.
    Fault(*terminal_, [](FaultOptions& f) {
        f.dropConnection = false;
        f.splitSegments = 6;
        f.splitGapMs = 10;
    });
    ParamMap split;
    EXPECT_EQ(SendXmlCommandCoded(endpoint, {}, split, 5000), kTransportOk);
    EXPECT_EQ(split["ipaddress"], terminal_->AddressText());

    // The bool call shows its text.
    Fault(*terminal_, [](FaultOptions& f) { f = FaultOptions{}; f.refuse = true; });
    sink_.Clear();
    EXPECT_FALSE(SendXmlCommand(endpoint, {}, reply, 5000));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Connect Server Fail"});
}

TEST_F(ChannelTest, HttpStatusesAndBodies) {
    CommandTarget target = CameraTarget();
    Fault(*camera_, [](FaultOptions& f) { f.httpStatus = 404; });
    ParamMap request;
    ParamMap reply;
    EXPECT_EQ(PostFormCommandCoded(target, "setThing", request, reply), kTransportFailed);
    EXPECT_EQ(GetFormCommandCoded(target, "getThing", reply), kTransportFailed);
    sink_.Clear();
    EXPECT_FALSE(PostFormCommand(target, "setThing", request, reply));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"POST出错，错误码：404"});

    Fault(*camera_, [](FaultOptions& f) {
        f.httpStatus = 0;
        f.emptyBody = true;
    });
    ParamMap empty;
    EXPECT_EQ(GetFormCommandCoded(target, "getnetparam", empty), kTransportOk);
    EXPECT_TRUE(empty.empty());

    Fault(*camera_, [](FaultOptions& f) {
        f.emptyBody = false;
        f.refuse = true;
    });
    EXPECT_EQ(GetFormCommandCoded(target, "getnetparam", empty), kTransportFailed);
    EXPECT_TRUE(empty.empty());
}

TEST_F(ChannelTest, ExportOfTwentyMebibytesArrivesWhole) {
    std::string file(kExportMaxFileSize, '\0');
    for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<char>((i * 131) >> 7);
    terminal_->SetExportFile(5, file);
    sim_.GetJournal().SetCaptureLimit(4096);
    DeviceEndpoint endpoint = TerminalEndpoint();
    const fs::path path = dir_ / "attendinfo";
    ASSERT_TRUE(ExportFileTcp(endpoint, path, 5)) << testing::PrintToString(sink_.Texts());
    EXPECT_EQ(test::FileBytes(path), file);
    const auto entries = Closed(*terminal_, 1);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].channel, "export");
    const std::size_t packets = (file.size() + 65535) / 65536;
    // The request, then one 8-byte acknowledgement per packet.
    EXPECT_EQ(entries[0].inTotal, 7 + 8 * packets);
    EXPECT_EQ(entries[0].outTotal, 15 + file.size() + 14 * packets);
}

TEST_F(ChannelTest, ExportRefusalsLeaveNoFile) {
    DeviceEndpoint endpoint = TerminalEndpoint();
    const fs::path path = dir_ / "userinfo";
    for (const auto& [status, text] : {std::pair{2, "Other User is Exporting, Please waiting..."},
                                      std::pair{3, "Begain Export Fail"}}) {
        Fault(*terminal_, [status = status](FaultOptions& f) { f.exportStatus = status; });
        sink_.Clear();
        EXPECT_FALSE(ExportFileTcp(endpoint, path, 4));
        EXPECT_EQ(sink_.Texts(), std::vector<std::string>{text});
        EXPECT_FALSE(fs::exists(path));
    }
    // A type the device has no file for cannot begin either.
    Fault(*terminal_, [](FaultOptions& f) { f.exportStatus = 0; });
    sink_.Clear();
    EXPECT_FALSE(ExportFileTcp(endpoint, path, 7));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Begain Export Fail"});

    // A device that stops in the middle ends the export after the bounded waits.
    terminal_->SetExportFile(4, std::string(200000, 'x'));
    Fault(*terminal_, [](FaultOptions& f) { f.exportStopAfter = 1; });
    sink_.Clear();
    EXPECT_FALSE(ExportFileTcp(endpoint, path, 4));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(sink_.Texts().size(), 1u);
}

TEST_F(ChannelTest, LogDownloadIsATarGzOrOneOfTheTwoFailures) {
    CommandTarget target = CameraTarget();
    const fs::path path = dir_ / "log.tar.gz";
    ASSERT_TRUE(DownloadDeviceFile(target, path, 2)) << testing::PrintToString(sink_.Texts());
    const std::string archive = test::FileBytes(path);
    ASSERT_GT(archive.size(), 20u);
    EXPECT_EQ(archive.substr(0, 2), "\x1f\x8b");

    Fault(*camera_, [](FaultOptions& f) { f.downloadFailure = DownloadFailure::NoLogFile; });
    sink_.Clear();
    EXPECT_FALSE(DownloadDeviceFile(target, path, 2));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"不存在log文件，下载失败"});
    EXPECT_EQ(test::FileBytes(path), archive);  // a failed download leaves the earlier file as it was

    Fault(*camera_, [](FaultOptions& f) { f.downloadFailure = DownloadFailure::NoTarGzip; });
    sink_.Clear();
    EXPECT_FALSE(DownloadDeviceFile(target, path, 2));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"该设备不支持tar或gzip指令，无法上传日志"});
    EXPECT_EQ(test::FileBytes(path), archive);

    // On port 60005 the same call is the export of type 2.
    CommandTarget tcp = TerminalTarget();
    ASSERT_TRUE(DownloadDeviceFile(tcp, path, 2));
    EXPECT_EQ(test::FileBytes(path).substr(0, 2), "\x1f\x8b");
}

TEST_F(ChannelTest, HttpUploadsReachTheDevice) {
    const fs::path plain = dir_ / "app.bin";
    WriteFile(plain, std::string(100000, 'a'));
    ASSERT_TRUE(UploadFileHttp(camera_->AddressText(), kCameraPort, plain, "app.bin"));

    // An image of exactly one chunk: the chunk, then the tag alone on a new connection.
    std::string image(kImageChunkSize, '\0');
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i % 251);
    const fs::path imagePath = dir_ / "kernel.img";
    WriteFile(imagePath, image);
    ASSERT_TRUE(UploadImageHttp(camera_->AddressText(), kCameraPort, imagePath, "kernel.img"));

    const auto files = camera_->ReceivedFiles();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].channel, "http");
    EXPECT_EQ(files[0].name, "app.bin");
    EXPECT_EQ(files[0].bytes, std::string(100000, 'a'));
    EXPECT_EQ(files[1].channel, "image");
    EXPECT_EQ(files[1].name, "kernel.img");
    EXPECT_TRUE(files[1].complete);
    EXPECT_EQ(files[1].bytes, image);

    const auto entries = Closed(*camera_, 3);
    ASSERT_EQ(entries.size(), 3u);
    const std::string& last = entries[2].in;
    const std::string tag = entries[1].in.substr(entries[1].in.find("\r\n\r\n") + 4, kUploadTagSize);
    EXPECT_EQ(tag.substr(0, 4), "IMG_");
    EXPECT_EQ(last.substr(last.size() - kUploadTagSize), tag);
    EXPECT_NE(last.find("Content-Length: 8\r\n"), std::string::npos);
}

TEST_F(ChannelTest, TcpUploadHeaderAndPackets) {
    const fs::path path = dir_ / "update.bin";
    std::string file(65537, '\0');
    for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<char>(i * 7);
    WriteFile(path, file);
    DeviceEndpoint endpoint = TerminalEndpoint();
    ASSERT_EQ(SendUploadHeader(endpoint, path, "app"), kUploadOk);
    ASSERT_EQ(SendUploadPackets(endpoint, path), kUploadOk);

    const auto entries = Closed(*terminal_, 2);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].channel, "upload");
    EXPECT_EQ(entries[1].in, BuildUploadPacket(1, std::string_view(file).substr(0, 65536)) +
                                 BuildUploadPacket(2, std::string_view(file).substr(65536)));
    EXPECT_EQ(entries[1].out, BuildUploadAck(true) + BuildUploadAck(true));
    const auto files = terminal_->ReceivedFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, "app");
    EXPECT_TRUE(files[0].complete);
    EXPECT_EQ(files[0].bytes, file);

    // Refused acknowledgements and a refused header.
    Fault(*terminal_, [](FaultOptions& f) { f.malformed = true; });
    EXPECT_EQ(SendUploadPackets(endpoint, path), kUploadRefused);
    Fault(*terminal_, [](FaultOptions& f) { f = FaultOptions{}; f.resultCode = "10002"; });
    EXPECT_EQ(SendUploadHeader(endpoint, path, "app"), kUploadHeaderRefused);
}

TEST_F(ChannelTest, ManyDevicesOnOneThread) {
    const std::string block = AddressBlock();
    std::vector<Device*> added;
    for (int i = 0; i < 300; ++i) {
        DeviceConfig config;
        config.address = block + std::to_string(10 + i % 240);
        config.kind = i < 240 ? DeviceKind::Terminal : DeviceKind::Camera;
        config.port = i < 240 ? kTcpChannelPort : static_cast<std::uint16_t>(kCameraPort + 1);
        added.push_back(&sim_.AddDevice(config));
    }
    for (Device* device : {added.front(), added[150], added.back()}) {
        CommandTarget target(device->AddressText(), device->Port());
        ParamMap reply;
        ASSERT_EQ(GetFormCommandCoded(target, "getnetparam", reply), kTransportOk);
        EXPECT_EQ(reply["ipaddress"], device->AddressText());
    }
}

}  // namespace
}  // namespace ostrand::sim
