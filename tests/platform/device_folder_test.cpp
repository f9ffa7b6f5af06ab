#include "platform/device_folder.h"

#include <gtest/gtest.h>

namespace ostrand {
namespace {

TEST(DeviceFolder, OnlyTwelveHexDigitsNameAFolder) {
    struct Case {
        std::string_view mac;
        bool taken;
    };
    const Case cases[] = {
        {"00AABBCC1234", true},   {"00aabbcc12ef", true},   {"FFFFFFFFFFFF", true},
        {"../../../tmp", false},  {"", false},              {"00AABBCC123", false},
        {"00AABBCC12345", false}, {"00:AA:BB:CC:12:34", false}, {"00-AA-BB-CC-12", false},
        {"00AABBCC12G4", false},  {"..AABBCC1234", false},  {"00AABBCC/234", false},
        {"00AABBCC\\234", false}, {std::string_view("00AABBCC\0" "234", 12), false},
        {"10.0.0.1", false},      {" 00AABBCC1234", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mac));
        const auto name = DeviceFolderName(c.mac);
        ASSERT_EQ(name.has_value(), c.taken);
        if (name) {
            EXPECT_EQ(*name, c.mac);  // taken unchanged
        }
    }
}

}  // namespace
}  // namespace ostrand
