#pragma once
// A simulated terminal per test, the messages the dialogs show, and the
// screenshots every dialog test leaves in the build tree.

#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <string>

#include "platform/code_page.h"
#include "platform/message_sink.h"
#include "sim/sim_test_support.h"
#include "sim/simulator.h"
#include "transport/tcp_channel.h"
#include "transport/transport_settings.h"

namespace ostrand::test {

class TerminalDialogTest : public ::testing::Test {
protected:
    sim::Device& AddTerminal(int host, nlohmann::json state = nlohmann::json::object(),
                             std::map<std::string, ParamMap> replies = {}) {
        sim::DeviceConfig config;
        config.address = sim::test::AddressBlock() + std::to_string(host);
        config.kind = sim::DeviceKind::Terminal;
        config.deviceNumber = "T" + std::to_string(host);
        config.state["attendance"] = std::move(state);
        config.replies = std::move(replies);
        return sim_.AddDevice(config);
    }
    static DeviceEndpoint At(const sim::Device& device) {
        return {device.AddressText(), device.Port()};
    }
    void SetUp() override { sim_.Start(); }
    void TearDown() override { sim_.Stop(); }

    static void Type(QLineEdit* edit, const QString& text) {
        edit->setText(text);
        emit edit->textEdited(text);
    }
    static void Screenshot(QWidget& widget, const char* name) {
        widget.show();
        widget.adjustSize();
        QDir().mkpath(OSTRAND_SCREENSHOT_DIR);
        EXPECT_TRUE(widget.grab().save(QString(OSTRAND_SCREENSHOT_DIR) + "/" + name));
    }
    std::vector<std::string> TakeMessages() {
        auto texts = sink_.Texts();
        sink_.Clear();
        return texts;
    }

    RecordingMessageSink sink_;
    ScopedMessageSink sinkGuard_{sink_};
    ScopedTransportTimeouts waits_{sim::test::ShortWaits()};
    sim::Simulator sim_;
};

using Messages = std::vector<std::string>;

}  // namespace ostrand::test
