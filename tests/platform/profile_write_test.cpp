// How a settings write treats the file it replaces: files this process may not
// write, symlinks, modes, and the parsed text kept between reads.

#include <gtest/gtest.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/file_replace.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/profile_cache.h"
#include "platform/profile_document.h"
#include "temp_dir.h"

namespace ostrand {
namespace {

namespace fs = std::filesystem;
using test::ReadWholeFile;
using test::TempWorkingDir;
using test::WriteWholeFile;

struct stat StatOf(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

std::size_t EntriesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

// The settings reads of a start-up, run as another user in a child process.
// Exit 0 when every read gave the stored value or its default.
int StartupAsUser(uid_t uid, gid_t gid, const fs::path& dir) {
    // Where the settings file lives is settled first, as this process sees
    // it: the other user could not write the test's own folder and would take
    // the installed copy's folders, which are not what this test is about.
    (void)ProgramFileFolders();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) ::_exit(90);
        if (::chdir(dir.c_str()) != 0) ::_exit(91);
        const bool ok = ReadIniInt(3, "ConnTimeout", "s.ini") == 7 && ReadIniInt(0, "Compat", "s.ini") == 0 &&
                        ReadIniString("IP", "", "s.ini", "Dev0").empty() && !WriteIniString("A", "1", "s.ini");
        ::_exit(ok ? 0 : 92);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SettingsWrite, FileAnotherUserMayNotWriteIsLeftAsItWas) {
    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || nobody == nullptr) GTEST_SKIP() << "needs root and a user \"nobody\"";
    TempWorkingDir dir;
    // A folder everyone may write: replacing the file by rename would succeed.
    fs::permissions(dir.Path(), fs::perms::all);
    const std::string original = "[common]\r\nConnTimeout=7\r\n";
    for (const mode_t mode : {mode_t{0644}, mode_t{0444}}) {
        SCOPED_TRACE(mode);
        WriteWholeFile("s.ini", original);
        ASSERT_EQ(::chown("s.ini", 0, 0), 0);
        ASSERT_EQ(::chmod("s.ini", mode), 0);
        const struct stat before = StatOf("s.ini");

        EXPECT_EQ(StartupAsUser(nobody->pw_uid, nobody->pw_gid, dir.Path()), 0);

        const struct stat after = StatOf("s.ini");
        EXPECT_EQ(ReadWholeFile("s.ini"), original);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_uid, 0u);
        EXPECT_EQ(after.st_gid, 0u);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(EntriesIn(dir.Path()), 1u);  // no temporary file left behind
        fs::remove("s.ini");
    }
}

TEST(SettingsWrite, ReadOnlyMarkIsHonouredAndModeOwnerAndLinksAreKept) {
    TempWorkingDir dir;
    // Read-only mark: refused, also for root.
    WriteWholeFile("ro.ini", "[common]\nA=1\n");
    fs::permissions("ro.ini", fs::perms::owner_read | fs::perms::group_read);
    EXPECT_FALSE(WriteIniString("A", "2", "ro.ini"));
    EXPECT_EQ(ReadIniInt(5, "B", "ro.ini"), 5);
    EXPECT_EQ(ReadWholeFile("ro.ini"), "[common]\nA=1\n");

    // Mode and group survive the replacement.
    WriteWholeFile("m.ini", "[common]\nA=1\n");
    ASSERT_EQ(::chmod("m.ini", 0640), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown("m.ini", 0, 4), 0);
    }
    const struct stat before = StatOf("m.ini");
    ASSERT_TRUE(WriteIniString("A", "2", "m.ini"));
    const struct stat after = StatOf("m.ini");
    EXPECT_EQ(ReadWholeFile("m.ini"), "[common]\nA=2\n");
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);

    // A file with a second name is rewritten in place: both names see the value.
    WriteWholeFile("h.ini", "[common]\nA=1\n");
    fs::create_hard_link("h.ini", "h2.ini");
    ASSERT_TRUE(WriteIniString("A", "3", "h.ini"));
    EXPECT_EQ(ReadWholeFile("h2.ini"), "[common]\nA=3\n");

    // Something that is not a regular file is never replaced.
    fs::create_directory("d.ini");
    EXPECT_FALSE(WriteIniString("A", "1", "d.ini"));
    EXPECT_TRUE(fs::is_directory("d.ini"));
    EXPECT_EQ(ReadIniInt(4, "A", "/dev/null"), 4);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST(SettingsWrite, SymlinkedFileStaysALinkWithTheValuesInItsTarget) {
    TempWorkingDir dir;
    fs::create_directories("real/deeper");
    WriteWholeFile("real/deeper/target.ini", "[common]\nConnTimeout=9\n");
    fs::create_symlink("deeper/target.ini", "real/middle.ini");  // relative, two links deep
    fs::create_symlink("real/middle.ini", "s.ini");
    EXPECT_EQ(ReadIniInt(3, "ConnTimeout", "s.ini"), 9);
    EXPECT_EQ(ReadIniInt(0, "Compat", "s.ini"), 0);
    ASSERT_TRUE(WriteIniString("IP", "10.0.0.1", "s.ini", "Dev0"));
    EXPECT_TRUE(fs::is_symlink("s.ini"));
    EXPECT_TRUE(fs::is_symlink("real/middle.ini"));
    EXPECT_EQ(ReadWholeFile("real/deeper/target.ini"), "[common]\nConnTimeout=9\nCompat=0\n[Dev0]\nIP=10.0.0.1\n");
    EXPECT_EQ(EntriesIn("real/deeper"), 1u);

    // A dangling link creates its target.
    fs::create_symlink("made.ini", "dangling.ini");
    ASSERT_TRUE(WriteIniString("A", "1", "dangling.ini"));
    EXPECT_TRUE(fs::is_symlink("dangling.ini"));
    EXPECT_EQ(ReadWholeFile("made.ini"), "[common]\nA=1\n");
}

TEST(SettingsCache, DocumentAfterAWriteReadsLikeItsTextParsedAfresh) {
    struct Write {
        const char* section;
        const char* key;
        const char* value;
    };
    const Write writes[] = {
        {"common", "A", "replaced, longer than before"},  // replace in the first section
        {"B", "new", "1"},                                // insert into a middle section
        {"last", "x", "2"},                               // insert after a line without a line feed
        {"Fresh", "k", "3"},                              // append a section
        {"b", "k2", "4"},                                 // section names fold case
        {"common", "[Fresh]", "5"},                       // a key that reads as a header
        {"B", "multi", "6\n[Fresh]\nk=7"},                // a value that brings lines of its own
    };
    ProfileDocument document("[common]\r\nA=1\r\n\r\n[B]\r\nk=1\r\n[Fresh2]\r\n[last]\r\nz=9");
    for (const Write& write : writes) {
        SCOPED_TRACE(write.key);
        document = document.WithValue(write.section, write.key, write.value);
        const ProfileDocument fresh(document.Content());
        for (const char* section : {"common", "B", "Fresh", "Fresh2", "last"}) {
            for (const char* key : {"A", "k", "new", "x", "z", "k2", "multi", "[Fresh]"}) {
                EXPECT_EQ(document.Find(section, key), fresh.Find(section, key)) << section << "/" << key;
            }
        }
    }
    EXPECT_EQ(document.Find("B", "new"), std::optional<std::string_view>("1"));
    EXPECT_EQ(document.Find("last", "x"), std::optional<std::string_view>("2"));
}

TEST(SettingsCache, ChangesMadeByOthersAreSeenAndOwnWritesAreKept) {
    TempWorkingDir dir;
    WriteWholeFile("s.ini", "[common]\nA=1\n");
    EXPECT_EQ(ReadIniInt(0, "A", "s.ini"), 1);
    // Same size, same inode, within the same clock tick: still seen.
    WriteWholeFile("s.ini", "[common]\nA=2\n");
    EXPECT_EQ(ReadIniInt(0, "A", "s.ini"), 2);
    // Replaced by another program after the file settled.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(ReadIniInt(0, "A", "s.ini"), 2);
    WriteWholeFile("other.ini", "[common]\nA=3\n");
    fs::rename("other.ini", "s.ini");
    EXPECT_EQ(ReadIniInt(0, "A", "s.ini"), 3);
    ASSERT_TRUE(WriteIniString("A", "4", "s.ini"));
    EXPECT_EQ(ReadIniInt(0, "A", "s.ini"), 4);
    fs::remove("s.ini");
    EXPECT_EQ(ReadIniString("A", std::nullopt, "s.ini"), "");
}

TEST(SettingsCache, CommandLineModeReadsTheGivenFileAndWritesNothing) {
    TempWorkingDir dir;
    WriteWholeFile("tool.ini", "[common]\nSimpleScan=4\n");
    UseSettingsFile("tool.ini");
    SetProfileWriteBack(false);
    EXPECT_EQ(ReadIniInt(0, "SimpleScan"), 4);
    EXPECT_EQ(ReadIniInt(3, "ConnTimeout"), 3);
    EXPECT_EQ(ReadIniString("IP", "", "", "Dev0"), "");
    EXPECT_EQ(ReadWholeFile("tool.ini"), "[common]\nSimpleScan=4\n");
    EXPECT_TRUE(WriteIniString("K", "1"));  // an explicit write still writes
    EXPECT_EQ(ReadWholeFile("tool.ini"), "[common]\nSimpleScan=4\nK=1\n");
    SetProfileWriteBack(true);
    UseSettingsFile({});
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

}  // namespace
}  // namespace ostrand
