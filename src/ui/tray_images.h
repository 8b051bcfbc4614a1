#pragma once

#include <QIcon>

#include "controls/tray_icon.h"

namespace pontavi {

// The five images of the program, drawn for it and built into it. The first
// is also the application's icon.
QIcon trayImage(TrayImage image);

}  // namespace pontavi
