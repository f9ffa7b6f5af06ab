// The message, its XML documents, the form body and the command name table,
// checked on exact bytes.

#include <gtest/gtest.h>

#include "transport/command_code.h"
#include "transport/form_codec.h"
#include "transport/param_map.h"
#include "transport/xml_codec.h"

namespace ostrand {
namespace {

TEST(ParamMapTest, KeysOrderByUnsignedBytesAndAbsentKeysReadEmpty) {
    ParamMap map;
    map["\xb0\xa1"] = "gbk";  // a GBK key sorts after every ASCII key
    map["z"] = "1";
    map["B"] = "2";
    map["a"] = "3";
    std::string order;
    for (const auto& [key, value] : map) order += value;
    EXPECT_EQ(order, "231gbk");

    EXPECT_EQ(map["missing"], "");
    EXPECT_EQ(map.count("missing"), 1u);
}

TEST(CommandXmlTest, DocumentIsPrintedNodeByNodeInMapOrder) {
    ParamMap request{{"b", "2"}, {"a", ""}};
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"GB2312\" ?>\n"
        "<command>\n"
        "    <id>5001</id>\n"
        "    <name>5001</name>\n"
        "    <type>View-Ostrand</type>\n"
        "    <params>\n"
        "        <param>\n"
        "            <key>a</key>\n"
        "            <value></value>\n"
        "        </param>\n"
        "        <param>\n"
        "            <key>b</key>\n"
        "            <value>2</value>\n"
        "        </param>\n"
        "    </params>\n"
        "</command>\n";
    EXPECT_EQ(EncodeCommandXml(request, 5001), expected);
}

TEST(CommandXmlTest, EmptyRequestPrintsEmptyParamsTagAndTextIsEscaped) {
    const std::string empty = EncodeCommandXml({}, -7);
    EXPECT_NE(empty.find("    <id>-7</id>\n"), std::string::npos);
    EXPECT_NE(empty.find("    <params />\n</command>\n"), std::string::npos);

    const std::string escaped = EncodeCommandXml({{"k", "a&b<c \xc4\xe3"}}, 1);
    EXPECT_NE(escaped.find("<value>a&amp;b&lt;c \xc4\xe3</value>"), std::string::npos);
    ParamMap back;
    ASSERT_TRUE(DecodeCommandXml(escaped, back));
    EXPECT_EQ(back["k"], "a&b<c \xc4\xe3");
}

TEST(CommandXmlTest, DecodesReplyParamsUnderAnyRootName) {
    const std::string reply =
        "<?xml version=\"1.0\" encoding=\"GB2312\" ?>\n"
        "<!-- device -->"
        "<answer><id>5000</id><name>5000</name><type>x</type><params>"
        "<param><key>result</key><value>10000</value></param>"
        "<item><key>ip</key><value>192.168.1.2</value></item>"
        "<param><key>gone</key><value>(null)</value></param>"
        "<param><key>(null)</key><value>kept</value></param>"
        "<param><value>v</value><key>late</key></param>"
        "<param><key>novalue</key></param>"
        "<param><key>dup</key><value>1</value></param>"
        "<param><key>dup</key><value>2</value></param>"
        "</params></answer>";
    ParamMap map{{"old", "stays"}, {"result", "overwritten"}};
    ASSERT_TRUE(DecodeCommandXml(reply, map));
    EXPECT_EQ(map["result"], "10000");
    EXPECT_EQ(map["ip"], "192.168.1.2");
    EXPECT_EQ(map["gone"], "");
    EXPECT_EQ(map["(null)"], "kept");
    EXPECT_EQ(map.count("late"), 0u);
    EXPECT_EQ(map.count("novalue"), 0u);
    EXPECT_EQ(map["dup"], "2");
    EXPECT_EQ(map["old"], "stays");
}

TEST(CommandXmlTest, MissingIdOrParamsIsSuccessWithNothingAdded) {
    ParamMap map;
    EXPECT_TRUE(DecodeCommandXml("<command><params><param><key>a</key><value>1</value></param></params></command>", map));
    // "params" before "id" is not seen.
    EXPECT_TRUE(DecodeCommandXml("<command><params><param><key>a</key><value>1</value></param></params><id>1</id></command>", map));
    EXPECT_TRUE(DecodeCommandXml("<command><id>1</id></command>", map));
    EXPECT_TRUE(map.empty());
}

TEST(CommandXmlTest, MalformedOrElementlessTextFails) {
    ParamMap map;
    EXPECT_FALSE(DecodeCommandXml("", map));
    EXPECT_FALSE(DecodeCommandXml("not xml", map));
    EXPECT_FALSE(DecodeCommandXml("<command><id>1</id>", map));
    EXPECT_FALSE(DecodeCommandXml("<?xml version=\"1.0\" ?>", map));
    EXPECT_FALSE(DecodeFlatXml("<a><b></a>", map));
    EXPECT_FALSE(DecodeFlatXml("", map));
    EXPECT_TRUE(map.empty());
}

TEST(FlatXmlTest, DocumentCarriesCmdidAndOneElementPerEntry) {
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"GBK\" ?>\n"
        "<command>\n"
        "    <cmdid>9001</cmdid>\n"
        "    <ip>1.2.3.4</ip>\n"
        "    <mode></mode>\n"
        "</command>\n";
    EXPECT_EQ(EncodeFlatXml({{"mode", ""}, {"ip", "1.2.3.4"}}), expected);
}

TEST(FlatXmlTest, ReplyGivesRootEntryAndOneEntryPerChild) {
    ParamMap map;
    ASSERT_TRUE(DecodeFlatXml("<?xml version=\"1.0\" encoding=\"GBK\" ?><Probe><a>1</a><b><deep>x</deep></b></Probe>", map));
    EXPECT_EQ(map.size(), 3u);
    EXPECT_EQ(map["Probe"], "root");
    EXPECT_EQ(map["a"], "1");
    EXPECT_EQ(map["b"], "");  // deeper levels are not visited
}

TEST(FormBodyTest, EncodesInMapOrderWithoutEscaping) {
    EXPECT_EQ(EncodeFormBody({}), "");
    EXPECT_EQ(EncodeFormBody({{"b", "2"}, {"a", "1 x"}}), "?a=1 x&b=2");
}

TEST(FormBodyTest, DecodesPairsAndEdgeForms) {
    ParamMap map;
    ASSERT_TRUE(DecodeFormBody("?result=10000&errmsg=ok", map));
    EXPECT_EQ(map["result"], "10000");
    EXPECT_EQ(map["errmsg"], "ok");

    ParamMap equals;
    ASSERT_TRUE(DecodeFormBody("?a=b=c", equals));
    EXPECT_EQ(equals["a"], "b=c");

    ParamMap noMark;
    EXPECT_TRUE(DecodeFormBody("result=10000", noMark));
    EXPECT_TRUE(noMark.empty());

    ParamMap trailing;
    EXPECT_FALSE(DecodeFormBody("?a=1&b=2&", trailing));  // the empty last pair has no "="
    EXPECT_EQ(trailing["a"], "1");
    EXPECT_EQ(trailing["b"], "2");

    ParamMap emptyValue;
    EXPECT_TRUE(DecodeFormBody("?a=1&b=", emptyValue));
    EXPECT_EQ(emptyValue["b"], "");

    ParamMap gbk;
    EXPECT_TRUE(DecodeFormBody("?name=\xd6\xd0\xce\xc4", gbk));
    EXPECT_EQ(gbk["name"], "\xd6\xd0\xce\xc4");

    ParamMap none;
    EXPECT_FALSE(DecodeFormBody("", none));
    EXPECT_FALSE(DecodeFormBody("?novalue", none));
}

TEST(FormBodyTest, RequestsThatWouldChangeTheBodyAreNamed) {
    EXPECT_FALSE(FormRequestProblem({{"a", "x=y"}, {"b", ""}}).has_value());
    EXPECT_TRUE(FormRequestProblem({{"a", "x&y"}}).has_value());
    EXPECT_TRUE(FormRequestProblem({{"a&b", "1"}}).has_value());
    EXPECT_TRUE(FormRequestProblem({{"a=b", "1"}}).has_value());
}

TEST(CommandCodeTest, NamesMapExactlyAndCaseSensitively) {
    EXPECT_EQ(CommandCodeForName("getnetparam"), 5000);
    EXPECT_EQ(CommandCodeForName("getnetparam_v1"), 5000);
    EXPECT_EQ(CommandCodeForName("GetNetParam_v1"), 0);
    EXPECT_EQ(CommandCodeForName("setnetparam_v1"), 5001);
    EXPECT_EQ(CommandCodeForName("modifyProductModel_v1"), 5006);
    EXPECT_EQ(CommandCodeForName("httpRestart"), 5010);
    EXPECT_EQ(CommandCodeForName("checkallversion"), 5011);
    EXPECT_EQ(CommandCodeForName("getnetparam "), 0);
    EXPECT_EQ(CommandCodeForName(""), 0);
}

}  // namespace
}  // namespace ostrand
