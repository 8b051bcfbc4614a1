#include "mail/mail_program.h"

#include <string_view>

namespace pontavi {
namespace {

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

void MailProgramRunner::BitBtn1Click(std::string& MailProgram, bool AutoRun) {
    if (!parts_.fileExists(MailProgram)) {
        auto chosen = parts_.dialogs.ChooseProgram();
        if (chosen && parts_.fileExists(*chosen)) {
            MailProgram = *chosen;
        }
    }
    if (!AutoRun && parts_.windowVisible()) {
        parts_.hideOptions();
    }
    std::string program = MailProgram;
    std::vector<std::string> params;
    if (MailProgram.find(".lnk") != std::string::npos) {
        ShellLinkTarget target = parts_.shell.ReadShellLink(MailProgram);
        params = {std::move(target.arguments)};
        program = std::move(target.path);
    }
    if (!parts_.fileExists(MailProgram)) {
        return;
    }
    if (endsWith(MailProgram, ".desktop")) {
        parts_.shell.StartDesktopEntry(MailProgram);
        return;
    }
    parts_.execute(program, params);
}

}  // namespace pontavi
