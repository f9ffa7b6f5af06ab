// The preview's panels against a simulated camera's streams: pictures arrive
// in every started panel, a pan with the PTZ buttons shows in later pictures,
// a broken stream ends in "无视频" with its reason, and Escape closes the
// preview with every stream stopped.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>

#include "../../sim/sim_test_support.h"
#include "platform/app_state.h"
#include "platform/message_sink.h"
#include "sim/behaviours/video/camera_video_state.h"
#include "sim/simulator.h"
#include "ui/video/cvideo_play_sdk.h"
#include "ui/video/my_video_panel.h"

namespace ostrand {
namespace {

using CameraState = sim::video::CameraVideoState;

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) QTest::qWait(20);
    return done();
}

int Luma(std::uint32_t pixel) {
    return (299 * static_cast<int>(pixel >> 16 & 0xff) + 587 * static_cast<int>(pixel >> 8 & 0xff) +
            114 * static_cast<int>(pixel & 0xff)) / 1000;
}

// The x centre of the pan marker: a bright block on a dark band near the
// bottom of the picture. The band is the lowest row that is mostly dark and
// holds one narrow bright run.
std::optional<double> PanMarkerX(const video::VideoFrame& picture) {
    for (int y = picture.height - 1; y >= picture.height * 3 / 4; --y) {
        int dark = 0, bright = 0;
        double sum = 0;
        for (int x = 0; x < picture.width; ++x) {
            const int luma = Luma(picture.Pixel(x, y));
            if (luma < 60) ++dark;
            if (luma > 180) {
                ++bright;
                sum += x;
            }
        }
        if (bright > 0 && bright < picture.width / 8 && dark + bright > picture.width * 9 / 10) return sum / bright;
    }
    return std::nullopt;
}

class LiveVideoTest : public ::testing::Test {
protected:
    void SetUp() override { SetUiLanguage(Language::Chinese); }
    void TearDown() override { simulator_->Stop(); }

    sim::Device& AddCamera(int channels, nlohmann::json video, int lastOctet = 31) {
        sim::DeviceConfig config;
        config.address = sim::test::AddressBlock() + std::to_string(lastOctet);
        config.kind = sim::DeviceKind::Camera;
        config.port = 18080;
        config.videoChannels = channels;
        config.state["video"] = std::move(video);
        sim::Device& device = simulator_->AddDevice(std::move(config));
        simulator_->Start();
        return device;
    }

    static double Pan(sim::Device& camera) {
        return camera.WithState<CameraState>(
            [](CameraState& s) { return s.head.PositionAt(sim::video::Clock::now()).pan; });
    }

    ScopedTransportTimeouts waits_{sim::test::ShortWaits()};
    RecordingMessageSink sink_;
    ScopedMessageSink sinkScope_{sink_};
    std::unique_ptr<sim::Simulator> simulator_ = std::make_unique<sim::Simulator>();
};

TEST_F(LiveVideoTest, PicturesArriveAndFollowTheHeadUntilEscapeCloses) {
    sim::Device& camera = AddCamera(4, {{"ptz", {{"pan", 90}, {"tilt", 0}, {"zoom", 1}}}});
    auto dialog = std::make_unique<CVideoPlaySdk>(camera.AddressText(), 18080, 4);
    dialog->show();
    ASSERT_EQ(dialog->Panels().size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(dialog->Panels()[i]->StreamUrl(),
                  "http://" + camera.AddressText() + ":9886/video/" + std::to_string(i));
    }
    // Every panel draws pictures of its own size.
    ASSERT_TRUE(WaitFor(
        [&] {
            for (MyVideoPanel* panel : dialog->Panels()) {
                if (panel->PicturesDrawn() < 3) return false;
            }
            return true;
        },
        8000));
    MyVideoPanel* panel = dialog->Panels()[0];
    EXPECT_TRUE(panel->Text().isEmpty());
    EXPECT_EQ(panel->Picture()->width, 320);
    EXPECT_EQ(panel->Picture()->height, 240);

    const double panBefore = Pan(camera);
    const std::optional<double> markerBefore = PanMarkerX(*panel->Picture());
    ASSERT_TRUE(markerBefore.has_value());

    // Pan right with the PTZ panel: press, hold, release.
    dialog->Slider(1138)->setValue(63);
    QTest::mousePress(dialog->Button(1134), Qt::LeftButton);
    QTest::qWait(400);
    QTest::mouseRelease(dialog->Button(1134), Qt::LeftButton);
    const double panAfter = Pan(camera);
    ASSERT_GT(std::abs(panAfter - panBefore), 5.0);

    // Pictures made after the release show the head where it stopped.
    const std::uint64_t releasedAt = panel->Picture()->number;
    ASSERT_TRUE(WaitFor([&] { return panel->Picture() && panel->Picture()->number >= releasedAt + 5; }, 3000));
    const std::optional<double> markerAfter = PanMarkerX(*panel->Picture());
    ASSERT_TRUE(markerAfter.has_value());
    const double expectedShift = (panAfter - panBefore) / 360.0 * panel->Picture()->width * 15.0 / 16.0;
    EXPECT_NEAR(*markerAfter - *markerBefore, expectedShift, 3.0 + std::abs(expectedShift) * 0.2);

    QDir().mkpath(OSTRAND_SCREENSHOT_DIR);
    EXPECT_TRUE(dialog->grab().toImage().save(QString(OSTRAND_SCREENSHOT_DIR) + "/video-preview-live.png"));

    // Escape closes the preview; every panel's stream is stopped on the way.
    QElapsedTimer closing;
    closing.start();
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    for (MyVideoPanel* p : dialog->Panels()) {
        EXPECT_FALSE(p->Started());
        EXPECT_EQ(p->Picture(), nullptr);
    }
    dialog.reset();
    EXPECT_LT(closing.elapsed(), 4 * CVideoPlaySdk::kStopPauseMs + 1000);
}

// Tab walks the controls as they stand: the parameters first, then the PTZ
// buttons, then the status fields.
TEST_F(LiveVideoTest, TabWalksParametersThenPtzThenStatus) {
    sim::Device& camera = AddCamera(1, nlohmann::json::object());
    CVideoPlaySdk dialog(camera.AddressText(), 18080, 1);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.Control(1072)->setFocus();
    std::vector<int> visited;
    for (int i = 0; i < 80 && (visited.empty() || visited.back() != 1072); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget()->objectName().toInt());
    }
    const auto at = [&](int id) { return std::find(visited.begin(), visited.end(), id) - visited.begin(); };
    ASSERT_EQ(visited.back(), 1072) << "Tab comes back round to the channel";
    EXPECT_LT(at(1061), at(1004));  // resolution before restore defaults: the parameter panel in order
    EXPECT_LT(at(1004), at(1128));  // parameters, then the PTZ buttons
    EXPECT_LT(at(1128), at(1160));
    EXPECT_LT(at(1160), at(1110));  // then the status fields
    EXPECT_LT(at(1110), at(1114));
    dialog.done(QDialog::Accepted);
}

TEST_F(LiveVideoTest, ABrokenStreamShowsNoVideoWithItsReason) {
    struct Case {
        const char* fault;
        const char* reason;
    } cases[] = {{"stall", "视频中断"}, {"noBoundary", "不是视频流"}, {"truncatedJpeg", "帧已损坏"}};
    int octet = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        sim::Device& camera = AddCamera(2, {{"streamFault", c.fault}}, octet++);
        auto dialog = std::make_unique<CVideoPlaySdk>(camera.AddressText(), 18080, 2);
        dialog->show();
        const QString expected = QString::fromUtf8("无视频\n") + QString::fromUtf8(c.reason);
        // Opening and picture waits are 3 s each; the broken stream ends within them.
        EXPECT_TRUE(WaitFor([&] { return dialog->Panels()[1]->Text().startsWith(expected); }, 8000))
            << dialog->Panels()[1]->Text().toStdString();
        EXPECT_EQ(dialog->Panels()[1]->PicturesDrawn(), 0u);
        dialog->done(QDialog::Rejected);
        dialog.reset();
        simulator_->Stop();
        simulator_ = std::make_unique<sim::Simulator>();
    }
}

}  // namespace
}  // namespace ostrand
