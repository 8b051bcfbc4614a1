#pragma once

#include <string>
#include <string_view>

namespace pontavi {

// One program of the launch list. Stored as the launch record
// "Title?Executable?Parameters?Style", nothing escaped.
struct LaunchEntry {
    std::string Title;
    std::string Executable;
    std::string Parameters;
    // The text after the third "?": "1" minimized, "2" maximized, anything
    // else normal.
    std::string Style;
};

// Reads the fields left to right, each ending at the first "?" of what is
// left; missing fields are empty. Never fails.
LaunchEntry ReadLaunchRecord(std::string_view record);

// Title?Executable?Parameters?Style, with the style index as one digit.
std::string WriteLaunchRecord(const std::string& title, const std::string& executable,
                              const std::string& parameters, int style);

// The row text of a record: what comes before its first "?" (empty without one).
std::string LaunchRecordTitle(std::string_view record);

}  // namespace pontavi
