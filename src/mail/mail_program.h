#pragma once

#include <functional>
#include <string>
#include <vector>

#include "controls/dialogs.h"
#include "platform/shell.h"

namespace pontavi {

// What running the mail program needs from the main window.
struct MailProgramParts {
    Shell& shell;
    Dialogs& dialogs;  // bracketed: the program chooser
    std::function<bool(const std::string& path)> fileExists;
    // The main window shows; hides it (HideOptions).
    std::function<bool()> windowVisible;
    std::function<void()> hideOptions;
    // The launcher AppExec1: ExeParams := params, ExeName := program, then
    // Execute; a failed start is its own business and is not reported here.
    std::function<void(const std::string& program, const std::vector<std::string>& params)> execute;
};

// "Run Mail Program" (BitBtn1Click), also run by the end of a mail check
// cycle that found new mail.
//  - No file at MailProgram: the program chooser is offered; a chosen file
//    that exists becomes MailProgram.
//  - With AutoRun off, a visible window is hidden first.
//  - A MailProgram containing ".lnk" (lower case) is a Windows shell shortcut:
//    its target is started with its argument text as the one parameter. A
//    shortcut that cannot be read throws ShortcutError and starts nothing.
//  - A MailProgram ending in ".desktop" is a freedesktop desktop entry,
//    started by its Exec line; a failed start is not reported.
//  - Otherwise MailProgram itself is started, without parameters, when the
//    file exists.
class MailProgramRunner {
  public:
    explicit MailProgramRunner(MailProgramParts parts) : parts_(std::move(parts)) {}

    void BitBtn1Click(std::string& MailProgram, bool AutoRun);

  private:
    MailProgramParts parts_;
};

}  // namespace pontavi
