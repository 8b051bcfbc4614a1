#pragma once

#include <vector>

#include "controls/string_grid.h"
#include "ui/binders/control_binder.h"

class QTableWidget;

namespace pontavi {

// StringGrid <-> QTableWidget. The grid's first row is its fixed title row,
// so it becomes the table's header; rows 1.. are the read-only body.
class StringGridBinder final : public ControlBinder {
  public:
    StringGridBinder(StringGrid& model, QTableWidget* widget, CallbackGuard guard = {});
    void sync() override;

  private:
    void syncHeader();
    void syncBody();

    StringGrid& model_;
    QTableWidget* widget_;
};

}  // namespace pontavi
