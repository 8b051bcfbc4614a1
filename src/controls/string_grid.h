#pragma once

#include <string>
#include <vector>

#include "controls/control.h"

namespace pontavi {

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
    void setRowCount(int rows) {
        rows_.resize(static_cast<std::size_t>(std::max(rows, 0)),
                     std::vector<std::string>(static_cast<std::size_t>(cols_)));
        changed();
    }
    const std::string& Cell(int col, int row) const {
        return rows_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(col));
    }
    void setCell(int col, int row, std::string text) {
        auto& cell = rows_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(col));
        assign(cell, text);
    }

  private:
    int cols_;
    std::vector<std::vector<std::string>> rows_;
};

}  // namespace pontavi
