// The fleet file, the device record a device is built with, and the log archive.

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "sim/device.h"
#include "sim/devsim_options.h"
#include "sim/fleet.h"
#include "sim/fleet_file.h"
#include "sim/journal.h"
#include "sim/log_archive.h"

namespace ostrand::sim {
namespace {

using nlohmann::json;

TEST(FleetFile, CountsTakeConsecutiveAddressesAndNumberTheirNames) {
    const auto configs = ParseFleet(json::parse(R"({
        "base": "127.40.0.254",
        "defaults": {"version": "V9"},
        "devices": [
          {"kind": "terminal", "count": 3, "name": "T{n}", "number": "N{n}"},
          {"kind": "camera", "address": "127.41.0.7", "port": 8080, "name": "门口"}]})"));
    ASSERT_EQ(configs.size(), 4u);
    // .255 and .0 are skipped.
    EXPECT_EQ(configs[0].address, "127.40.0.254");
    EXPECT_EQ(configs[1].address, "127.40.1.1");
    EXPECT_EQ(configs[2].address, "127.40.1.2");
    EXPECT_EQ(configs[2].name, "T3");
    EXPECT_EQ(configs[2].deviceNumber, "N3");
    EXPECT_EQ(configs[2].version, "V9");
    EXPECT_EQ(configs[3].address, "127.41.0.7");
    EXPECT_EQ(configs[3].port, 8080);
}

TEST(FleetFile, RejectsWhatItDoesNotKnow) {
    EXPECT_THROW(ParseFleet(json::parse(R"({"devices": [{"colour": "red"}]})")),
                 std::invalid_argument);
    EXPECT_THROW(ParseFleet(json::parse(R"({"devices": [{"kind": "toaster"}]})")),
                 std::invalid_argument);
    EXPECT_THROW(ParseFleet(json::parse(R"({"base": "10.0.0.1", "devices": []})")),
                 std::invalid_argument);
    EXPECT_THROW(ParseFleet(json::parse(R"({"devices": [{"faults": {"downloadFailure": "x"}}]})")),
                 std::invalid_argument);
    EXPECT_THROW(ParseFleet(json::parse(R"({"devices": [{"exports": {"log": "x"}}]})")),
                 std::invalid_argument);
    // Automatic addresses never leave 127/8.
    EXPECT_THROW(ParseFleet(json::parse(R"({"base": "127.255.255.253", "devices": [{"count": 3}]})")),
                 std::invalid_argument);
}

// Every number is range-checked and every read bounded; the error names the
// entry and the field instead of wrapping (a port of 4294975376 is not 8080).
TEST(FleetFile, OutOfRangeNumbersAndUnboundedReadsAreRefusedByField) {
    const std::string sparse = testing::TempDir() + "fleet_sparse.bin";
    {
        std::ofstream(sparse, std::ios::binary).put('x');
        std::filesystem::resize_file(sparse, kMaxFleetExportBytes + 1);  // sparse: no disk used
    }
    struct Case {
        const char* device;  // one entry of "devices"
        const char* error;   // part of the message
    };
    const Case cases[] = {
        {R"({"port": 4294975376})", "devices[0]: port must be an integer 1..65535, not 4294975376"},
        {R"({"port": 0})", "port must be an integer 1..65535"},
        {R"({"port": "80"})", "port must be an integer"},
        {R"({"port": 80.5})", "port must be an integer"},
        {R"({"count": -1})", "count must be an integer 1..100000"},
        {R"({"count": 4294967297})", "count must be an integer"},
        {R"({"deviceType": 2147483648})", "deviceType must be an integer"},
        {R"({"videoChannels": -2})", "videoChannels must be an integer -1.."},
        {R"({"exportPacketSize": 262131})", "exportPacketSize must be an integer 1..262130"},
        {R"({"exports": {"4": {"size": -1}}})", "exports.4.size must be an integer 0..1073741824, not -1"},
        {R"({"exports": {"4": {"size": 1e30}}})", "exports.4.size must be an integer"},
        {R"({"exports": {"4": {"file": "/dev/zero"}}})", "exports.4.file: \"/dev/zero\" is not a regular file"},
        {R"({"exports": {"4": {"file": "/nonexistent/x"}}})", "exports.4.file: cannot read"},
        {R"({"exports": {"4": {"file": 5}}})", "exports.4.file must be a text"},
        {R"({"faults": {"replyDelayMs": 18446744073709551615}})", "faults.replyDelayMs must be an integer 0..3600000"},
        {R"({"faults": {"replyDelayMs": -5}})", "faults.replyDelayMs must be an integer"},
        {R"({"faults": {"splitSegments": 70000}})", "faults.splitSegments must be an integer 0..65536"},
        {R"({"faults": {"httpStatus": 4294967700}})", "faults.httpStatus must be an integer 0..999"},
        {R"({"faults": {"exportStatus": 256}})", "faults.exportStatus must be an integer 0..255"},
        {R"({"faults": {"exportStopAfter": -2}})", "faults.exportStopAfter must be an integer -1.."},
        {R"({"faults": {"refuse": 1}})", "faults.refuse must be true or false"},
        {R"({"faults": {"result": 10000}})", "faults.result must be a text"},
        {R"({"name": 7})", "name must be a text"},
        {R"({"count": 5000, "exports": {"4": {"size": 300000}}})", "exceed 1073741824 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        try {
            ParseFleet(json::parse(std::string(R"({"devices": [)") + c.device + "]}"));
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        }
    }
    try {
        ParseFleet(json::parse(R"({"devices": [{"exports": {"4": {"file": ")" + sparse + R"("}}}]})"));
        ADD_FAILURE() << "a file over the bound was read";
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("is larger than 1073741824 bytes"), std::string::npos) << e.what();
    }
    std::filesystem::remove(sparse);
    EXPECT_THROW(LoadFleetFile("/dev/zero"), std::invalid_argument);

    // The command line of ostrand-devsim keeps the same bounds.
    for (const std::vector<const char*>& argv : std::vector<std::vector<const char*>>{
             {"ostrand-devsim", "--terminals", "1", "--delay-ms", "4294975376"},
             {"ostrand-devsim", "--terminals", "1", "--http-status", "1000"},
             {"ostrand-devsim", "--terminals", "1", "--duration", "1e300"},
             {"ostrand-devsim", "--fleet", "/dev/zero"}}) {
        int exitCode = 0;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_FALSE(ParseDevsimOptions(static_cast<int>(argv.size()), argv.data(), exitCode)) << argv[3];
        testing::internal::GetCapturedStdout();
        testing::internal::GetCapturedStderr();
        EXPECT_NE(exitCode, 0) << argv[3];
    }
}

TEST(FleetFile, SettingsRepliesExportsAndFaults) {
    const auto configs = ParseFleet(json::parse(R"({"devices": [{
        "kind": "terminal",
        "settings": {"devname": "前台"},
        "replies": {"5019": {"server": "127.0.0.1"}},
        "exports": {"4": {"size": 1000}, "5": {"text": "abc"}},
        "faults": {"exportStatus": 2, "downloadFailure": "notar", "result": "10001"}}]})"));
    ASSERT_EQ(configs.size(), 1u);
    const DeviceConfig& config = configs[0];
    EXPECT_EQ(config.settings.at("devname"), "\xC7\xB0\xCC\xA8");  // GBK
    EXPECT_EQ(config.replies.at("5019").at("server"), "127.0.0.1");
    EXPECT_EQ(config.exports.at(4).size(), 1000u);
    EXPECT_EQ(config.exports.at(5), "abc");
    EXPECT_EQ(config.faults.exportStatus, 2);
    EXPECT_EQ(config.faults.downloadFailure, DownloadFailure::NoTarGzip);
    EXPECT_EQ(config.faults.resultCode, "10001");
}

TEST(DeviceRecordOfKinds, PortAttendTypeAndNameCodePage) {
    DeviceConfig terminal;
    terminal.address = "127.40.0.1";
    terminal.kind = DeviceKind::Terminal;
    terminal.name = "前台";
    const DeviceRecord t = Device(terminal).Record();
    EXPECT_EQ(t.commandPort, 60005);
    EXPECT_EQ(t.attendType, 1);
    EXPECT_EQ(FieldText(t.deviceName), "\xC7\xB0\xCC\xA8");  // GBK on a TCP device
    EXPECT_EQ(FieldText(t.ip), "127.40.0.1");

    DeviceConfig camera = terminal;
    camera.kind = DeviceKind::Camera;
    const DeviceRecord c = Device(camera).Record();
    EXPECT_EQ(c.commandPort, 80);
    EXPECT_EQ(c.attendType, 0);
    EXPECT_EQ(c.videoChannels, 1);
    EXPECT_EQ(FieldText(c.deviceName), "前台");  // UTF-8 otherwise

    DeviceConfig capture = terminal;
    capture.kind = DeviceKind::CaptureCamera;
    capture.attendTerminalNumber = "T1";
    const DeviceRecord p = Device(capture).Record();
    EXPECT_EQ(p.attendType, 2);
    EXPECT_EQ(FieldText(p.attendTerminalNumber), "T1");
}

TEST(DeviceRecordOfKinds, AnnouncesTheNetworkItsSettingsGive) {
    DeviceConfig onLoopback;
    onLoopback.address = "127.40.0.2";
    const Device plain(onLoopback);
    EXPECT_EQ(FieldText(plain.Record().subnetMask), "255.0.0.0");
    EXPECT_EQ(FieldText(plain.Record().gateway), "127.0.0.1");

    DeviceConfig inLan;
    inLan.address = "10.77.1.9";
    inLan.settings["netmask"] = "255.255.0.0";
    inLan.settings["gateway"] = "10.77.0.2";
    Device device(inLan);
    EXPECT_EQ(FieldText(device.Record().subnetMask), "255.255.0.0");
    EXPECT_EQ(FieldText(device.Record().gateway), "10.77.0.2");
    EXPECT_EQ(device.Settings()["netmask"], "255.255.0.0");
    EXPECT_EQ(device.Settings()["updateStatus"], "0");
}

TEST(Fleet, TwoDevicesOnOneAddressAndPortAreRefused) {
    Fleet fleet;
    DeviceConfig config;
    config.address = "127.40.0.1";
    fleet.Add(config);
    EXPECT_THROW(fleet.Add(config), std::invalid_argument);
    config.port = 8080;
    EXPECT_NO_THROW(fleet.Add(config));
    EXPECT_THROW(Device(DeviceConfig{}), std::invalid_argument);  // no address
}

TEST(Journal, KeepsBytesInOrderAndForgetsOnlyClosedEntries) {
    Journal journal;
    journal.SetRetention(2);
    journal.SetCaptureLimit(4);
    const auto first = journal.Open("127.0.0.1", 1, "p", "tcp");
    journal.AddIn(first, "ab");
    journal.AddIn(first, "cdef");  // cut at 4 bytes, counted whole
    journal.AddOut(first, "x");
    const auto second = journal.Open("127.0.0.2", 1, "p", "tcp");
    journal.Close(second);
    journal.Open("127.0.0.3", 1, "p", "tcp");
    journal.Open("127.0.0.4", 1, "p", "tcp");
    // Over the retention, but the oldest entry is still open: nothing goes.
    auto entries = journal.Entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].in, "abcd");
    EXPECT_EQ(entries[0].inTotal, 6u);
    EXPECT_EQ(entries[0].out, "x");
    journal.Close(first);
    journal.Open("127.0.0.5", 1, "p", "tcp");
    entries = journal.Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].device, "127.0.0.3");
    // Ids stay valid after the front was dropped.
    journal.AddIn(entries[0].id, "zz");
    EXPECT_EQ(journal.EntriesFor("127.0.0.3").at(0).in, "zz");
}

std::optional<DevsimOptions> Parse(std::vector<const char*> arguments, int& exitCode) {
    arguments.insert(arguments.begin(), "ostrand-devsim");
    return ParseDevsimOptions(static_cast<int>(arguments.size()), arguments.data(), exitCode);
}

TEST(DevsimOptions, CountsStayInsideLoopbackAndFaultsApplyToEveryDevice) {
    int exitCode = -1;
    const auto options = Parse({"--terminals", "2", "--cameras", "1", "--camera-port", "8080",
                                "--base", "127.50.0.1", "--silent", "--http-status", "503"},
                               exitCode);
    ASSERT_TRUE(options);
    EXPECT_EQ(exitCode, 0);
    ASSERT_EQ(options->devices.size(), 3u);
    EXPECT_EQ(options->devices[1].address, "127.50.0.2");
    EXPECT_EQ(options->devices[1].kind, DeviceKind::Terminal);
    EXPECT_EQ(options->devices[2].port, 8080);
    for (const DeviceConfig& config : options->devices) {
        EXPECT_TRUE(config.faults.silent);
        EXPECT_EQ(config.faults.httpStatus, 503);
        EXPECT_FALSE(config.faults.refuse);
    }

    EXPECT_FALSE(Parse({"--terminals", "1", "--base", "192.168.1.10"}, exitCode));
    EXPECT_NE(exitCode, 0);
    EXPECT_FALSE(Parse({}, exitCode));  // no devices at all
    EXPECT_NE(exitCode, 0);
    EXPECT_FALSE(Parse({"--terminals", "1", "--download-failure", "maybe"}, exitCode));
    EXPECT_NE(exitCode, 0);
}

std::string Gunzip(const std::string& bytes) {
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, 15 + 16), Z_OK);
    std::string out(1 << 20, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    inflateEnd(&stream);
    return out;
}

TEST(LogArchive, IsATarGzThatTarReads) {
    const std::string log = "line one\nline two\n";
    const std::string archive = MakeLogArchive(log, 1700000000);
    ASSERT_GE(archive.size(), 2u);
    EXPECT_EQ(archive.substr(0, 2), "\x1f\x8b");
    const std::string tar = Gunzip(archive);
    ASSERT_EQ(tar.size(), 512u * 4);  // header, one data block, two end blocks
    EXPECT_EQ(tar.substr(257, 5), "ustar");
    EXPECT_EQ(tar.substr(512, log.size()), log);

    // The ordinary tool agrees, checksum included.
    const std::string path = testing::TempDir() + "/sim_log_" + std::to_string(::getpid()) + ".tar.gz";
    std::ofstream(path, std::ios::binary) << archive;
    const std::string command = "tar -xzOf '" + path + "' LOG/vekIPC.log";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string extracted;
    char buffer[256];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) extracted.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0);
    EXPECT_EQ(extracted, log);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace ostrand::sim
