// The temperature-device probe against scripted devices on loopback: the
// bytes sent, the answers kept, the strict-model filter, sort and
// de-duplication.

#include "ops/peripherals/tempera_probe.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"

#include <regex>

#include "probe_peer.h"

namespace ostrand {
namespace {

using test::ProbeMatch;
using test::ProbePeer;

// Aims both variants at the peers with short waits; no group, free ports.
TemperaProbeConfig AtPeers(const ProbePeer& first, const ProbePeer& second, std::int32_t waitMs = 100) {
    TemperaProbeConfig config;
    config.bindAddress = "127.0.0.1";
    config.group.clear();
    config.first.localPort = 0;
    config.second.localPort = 0;
    config.first.destination = first.Endpoint();
    config.second.destination = second.Endpoint();
    config.scanTimeOut = [waitMs] { return waitMs; };
    return config;
}

TEST(TemperaProbe, MessageIsTheDeclarationUuidAndInquiryWithOneZeroByte) {
    ProbePeer first({}), second({});
    const auto found = SearchTemperaDevices(AtPeers(first, second), 0, {});
    EXPECT_TRUE(found.empty());
    const auto sentFirst = first.Received();
    const auto sentSecond = second.Received();
    ASSERT_EQ(sentFirst.size(), 1u);
    ASSERT_EQ(sentSecond.size(), 1u);
    const std::regex shape(R"re(<\?xml version="1.0" encoding="(utf-8|GBK)"\?><Probe><Uuid>)re"
                           R"re([0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12})re"
                           R"re(</Uuid><Types>inquiry</Types></Probe>)re");
    for (const auto& sent : {sentFirst[0], sentSecond[0]}) {
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.back(), '\0');
        EXPECT_TRUE(std::regex_match(sent.substr(0, sent.size() - 1), shape)) << sent;
    }
    EXPECT_NE(sentFirst[0].find("utf-8"), std::string::npos);
    EXPECT_NE(sentSecond[0].find("GBK"), std::string::npos);
    const auto uuid = [](const std::string& text) { return text.substr(text.find("<Uuid>") + 6, 36); };
    EXPECT_NE(uuid(sentFirst[0]), uuid(sentSecond[0]));  // a fresh UUID each time
}

TEST(TemperaProbe, AnswersAreReadByRootAndVariant) {
    struct Case {
        const char* what;
        std::string text;
        bool readsPort;
        bool kept;
        std::string port;
    };
    const std::vector<Case> cases = {
        {"first variant ignores the port", ProbeMatch("1", "M", "10.0.0.1", "AA"), false, true, ""},
        {"second variant reads the port", ProbeMatch("1", "M", "10.0.0.1", "AA"), true, true, "8000"},
        {"another root", ProbeMatch("1", "M", "10.0.0.1", "AA", "8000", "Hello"), true, false, ""},
        {"another root with a ProbeMatch child",
         R"(<Hello><ProbeMatch>yes</ProbeMatch><IPv4Address>10.0.0.2</IPv4Address></Hello>)", true, true, ""},
        {"not XML", "ProbeMatch", true, false, ""},
        {"empty ProbeMatch child", R"(<Hello><ProbeMatch/></Hello>)", true, false, ""},
    };
    for (const auto& c : cases) {
        const auto found = ParseProbeAnswer(c.text, c.readsPort);
        EXPECT_EQ(found.has_value(), c.kept) << c.what;
        if (found) {
            EXPECT_EQ(found->servicePort, c.port) << c.what;
        }
    }
    const auto full = ParseProbeAnswer(ProbeMatch("10754052", "Model", "10.0.0.9", "00:11"), true);
    ASSERT_TRUE(full);
    EXPECT_EQ(*full, (FoundTempera{"10754052", "Model", "SN-10.0.0.9", "8000", "10.0.0.9", "00:11"}));
}

TEST(TemperaProbe, AnswerTextEndsAtTheFirstZeroOrTheDatagram) {
    const std::vector<std::uint8_t> zeroed = {'<', 'a', '/', '>', 0, 'x'};
    EXPECT_EQ(ProbeAnswerText(zeroed), "<a/>");
    const std::vector<std::uint8_t> full(kProbeReceiveLimit, 'x');
    EXPECT_EQ(ProbeAnswerText(full).size(), kProbeReceiveLimit);
}

TEST(TemperaProbe, StrictFlagFiltersTheFirstVariantOnly) {
    ProbePeer first({ProbeMatch("999", std::string(kStrictModel), "10.0.0.1", "A1"),
                     ProbeMatch(std::string(kStrictDeviceType), "Other", "10.0.0.2", "A2"),
                     ProbeMatch("999", "Other", "10.0.0.3", "A3")});
    ProbePeer second({ProbeMatch("999", "Other", "10.0.0.4", "A4")});
    std::vector<std::string> loose, strict;
    for (const auto& record : SearchTemperaDevices(AtPeers(first, second), 0, {})) loose.push_back(record.ipv4);
    for (const auto& record : SearchTemperaDevices(AtPeers(first, second), 1, {})) strict.push_back(record.ipv4);
    EXPECT_EQ(loose, (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4"}));
    EXPECT_EQ(strict, (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.4"}));
}

TEST(TemperaProbe, SameAddressAndMacFromBothVariantsGiveOneRowWithThePort) {
    // The first variant's row comes first after the sort and takes the port only
    // the second variant reports.
    ProbePeer first({ProbeMatch("1", "M", "10.0.0.9", "BB"), ProbeMatch("1", "M", "10.0.0.10", "AA")});
    ProbePeer second({ProbeMatch("1", "M", "10.0.0.9", "BB", "8000"), ProbeMatch("1", "M", "10.0.0.9", "AA", "8001"),
                      "not xml at all"});
    const auto found = SearchTemperaDevices(AtPeers(first, second), 0, {});
    std::vector<std::string> rows;
    for (const auto& record : found) rows.push_back(record.ipv4 + "/" + record.mac + "/" + record.servicePort);
    // Byte-wise text order: "10.0.0.10" sorts before "10.0.0.9".
    EXPECT_EQ(rows, (std::vector<std::string>{"10.0.0.10/AA/", "10.0.0.9/AA/8001", "10.0.0.9/BB/8000"}));
}

TEST(TemperaProbe, ModelsAreHeldInGbkWhicheverVariantAnswered) {
    // The UTF-8 probe is answered in UTF-8, the GBK probe in GBK: both rows
    // hold the device text in GBK, as every device text is held.
    const std::string gbk = *Utf8ToGbk("测温门禁");
    ProbePeer first({ProbeMatch("1", "测温门禁", "10.0.0.1", "A1")});
    ProbePeer second({ProbeMatch("1", gbk, "10.0.0.2", "A2")});
    const auto found = SearchTemperaDevices(AtPeers(first, second), 0, {});
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].model, gbk);
    EXPECT_EQ(found[1].model, gbk);
}

TEST(TemperaProbe, BusyPortIsReportedAndTheOtherVariantStillRuns) {
    ProbePeer first({ProbeMatch("1", "M", "10.0.0.1", "A1")});
    ProbePeer second({ProbeMatch("1", "M", "10.0.0.2", "A2")});
    auto holder = UdpSocket::Open();  // no address reuse: the port is really taken
    ASSERT_TRUE(holder.Bind("127.0.0.1", 0));
    auto config = AtPeers(first, second);
    config.first.localPort = holder.LocalPort();
    std::vector<std::string> status;
    const auto found = SearchTemperaDevices(config, 0, [&](std::string_view text) { status.emplace_back(text); });
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0], "端口" + std::to_string(holder.LocalPort()) + "被占用，网络初始化失败");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].ipv4, "10.0.0.2");
}

TEST(TemperaProbe, WaitComesFromScanTimeOutOrTheVariant) {
    ProbePeer first({}), second({});
    auto config = AtPeers(first, second, 0);  // "ScanTimeOut" 0: the variants' own waits
    config.first.defaultWait = std::chrono::milliseconds(150);
    config.second.defaultWait = std::chrono::milliseconds(300);
    auto start = std::chrono::steady_clock::now();
    SearchTemperaDevices(config, 0, {});
    const auto own = std::chrono::steady_clock::now() - start;
    EXPECT_GE(own, std::chrono::milliseconds(450));

    config.scanTimeOut = [] { return 50; };
    start = std::chrono::steady_clock::now();
    SearchTemperaDevices(config, 0, {});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
    // A wait longer than the run's bound ends with the bound: two variants, 2 x 200 ms, not 2 x 60 s.
    config.scanTimeOut = [] { return 60000; };
    config.maxCollectTime = std::chrono::milliseconds(200);
    start = std::chrono::steady_clock::now();
    SearchTemperaDevices(config, 0, {});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(TemperaProbeConfig{}.first.defaultWait, std::chrono::milliseconds(500));
    EXPECT_EQ(TemperaProbeConfig{}.second.defaultWait, std::chrono::milliseconds(1000));
}

TEST(TemperaProbe, AnsweringForEverIsCutOff) {
    std::vector<std::string> flood(50, ProbeMatch("1", "M", "10.0.0.1", "A1"));
    ProbePeer first(flood), second({});
    auto config = AtPeers(first, second);
    config.maxAnswers = 10;
    const auto run = RunProbe(config, config.first, {});
    EXPECT_EQ(run.found.size(), 10u);
}

}  // namespace
}  // namespace ostrand
