#include "ops/shell/device_batch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "ops/shell/captions.h"
#include "platform/app_state.h"
#include "platform/message_sink.h"

namespace ostrand {
namespace {

class RecordingObserver final : public BatchObserver {
public:
    void OnStatus(std::size_t row, const BatchRowState& state) override {
        std::lock_guard lock(mutex_);
        history_[row].push_back(state.text);
    }
    void OnBatchEnded() override { ++ended_; }
    std::vector<std::string> History(std::size_t row) {
        std::lock_guard lock(mutex_);
        return history_[row];
    }
    int Ended() const { return ended_; }

private:
    std::mutex mutex_;
    std::map<std::size_t, std::vector<std::string>> history_;
    std::atomic<int> ended_{0};
};

std::vector<BatchDevice> Devices(int count) {
    std::vector<BatchDevice> devices;
    for (int i = 0; i < count; ++i) devices.push_back({"10.0.0." + std::to_string(i + 1), 80, "N", "n", "v"});
    return devices;
}

TEST(DeviceBatch, RowTextIsTheResultsOrTheShownMessagesOnOneLine) {
    struct Case {
        BatchJobResult result;
        std::vector<std::string> shown;
        std::string text;
    };
    const Case cases[] = {
        {{true, "done"}, {"ignored"}, "done"},
        {{false, "失败\nreason"}, {}, "失败 reason"},
        {{false, {}}, {"连接服务失败", "", "更新失败\n设备忙"}, "连接服务失败 更新失败 设备忙"},
        {{false, {}}, {}, "fallback"},
    };
    for (const Case& c : cases) EXPECT_EQ(BatchRowText(c.result, c.shown, "fallback"), c.text);
}

// Each device's messages become its own row's text; none reaches the sink in
// force, the pool never runs more jobs than its bound, and a job that throws
// fails only its row.
TEST(DeviceBatch, RowsRunBoundedWithTheirOwnMessagesAndRetryRunsTheFailedOnes) {
    RecordingMessageSink outer;
    ScopedMessageSink scope(outer);
    RecordingObserver observer;
    std::atomic<int> running{0};
    std::atomic<int> most{0};
    std::atomic<bool> healthy{false};
    std::mutex mutex;
    std::map<std::string, int> calls;
    const BatchJob job = [&](const BatchDevice& device) -> BatchJobResult {
        {
            std::lock_guard lock(mutex);
            ++calls[device.ip];
        }
        const int now = ++running;
        for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        --running;
        if (device.ip == "10.0.0.2" && !healthy) throw std::runtime_error("boom");
        if (device.ip == "10.0.0.3" && !healthy) {
            ShowMessage("no answer from " + device.ip);
            return {false, {}};
        }
        ShowMessage("ok " + device.ip);
        return {true, {}};
    };
    {
        DeviceBatchRun run(Devices(6), job, "running", observer, 2);
        ASSERT_TRUE(run.Start());
        EXPECT_FALSE(run.Start());  // one batch at a time
        run.Wait();
        EXPECT_LE(most.load(), 2);
        EXPECT_EQ(run.Row(0).text, "ok 10.0.0.1");
        EXPECT_EQ(run.Row(0).phase, BatchPhase::Succeeded);
        EXPECT_EQ(run.Row(1).text, "boom");
        EXPECT_EQ(run.Row(2).text, "no answer from 10.0.0.3");
        EXPECT_EQ(run.FailedRows(), (std::vector<std::size_t>{1, 2}));
        EXPECT_EQ(observer.History(4), (std::vector<std::string>{"running", "ok 10.0.0.5"}));

        healthy = true;
        ASSERT_TRUE(run.RetryFailed());
        run.Wait();
        EXPECT_TRUE(run.FailedRows().empty());
        EXPECT_FALSE(run.RetryFailed());
        EXPECT_EQ(run.Row(2).text, "ok 10.0.0.3");
        EXPECT_EQ(observer.Ended(), 2);
    }
    EXPECT_EQ(calls["10.0.0.1"], 1);
    EXPECT_EQ(calls["10.0.0.2"], 2);
    EXPECT_EQ(calls["10.0.0.3"], 2);
    EXPECT_TRUE(outer.Texts().empty());
    // Once the run is gone the sink in force is the outer one again.
    ShowMessage("after");
    EXPECT_EQ(outer.Texts(), std::vector<std::string>{"after"});
}

TEST(DeviceBatch, LanguageSettingValues) {
    const std::pair<const char*, std::optional<Language>> cases[] = {
        {"zh", Language::Chinese}, {"ZH", Language::Chinese}, {"chinese", Language::Chinese},
        {"en", Language::English}, {"English", Language::English}, {"", std::nullopt},
        {"fr", std::nullopt},      {"en ", std::nullopt},
    };
    for (const auto& [text, language] : cases) EXPECT_EQ(LanguageForSettingText(text), language) << text;
    EXPECT_STREQ(LanguageSettingText(Language::English), "en");
    EXPECT_STREQ(LanguageSettingText(Language::Chinese), "zh");
}

}  // namespace
}  // namespace ostrand
