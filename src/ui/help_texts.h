#pragma once

#include <QString>

#include <string>

namespace pontavi {

// The What's This text of a control: a short description of what it does,
// found by its help context number, followed by its hint when it has one.
QString whatsThisText(int helpContext, const std::string& hint);

}  // namespace pontavi
