#include "nettime/time_server_page.h"

namespace pontavi {

TimeServerPage::TimeServerPage(Controls controls, Dialogs& dialogs,
                               std::vector<std::string>& TimeServerList)
    : c_(controls), dialogs_(dialogs), TimeServerList_(TimeServerList) {
    c_.Button6.OnClick = [this] { Button6Click(); };
    c_.Button7.OnClick = [this] { Button7Click(); };
    c_.Button8.OnClick = [this] { Button8Click(); };
    c_.Button9.OnClick = [this] { Button9Click(); };
}

void TimeServerPage::Button6Click() {
    const auto name = dialogs_.InputQuery("Add a time server", "Please type a server name", "");
    if (!name || name->empty()) {
        return;
    }
    c_.TimeLB.insert(0, *name);
    TimeServerList_.push_back(*name);
}

void TimeServerPage::Button9Click() {
    const int index = c_.TimeLB.ItemIndex();
    if (index < 0) {
        return;
    }
    // The two orders may differ while the window is open (Add puts the row
    // first but the list entry last); the entry at the row's index goes.
    if (static_cast<std::size_t>(index) < TimeServerList_.size()) {
        TimeServerList_.erase(TimeServerList_.begin() + index);
    }
    c_.TimeLB.DeleteSelected();
}

}  // namespace pontavi
