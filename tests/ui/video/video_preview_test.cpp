// "视频浏览" against a simulated camera: opening reads every parameter into
// the controls and starts the panels, a moved slider changes the camera, a
// held PTZ button moves the head until it is released, the status fields
// follow the camera until two checks failed, and closing is quick.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QApplication>
#include <QSlider>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <QWheelEvent>

#include <fstream>
#include <functional>
#include <memory>

#include "../../ops/video/fake_camera.h"
#include "../../platform/temp_dir.h"
#include "../../sim/sim_test_support.h"
#include "../../transport/scripted_peer.h"
#include "platform/log.h"
#include "ui/costrand_dlg.h"
#include "ui/loopback_discovery.h"
#include "platform/app_state.h"
#include "platform/message_sink.h"
#include "sim/behaviours/video/camera_video_state.h"
#include "sim/simulator.h"
#include "transport/form_codec.h"
#include "ui/dialog_routes.h"
#include "ui/video/cvideo_play_sdk.h"
#include "ui/video/my_video_panel.h"

namespace ostrand {
namespace {

using CameraState = sim::video::CameraVideoState;

class VideoPreviewTest : public ::testing::Test {
protected:
    void SetUp() override { SetUiLanguage(Language::Chinese); }
    void TearDown() override {
        simulator_.Stop();
        SetUiLanguage(Language::Chinese);
    }

    sim::Device& AddCamera(int channels, nlohmann::json video, std::uint16_t port = 18080) {
        sim::DeviceConfig config;
        config.address = sim::test::AddressBlock() + "21";
        config.kind = sim::DeviceKind::Camera;
        config.port = port;
        config.videoChannels = channels;
        config.state["video"] = std::move(video);
        sim::Device& device = simulator_.AddDevice(std::move(config));
        simulator_.Start();
        return device;
    }

    template <class Read>
    static auto Camera(sim::Device& device, Read&& read) {
        return device.WithState<CameraState>([&](CameraState& s) { return read(s); });
    }

    static bool WaitFor(const std::function<bool()>& done, int ms) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < ms) QTest::qWait(20);
        return done();
    }

    static void SaveScreenshot(QWidget& window, const char* name) {
        QDir().mkpath(OSTRAND_SCREENSHOT_DIR);
        ASSERT_TRUE(window.grab().toImage().save(QString(OSTRAND_SCREENSHOT_DIR) + "/" + name));
    }

    ScopedTransportTimeouts waits_{sim::test::ShortWaits()};
    RecordingMessageSink sink_;
    ScopedMessageSink sinkScope_{sink_};
    sim::Simulator simulator_;
};

TEST_F(VideoPreviewTest, TunesMovesPollsAndCloses) {
    sim::Device& camera = AddCamera(
        3, {{"image", {{"lightness", 200}, {"awbR", 5099}, {"mode", 4}}},
            {"channels", {nlohmann::json::object(), {{"lightness", 64}, {"bitRate", 1200}}}},
            {"status", {{"sdstatus", "yes"}, {"resetbtnstatus", "no"}, {"AlarmKey1", "yes"}}}});
    auto dialog = std::make_unique<CVideoPlaySdk>(camera.AddressText(), 18080, 3);
    dialog->show();
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("视频浏览"));
    // The poll's reports arrive through the event loop; the alarm field is the
    // last of the three that change, so each change shows one whole report.
    std::vector<QStringList> statusShown;
    QObject::connect(dialog->Edit(1103), &QLineEdit::textChanged, [&] {
        statusShown.push_back({dialog->Edit(1110)->text(), dialog->Edit(1112)->text(), dialog->Edit(1103)->text(),
                               dialog->Edit(1114)->text()});
    });

    // The opening reads, shown with their encodings.
    EXPECT_EQ(dialog->Slider(1064)->value(), 78);  // 200 of 255
    EXPECT_EQ(dialog->Edit(1065)->text(), "78%");
    EXPECT_EQ(dialog->Slider(1078)->value(), 50);  // gain 5099
    EXPECT_EQ(dialog->Combo(1080)->currentText(), QString::fromUtf8("阳光模式"));
    EXPECT_EQ(dialog->Edit(1117)->text(), "768");
    EXPECT_EQ(dialog->Combo(1072)->count(), 3);
    EXPECT_FALSE(dialog->Slider(1073)->isEnabled());

    // Three channels: a 2 x 2 grid, three panels started, the first selected.
    ASSERT_EQ(dialog->Panels().size(), 4u);
    EXPECT_TRUE(dialog->Panels()[2]->Started());
    EXPECT_FALSE(dialog->Panels()[3]->Started());
    EXPECT_TRUE(dialog->Panels()[0]->IsSelected());
    EXPECT_TRUE(dialog->Panels()[0]->Text().startsWith(QString::fromUtf8("无视频")));
    EXPECT_EQ(dialog->Panels()[1]->geometry(), QRect(320, 0, 320, 240));

    // A released slider changes the camera; the day threshold keeps its spacing.
    dialog->Slider(1066)->setValue(80);
    emit dialog->Slider(1066)->sliderReleased();
    EXPECT_EQ(Camera(camera, [](CameraState& s) { return s.channels[0]["contrast"]; }), "204");
    // One arrow-key step of a focused slider sends as well.
    dialog->activateWindow();
    dialog->Slider(1068)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    const auto saturation = [&] { return Camera(camera, [](CameraState& s) { return s.channels[0]["staturation"]; }); };
    ASSERT_TRUE(WaitFor([&] { return saturation() == "130"; }, 1000));
    dialog->Slider(1094)->setValue(60);
    emit dialog->Slider(1094)->sliderReleased();
    EXPECT_EQ(dialog->Slider(1094)->value(), 90);
    EXPECT_EQ(Camera(camera, [](CameraState& s) { return s.channels[0]["dsen"]; }), "90");

    // Edits: a value outside the range is refused with its message, a good one is sent.
    dialog->Edit(1117)->setText("2001");
    QTest::keyClick(dialog->Edit(1117), Qt::Key_Return);
    dialog->Edit(1120)->setText("12");
    QTest::keyClick(dialog->Edit(1120), Qt::Key_Return);
    EXPECT_EQ(sink_.Texts(), (std::vector<std::string>{"输入的值小于1， 或大于2000， 请重新输入", "设置成功!"}));
    EXPECT_EQ(dialog->Edit(1117)->text(), "2001");  // left for the user to correct
    EXPECT_EQ(Camera(camera, [](CameraState& s) { return s.channels[0]["frate"]; }), "12");

    // Holding "上" moves the head; releasing stops it.
    dialog->Slider(1138)->setValue(63);
    QTest::mousePress(dialog->Button(1128), Qt::LeftButton);
    EXPECT_TRUE(Camera(camera, [](CameraState& s) { return s.head.Moving(); }));
    QTest::qWait(150);
    QTest::mouseRelease(dialog->Button(1128), Qt::LeftButton);
    const double tilt = Camera(camera, [](CameraState& s) { return s.head.PositionAt(sim::video::Clock::now()).tilt; });
    EXPECT_FALSE(Camera(camera, [](CameraState& s) { return s.head.Moving(); }));
    EXPECT_GT(tilt, 5.0);
    QTest::qWait(60);
    EXPECT_EQ(Camera(camera, [](CameraState& s) { return s.head.PositionAt(sim::video::Clock::now()).tilt; }), tilt);

    // Another channel: its values and its panel.
    dialog->Combo(1072)->setCurrentIndex(1);
    EXPECT_EQ(dialog->Slider(1064)->value(), 25);
    EXPECT_EQ(dialog->Edit(1117)->text(), "1200");
    EXPECT_TRUE(dialog->Panels()[1]->IsSelected());
    EXPECT_FALSE(dialog->Panels()[0]->IsSelected());

    // The status fields follow the camera; after two failed checks (the
    // camera answers with a status) the poll ends.
    SaveScreenshot(*dialog, "video-preview.png");
    ASSERT_TRUE(WaitFor([&] { return !statusShown.empty(); }, 2000));
    sim::FaultOptions status;
    status.httpStatus = 500;
    simulator_.SetFaults(camera, status);
    ASSERT_TRUE(WaitFor([&] { return !dialog->StatusPoller()->Running(); }, 3000));
    QTest::qWait(50);  // the last report reaches the fields
    EXPECT_EQ(dialog->StatusPoller()->Failures(), 2);
    EXPECT_GE(dialog->StatusPoller()->Polls(), 3);
    ASSERT_EQ(statusShown.size(), 2u);
    EXPECT_EQ(statusShown[0], QStringList({QString::fromUtf8("已插入"), "UP", "DOWN", QString::fromUtf8("版本不支持")}));
    EXPECT_EQ(statusShown[1], QStringList(4, QString::fromUtf8("版本不支持")));

    QElapsedTimer closing;
    closing.start();
    MyVideoPanel* first = dialog->Panels()[0];
    dialog->done(QDialog::Accepted);
    EXPECT_FALSE(first->Started());
    EXPECT_EQ(first->Calls().back().dispatchId, 6);
    dialog.reset();
    EXPECT_LT(closing.elapsed(), 1000);
}

TEST_F(VideoPreviewTest, EnglishCaptionsAndSixteenPanelsCloseWhilePolling) {
    SetUiLanguage(Language::English);
    sim::Device& camera = AddCamera(16, {{"status", {{"sdstatus", "no"}}}});
    auto dialog = std::make_unique<CVideoPlaySdk>(camera.AddressText(), 18080, 16);
    dialog->show();
    EXPECT_EQ(dialog->windowTitle(), "Video Scan");
    EXPECT_TRUE(AllDialogRoutes().Has(CommandId::LocalVideo));
    EXPECT_EQ(dialog->Button(1004)->text(), "Reset");
    EXPECT_EQ(dialog->Button(1165)->text(), "Del ALL Preset");
    EXPECT_EQ(dialog->Combo(1063)->itemText(0), "Smooth First");
    ASSERT_EQ(dialog->Panels().size(), 16u);
    EXPECT_EQ(dialog->Panels()[15]->geometry(), QRect(480, 360, 160, 120));
    ASSERT_TRUE(WaitFor([&] { return dialog->Edit(1110)->text() == "No Insert"; }, 2000));
    EXPECT_EQ(dialog->Edit(1112)->text(), QString::fromUtf8("版本不支持"));
    SaveScreenshot(*dialog, "video-preview-16-en.png");

    // Restore defaults runs behind the progress window and reads everything again.
    Camera(camera, [](CameraState& s) { return s.channels[0]["lightness"] = "10"; });
    dialog->Button(1004)->click();
    EXPECT_EQ(dialog->Slider(1064)->value(), 50);

    // Closing while "右" is held stops the head.
    QTest::mousePress(dialog->Button(1134), Qt::LeftButton);
    EXPECT_TRUE(Camera(camera, [](CameraState& s) { return s.head.Moving(); }));
    QElapsedTimer closing;
    closing.start();
    dialog->done(QDialog::Rejected);
    EXPECT_FALSE(Camera(camera, [](CameraState& s) { return s.head.Moving(); }));
    dialog.reset();  // the poll is still running: destruction ends it
    EXPECT_LT(closing.elapsed(), 16 * CVideoPlaySdk::kStopPauseMs + 500);
}

// The main window's "本地视频播放" on a port-80 camera: after the kernel check
// and the segment question the preview of the row's camera opens.
TEST_F(VideoPreviewTest, TheLocalVideoCommandOpensThePreviewOfTheSelectedCamera) {
    test::TempWorkingDir dir;
    sim::Device& camera = AddCamera(2, nlohmann::json::object(), 80);
    CostrandDlg main(test::LoopbackDiscoveryConfig());
    main.Table().Append(camera.Record());
    main.FillDeviceList();
    QObject::connect(&main, &CostrandDlg::CommandPassedGates, &main,
                     [&main](CommandId id, const CommandArgs& args) { AllDialogRoutes().Open(id, &main, args); });
    sink_.QueueAnswer(true);

    // Closes the preview once it runs modally, noting what it showed.
    std::size_t panels = 0;
    QString title;
    bool mainTookInput = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* preview = qobject_cast<CVideoPlaySdk*>(QApplication::activeModalWidget());
        if (preview == nullptr || !preview->isVisible()) {
            // The camera's values are being read: the main window must not take input.
            if (main.findChild<CVideoPlaySdk*>() != nullptr && main.isEnabled()) mainTookInput = true;
            return;
        }
        panels = preview->Panels().size();
        title = preview->windowTitle();
        preview->done(QDialog::Accepted);
    });
    closer.start(50);
    QTimer::singleShot(10000, &main, [] {  // a preview that never closed must not hang the test
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });

    main.ListView()->selectRow(0);
    main.Button(1049)->click();
    EXPECT_EQ(panels, 4u);
    EXPECT_FALSE(mainTookInput);
    EXPECT_TRUE(main.isEnabled());
    EXPECT_EQ(title, QString::fromUtf8("视频浏览"));
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"请确定设备的网段和PC端网段是否一样"});
}

// A camera of older firmware answers 404 to "getpwfreque": the dialog says so
// and reads on. Every change of a slider's value by the user is sent, with
// the keyboard focus kept on the slider across the write; failed writes are
// shown; the track selector starts on its entry 1.
TEST_F(VideoPreviewTest, AnOlderCameraIsReadOnAndEveryUserChangeIsSent) {
    test::FakeCamera camera({{"getpwfreque", {404, "", std::chrono::milliseconds(0), false}},
                             {"getvideocolparam", {200, "?lightness=255&hue=128", std::chrono::milliseconds(0), false}},
                             {"getkeyframe", {200, "?keyframe=60", std::chrono::milliseconds(0), false}}},
                            {200, "?result=10000&mode=2", std::chrono::milliseconds(0), false});
    auto dialog = std::make_unique<CVideoPlaySdk>(camera.Ip(), camera.Port(), 1);
    dialog->show();
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"POST出错，错误码：404"});
    EXPECT_EQ(dialog->Slider(1064)->value(), 100);  // read after the 404
    EXPECT_EQ(dialog->Edit(1125)->text(), "60");    // the last read
    EXPECT_NE(dialog->Edit(1110)->text(), QString::fromUtf8("设备无应答"));

    QSlider* hue = dialog->Slider(1070);
    const auto lastHue = [&] {
        const std::vector<std::string> bodies = camera.Bodies("setcolorparm");
        ParamMap request;
        if (!bodies.empty()) DecodeFormBody(bodies.back(), request);
        return std::make_pair(bodies.size(), request["setvalue"]);
    };
    struct Change {
        const char* name;
        std::function<void()> act;
    };
    const Change changes[] = {
        {"click on the groove", [&] { QTest::mouseClick(hue, Qt::LeftButton, {}, QPoint(hue->width() - 3, hue->height() / 2)); }},
        {"PageDown", [&] { QTest::keyClick(hue, Qt::Key_PageDown); }},
        {"End", [&] { QTest::keyClick(hue, Qt::Key_End); }},
        {"Home", [&] { QTest::keyClick(hue, Qt::Key_Home); }},
        {"wheel", [&] {
             const QPointF at(hue->width() / 2.0, hue->height() / 2.0);
             QWheelEvent wheel(at, hue->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                               Qt::NoScrollPhase, false);
             QApplication::sendEvent(hue, &wheel);
         }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        const int before = hue->value();
        const std::size_t sent = lastHue().first;
        change.act();
        ASSERT_NE(hue->value(), before);
        EXPECT_EQ(lastHue(), std::make_pair(sent + 1, std::to_string(hue->value())));
    }

    // Three arrow presses on the focused slider: three writes, in order, the focus kept.
    dialog->activateWindow();
    hue->setFocus();
    hue->setValue(50);  // not the user's: nothing sent
    const std::size_t before = lastHue().first;
    for (int i = 1; i <= 3; ++i) {
        ASSERT_EQ(QApplication::focusWidget(), hue) << i;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    }
    const std::vector<std::string> bodies = camera.Bodies("setcolorparm");
    ASSERT_EQ(bodies.size(), before + 3);
    for (int i = 1; i <= 3; ++i) {
        ParamMap request;
        DecodeFormBody(bodies[before + static_cast<std::size_t>(i) - 1], request);
        EXPECT_EQ(request["setvalue"], std::to_string(50 + i));
    }
    EXPECT_EQ(QApplication::focusWidget(), hue);

    // Failed writes are shown as the form channel shows them; a held PTZ
    // button's failure once it is up.
    sink_.Clear();
    camera.SetAnswer("setcolorparm", {404, "", std::chrono::milliseconds(0), false});
    camera.SetAnswer("setptzparam", {404, "", std::chrono::milliseconds(0), false});
    QTest::keyClick(hue, Qt::Key_Left);
    QTest::mousePress(dialog->Button(1128), Qt::LeftButton);
    EXPECT_EQ(sink_.Texts().size(), 1u);
    QTest::mouseRelease(dialog->Button(1128), Qt::LeftButton);
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>(3, "POST出错，错误码：404"));

    // 巡航 untouched: the track selector's entry 1, track 2; the preset's text "1".
    camera.SetAnswer("setptzparam", {});
    EXPECT_EQ(dialog->Combo(1158)->currentText(), QString::fromUtf8("轨道2(17-32)"));
    EXPECT_EQ(dialog->Combo(1156)->currentText(), "1");
    dialog->Button(1160)->click();
    ParamMap cruise;
    DecodeFormBody(camera.Bodies("setptzparam").back(), cruise);
    EXPECT_EQ(cruise["ptzspeed"], "2");
    dialog->done(QDialog::Accepted);
}

// A camera that answers nothing: the status fields say so, the log has the
// read's failure line; a camera listed by hand (no channel count) says so in
// the panel area; closing during a poll the camera never answers is quick.
TEST_F(VideoPreviewTest, AnUnreachableCameraAndAStuckPollAreShownAndClosedAtOnce) {
    test::TempWorkingDir dir;
    ASSERT_TRUE(OpenLogFile());
    TransportTimeouts waits = sim::test::ShortWaits();
    waits.httpConnectRetries = 0;
    ScopedTransportTimeouts shortWaits(waits);
    {
        auto dialog = std::make_unique<CVideoPlaySdk>("127.0.0.1", test::RefusingPort(), 1);
        dialog->show();
        ASSERT_EQ(sink_.Texts().size(), 1u);  // the HTTP layer's description, once
        QTest::qWait(400);                     // polls that get no answer leave the word
        EXPECT_EQ(dialog->Edit(1110)->text(), QString::fromUtf8("设备无应答"));
        EXPECT_EQ(dialog->Edit(1114)->text(), QString::fromUtf8("设备无应答"));
        SaveScreenshot(*dialog, "video-preview-unreachable.png");
        dialog->done(QDialog::Rejected);
    }
    CloseLogFile();
    std::ifstream log("Log.txt");
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("GetInitParam Unknow Exception occur!::"), std::string::npos) << text;

    test::FakeCamera camera({{"sdcheck", {200, "", std::chrono::milliseconds(0), true}}});
    auto dialog = std::make_unique<CVideoPlaySdk>(camera.Ip(), camera.Port(), 0);
    dialog->show();
    EXPECT_TRUE(dialog->Panels().empty());
    auto* none = dialog->findChild<QLabel*>("3000");
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->text(), QString::fromUtf8("无视频通道信息"));
    EXPECT_TRUE(none->isVisible());
    SaveScreenshot(*dialog, "video-preview-no-channels.png");
    ASSERT_TRUE(WaitFor([&] { return !camera.Bodies("sdcheck").empty(); }, 2000));
    QElapsedTimer closing;
    closing.start();
    dialog->done(QDialog::Accepted);
    dialog.reset();
    EXPECT_LT(closing.elapsed(), 1000);
}

}  // namespace
}  // namespace ostrand
