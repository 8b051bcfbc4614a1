// Any stored launch record must read into four fields without failing, the
// fields must be the record's own text split at its first three "?", and a
// record written from fields free of "?" must read back unchanged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "launch/launch_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string record(reinterpret_cast<const char*>(data), size);
    const pontavi::LaunchEntry e = pontavi::ReadLaunchRecord(record);
    const std::size_t marks =
        static_cast<std::size_t>(std::count(record.begin(), record.end(), '?'));
    std::string joined = e.Title;
    for (const std::string* field : {&e.Executable, &e.Parameters, &e.Style}) {
        if (joined.size() < record.size()) {
            joined += '?';
        }
        joined += *field;
    }
    if (joined != record || pontavi::LaunchRecordTitle(record) != (marks > 0 ? e.Title : "")) {
        std::abort();
    }
    if (e.Title.find('?') != std::string::npos || e.Executable.find('?') != std::string::npos ||
        e.Parameters.find('?') != std::string::npos) {
        std::abort();
    }
    const int style = size > 0 ? data[0] % 3 : 0;
    const pontavi::LaunchEntry back = pontavi::ReadLaunchRecord(
        pontavi::WriteLaunchRecord(e.Title, e.Executable, e.Parameters, style));
    if (back.Title != e.Title || back.Executable != e.Executable ||
        back.Parameters != e.Parameters || back.Style != std::to_string(style)) {
        std::abort();
    }
    return 0;
}
