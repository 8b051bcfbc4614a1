#include "launch/auto_launch_page.h"

#include <utility>

#include "launch/launch_record.h"

namespace pontavi {

AutoLaunchPage::AutoLaunchPage(Controls controls, Services services,
                               std::vector<std::string>& AppsList)
    : c_(controls), s_(std::move(services)), AppsList_(AppsList) {
    c_.Button3.OnClick = [this] { Button3Click(); };
    c_.Button1.OnClick = [this] { Button1Click(); };
    c_.Button2.OnClick = [this] { Button2Click(); };
    c_.Button4.OnClick = [this] { Button4Click(); };
}

void AutoLaunchPage::DisplayAppsList() {
    std::vector<std::string> rows;
    rows.reserve(AppsList_.size());
    for (const auto& record : AppsList_) {
        rows.push_back(LaunchRecordTitle(record));
    }
    c_.fnp.setItems(std::move(rows));
}

void AutoLaunchPage::Button3Click() {
    if (!showAddForm_) {
        return;
    }
    TAddAppsForm form(s_.dialogs);
    form.OnHelp = s_.showHelp;
    form.FormShow();
    const bool ok = s_.dialogs.bracket([&] { return showAddForm_(form); });
    if (!ok) {
        return;
    }
    TAddAppsForm::Outcome outcome = form.Record(s_.programProblem);
    if (!outcome.refusal.empty()) {
        s_.dialogs.ShowMessage("Not added to Auto-Launch: " + outcome.refusal);
        return;
    }
    if (outcome.record.empty()) {
        return;  // what the dialog's fields keep out is refused silently
    }
    AppsList_.push_back(std::move(outcome.record));
    c_.fnp.add(form.Title.Text());
}

void AutoLaunchPage::Button1Click() {
    const int from = c_.fnp.ItemIndex();
    if (c_.fnp.MoveUp() && static_cast<std::size_t>(from) < AppsList_.size()) {
        std::swap(AppsList_[static_cast<std::size_t>(from)],
                  AppsList_[static_cast<std::size_t>(from - 1)]);
    }
}

void AutoLaunchPage::Button2Click() {
    const int from = c_.fnp.ItemIndex();
    if (c_.fnp.MoveDown() && static_cast<std::size_t>(from) + 1 < AppsList_.size()) {
        std::swap(AppsList_[static_cast<std::size_t>(from)],
                  AppsList_[static_cast<std::size_t>(from + 1)]);
    }
}

void AutoLaunchPage::Button4Click() {
    const int index = c_.fnp.ItemIndex();
    if (index < 0) {
        return;
    }
    if (static_cast<std::size_t>(index) < AppsList_.size()) {
        AppsList_.erase(AppsList_.begin() + index);
    }
    c_.fnp.DeleteSelected();
}

}  // namespace pontavi
