#pragma once

#include <memory>

#include "controls/list_box.h"
#include "ui/binders/control_binder.h"

class QItemSelection;
class QListView;
class QModelIndex;

namespace pontavi {

class ListBoxModel;

// ListBox <-> QListView: rows through a ListBoxModel, the current row
// (ItemIndex) and, for a multi-selection list, each row's selection mark,
// both ways. A selection change by the user sets the model and then runs its
// OnClick; changes made by the core are shown without running it.
class ListBoxBinder final : public ControlBinder {
  public:
    ListBoxBinder(ListBox& model, QListView* widget, CallbackGuard guard = {});
    ~ListBoxBinder() override;
    void sync() override;

    QListView* view() const { return widget_; }

  private:
    void onRowsChanged(const ListBox::RowsChange& change);
    void showSelected(std::size_t row);
    void showAllSelections();
    void syncCurrent();
    void userSelected(const QItemSelection& selected, const QItemSelection& deselected);
    void userMovedCurrent(const QModelIndex& current);

    ListBox& model_;
    QListView* widget_;
    std::unique_ptr<ListBoxModel> rows_;
    bool applying_ = false;
    int topIndex_ = 0;
};

}  // namespace pontavi
