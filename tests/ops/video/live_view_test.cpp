// The live-view panels: layout by channel count, and every call each panel's
// video component receives from opening to closing, with types and values.

#include <gtest/gtest.h>

#include <memory>

#include "ops/video/live_view.h"

namespace ostrand::video {
namespace {

TEST(LiveViewLayout, PanelsByChannelCount) {
    const struct {
        int channels;
        std::size_t panels;
        PanelRect first;
        PanelRect last;
    } cases[] = {
        {0, 0, {}, {}},
        {1, 1, {100, 10, 800, 600}, {100, 10, 800, 600}},
        {3, 4, {100, 10, 420, 250}, {420, 250, 740, 490}},
        {5, 9, {100, 10, 313, 170}, {526, 330, 739, 490}},
        {16, 16, {100, 10, 260, 130}, {580, 370, 740, 490}},
        {40, 16, {100, 10, 260, 130}, {580, 370, 740, 490}},
    };
    for (const auto& c : cases) {
        const std::vector<PanelPlacement> layout = PanelLayout(c.channels);
        ASSERT_EQ(layout.size(), c.panels) << c.channels;
        if (layout.empty()) continue;
        EXPECT_EQ(layout.front().rect, c.first) << c.channels;
        EXPECT_EQ(layout.back().rect, c.last) << c.channels;
        for (std::size_t i = 0; i < layout.size(); ++i) {
            EXPECT_EQ(layout[i].controlId, 3000 + static_cast<int>(i));
            EXPECT_TRUE(layout[i].visible);
        }
    }
    // The 3 x 3 grid's second column starts at a third of the area.
    EXPECT_EQ(PanelLayout(9)[4].rect, (PanelRect{313, 170, 526, 330}));
    EXPECT_EQ(PanelLayout(16)[5].rect.Width(), 160);
    EXPECT_EQ(PanelLayout(16)[5].rect.Height(), 120);
}

// Builds a LiveView over recording components and keeps them for inspection.
struct Recorded {
    std::vector<PanelPlacement> placements;
    std::vector<std::unique_ptr<RecordingVideoComponent>> components;  // [0] is the engine
    std::unique_ptr<LiveView> view;

    explicit Recorded(int channels) {
        view = std::make_unique<LiveView>(channels, [this](const PanelPlacement& placement) -> VideoComponent& {
            placements.push_back(placement);
            components.push_back(std::make_unique<RecordingVideoComponent>(41));
            return *components.back();
        });
    }
    const std::vector<VideoCall>& Panel(int i) const { return components[static_cast<std::size_t>(i) + 1]->Calls(); }
};

std::vector<VideoCall> StartCalls(const std::string& ip) {
    return {{2, {ip}},
            {4, {std::int32_t{9886}}},
            {11, {std::string(kNoRelayServer)}},
            {14, {std::uint8_t{0}}},
            {15, {std::int32_t{500}}},
            {43, {std::string("57214390618204")}},
            {13, {std::string()}},
            {3, {std::string("S6150472938")}},
            {9, {std::string("9886")}},
            {5, {}}};
}

std::vector<VideoCall> Concat(std::vector<std::vector<VideoCall>> parts) {
    std::vector<VideoCall> all;
    for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(LiveViewSequence, EveryPanelGetsItsCallsInOrder) {
    const VideoCall attach{42, {std::int32_t{41}}};
    const VideoCall select{29, {}}, deselect{30, {}}, stop{6, {}};
    const struct {
        int channels;
        int selectFirst;
        int selectThen;
        std::vector<std::vector<VideoCall>> panels;  // expected per panel after open, select, select, close
    } cases[] = {
        {1, 0, 0, {Concat({{{1, {std::int32_t{640}, std::int32_t{480}}}, attach}, StartCalls("10.0.0.9"),
                           {select, deselect, select, deselect, stop}})}},
        {3, 0, 2,
         {Concat({{attach}, StartCalls("10.0.0.9"), {select, deselect, deselect, stop}}),
          Concat({{attach}, StartCalls("10.0.0.9"), {deselect, stop}}),
          Concat({{attach}, StartCalls("10.0.0.9"), {select, deselect, stop}}),
          {attach}}},  // the fourth panel of the grid is never started
        {16, 15, 3,
         {Concat({{attach}, StartCalls("10.0.0.9"), {deselect, stop}}),
          Concat({{attach}, StartCalls("10.0.0.9"), {deselect, stop}}),
          Concat({{attach}, StartCalls("10.0.0.9"), {deselect, stop}}),
          Concat({{attach}, StartCalls("10.0.0.9"), {select, deselect, stop}})}},
    };
    for (const auto& c : cases) {
        Recorded recorded(c.channels);
        ASSERT_EQ(recorded.placements.front().controlId, 3123);
        EXPECT_FALSE(recorded.placements.front().visible);
        EXPECT_EQ(recorded.components.front()->Calls(), (std::vector<VideoCall>{{44, {std::int32_t{1}}}}));
        EXPECT_EQ(recorded.view->EngineHandle(), 41);

        recorded.view->StartAll("10.0.0.9");
        recorded.view->Select(c.selectFirst);
        recorded.view->Select(c.selectThen);
        EXPECT_EQ(recorded.view->Selected(), c.selectThen);
        int pauses = 0;
        recorded.view->StopAll([&](int) { ++pauses; });
        EXPECT_EQ(pauses, c.channels) << c.channels;
        EXPECT_FALSE(recorded.view->Playing());
        recorded.view->StopAll([&](int) { ++pauses; });  // a second close stops nothing
        EXPECT_EQ(pauses, c.channels);

        for (std::size_t i = 0; i < c.panels.size(); ++i) {
            EXPECT_EQ(recorded.Panel(static_cast<int>(i)), c.panels[i]) << c.channels << " channels, panel " << i;
        }
        if (c.channels == 16) {
            // The 15th panel was selected first, then deselected for the 4th.
            EXPECT_EQ(recorded.Panel(15),
                      Concat({{attach}, StartCalls("10.0.0.9"), {select, deselect, deselect, stop}}));
        }
    }
}

TEST(LiveViewSequence, ChannelsBeyondThePanelsAreSafe) {
    Recorded recorded(20);
    ASSERT_EQ(recorded.view->PanelCount(), 16);
    recorded.view->StartAll("10.0.0.9");
    recorded.view->Select(18);  // no panel: none selected
    EXPECT_EQ(recorded.view->Selected(), -1);
    int stopped = 0;
    recorded.view->StopAll([&](int) { ++stopped; });
    EXPECT_EQ(stopped, 16);

    Recorded none(0);
    EXPECT_EQ(none.view->PanelCount(), 0);
    none.view->StartAll("10.0.0.9");
    none.view->Select(0);
    none.view->StopAll();
    EXPECT_EQ(none.components.size(), 1u);  // the engine only
}

}  // namespace
}  // namespace ostrand::video
