#pragma once

#include <string>

namespace pontavi {

// Why `path` cannot be started as a program: it is not a full path (a
// relative one would be looked up again in the program's own folder), does
// not exist, is a folder or another non-file, or lacks execute permission.
// Empty when it can be started.
std::string ProgramFileProblem(const std::string& path);

}  // namespace pontavi
