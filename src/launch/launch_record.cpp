#include "launch/launch_record.h"

namespace pontavi {

namespace {

// The field at the front of `rest`, which loses it and its "?".
std::string takeField(std::string_view& rest) {
    const auto mark = rest.find('?');
    if (mark == std::string_view::npos) {
        std::string field(rest);
        rest = {};
        return field;
    }
    std::string field(rest.substr(0, mark));
    rest.remove_prefix(mark + 1);
    return field;
}

}  // namespace

LaunchEntry ReadLaunchRecord(std::string_view record) {
    LaunchEntry entry;
    entry.Title = takeField(record);
    entry.Executable = takeField(record);
    entry.Parameters = takeField(record);
    entry.Style = std::string(record);
    return entry;
}

std::string WriteLaunchRecord(const std::string& title, const std::string& executable,
                              const std::string& parameters, int style) {
    return title + '?' + executable + '?' + parameters + '?' + std::to_string(style);
}

std::string LaunchRecordTitle(std::string_view record) {
    const auto mark = record.find('?');
    if (mark == std::string_view::npos) {
        return {};
    }
    return std::string(record.substr(0, mark));
}

}  // namespace pontavi
