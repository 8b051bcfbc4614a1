#include "controls/bracketed_dialogs.h"

namespace pontavi {

void BracketedDialogs::ShowMessage(const std::string& text) {
    bracket([&] { inner_.ShowMessage(text); });
}

std::optional<std::string> BracketedDialogs::InputQuery(const std::string& caption,
                                                        const std::string& prompt,
                                                        const std::string& initial) {
    return bracket([&] { return inner_.InputQuery(caption, prompt, initial); });
}

std::optional<std::string> BracketedDialogs::OpenFile(const std::string& title,
                                                      const std::string& filter) {
    return bracket([&] { return inner_.OpenFile(title, filter); });
}

std::optional<std::string> BracketedDialogs::ChooseProgram() {
    return bracket([&] { return inner_.ChooseProgram(); });
}

// The report is modeless and the call returns at once: stepping the window
// back and forth around it would only bring the window back over the report.
// The view keeps the report above a window kept on top.
void BracketedDialogs::ShowErrorsReport(const Memo& errors, const Memo& servers) {
    inner_.ShowErrorsReport(errors, servers);
}

}  // namespace pontavi
