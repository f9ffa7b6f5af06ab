// The size an export may announce: a terminal's user and record files may be
// far larger than any other export, every other export keeps its small bound.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/message_sink.h"
#include "sim/simulator.h"
#include "transport/file_channel.h"
#include "transport/frames.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;

TEST(ExportSizeBound, DataFilesPassTheGeneralBoundOtherExportsDoNot) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    sim::Simulator simulator;
    sim::DeviceConfig config;
    const int pid = static_cast<int>(::getpid());
    config.address = "127.69." + std::to_string(pid % 250 + 1) + "." + std::to_string(pid / 250 % 250 + 1);
    config.kind = sim::DeviceKind::Terminal;
    sim::Device& device = simulator.AddDevice(config);
    // One byte over the general bound, in every type the table names.
    std::string file(kExportMaxFileSize + 1, '\0');
    for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<char>(i * 7 >> 3);
    const std::uint8_t types[] = {kExportTypeUsers, kExportTypeRecords, 3};
    for (const std::uint8_t type : types) device.SetExportFile(type, file);
    simulator.Start();

    const fs::path dir = fs::path(testing::TempDir()) / ("export_bound_" + std::to_string(pid));
    fs::create_directories(dir);
    struct Case {
        std::uint8_t type;
        bool arrives;
    };
    const Case cases[] = {{kExportTypeUsers, true}, {kExportTypeRecords, true}, {3, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        sink.Clear();
        const fs::path path = dir / ("export" + std::to_string(c.type));
        DeviceEndpoint endpoint{device.AddressText(), sim::kTcpChannelPort};
        EXPECT_EQ(ExportFileTcp(endpoint, path, c.type), c.arrives);
        if (c.arrives) {
            std::ifstream in(path, std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            EXPECT_TRUE(bytes.str() == file) << "the file arrived changed";
            EXPECT_TRUE(sink.Texts().empty());
        } else {
            EXPECT_FALSE(fs::exists(path));
            EXPECT_EQ(sink.Texts(), std::vector<std::string>{"The File Export is Err"});
        }
    }
    EXPECT_GT(ExportMaxFileSize(kExportTypeRecords), 64u * 1024 * 1024) << "a million records must fit";
    EXPECT_EQ(ExportMaxFileSize(kExportTypeLog), kExportMaxFileSize);
    simulator.Stop();
    fs::remove_all(dir);
}

}  // namespace
}  // namespace ostrand
