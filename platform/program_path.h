// Where the running program lives, and its name.
#pragma once
#include <string>

namespace platform {

std::string ExecutablePath();                  // absolute path of the running program
std::string ExecutableFolder();                // its folder
// File title: the file name without folder and extension, cut at a double quote.
std::string FileTitle(const std::string& path);
// Makes the program's own folder the working directory. False if it fails.
bool EnterExecutableFolder();

} // namespace platform
