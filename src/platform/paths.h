#pragma once
// Where the program and its files are.

#include <string>
#include <string_view>

namespace ostrand {

// Directory of the running executable, without a trailing separator.
std::string ProgramDirectory();
// File name of the running executable without directory and extension.
std::string ExecutableBaseName();
// The process's current working directory.
std::string CurrentDirectory();
// Creates the directory and every missing parent. True when it exists afterwards.
bool MakeDirectoryPath(std::string_view path);

// Where the program keeps its own files. A portable copy (its folder is
// writable and is not a system "bin" folder) keeps them as it always has:
// the settings file and Log.txt in the working folder, the attendance data in
// the program's folder. An installed copy keeps the settings file in the XDG
// config folder ($XDG_CONFIG_HOME/ostrand, else ~/.config/ostrand) and Log.txt
// and the data in the XDG data folder ($XDG_DATA_HOME/ostrand, else
// ~/.local/share/ostrand), created on first use.
struct FileFolders {
    bool installed = false;
    std::string config;  // empty: the working folder
    std::string data;    // the attendance data's folder
    std::string log;     // empty: the working folder
};

// The rule above for a program in `programDirectory`, with the environment's
// HOME, XDG_CONFIG_HOME and XDG_DATA_HOME given (tests aim it).
FileFolders FileFoldersFor(const std::string& programDirectory, bool programDirectoryWritable,
                           const std::string& home, const std::string& configHome, const std::string& dataHome);
// The rule for this process (computed once).
const FileFolders& ProgramFileFolders();

}  // namespace ostrand
