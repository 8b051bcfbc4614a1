// Arbitrary "TotalTime" setting texts: a text either reads as a counter that
// formats back to the same counter, or as zero; advancing never fails.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "connection/online_counter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const pontavi::OnlineCounter counter = pontavi::ParseOnlineCounter(text);
    if (counter.minutes < 0 || counter.minutes > 59 || counter.seconds < 0 ||
        counter.seconds > 59) {
        std::abort();
    }
    const std::string formatted = pontavi::FormatOnlineCounter(counter);
    if (!(pontavi::ParseOnlineCounter(formatted) == counter)) {
        std::abort();
    }
    pontavi::OnlineCounter advanced = counter;
    pontavi::AdvanceOnlineCounter(advanced);
    if (pontavi::NextOnlineCounterText(text) != pontavi::FormatOnlineCounter(advanced)) {
        std::abort();
    }
    return 0;
}
