#include "urls/more_list_box.h"

namespace pontavi {

int TMoreListBox::FindText(std::string_view text) const {
    return findFrom(0, text);
}

int TMoreListBox::FindNextText(std::string_view text) const {
    return findFrom(static_cast<std::size_t>(ItemIndex() + 1), text);
}

int TMoreListBox::findFrom(std::size_t first, std::string_view text) const {
    const auto& rows = Rows();
    for (std::size_t i = first; i < rows.size(); ++i) {
        if (rows[i].find(text) != std::string::npos) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TMoreListBox::rowInserted(std::size_t index) {
    ++rowCounts_[Item(index)];
}

void TMoreListBox::rowRemoving(std::size_t index) {
    auto it = rowCounts_.find(Item(index));
    if (it != rowCounts_.end() && --it->second == 0) {
        rowCounts_.erase(it);
    }
}

void TMoreListBox::rowsReset() {
    rowCounts_.clear();
    rowCounts_.reserve(Count());
    for (const auto& row : Rows()) {
        ++rowCounts_[row];
    }
}

}  // namespace pontavi
