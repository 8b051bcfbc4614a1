#include "connection/short_date.h"

#include <array>
#include <ctime>

namespace pontavi {

std::string LocalShortDateToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr) {
        return {};
    }
    std::array<char, 64> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), "%x", &local);
    return std::string(text.data(), length);
}

}  // namespace pontavi
