// The simulated camera's motion-JPEG stream, read over the wire: the response
// and part framing, the channels it serves, the PTZ head showing in the
// picture, and the hostile streams it plays on request.

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>
#include <string>
#include <vector>

#include "platform/net/tcp_socket.h"
#include "sim/behaviours/video/test_pattern.h"
#include "sim/command_handler.h"
#include "sim/simulator.h"
#include "../sim_test_support.h"

namespace ostrand::sim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::uint16_t kStreamPort = 19886;
const std::string kHead = "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=ostrandframe\r\n\r\n";

struct Gray {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
    int At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

std::optional<Gray> Decode(const std::string& jpeg) {
    tjhandle handle = tjInitDecompress();
    Gray image;
    int subsampling = 0;
    int colourspace = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(jpeg.data());
    bool ok = tjDecompressHeader3(handle, bytes, jpeg.size(), &image.width, &image.height, &subsampling,
                                  &colourspace) == 0;
    if (ok) {
        image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
        ok = tjDecompress2(handle, bytes, jpeg.size(), image.pixels.data(), image.width, 0, image.height,
                           TJPF_GRAY, 0) == 0;
    }
    tjDestroy(handle);
    if (!ok) return std::nullopt;
    return image;
}

// One connection to a camera's video port.
class StreamClient {
public:
    StreamClient(const std::string& address, const std::string& request) {
        auto socket = ostrand::net::TcpSocket::Connect(address, kStreamPort, 2s);
        if (socket && socket->SendAll(request)) socket_ = std::move(*socket);
    }
    bool Connected() const { return socket_.Valid(); }

    // Reads until `done` holds over what has arrived, the peer closes, or the limit passes.
    template <class Done>
    const std::string& ReadUntil(Done done, std::chrono::milliseconds limit = 3000ms) {
        const auto end = Clock::now() + limit;
        char chunk[65536];
        while (!done(data_) && Clock::now() < end) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (socket_.WaitReadable(std::max(left, 1ms)) != ostrand::net::WaitResult::Ready) continue;
            const auto count = socket_.Receive(chunk, sizeof chunk);
            if (count <= 0) {
                closed_ = true;
                break;
            }
            data_.append(chunk, static_cast<std::size_t>(count));
        }
        return data_;
    }
    const std::string& ReadAtLeast(std::size_t bytes, std::chrono::milliseconds limit = 3000ms) {
        return ReadUntil([bytes](const std::string& d) { return d.size() >= bytes; }, limit);
    }
    bool Closed() const { return closed_; }

    // The JPEGs of the complete parts after the response head.
    std::vector<std::string> Parts() const {
        std::vector<std::string> parts;
        std::size_t at = data_.find("\r\n\r\n");
        if (at == std::string::npos) return parts;
        at += 4;
        for (;;) {
            const std::size_t headEnd = data_.find("\r\n\r\n", at);
            if (headEnd == std::string::npos) break;
            const std::string head = data_.substr(at, headEnd - at);
            const std::size_t length = head.find("Content-Length: ");
            if (!head.starts_with("--ostrandframe\r\nContent-Type: image/jpeg\r\n") || length == std::string::npos) {
                break;
            }
            const std::size_t size = std::stoul(head.substr(length + 16));
            if (data_.size() < headEnd + 4 + size + 2) break;
            parts.push_back(data_.substr(headEnd + 4, size));
            if (data_.compare(headEnd + 4 + size, 2, "\r\n") != 0) break;
            at = headEnd + 4 + size + 2;
        }
        return parts;
    }
    std::vector<std::string> ReadParts(std::size_t count) {
        ReadUntil([&](const std::string&) { return Parts().size() >= count; });
        return Parts();
    }

private:
    ostrand::net::TcpSocket socket_;
    std::string data_;
    bool closed_ = false;
};

std::string Get(int channel) { return "GET /video/" + std::to_string(channel) + " HTTP/1.1\r\nHost: x\r\n\r\n"; }

class CameraStreamTest : public testing::Test {
protected:
    Device& AddCamera(nlohmann::json video, int channels = 3) {
        DeviceConfig config;
        config.address = test::AddressBlock() + std::to_string(201 + added_++);
        config.kind = DeviceKind::Camera;
        config.port = 18080;
        config.videoChannels = channels;
        video["streamPort"] = kStreamPort;
        config.state["video"] = std::move(video);
        Device& device = sim_.AddDevice(std::move(config));
        if (!sim_.Running()) sim_.Start();
        return device;
    }

    Simulator sim_;
    int added_ = 0;
};

TEST_F(CameraStreamTest, PartsAreFramedAsAnnouncedAtTheConfiguredSize) {
    const struct {
        nlohmann::json video;
        int width;
        int height;
    } cases[] = {
        {nlohmann::json::object(), 640, 480},
        {{{"streamWidth", 320}, {"streamHeight", 240}}, 320, 240},
        {{{"streamWidth", 161}, {"streamHeight", 121}}, 160, 120},  // even sizes only
    };
    for (const auto& c : cases) {
        Device& camera = AddCamera(c.video);
        StreamClient client(camera.AddressText(), Get(2));
        ASSERT_TRUE(client.Connected());
        const std::vector<std::string> parts = client.ReadParts(3);
        EXPECT_TRUE(client.ReadAtLeast(0).starts_with(kHead));
        ASSERT_GE(parts.size(), 3u) << c.width;
        for (const std::string& jpeg : parts) {
            EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
            EXPECT_EQ(jpeg.substr(jpeg.size() - 2), "\xFF\xD9");
            const auto image = Decode(jpeg);
            ASSERT_TRUE(image);
            EXPECT_EQ(image->width, c.width);
            EXPECT_EQ(image->height, c.height);
        }
        EXPECT_NE(parts[0], parts[2]) << "the picture moves";
    }
}

TEST_F(CameraStreamTest, FramesComeAtTheConfiguredRate) {
    for (const int fps : {5, 25}) {
        Device& camera = AddCamera({{"streamFps", fps}, {"streamWidth", 160}, {"streamHeight", 120}});
        StreamClient client(camera.AddressText(), Get(0));
        client.ReadParts(1);
        const std::size_t first = client.Parts().size();
        client.ReadUntil([](const std::string&) { return false; }, 1000ms);
        const double rate = static_cast<double>(client.Parts().size() - first);
        EXPECT_GE(rate, fps * 0.6) << fps;
        EXPECT_LE(rate, fps * 1.2 + 1) << fps;
    }
}

TEST_F(CameraStreamTest, OnlyTheCamerasChannelsAreServed) {
    Device& camera = AddCamera(nlohmann::json::object(), 3);
    const struct {
        std::string request;
        const char* statusLine;
    } cases[] = {
        {Get(0), "HTTP/1.0 200 OK\r\n"},
        {"GET /video/2?x=1 HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK\r\n"},
        {Get(3), "HTTP/1.0 404 Not Found\r\n"},
        {"GET /video/-1 HTTP/1.1\r\n\r\n", "HTTP/1.0 404 Not Found\r\n"},
        {"GET /video/ HTTP/1.1\r\n\r\n", "HTTP/1.0 404 Not Found\r\n"},
        {"GET /video/1x HTTP/1.1\r\n\r\n", "HTTP/1.0 404 Not Found\r\n"},
        {"GET /video/99999999999 HTTP/1.1\r\n\r\n", "HTTP/1.0 404 Not Found\r\n"},
        {"GET /goform/getnetparam HTTP/1.1\r\n\r\n", "HTTP/1.0 404 Not Found\r\n"},
        {"POST /video/0 HTTP/1.1\r\nContent-Length: 0\r\n\r\n", "HTTP/1.0 405 Method Not Allowed\r\n"},
        {"hello\r\n\r\n", "HTTP/1.0 400 Bad Request\r\n"},
    };
    for (const auto& c : cases) {
        StreamClient client(camera.AddressText(), c.request);
        const std::string status = c.statusLine;
        const std::string& got = client.ReadAtLeast(status.size());
        EXPECT_EQ(got.substr(0, status.size()), status) << c.request;
        if (!status.ends_with("200 OK\r\n")) {
            client.ReadUntil([](const std::string&) { return false; }, 1000ms);
            EXPECT_TRUE(client.Closed()) << c.request;
        }
    }
    // A request head that never ends is cut off, not collected.
    StreamClient endless(camera.AddressText(), "GET /video/0 HTTP/1.1\r\n" + std::string(20000, 'x'));
    endless.ReadUntil([](const std::string&) { return false; }, 2000ms);
    EXPECT_TRUE(endless.Closed());
    EXPECT_EQ(endless.ReadAtLeast(0), "");
}

// The x centre of the bright run in the pan band: the marker.
int MarkerCentre(const Gray& image, const video::MarkerBand& band) {
    std::vector<long> sums(static_cast<std::size_t>(image.width));
    for (int x = 0; x < image.width; ++x) {
        for (int y = band.top + 2; y < band.top + band.height - 2; ++y) sums[static_cast<std::size_t>(x)] += image.At(x, y);
    }
    const auto [low, high] = std::minmax_element(sums.begin(), sums.end());
    const long middle = (*low + *high) / 2;
    long weight = 0;
    long count = 0;
    for (int x = 0; x < image.width; ++x) {
        if (sums[static_cast<std::size_t>(x)] > middle) {
            weight += x;
            ++count;
        }
    }
    return count == 0 ? -1 : static_cast<int>(weight / count);
}

TEST_F(CameraStreamTest, PanningMovesTheMarker) {
    Device& camera = AddCamera({{"presets", {{"1", {{"pan", 0}}}, {"2", {{"pan", 90}}}, {"3", {{"pan", 270}}}}}});
    const video::TestPattern geometry(640, 480);
    const video::MarkerBand band = geometry.PanBand();
    std::vector<int> columns;
    for (const int preset : {1, 2, 3}) {
        const ParamMap moved = HandleCommand(
            camera, "setptzparam", 0, {{"ptztype", "8"}, {"ptzsubtype", "3"}, {"ptzspeed", std::to_string(preset)}});
        ASSERT_EQ(moved.at("result"), "10000");
        StreamClient client(camera.AddressText(), Get(1));
        const auto parts = client.ReadParts(1);
        ASSERT_FALSE(parts.empty());
        const auto image = Decode(parts[0]);
        ASSERT_TRUE(image);
        const int column = MarkerCentre(*image, band);
        const int centre = geometry.PanMarkerLeft(preset == 1 ? 0 : preset == 2 ? 90 : 270) + band.width / 2;
        EXPECT_NEAR(column, centre, 3) << preset;
        columns.push_back(column);
    }
    EXPECT_LT(columns[0], columns[1]);
    EXPECT_LT(columns[1], columns[2]);

    // A running pan shows in a stream that is already open.
    StreamClient client(camera.AddressText(), Get(0));
    ASSERT_FALSE(client.ReadParts(1).empty());
    HandleCommand(camera, "setptzparam", 0, {{"ptztype", "7"}, {"ptzsubtype", "4"}, {"ptzspeed", "60"}});
    std::this_thread::sleep_for(500ms);
    HandleCommand(camera, "setptzparam", 0, {{"ptztype", "7"}, {"ptzsubtype", "0"}, {"ptzspeed", "0"}});
    // Frames sent meanwhile wait in the socket; the last of 300 ms is after the stop.
    client.ReadUntil([](const std::string&) { return false; }, 300ms);
    const auto parts = client.Parts();
    const auto image = Decode(parts.back());
    ASSERT_TRUE(image);
    // About 30 degrees further (60 degrees a second for half a second).
    const int moved = MarkerCentre(*image, band);
    EXPECT_GT(moved, geometry.PanMarkerLeft(290) + band.width / 2);
    EXPECT_LT(moved, geometry.PanMarkerLeft(320) + band.width / 2);
}

TEST_F(CameraStreamTest, FaultsMakeTheStreamHostile) {
    const struct {
        const char* fault;
        std::size_t read;  // bytes to wait for
        std::chrono::milliseconds wait;  // at most
        bool (*holds)(const std::string& body, bool closed);
    } cases[] = {
        {"endlessFrame", 1u << 20, 3000ms,
         [](const std::string& body, bool) {
             // One part head without a length, then a megabyte with no boundary.
             return body.starts_with("--ostrandframe\r\nContent-Type: image/jpeg\r\n\r\n\xFF\xD8") &&
                    body.find("--ostrandframe", 10) == std::string::npos && body.size() >= (1u << 20);
         }},
        {"truncatedJpeg", 60000, 3000ms,
         [](const std::string& body, bool) {
             // Framed correctly around images without their end.
             const std::size_t length = body.find("Content-Length: ");
             if (length == std::string::npos) return false;
             const std::size_t size = std::stoul(body.substr(length + 16));
             const std::size_t start = body.find("\r\n\r\n") + 4;
             return body.substr(start, 2) == "\xFF\xD8" && body.substr(start + size - 2, 2) != "\xFF\xD9" &&
                    body.compare(start + size, 16, "\r\n--ostrandframe") == 0;
         }},
        {"noBoundary", 60000, 3000ms,
         [](const std::string& body, bool) {
             return body.starts_with("\xFF\xD8") && body.find("ostrandframe") == std::string::npos &&
                    body.size() >= 60000;
         }},
        {"stall", 1, 500ms,
         [](const std::string& body, bool closed) { return body.empty() && !closed; }},
    };
    for (const auto& c : cases) {
        Device& camera = AddCamera({{"streamFault", c.fault}});
        StreamClient client(camera.AddressText(), Get(0));
        const std::string& data = client.ReadAtLeast(kHead.size() + c.read, c.wait);
        ASSERT_TRUE(data.starts_with(kHead)) << c.fault;
        EXPECT_TRUE(c.holds(data.substr(kHead.size()), client.Closed())) << c.fault;
    }
}

TEST_F(CameraStreamTest, TerminalsAndCamerasWithoutChannelsHaveNoVideoPort) {
    Device& camera = AddCamera(nlohmann::json::object(), 0);
    EXPECT_FALSE(ostrand::net::TcpSocket::Connect(camera.AddressText(), kStreamPort, 500ms));
    EXPECT_TRUE(ostrand::net::TcpSocket::Connect(camera.AddressText(), 18080, 500ms));
}

}  // namespace
}  // namespace ostrand::sim
