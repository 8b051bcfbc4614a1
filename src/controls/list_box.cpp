#include "controls/list_box.h"

#include <algorithm>

namespace pontavi {

void ListBox::rowsChanged(RowsChange::Kind kind, std::size_t index) {
    if (OnRowsChanged) {
        OnRowsChanged(RowsChange{kind, index});
    }
    changed();
}

void ListBox::setItems(std::vector<std::string> items) {
    items_.assign(std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
    selected_.assign(items_.size(), 0);
    itemIndex_ = -1;
    topIndex_ = 0;
    rowsReset();
    rowsChanged(RowsChange::kReset, 0);
}

void ListBox::insert(std::size_t index, std::string item) {
    index = std::min(index, items_.size());
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
    selected_.insert(selected_.begin() + static_cast<std::ptrdiff_t>(index), 0);
    if (itemIndex_ >= static_cast<int>(index)) {
        ++itemIndex_;
    }
    rowInserted(index);
    rowsChanged(RowsChange::kInserted, index);
}

void ListBox::remove(std::size_t index) {
    if (index >= items_.size()) {
        return;
    }
    rowRemoving(index);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    selected_.erase(selected_.begin() + static_cast<std::ptrdiff_t>(index));
    if (itemIndex_ == static_cast<int>(index)) {
        itemIndex_ = -1;
    } else if (itemIndex_ > static_cast<int>(index)) {
        --itemIndex_;
    }
    rowsChanged(RowsChange::kRemoved, index);
}

void ListBox::setItem(std::size_t index, std::string item) {
    if (index < items_.size()) {
        rowRemoving(index);
        items_[index] = std::move(item);
        rowInserted(index);
        rowsChanged(RowsChange::kChanged, index);
    }
}

void ListBox::setItemIndex(int index) {
    if (index < -1 || index >= static_cast<int>(items_.size())) {
        index = -1;
    }
    if (!multiSelect_) {
        assign(itemIndex_, index);
        return;
    }
    itemIndex_ = index;
    changed();
}

bool ListBox::Selected(std::size_t index) const {
    if (!multiSelect_) {
        return itemIndex_ >= 0 && static_cast<std::size_t>(itemIndex_) == index;
    }
    return index < selected_.size() && selected_[index] != 0;
}

void ListBox::setSelected(std::size_t index, bool selected) {
    if (index >= items_.size()) {
        return;
    }
    if (!multiSelect_) {
        if (selected) {
            setItemIndex(static_cast<int>(index));
        } else if (itemIndex_ == static_cast<int>(index)) {
            setItemIndex(-1);
        }
        return;
    }
    if (selected_[index] != static_cast<char>(selected)) {
        selected_[index] = selected;
        rowsChanged(RowsChange::kChanged, index);
    }
}

std::size_t ListBox::SelCount() const {
    if (!multiSelect_) {
        return itemIndex_ >= 0 ? 1 : 0;
    }
    return static_cast<std::size_t>(std::count(selected_.begin(), selected_.end(), 1));
}

void ListBox::clearSelection() {
    if (!multiSelect_) {
        setItemIndex(-1);
        return;
    }
    std::fill(selected_.begin(), selected_.end(), 0);
    rowsChanged(RowsChange::kSelectionCleared, 0);
}

}  // namespace pontavi
