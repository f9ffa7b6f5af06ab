// ostrand-cli camera snapshot against a running ostrand-devsim: one picture
// of a channel's stream lands in the file; a failure says why, exits with its
// status and leaves the file as it was.

#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../fleet_suite.h"

namespace ostrand::cli::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(CameraSnapshotCli, SavesOnePictureOrSaysWhyNot) {
    const std::string block = ProcessAddressBlock();
    SimulatedFleet simulated("camera_snapshot");
    const fs::path& dir = simulated.Dir();
    const nlohmann::json camera = {{"kind", "camera"}, {"port", 18080}, {"videoChannels", 2}};
    nlohmann::json stalled = camera;
    stalled["state"] = {{"video", {{"streamFault", "stall"}, {"streamPort", 19888}}}};
    nlohmann::json broken = camera;
    broken["state"] = {{"video", {{"streamFault", "truncatedJpeg"}}}};
    const nlohmann::json fleet = {{"base", block + "221"}, {"devices", {camera, stalled, broken}}};
    ASSERT_TRUE(simulated.Start(fleet)) << simulated.Log();

    const struct {
        std::vector<std::string> arguments;  // before FILE
        int exitCode;
        const char* error;  // part of stderr
    } cases[] = {
        {{"--ip", block + "221", "--port", "18080", "--channel", "1"}, 0, ""},
        {{"--ip", block + "221", "--port", "18080", "--channel", "2"}, 10, "摄像机拒绝了视频流请求（HTTP 404）"},
        {{"--ip", block + "222", "--port", "18080", "--video-port", "19888", "--wait", "0.5"}, 5,
         "读取视频流超时：0.5 秒内没有收到完整的一帧"},
        {{"--ip", block + "223", "--port", "18080"}, 8, "视频帧的 JPEG 图像不完整"},
        {{"--ip", block + "222", "--port", "18080"}, 1, "无法连接到摄像机的视频流"},  // its video port is elsewhere
    };
    for (const auto& c : cases) {
        const fs::path file = dir / "picture.jpg";
        std::ofstream(file) << "old";
        std::vector<std::string> arguments = {"camera", "snapshot"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        arguments.push_back(file.string());
        const ProcessResult run = RunCli(arguments, 20s);
        const std::string where = c.arguments[1] + " " + c.arguments.back();
        EXPECT_EQ(run.exitCode, c.exitCode) << where << run.err;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << where << run.err;
        const std::string saved = Contents(file);
        if (c.exitCode == 0) {
            EXPECT_TRUE(saved.starts_with("\xFF\xD8") && saved.ends_with("\xFF\xD9")) << where;
            EXPECT_NE(run.out.find("bytes=" + std::to_string(saved.size()) + "\n"), std::string::npos) << run.out;
        } else {
            EXPECT_EQ(saved, "old") << where;
            EXPECT_EQ(run.out, "") << where;
        }
    }

    // Several cameras: one file each, named after its address; a camera that
    // fails leaves no file.
    const fs::path shot = dir / "shot.jpg";
    const ProcessResult several =
        RunCli({"camera", "snapshot", "--target", block + "221:18080", "--target", block + "223:18080", shot.string()},
               20s);
    EXPECT_EQ(several.exitCode, 8) << several.out << several.err;
    const std::string first = Contents(dir / ("shot_" + block + "221_18080.jpg"));
    EXPECT_TRUE(first.starts_with("\xFF\xD8") && first.ends_with("\xFF\xD9"));
    EXPECT_FALSE(fs::exists(dir / ("shot_" + block + "223_18080.jpg")));
    EXPECT_FALSE(fs::exists(shot));
    EXPECT_NE(several.out.find("2 devices: 1 succeeded, 1 failed"), std::string::npos) << several.out;
}

}  // namespace
}  // namespace ostrand::cli::test
