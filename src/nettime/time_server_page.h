#pragma once

#include <string>
#include <vector>

#include "controls/button.h"
#include "controls/dialogs.h"
#include "controls/fnp_list_box.h"

namespace pontavi {

// The Net Time page's commands. TimeLB is the visible copy of the time
// server list; the window copies it back into TimeServerList when it hides,
// so only Add and Remove touch the list itself. Loop thread only.
class TimeServerPage {
  public:
    struct Controls {
        TFnpListBox& TimeLB;
        Button& Button6;  // "&Add"
        Button& Button7;  // "Move &Up"
        Button& Button8;  // "Move &Down"
        Button& Button9;  // "&Remove"
    };

    // Wires the four buttons; `dialogs` are the bracketed boxes.
    TimeServerPage(Controls controls, Dialogs& dialogs, std::vector<std::string>& TimeServerList);

    // Asks for a server name: first row of TimeLB, last of the list.
    void Button6Click();
    void Button7Click() { c_.TimeLB.MoveUp(); }
    void Button8Click() { c_.TimeLB.MoveDown(); }
    void Button9Click();

  private:
    Controls c_;
    Dialogs& dialogs_;
    std::vector<std::string>& TimeServerList_;
};

}  // namespace pontavi
