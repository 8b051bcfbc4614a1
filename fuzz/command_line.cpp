// Any arguments (NUL-separated in the input) give one action; only Unknown
// names an argument, and always one that was given; every
// action other than Run has its reply, and only Unknown goes to stderr with 2.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> args;
    for (std::size_t start = 0; start <= input.size();) {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        args.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    using Action = pontavi::CommandLine::Action;
    const pontavi::CommandLine result = pontavi::ParseCommandLine(args);
    const bool given = std::find(args.begin(), args.end(), result.unknown) != args.end();
    if (result.action == Action::Unknown ? !given : !result.unknown.empty()) {
        std::abort();
    }
    const pontavi::CommandLineReply reply = pontavi::ReplyTo(result, "1.5");
    const bool isUnknown = result.action == Action::Unknown;
    if ((result.action == Action::Run) != reply.text.empty() || reply.toStderr != isUnknown ||
        reply.exitStatus != (isUnknown ? 2 : 0)) {
        std::abort();
    }
    return 0;
}
