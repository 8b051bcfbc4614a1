#include "controls/string_grid.h"

#include <algorithm>

namespace pontavi {

void StringGrid::setRowCount(int rows) {
    const auto count = static_cast<std::size_t>(std::max(rows, 0));
    if (count < rows_.size()) {
        const int kept = static_cast<int>(count);
        changes_.keptRows = std::min(changes_.keptRows, kept);
        std::erase_if(changes_.rows, [kept](int row) { return row >= kept; });
    }
    rows_.resize(count, std::vector<std::string>(static_cast<std::size_t>(cols_)));
    marked_.resize(count, false);
    changed();
}

void StringGrid::setCell(int col, int row, std::string text) {
    const auto at = static_cast<std::size_t>(row);
    auto& cell = rows_.at(at).at(static_cast<std::size_t>(col));
    if (cell == text) {
        return;
    }
    cell = std::move(text);
    markChanged(at);
    changed();
}

void StringGrid::markChanged(std::size_t row) {
    if (!marked_[row]) {
        marked_[row] = true;
        changes_.rows.push_back(static_cast<int>(row));
    }
}

GridChanges StringGrid::TakeChanges() {
    GridChanges taken = std::move(changes_);
    for (const int row : taken.rows) {
        marked_[static_cast<std::size_t>(row)] = false;
    }
    changes_ = GridChanges{.keptRows = RowCount(), .rows = {}};
    return taken;
}

}  // namespace pontavi
