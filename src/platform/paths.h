#pragma once

#include <string>

namespace pontavi {

// Where the program keeps its files.
class Paths {
  public:
    virtual ~Paths() = default;

    // The folder of the program's own files (URL.lst, the legacy settings
    // file), with a trailing '/'; created when missing.
    virtual std::string ProgramFolder() = 0;
    // The settings file; its folder is created by the first save.
    virtual std::string SettingsFile() = 0;
};

}  // namespace pontavi
