#pragma once

#include <functional>
#include <string>
#include <vector>

#include "controls/bracketed_dialogs.h"
#include "controls/button.h"
#include "controls/fnp_list_box.h"
#include "launch/add_apps_form.h"

namespace pontavi {

// The Auto-Launch page: row i of fnp always stands for record i of AppsList,
// and every command changes both alike. Loop thread only.
class AutoLaunchPage {
  public:
    struct Controls {
        TFnpListBox& fnp;
        Button& Button3;  // "&Add"
        Button& Button1;  // "Move &Up"
        Button& Button2;  // "Move &Down"
        Button& Button4;  // "&Remove"
    };
    struct Services {
        BracketedDialogs& dialogs;
        // Why a program path cannot be started; "" when it can.
        std::function<std::string(const std::string& path)> programProblem;
        std::function<void(const std::string& topic)> showHelp;
    };
    // Shows the add dialog modally; true when closed with OK. The view sets
    // it; unset, Add adds nothing.
    using ShowAddForm = std::function<bool(TAddAppsForm& form)>;

    // Wires the four buttons to the commands below.
    AutoLaunchPage(Controls controls, Services services, std::vector<std::string>& AppsList);

    void setShowAddForm(ShowAddForm show) { showAddForm_ = std::move(show); }

    void DisplayAppsList();
    void Button3Click();  // Add, through the dialog
    void Button1Click();  // Move Up
    void Button2Click();  // Move Down
    void Button4Click();  // Remove

  private:
    Controls c_;
    Services s_;
    std::vector<std::string>& AppsList_;
    ShowAddForm showAddForm_;
};

}  // namespace pontavi
