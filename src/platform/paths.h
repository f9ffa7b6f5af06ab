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

}  // namespace ostrand
