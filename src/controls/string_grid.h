#pragma once

#include <string>
#include <vector>

#include "controls/control.h"

namespace pontavi {

// What changed in a grid since a view last took the changes (see
// StringGrid::TakeChanges).
struct GridChanges {
    // The fewest rows the grid had meanwhile: rows from here on were dropped
    // at some point, so whatever a view still shows there is stale.
    int keptRows = 0;
    // The rows whose cells were set, each once, in the order of their first change.
    std::vector<int> rows;
};

// A grid of text cells addressed as (column, row); growing RowCount adds
// empty rows, shrinking drops the last ones.
class StringGrid : public Control {
  public:
    StringGrid(std::string name, int colCount, int rowCount)
        : Control(std::move(name)), cols_(colCount) {
        setRowCount(rowCount);
    }
    StringGrid(const ControlInfo& info, int colCount, int rowCount)
        : Control(info), cols_(colCount) {
        setRowCount(rowCount);
    }

    int ColCount() const { return cols_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    void setRowCount(int rows);
    const std::string& Cell(int col, int row) const {
        return rows_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(col));
    }
    void setCell(int col, int row, std::string text);

    // Lets one view follow a grid of many rows at the cost of what changed:
    // returns the changes since the last call and starts a new account.
    GridChanges TakeChanges();

  private:
    void markChanged(std::size_t row);

    int cols_;
    std::vector<std::vector<std::string>> rows_;
    // The account of changes: a mark per row keeps each row listed once, so
    // the account never outgrows the grid, whether a view takes it or not.
    std::vector<bool> marked_;
    GridChanges changes_;
};

}  // namespace pontavi
