#include <gtest/gtest.h>

#include "ops/upgrade/upgrade_file_name.h"

namespace ostrand {
namespace {

TEST(UpgradeFileName, NamesAreReadByTheKindsRules) {
    struct Case {
        const char* name;
        UpgradeKind kind;
        bool accepted;
    };
    const UpgradeKind app = UpgradeKind::Application;
    const UpgradeKind kernel = UpgradeKind::Kernel;
    const Case cases[] = {
        {"HW1_K2_1.2.3456_A", app, true},
        {"HW1_K2_1.2.3456_S", app, true},
        {"__1.2.3456_A", app, true},  // pieces 1 and 2 may be empty
        {"HW1_K2_1.2.3456_A.bin", app, false},
        {"HW1_K2_1.2.345_A", app, false},
        {"HW1_K2_1.23.456_A", app, false},
        {"HW1_K2_a.2.3456_A", app, false},
        {"HW1_K2_1.2.3456", app, false},  // fewer than three "_"
        {"HW1_K2_1.2.3456_a", app, false},
        {"HW1_K2_1.2.3456_A_B", app, false},
        {"HW1_K2_1.2.3456_F", app, false},
        {"HW1_K2_1.2.3456_F", kernel, true},
        {"HW1_K2_1.2.3456_A", kernel, false},
        // A GBK character whose trail byte is "_" does not split the name.
        {"\x81_X_K2_1.2.3456_F", kernel, true},
        {"HW_\x81_1.2.3456_F", kernel, false},
        {"H\x81__K2_1.2.3456_F", kernel, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseUpgradeFileName(c.name, c.kind).has_value(), c.accepted) << c.name;
    }
    EXPECT_EQ(ParseUpgradeFileName("HW1_K2_1.2.3456_A", app), (UpgradeVersions{"HW1", "K2", "1.2.3456"}));
    EXPECT_EQ(ParseUpgradeFileName("H\x81__K2_1.2.3456_F", kernel), (UpgradeVersions{"H\x81_", "K2", "1.2.3456"}));
}

TEST(UpgradeFileName, LegacyFlagOnlyForOldPort80Devices) {
    struct Case {
        std::int32_t port;
        const char* version;
        bool legacy;
    };
    const Case cases[] = {
        {80, "V2.3.1-5.1.0372", true},  {80, "V2.3.1-5.1.0373", false}, {80, "5.1.0374", false},
        {80, "4.9", true},              {80, "", true},                 {80, "\xB0.1.0000", false},
        {60005, "5.1.0372", false},     {8080, "5.1.0372", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsLegacyFirmware(c.port, c.version), c.legacy) << c.port << " " << c.version;
    EXPECT_EQ(KernelFlagText("1.2.3456"), "C7E21B94-F05D-4a3c-9E61-1.2.3456");
}

}  // namespace
}  // namespace ostrand
