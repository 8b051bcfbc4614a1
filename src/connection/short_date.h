#pragma once

#include <string>

namespace pontavi {

// Today's local date in the user's short date format (date only). Follows
// LC_TIME, so the program must have called setlocale(LC_TIME, "") first.
std::string LocalShortDateToday();

}  // namespace pontavi
