// What the cheaper per-connection and per-call set-up must keep: every form
// command on its own connection that ends with the call, transfers of every
// size arriving byte for byte through growing read buffers, and an export
// that keeps the bytes it began with.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/message_sink.h"
#include "sim/simulator.h"
#include "../sim_test_support.h"
#include "transport/file_channel.h"
#include "transport/form_channel.h"
#include "transport/frames.h"
#include "transport/transport_settings.h"

namespace ostrand::sim {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::uint16_t kCameraPort = 18081;

std::string Pattern(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 31 + i / 251 + seed);
    return bytes;
}

class ConnectionCostTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string block = test::AddressBlock();
        DeviceConfig terminal;
        terminal.address = block + "11";
        terminal.kind = DeviceKind::Terminal;
        terminal.exportPacketSize = 65536;
        terminal_ = &sim_.AddDevice(terminal);
        DeviceConfig camera;
        camera.address = block + "12";
        camera.kind = DeviceKind::Camera;
        camera.port = kCameraPort;
        camera_ = &sim_.AddDevice(camera);
        sim_.Start();
        dir_ = fs::path(testing::TempDir()) / ("connection_cost_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        SetMessageSink(&sink_);
    }
    void TearDown() override {
        SetMessageSink(nullptr);
        sim_.Stop();
        fs::remove_all(dir_);
    }

    DeviceEndpoint TerminalEndpoint() const { return {terminal_->AddressText(), kTcpChannelPort}; }

    ScopedTransportTimeouts waits_{test::ShortWaits()};
    Simulator sim_;
    Device* terminal_ = nullptr;
    Device* camera_ = nullptr;
    fs::path dir_;
    RecordingMessageSink sink_;
};

// The client set up once per thread must still give every command its own
// connection, closed by the time the call returns (the device sees the end
// of it), from the first thread and from a second one alike.
TEST_F(ConnectionCostTest, EveryFormCommandHasItsOwnConnectionEndedByTheCall) {
    const std::string address = camera_->AddressText();
    const auto commandsFrom = [&](int count) {
        for (int i = 0; i < count; ++i) {
            CommandTarget target(address, kCameraPort);
            ParamMap reply;
            ASSERT_EQ(GetFormCommandCoded(target, "getnetparam", reply), kTransportOk);
            ParamMap request{{"name", "n" + std::to_string(i)}};
            ASSERT_EQ(PostFormCommandCoded(target, "setdevname", request, reply), kTransportOk);
        }
    };
    commandsFrom(3);
    std::thread other([&] { commandsFrom(2); });
    other.join();

    constexpr std::size_t kCommands = 10;
    const bool allClosed = sim_.GetJournal().WaitFor(
        [&](const std::vector<JournalEntry>& entries) {
            std::size_t closed = 0;
            for (const auto& entry : entries) closed += entry.device == address && entry.closed;
            return closed == kCommands;
        },
        5s);
    ASSERT_TRUE(allClosed);
    const auto entries = sim_.GetJournal().EntriesFor(address);
    ASSERT_EQ(entries.size(), kCommands);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        const std::string_view wanted = i % 2 == 0 ? "GET /goform/getnetparam " : "POST /goform/setdevname ";
        EXPECT_EQ(entries[i].in.rfind(wanted, 0), 0u);
        // One request per connection: no second request line after the first.
        EXPECT_EQ(entries[i].in.find(" HTTP/1.1\r\n", entries[i].in.find("\r\n") + 2), std::string::npos);
    }
}

// Sizes around the simulator's first and largest read and the export packet.
TEST_F(ConnectionCostTest, TransfersOfEverySizeArriveWhole) {
    const std::size_t sizes[] = {1, 16 * 1024 - 1, 16 * 1024 + 1, 65536, 65536 * 4 + 17, 600 * 1024 + 3};
    unsigned seed = 1;
    for (const std::size_t size : sizes) {
        SCOPED_TRACE(size);
        const std::string bytes = Pattern(size, seed++);

        // The tool uploads: the simulator's reads grow while frames fill them.
        const fs::path upload = dir_ / "upload.bin";
        std::ofstream(upload, std::ios::binary) << bytes;
        DeviceEndpoint endpoint = TerminalEndpoint();
        ASSERT_EQ(SendUploadHeader(endpoint, upload, "app"), kUploadOk);
        ASSERT_EQ(SendUploadPackets(endpoint, upload), kUploadOk);
        const bool received = sim_.GetJournal().WaitFor(
            [&](const std::vector<JournalEntry>&) { return !terminal_->ReceivedFiles().empty(); }, 5s);
        ASSERT_TRUE(received);
        const auto files = terminal_->ReceivedFiles();
        ASSERT_EQ(files.size(), 1u);
        EXPECT_TRUE(files[0].complete);
        EXPECT_TRUE(files[0].bytes == bytes);
        terminal_->ClearReceivedFiles();

        // The tool exports: one receive buffer serves every frame.
        terminal_->SetExportFile(5, bytes);
        const fs::path exported = dir_ / "export.bin";
        ASSERT_TRUE(ExportFileTcp(endpoint, exported, 5));
        EXPECT_TRUE(test::FileBytes(exported) == bytes);
    }
}

// Export files are shared with the running export, not copied: replacing the
// file keeps what an export already holds and gives the next one the new bytes.
TEST_F(ConnectionCostTest, ExportKeepsTheBytesItBeganWith) {
    const std::string first = Pattern(3 * 65536, 7);
    const std::string second = Pattern(2 * 65536 + 5, 9);
    terminal_->SetExportFile(5, first);
    const auto held = terminal_->ExportFile(5);
    terminal_->SetExportFile(5, second);
    ASSERT_NE(held, nullptr);
    EXPECT_TRUE(*held == first);
    ASSERT_NE(terminal_->ExportFile(5), nullptr);
    EXPECT_TRUE(*terminal_->ExportFile(5) == second);
    EXPECT_EQ(terminal_->ExportFile(9), nullptr);

    DeviceEndpoint endpoint = TerminalEndpoint();
    const fs::path exported = dir_ / "export.bin";
    ASSERT_TRUE(ExportFileTcp(endpoint, exported, 5));
    EXPECT_TRUE(test::FileBytes(exported) == second);
}

}  // namespace
}  // namespace ostrand::sim
