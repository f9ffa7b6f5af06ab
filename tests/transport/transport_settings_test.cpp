// The waits and bounds of the channels that the settings file may change.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/app_state.h"
#include "platform/profile.h"
#include "transport/transport_settings.h"

namespace ostrand {
namespace {

using namespace std::chrono_literals;

TEST(TransportSettingsTest, FileChannelsConnectAsPatientlyAsTheHttpChannel) {
    TransportTimeouts timeouts;  // the defaults: no override of the TCP wait
    ScopedTransportTimeouts scoped(timeouts);
    const std::int32_t previous = ConnectTimeoutSeconds();
    SetConnectTimeoutSeconds(3);
    EXPECT_EQ(FileConnectWait(), 20s);
    SetConnectTimeoutSeconds(45);  // a longer configured wait is kept
    EXPECT_EQ(FileConnectWait(), 45s);
    SetConnectTimeoutSeconds(previous);
}

TEST(TransportSettingsTest, SettingsKeysOverrideOnlyWithUsableValues) {
    struct Case {
        const char* lines;
        std::uint64_t maxBytes;
        std::chrono::milliseconds deadline;
    };
    const Case cases[] = {
        {"", 256u << 20, 60s},
        {"DownloadMaxMB=16\nFormTimeout=5\n", 16u << 20, 5s},
        {"DownloadMaxMB=0\nFormTimeout=-3\n", 256u << 20, 60s},
        {"DownloadMaxMB=abc\nFormTimeout=99999999999\n", 256u << 20, 60s},
    };
    const auto folder = std::filesystem::temp_directory_path() / ("ostrand-settings-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto previousFolder = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        std::ofstream(SettingsFileName(), std::ios::trunc) << "[common]\n" << c.lines;
        const std::string before = [] {
            std::ifstream file(SettingsFileName());
            std::stringstream text;
            text << file.rdbuf();
            return text.str();
        }();
        ScopedTransportTimeouts scoped(TransportTimeouts{});
        LoadTransportSettings();
        EXPECT_EQ(CurrentTransportTimeouts().httpDownloadMaxBytes, c.maxBytes);
        EXPECT_EQ(CurrentTransportTimeouts().httpFormDeadline, c.deadline);
        std::ifstream file(SettingsFileName());
        std::stringstream after;
        after << file.rdbuf();
        EXPECT_EQ(after.str(), before);  // nothing is written back
    }
    std::filesystem::current_path(previousFolder);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace ostrand
