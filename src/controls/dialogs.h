#pragma once

#include <optional>
#include <string>

#include "controls/memo.h"
#include "controls/modal_form.h"

namespace pontavi {

// The one program chooser (the mail program, the launch list's Browse):
// programs, that is executable files, first; Windows names only on request.
inline constexpr const char* kProgramChooserTitle = "Choose a program";
inline constexpr const char* kProgramChooserFilter =
    "Programs|*|Windows programs|*.exe;*.com;*.bat";

// Everything that needs an answer from a person. The view implements it with
// modal Qt dialogs (a nested event loop); tests script the answers. Callers in
// the core reach it through the always-on-top bracket (see TopMostBracket).
class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // A plain message box with an OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // An input box with a title and a prompt; nullopt when cancelled.
    virtual std::optional<std::string> InputQuery(const std::string& caption,
                                                  const std::string& prompt,
                                                  const std::string& initial) = 0;
    // A file chooser; filter is "Description|*.ext|..." pairs; nullopt when cancelled.
    virtual std::optional<std::string> OpenFile(const std::string& title,
                                                const std::string& filter) = 0;
    // The program chooser; a view that can tell executable files lists only
    // those under "Programs".
    virtual std::optional<std::string> ChooseProgram() {
        return OpenFile(kProgramChooserTitle, kProgramChooserFilter);
    }
    // The "Mail Errors Report" over two read-only boxes filled by the caller:
    // the error texts and, row for row, their servers. Not modal: it returns
    // at once and stays open for the user; a later report is added below the
    // rows still shown in the one window. A remote failure never holds the program on a box. Not
    // bracketed.
    virtual void ShowErrorsReport(const Memo& errors, const Memo& servers) = 0;
    // The about box: "Pontavi!", "Version 1.5 Final", "OK". Not bracketed.
    virtual void About() = 0;
    // A dialog with a core model (the mail settings, ...), shown modally until
    // its model sets a result; a view that does not know the form answers Cancel.
    virtual ModalResult ShowModal(ModalForm& form) {
        form.setResult(ModalResult::Cancel);
        return ModalResult::Cancel;
    }
};

}  // namespace pontavi
