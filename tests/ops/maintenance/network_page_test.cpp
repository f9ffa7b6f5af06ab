// The network page's rules: address texts, master-server items, MAC fields,
// what a reply fills in and what a Save sends.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ops/maintenance/network_page.h"
#include "platform/app_state.h"

namespace ostrand {
namespace {

TEST(NetworkPageRules, AddressTextsSegmentsAndMacFields) {
    struct Ipv4Case { const char* text; bool ipv4; bool quad; };
    for (const Ipv4Case& c : std::vector<Ipv4Case>{
             {"0.1.2.3", true, true}, {"254.255.255.255", true, true}, {"255.1.1.1", false, true},
             {"1.2.3", false, false}, {"1..2.3.4", false, false}, {"1.2.3.4.", false, false},
             {"1.2.3.256", false, false}, {"1.2.3.0004", false, false}, {"a.b.c.d", false, false},
             {"", false, false}, {"1.2.3.4.5", false, false}}) {
        EXPECT_EQ(IsDottedIpv4(c.text), c.ipv4) << c.text;
        EXPECT_EQ(IsDottedQuad(c.text), c.quad) << c.text;
    }
    struct SegmentCase { const char* ip; const char* gateway; bool same; };
    for (const SegmentCase& c : std::vector<SegmentCase>{
             {"192.168.1.10", "192.168.2.1", true}, {"192.168.1.10", "192.169.1.1", false},
             {"10.1.1.1", "10.10.1.1", false}, {"10.1.1.1", "10.1", false}}) {
        EXPECT_EQ(InSameSegment(c.ip, c.gateway), c.same) << c.ip << " " << c.gateway;
    }
    struct MacCase { const char* field; bool ok; };
    for (const MacCase& c : std::vector<MacCase>{
             {"0A", true}, {"ff", true}, {"9c", true}, {"gg", false}, {"GG", false},
             {"::", false}, {"", false}, {"A", false}, {"ABC", false}}) {
        EXPECT_EQ(IsMacField(c.field), c.ok) << c.field;
    }
}

TEST(NetworkPageRules, SplitAtCharKeepsTheLastPieceAndSkipsTrailBytes) {
    using Items = std::vector<std::string>;
    EXPECT_EQ(SplitAtChar("", ';'), Items{""});
    EXPECT_EQ(SplitAtChar("a;b", ';'), (Items{"a", "b"}));
    EXPECT_EQ(SplitAtChar("a;", ';'), (Items{"a", ""}));
    EXPECT_EQ(SplitAtChar(";;", ';'), (Items{"", "", ""}));
    // "\x95\x5c" is one GBK character whose trail byte is "\".
    EXPECT_EQ(SplitAtChar("a\x95\x5c" "b\\c", '\\'), (Items{"a\x95\x5c" "b", "c"}));
}

struct MasterCase {
    std::string text;
    const char* message;  // nullptr: accepted
};

TEST(NetworkPageRules, MasterServerTextIsCheckedForLengthItemsAndSuffixes) {
    SetUiLanguage(Language::Chinese);
    const char* tooLong = "输入的主控服务器地址超过75个字符";
    const char* tooMany = "输入的域名地址超过4个";
    const char* wrong = "控制服务器存在有误地址，请检查输入的地址是否符合IP地址格式或者域名格式!";
    const std::string exactly75 = std::string(71, 'a') + ".com";
    for (const MasterCase& c : std::vector<MasterCase>{
             {"a.example.com;10.0.0.1", nullptr},
             {"a.com;b.net;c.cn;1.2.3.4", nullptr},
             {"a.com;b.net;c.cn;1.2.3.4;e.org", tooMany},
             {"a.example.COM", wrong},
             {"", wrong},
             {"a.com;", wrong},
             {"1.2.3", wrong},
             {exactly75, nullptr},
             {"a" + exactly75, tooLong}}) {
        NetPageFields fields;
        fields.selfBuilt = true;
        fields.master = c.text;
        fields.masterPort = "9000";
        const NetCollectResult result = CollectRequest(fields, 60005);
        if (c.message == nullptr) {
            ASSERT_TRUE(result.ok) << c.text << ": " << result.message;
            EXPECT_EQ(result.request.at("MasterIp"), c.text);
            EXPECT_EQ(result.request.at("MasterPort"), "9000");
        } else {
            EXPECT_FALSE(result.ok) << c.text;
            EXPECT_EQ(result.message, c.message) << c.text;
        }
    }
    SetUiLanguage(Language::English);
    NetPageFields fields;
    fields.selfBuilt = true;
    fields.master = "x";
    EXPECT_EQ(CollectRequest(fields, 60005).message, "Master Server Address is Error");
    SetUiLanguage(Language::Chinese);
}

// A port-80 page filled in completely and correctly.
NetPageFields GoodCameraPage() {
    NetPageFields fields;
    FillFromReply(fields,
                  {{"ipaddress", "192.168.1.10"}, {"gateway", "192.168.1.1"}, {"dnsaddress", "8.8.8.8"},
                   {"macaddress", "0A1B2C3D4E5F"}, {"AutoIp", "no"}, {"MasterIp", "0.0.0.0"}},
                  80);
    return fields;
}

TEST(NetworkPageRules, CameraSaveChecksEveryFieldInOrder) {
    SetUiLanguage(Language::Chinese);
    struct Case {
        const char* name;
        void (*edit)(NetPageFields&);
        const char* message;
    };
    const std::vector<Case> cases{
        {"empty ip", [](NetPageFields& f) { f.ip.clear(); }, "IP is NULL"},
        {"zero ip", [](NetPageFields& f) { f.ip = "0.0.0.0"; }, "IP is NULL"},
        {"zero gateway", [](NetPageFields& f) { f.gateway = "0.0.0.0"; }, "GateWay is NULL"},
        {"other segment", [](NetPageFields& f) { f.gateway = "192.169.1.1"; }, "IP和网关不在同一网段，设置失败"},
        {"empty dns", [](NetPageFields& f) { f.dns.clear(); }, "dns is null"},
        {"bad mac", [](NetPageFields& f) { f.mac[5] = "gg"; }, "mac error"},
        {"empty mac", [](NetPageFields& f) { f.mac[5].clear(); }, "mac error"},
        {"3g without operator", [](NetPageFields& f) { SetOpen3g(f, true); f.operatorChoice = Net3gOperator::None; },
         "请选择3G打开类型"},
        {"segment before master", [](NetPageFields& f) { f.gateway = "10.0.0.1"; SetSelfBuilt(f, true); },
         "IP和网关不在同一网段，设置失败"},
    };
    for (const Case& c : cases) {
        NetPageFields fields = GoodCameraPage();
        c.edit(fields);
        const NetCollectResult result = CollectRequest(fields, 80);
        EXPECT_FALSE(result.ok) << c.name;
        EXPECT_EQ(result.message, c.message) << c.name;
    }

    NetPageFields fields = GoodCameraPage();
    fields.gateway = "192.168.2.1";
    const NetCollectResult result = CollectRequest(fields, 80);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.request, (ParamMap{{"ipaddress", "192.168.1.10"}, {"subnetmaskaddress", "255.255.0.0"},
                                        {"gateway", "192.168.2.1"}, {"dnsaddress", "8.8.8.8"},
                                        {"MasterIp", "0.0.0.0"}, {"MasterPort", "8006"},
                                        {"macaddress", "0A1B2C3D4E5F"}, {"staticIP", "0"}, {"Open3G", "no"}}));
}

TEST(NetworkPageRules, ReplyFillsTheCameraPage) {
    NetPageFields fields;
    FillFromReply(fields,
                  {{"ipaddress", "10.1.2.3"}, {"subnetmaskaddress", "255.255.255.0"}, {"gateway", "10.1.2.1"},
                   {"macaddress", "AABBCCDDE"}, {"AutoIp", "yes"}, {"Open3G", "evdo"},
                   {"MasterIp", "1.2.3.4"}, {"AllMsterIp", "1.2.3.4;b.cn"}},
                  80);
    EXPECT_EQ(fields.ip, "10.1.2.3");
    EXPECT_EQ(fields.mask, "255.255.255.0");
    EXPECT_FALSE(fields.maskEnabled);
    EXPECT_EQ(fields.dns, "");
    EXPECT_EQ(fields.mac, (std::array<std::string, 6>{"AA", "BB", "CC", "DD", "E", ""}));
    EXPECT_EQ(fields.macEnabled, (std::array<bool, 6>{false, true, true, true, true, true}));
    EXPECT_FALSE(fields.staticIp);
    EXPECT_FALSE(fields.ipEnabled || fields.gatewayEnabled || fields.dnsEnabled);
    EXPECT_TRUE(fields.open3g);
    EXPECT_EQ(fields.operatorChoice, Net3gOperator::Telecom);
    EXPECT_TRUE(fields.selfBuilt);
    EXPECT_EQ(fields.master, "1.2.3.4;b.cn");
    EXPECT_EQ(fields.masterPort, "8006");

    // Disabled address fields are still sent, with the switch off.
    fields.mac = {"AA", "BB", "CC", "DD", "EE", "FF"};
    fields.dns = "10.1.2.1";
    SetOpen3g(fields, false);
    const NetCollectResult result = CollectRequest(fields, 80);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.request.at("staticIP"), "1");
    EXPECT_EQ(result.request.at("ipaddress"), "10.1.2.3");
    EXPECT_EQ(result.request.at("subnetmaskaddress"), "255.255.255.0");

    // Without a usable mask in the reply the page shows the default.
    NetPageFields noMask;
    FillFromReply(noMask, {{"subnetmaskaddress", "bad"}, {"AutoIp", "other"}}, 80);
    EXPECT_EQ(noMask.mask, "255.255.0.0");
    EXPECT_TRUE(noMask.ipEnabled);
    EXPECT_FALSE(noMask.staticIp);
}

TEST(NetworkPageRules, TcpDevicePageSendsOnlyTheFourKeys) {
    NetPageFields fields;
    FillFromReply(fields,
                  {{"ipaddress", "10.1.2.3"}, {"macaddress", "AABBCCDDEEFF"}, {"MasterIp", "0.0.0.0"},
                   {"MasterPort", ""}, {"Open3G", "unicon"}},
                  60005);
    EXPECT_FALSE(fields.staticIpEnabled || fields.ipEnabled || fields.gatewayEnabled || fields.dnsEnabled);
    EXPECT_EQ(fields.macEnabled, (std::array<bool, 6>{}));
    EXPECT_EQ(fields.mac[0], "");  // the MAC is not shown off port 80
    EXPECT_FALSE(fields.open3g);   // nor the 3G mode
    EXPECT_FALSE(fields.selfBuilt || fields.masterEnabled || fields.masterPortEnabled);
    const NetCollectResult result = CollectRequest(fields, 60005);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(result.request, (ParamMap{{"MasterIp", "0.0.0.0"}, {"MasterPort", "8006"},
                                        {"staticIP", "1"}, {"Open3G", "no"}}));

    // Turning the self-built switch on clears the master text and enables it.
    SetSelfBuilt(fields, true);
    EXPECT_TRUE(fields.masterEnabled && fields.masterPortEnabled);
    EXPECT_EQ(fields.master, "");
    SetSelfBuilt(fields, false);
    EXPECT_FALSE(fields.masterEnabled || fields.masterPortEnabled);
}

}  // namespace
}  // namespace ostrand
