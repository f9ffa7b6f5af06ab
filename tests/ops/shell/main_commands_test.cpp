#include <gtest/gtest.h>

#include "devices/device_list.h"
#include "ops/shell/captions.h"
#include "ops/shell/command_gates.h"
#include "ops/shell/main_commands.h"
#include "ops/shell/progress_modes.h"
#include "ops/shell/speaker_build.h"
#include "platform/message_sink.h"

namespace ostrand {
namespace {

DeviceRow RowWith(std::int32_t attendType, std::int32_t commandPort, std::string mac = "00AB12CD34EF") {
    DeviceRecord record;
    record.attendType = attendType;
    record.commandPort = commandPort;
    SetFieldText(record.ip, "10.0.0.7");
    SetFieldText(record.mac, mac);
    SetFieldText(record.deviceNumber, "A1234");
    SetFieldText(record.version, "1.0.0.0-2.3.237");
    record.videoChannels = 4;
    return MakeDeviceRow(record, 1);
}

TEST(CommandGates, AttendKindGateAcceptsTerminalsAndCaptureCamerasOnly) {
    RecordingMessageSink sink;
    ScopedMessageSink scope(sink);
    EXPECT_TRUE(AttendKindGate(RowWith(1, 60005)));
    EXPECT_TRUE(AttendKindGate(RowWith(2, 60005)));
    EXPECT_TRUE(AttendKindGate(RowWith(3, 60005)));  // shown as a capture camera
    EXPECT_TRUE(sink.Texts().empty());
    EXPECT_FALSE(AttendKindGate(RowWith(0, 80)));
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"不支持该功能!"});
}

TEST(CommandGates, VideoPortAndMacGatesSpeakTheInterfaceLanguage) {
    RecordingMessageSink sink;
    ScopedMessageSink scope(sink);
    EXPECT_TRUE(VideoPortGate(RowWith(0, 80)));
    EXPECT_FALSE(VideoPortGate(RowWith(1, 60005)));
    SetUiLanguage(Language::English);
    EXPECT_FALSE(VideoPortGate(RowWith(0, 8080)));
    SetUiLanguage(Language::Chinese);
    EXPECT_TRUE(MacGate(RowWith(1, 60005)));
    EXPECT_FALSE(MacGate(RowWith(1, 60005, "")));
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"该设备不支持该功能", "no support", "MAC地址为空，无法操作"}));
}

TEST(CommandGates, KernelStateFollowsTheReply) {
    RecordingMessageSink sink;
    ScopedMessageSink scope(sink);
    ParamMap empty;
    EXPECT_EQ(KernelStateFromReply(empty), KernelState::Free);
    ParamMap noStatus{{"result", "10000"}};
    EXPECT_EQ(KernelStateFromReply(noStatus), KernelState::Busy);
    ParamMap idle{{"updateStatus", "0"}};
    EXPECT_EQ(KernelStateFromReply(idle), KernelState::Free);
    ParamMap busy{{"updateStatus", "1"}};
    EXPECT_EQ(KernelStateFromReply(busy), KernelState::Busy);
    ParamMap blank{{"updateStatus", ""}};
    EXPECT_EQ(KernelStateFromReply(blank), KernelState::Busy);
    EXPECT_EQ(sink.Texts().size(), 3u);
    for (const auto& text : sink.Texts()) EXPECT_EQ(text, "IPC设备内核升级中,请等升级完成后在进行操作");
}

TEST(MainCommandTable, GatesRunInTheTableOrder) {
    using enum Gate;
    EXPECT_EQ(FindMainCommand(CommandId::SyncPcTime)->gates, (std::vector<Gate>{Select, VideoPort, KernelUpgrade}));
    EXPECT_EQ(FindMainCommand(CommandId::UpdateKernel)->gates, std::vector<Gate>{SelectSilent});
    EXPECT_EQ(FindMainCommand(CommandId::AttendInfo)->gates, (std::vector<Gate>{Select, AttendKind, Mac}));
    EXPECT_EQ(FindMainCommand(CommandId::BindPhotoIpc)->gates, (std::vector<Gate>{Select, AttendKind}));
    EXPECT_EQ(MainCommands().size(), 25u);
}

TEST(MainCommandTable, OperationsReceiveTheRowValues) {
    const DeviceRow row = RowWith(1, 60005);
    const auto bind = MakeCommandArgs(*FindMainCommand(CommandId::BindPhotoIpc), row);
    EXPECT_EQ(bind.ip, "10.0.0.7");
    EXPECT_EQ(bind.port, 60005);
    EXPECT_EQ(bind.commandCode, 5039);
    EXPECT_EQ(bind.deviceNumber, "A1234");
    const auto signIn = MakeCommandArgs(*FindMainCommand(CommandId::BindSignInCode), row);
    EXPECT_EQ(signIn.commandCode, 5042);
    EXPECT_EQ(signIn.deviceNumber, "");
    const auto video = MakeCommandArgs(*FindMainCommand(CommandId::LocalVideo), row);
    EXPECT_EQ(video.channels, 4);
    const auto password = MakeCommandArgs(*FindMainCommand(CommandId::ChangePassword), row);
    EXPECT_EQ(password.version, "1.0.0.0-2.3.237");
}

TEST(SpeakerBuild, BuildNumberAfterTheLastDotChoosesTheClassPage) {
    ResetSpeakerBuild();
    RecordSpeakerVersion("1.0.0.0-2.3.237");
    EXPECT_EQ(CurrentSpeakerBuild().buildNumber, 237);
    EXPECT_TRUE(CurrentSpeakerBuild().newClassPage);
    RecordSpeakerVersion("2.3.236");
    EXPECT_EQ(CurrentSpeakerBuild().buildNumber, 236);
    EXPECT_FALSE(CurrentSpeakerBuild().newClassPage);
    RecordSpeakerVersion("no dots here");  // keeps the previous build number
    EXPECT_EQ(CurrentSpeakerBuild().buildNumber, 236);
    EXPECT_EQ(CurrentSpeakerBuild().versionText, "no dots here");
    ResetSpeakerBuild();
    RecordSpeakerVersion("V3");
    EXPECT_EQ(CurrentSpeakerBuild().buildNumber, 0);
}

TEST(LanguageSwitch, FifteenCaptionsAndTheSelectorText) {
    EXPECT_EQ(LanguageSwitchCaptions().size(), 15u);
    EXPECT_EQ(LanguageForSelectorText("English"), Language::English);
    EXPECT_EQ(LanguageForSelectorText("简体中文"), Language::Chinese);
    EXPECT_EQ(LanguageForSelectorText(""), Language::Chinese);
}

TEST(ProgressModes, SearchStepsOnceAndTheOthersTwice) {
    std::int32_t position = 0;
    for (int tick = 0; tick < 29; ++tick) position = NextProgressPosition(ProgressMode::Search, position);
    EXPECT_EQ(position, 29);
    EXPECT_EQ(NextProgressPosition(ProgressMode::Search, position), 0);
    EXPECT_EQ(NextProgressPosition(ProgressMode::RestoreDefaults, 0), 2);
    EXPECT_EQ(NextProgressPosition(ProgressMode::RestoreDefaults, 28), 0);
    EXPECT_EQ(NextProgressPosition(ProgressMode::Import, 29), 1);
    EXPECT_STREQ(ProgressTextsFor(ProgressMode::Search).title, "搜索设备");
    SetUiLanguage(Language::English);
    EXPECT_STREQ(ProgressTextsFor(ProgressMode::Search).title, "Searching devices");
    EXPECT_STREQ(ProgressTextsFor(ProgressMode::Import).text, "Importing,please wait....");
    SetUiLanguage(Language::Chinese);
}

}  // namespace
}  // namespace ostrand
