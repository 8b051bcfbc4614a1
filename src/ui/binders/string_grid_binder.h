#pragma once

#include "controls/string_grid.h"
#include "ui/binders/control_binder.h"

class QTableWidget;

namespace pontavi {

// StringGrid <-> QTableWidget. The grid's first row is its fixed title row,
// so it becomes the table's header; rows 1.. are the read-only body. A mail
// cycle fills the grid at network pace, row by row: the changes of one loop
// turn reach the table together, and only the rows that changed are read.
class StringGridBinder final : public ControlBinder {
  public:
    StringGridBinder(StringGrid& model, QTableWidget* widget, CallbackGuard guard = {});
    void sync() override;

  private:
    void syncHeader();
    void syncAll();
    void syncChanges(const GridChanges& changes);
    void syncRow(int row);

    StringGrid& model_;
    QTableWidget* widget_;
    bool synced_ = false;
};

}  // namespace pontavi
