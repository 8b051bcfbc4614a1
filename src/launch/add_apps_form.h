#pragma once

#include <functional>
#include <string>

#include "controls/combo_box.h"
#include "controls/dialogs.h"
#include "controls/text_box.h"

namespace pontavi {

// The "Add To Auto-Launch" dialog's state, built anew for each Add. The view
// shows it modally and keeps its fields in step; Browse runs BitBtn2Click.
class TAddAppsForm {
  public:
    static constexpr std::size_t kMaxTitle = 30;
    static constexpr const char* kCaption = "Add To Auto-Launch";
    static constexpr const char* kHelpTopic = "LaunchPage_Add";

    // `dialogs` are the bracketed boxes, for the file chooser.
    explicit TAddAppsForm(Dialogs& dialogs) : dialogs_(dialogs) {}

    TextBox Title{"Title"};            // help 180; at most kMaxTitle characters (not bytes)
    TextBox Executable{"Executable"};  // help 181
    TextBox Parameters{"Parameters"};  // help 182
    ComboBox StyleCombo{"StyleCombo", {"Normal", "Minimized", "Maximized"}};  // help 183

    // The record has no escape for "?", so neither the title nor the
    // parameters may hold one; the view refuses it as it is typed.
    static bool Typable(const std::string& text) { return text.find('?') == std::string::npos; }

    // Every showing: the fields emptied and the style "Normal".
    void FormShow();
    // Browse: a confirmed file whose name ends in com, exe or bat (any case)
    // and that exists becomes the Executable; anything else changes nothing.
    void BitBtn2Click();

    // The dialog's Help button and F1: the topic kHelpTopic.
    void HelpClick() {
        if (OnHelp) {
            OnHelp(kHelpTopic);
        }
    }
    std::function<void(const std::string& topic)> OnHelp;

    // What an OK makes of the fields: a launch record, or a refusal with
    // its reason, or (both empty) nothing, for fields the dialog itself
    // keeps out: an empty title or program, a "?", a title too long.
    struct Outcome {
        std::string record;
        std::string refusal;
    };
    // `programProblem` tells why a program path cannot be started ("" when
    // it can); see ProgramFileProblem.
    Outcome Record(const std::function<std::string(const std::string&)>& programProblem) const;

  private:
    Dialogs& dialogs_;
};

}  // namespace pontavi
