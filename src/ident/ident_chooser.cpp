#include "ident/ident_chooser.h"

namespace pontavi {

IdentChooser::IdentChooser(Controls controls, std::vector<std::string>& identList)
    : c_(controls), identList_(identList) {}

void IdentChooser::bind() {
    c_.CB1.OnClick = [this] { CB1Click(); };
    c_.First1.OnClick = [this] { First1Click(); };
}

std::string IdentChooser::entryOrCurrent(std::size_t i) const {
    return i < identList_.size() ? identList_[i] : c_.Edit1.Text();
}

void IdentChooser::refill() {
    if (firstOnly()) {
        c_.Edit1.setText(entryOrCurrent(0));
        return;
    }
    // Rotation wraps to 1, not 0: the first ident returns only when Edit1 is
    // reset to it. With fewer than two idents there is nothing to rotate to.
    const int count = static_cast<int>(identList_.size());
    if (count < 2) {
        c_.Edit1.setText(entryOrCurrent(0));
        return;
    }
    identIndex_ = (identIndex_ >= count - 1) ? 1 : identIndex_ + 1;
    c_.Edit1.setText(identList_[static_cast<std::size_t>(identIndex_)]);
}

void IdentChooser::commitIdentMemo() {
    if (c_.IdentMemo.Modified()) {
        identList_ = c_.IdentMemo.Lines();
    }
}

void IdentChooser::CB1Click() {
    commitIdentMemo();
    if (identList_.size() < 2) {
        c_.First1.setChecked(true);
        c_.CB1.setChecked(true);  // re-enters CB1Click only when it was off
        return;
    }
    c_.First1.setChecked(c_.CB1.Checked());
    c_.Edit1.setText(firstOnly() ? identList_[0]
                                 : entryOrCurrent(static_cast<std::size_t>(identIndex_)));
}

void IdentChooser::First1Click() {
    c_.First1.setChecked(!c_.First1.Checked());
    c_.CB1.setChecked(c_.First1.Checked());
    c_.Edit1.setText(firstOnly() ? entryOrCurrent(0)
                                 : entryOrCurrent(static_cast<std::size_t>(identIndex_)));
}

void IdentChooser::requestsPageShown() {
    commitIdentMemo();
    if (!identList_.empty()) {
        c_.Edit1.setText(identList_[0]);
    }
}

void IdentChooser::showFirstIdent() {
    if (!identList_.empty()) {
        c_.Edit1.setText(identList_[0]);
    }
}

}  // namespace pontavi
