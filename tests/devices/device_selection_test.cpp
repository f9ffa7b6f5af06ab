#include "devices/device_selection.h"

#include <gtest/gtest.h>

#include "platform/app_state.h"
#include "platform/message_sink.h"

namespace ostrand {
namespace {

class LanguageGuard {
public:
    explicit LanguageGuard(Language language) : previous_(UiLanguage()) { SetUiLanguage(language); }
    ~LanguageGuard() { SetUiLanguage(previous_); }

private:
    Language previous_;
};

DeviceRow Row(std::string ip, std::string port, std::string webPort = "0", std::string channels = "1") {
    DeviceRow row;
    row[kColIp] = std::move(ip);
    row[kColCommandPort] = std::move(port);
    row[kColWebPort] = std::move(webPort);
    row[kColVideoChannels] = std::move(channels);
    return row;
}

TEST(SelectionGateTest, NoSelectionShowsTheMessageInTheCurrentLanguage) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    std::int32_t selected = -1;
    EXPECT_FALSE(SelectionGate({}, selected));
    EXPECT_EQ(selected, -1);
    {
        LanguageGuard english(Language::English);
        EXPECT_FALSE(SelectionGate({}, selected));
    }
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"请在类表中单击选择要配置的设备", "Please Select Item"}));
}

TEST(SelectionGateTest, FirstSelectedRowIsTaken) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    std::int32_t selected = -1;
    const int rows[] = {7, 3, 9};
    EXPECT_TRUE(SelectionGate(rows, selected));
    EXPECT_EQ(selected, 3);
    EXPECT_TRUE(sink.Entries().empty());
}

TEST(RowActivationTest, VideoDeviceAsksOnceWhateverTheAnswer) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    ConfirmedVideoIps confirmed;
    sink.QueueAnswer(false);
    RowAction first = ActivateRow(Row("10.1.1.5", "80", "0", "4"), confirmed);
    EXPECT_EQ(first.kind, RowAction::Kind::None);
    ASSERT_EQ(sink.Entries().size(), 1u);
    EXPECT_TRUE(sink.Entries()[0].question);
    EXPECT_EQ(sink.Entries()[0].text, "请确定设备的网段和PC端网段是否一样");
    EXPECT_EQ(sink.Entries()[0].caption, "网段");

    RowAction second = ActivateRow(Row("10.1.1.5", "80", "0", "4"), confirmed);
    EXPECT_EQ(second.kind, RowAction::Kind::VideoPreview);
    EXPECT_EQ(second.ip, "10.1.1.5");
    EXPECT_EQ(second.port, 80);
    EXPECT_EQ(second.channels, 4);
    EXPECT_EQ(sink.Entries().size(), 1u);
}

TEST(RowActivationTest, EnglishQuestionAndYesOpensThePreview) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    LanguageGuard english(Language::English);
    ConfirmedVideoIps confirmed;
    sink.QueueAnswer(true);
    EXPECT_EQ(ActivateRow(Row("10.1.1.6", "80"), confirmed).kind, RowAction::Kind::VideoPreview);
    ASSERT_EQ(sink.Entries().size(), 1u);
    EXPECT_EQ(sink.Entries()[0].text, "Please make sure the PC and device on the same network segment");
    EXPECT_EQ(sink.Entries()[0].caption, "Segment");
}

TEST(RowActivationTest, VideoDeviceWithoutIpIsRefused) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    ConfirmedVideoIps confirmed;
    EXPECT_EQ(ActivateRow(Row("", "80"), confirmed).kind, RowAction::Kind::None);
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{"IP is Null"});
    EXPECT_EQ(confirmed.Size(), 0u);
}

TEST(RowActivationTest, OtherPortsOpenTheWebPage) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    ConfirmedVideoIps confirmed;
    RowAction tcp = ActivateRow(Row("10.1.1.7", "60005", "0"), confirmed);
    EXPECT_EQ(tcp.kind, RowAction::Kind::WebPage);
    EXPECT_EQ(tcp.address, "http://10.1.1.7");
    EXPECT_EQ(ActivateRow(Row("10.1.1.8", "8000", "8080"), confirmed).address, "http://10.1.1.8:8080");
    EXPECT_TRUE(sink.Entries().empty());
}

TEST(RowActivationTest, AnIpFieldThatIsNotAHostOpensNothing) {
    ConfirmedVideoIps confirmed;
    for (const char* ip : {"1@evil.example", "1.2.3.4/x", "a:99", "", "10.0.0.1 "}) {
        EXPECT_EQ(ActivateRow(Row(ip, "60005"), confirmed).kind, RowAction::Kind::None) << ip;
    }
    EXPECT_TRUE(IsPlainHostText("cam-01.local"));
}

}  // namespace
}  // namespace ostrand
