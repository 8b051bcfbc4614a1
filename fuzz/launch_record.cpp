// Any stored launch record must read into four fields without failing, the
// fields must be the record's own text split at its first three "?", and a
// record written from fields free of "?" must read back unchanged. Its
// parameters must split into words that hold no double quote, lose nothing
// but quotes and blanks, and are the plain blank-separated words when the
// text has no quote.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "base/parameter_words.h"
#include "launch/launch_record.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void checkWords(const std::string& text) {
    const std::vector<std::string> words = pontavi::SplitParameters(text);
    std::string kept;
    for (const auto& word : words) {
        if (word.find('"') != std::string::npos) {
            std::abort();
        }
        kept += word;
    }
    std::string expected;
    std::copy_if(text.begin(), text.end(), std::back_inserter(expected),
                 [](char c) { return c != '"' && !isBlank(c); });
    std::string keptSolid;
    std::copy_if(kept.begin(), kept.end(), std::back_inserter(keptSolid),
                 [](char c) { return !isBlank(c); });
    if (keptSolid != expected) {
        std::abort();
    }
    if (text.find('"') == std::string::npos) {
        for (const auto& word : words) {
            if (word.empty() || std::any_of(word.begin(), word.end(), isBlank)) {
                std::abort();
            }
        }
    }
}

}  // namespace

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
    checkWords(e.Parameters);
    const int style = size > 0 ? data[0] % 3 : 0;
    const pontavi::LaunchEntry back = pontavi::ReadLaunchRecord(
        pontavi::WriteLaunchRecord(e.Title, e.Executable, e.Parameters, style));
    if (back.Title != e.Title || back.Executable != e.Executable ||
        back.Parameters != e.Parameters || back.Style != std::to_string(style)) {
        std::abort();
    }
    return 0;
}
