#pragma once

#include "controls/check_box.h"
#include "controls/dialogs.h"
#include "controls/top_most.h"

namespace pontavi {

// The always-on-top bracket: while a box is open, a window kept on top by the
// user's option steps back so the box shows above it, and returns after.
class BracketedDialogs final : public Dialogs {
  public:
    BracketedDialogs(Dialogs& inner, TopMost& topMost, const CheckBox& onTop)
        : inner_(inner), topMost_(topMost), onTop_(onTop) {}

    void ShowMessage(const std::string& text) override;
    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& initial) override;
    std::optional<std::string> OpenFile(const std::string& title,
                                        const std::string& filter) override;
    std::optional<std::string> ChooseProgram() override;
    void ShowErrorsReport(const Memo& errors, const Memo& servers) override;
    void About() override { inner_.About(); }
    ModalResult ShowModal(ModalForm& form) override {
        Guard guard(*this);
        return inner_.ShowModal(form);
    }

    // Runs any other modal step (a settings dialog) inside the bracket.
    template <typename F>
    auto bracket(F&& f) {
        Guard guard(*this);
        return f();
    }

  private:
    struct Guard {
        explicit Guard(BracketedDialogs& d) : d_(d) {
            if (d_.onTop_.Checked()) {
                d_.topMost_.setTopMost(false);
            }
        }
        ~Guard() {
            if (d_.onTop_.Checked()) {
                d_.topMost_.setTopMost(true);
            }
        }
        BracketedDialogs& d_;
    };

    Dialogs& inner_;
    TopMost& topMost_;
    const CheckBox& onTop_;
};

}  // namespace pontavi
