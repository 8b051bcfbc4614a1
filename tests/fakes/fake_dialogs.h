#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controls/dialogs.h"

namespace pontavi {

// Scripted answers for the boxes the core opens; records every box shown.
class FakeDialogs final : public Dialogs {
  public:
    void ShowMessage(const std::string& text) override {
        messages.push_back(text);
        if (whileOpen) {
            whileOpen();
        }
    }
    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& initial) override;
    std::optional<std::string> OpenFile(const std::string&, const std::string&) override;
    void ShowErrorsReport(const Memo& errors, const Memo& servers) override {
        errorReports.push_back({errors.Lines(), servers.Lines()});
        if (whileOpen) {
            whileOpen();
        }
    }
    void About() override { ++aboutShown; }
    // A dialog with a core model: onModal plays the user (Cancel without it).
    ModalResult ShowModal(ModalForm& form) override {
        ++modalShown;
        form.setResult(onModal ? onModal(form) : ModalResult::Cancel);
        return form.Result();
    }
    std::function<ModalResult(ModalForm&)> onModal;
    int modalShown = 0;

    std::vector<std::string> messages;
    struct Query {
        std::string caption, prompt, initial;
    };
    std::vector<Query> queries;
    std::deque<std::optional<std::string>> inputAnswers;  // nullopt = cancel
    std::deque<std::optional<std::string>> fileAnswers;
    struct ErrorReport {
        std::vector<std::string> errors, servers;
    };
    std::vector<ErrorReport> errorReports;
    int aboutShown = 0;
    // Runs while a box is "open", to observe state inside the bracket.
    std::function<void()> whileOpen;
};

}  // namespace pontavi
