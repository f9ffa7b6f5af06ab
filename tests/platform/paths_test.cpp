// Where the program keeps its files: a portable copy as it always has, an
// installed one in the XDG folders.

#include "platform/paths.h"

#include <gtest/gtest.h>

namespace ostrand {
namespace {

TEST(FileFoldersTest, PortableCopiesKeepTheirFilesInstalledOnesUseXdg) {
    struct Case {
        const char* what;
        const char* program;
        bool writable;
        const char* configHome;
        const char* dataHome;
        FileFolders expected;
    };
    const Case cases[] = {
        {"a portable copy", "/home/ann/ostrand", true, "", "", {false, "", "/home/ann/ostrand", ""}},
        {"an installed copy", "/usr/bin", false, "", "",
         {true, "/home/ann/.config/ostrand", "/home/ann/.local/share/ostrand", "/home/ann/.local/share/ostrand"}},
        {"installed, run by root", "/usr/bin", true, "", "",
         {true, "/home/ann/.config/ostrand", "/home/ann/.local/share/ostrand", "/home/ann/.local/share/ostrand"}},
        {"installed under /usr/local", "/usr/local/bin", true, "", "",
         {true, "/home/ann/.config/ostrand", "/home/ann/.local/share/ostrand", "/home/ann/.local/share/ostrand"}},
        {"a package unpacked into a scratch root", "/tmp/root/usr/bin", true, "", "",
         {true, "/home/ann/.config/ostrand", "/home/ann/.local/share/ostrand", "/home/ann/.local/share/ostrand"}},
        {"XDG folders from the environment", "/opt/ostrand", false, "/cfg", "/data",
         {true, "/cfg/ostrand", "/data/ostrand", "/data/ostrand"}},
        {"relative XDG folders do not count", "/opt/ostrand", false, "cfg", "data",
         {true, "/home/ann/.config/ostrand", "/home/ann/.local/share/ostrand", "/home/ann/.local/share/ostrand"}},
        {"a writable folder named bin elsewhere", "/home/ann/bin", true, "", "", {false, "", "/home/ann/bin", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const FileFolders found = FileFoldersFor(c.program, c.writable, "/home/ann", c.configHome, c.dataHome);
        EXPECT_EQ(found.installed, c.expected.installed);
        EXPECT_EQ(found.config, c.expected.config);
        EXPECT_EQ(found.data, c.expected.data);
        EXPECT_EQ(found.log, c.expected.log);
    }
}

}  // namespace
}  // namespace ostrand
