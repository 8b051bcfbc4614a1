#pragma once

#include <QAbstractListModel>

#include "controls/list_box.h"

namespace pontavi {

// A Qt item model over the rows of a ListBox, fed with the ListBox's row
// changes one by one, so an insert into a list of 100,000 rows costs one
// insert, not a rebuild. It keeps its own row count because Qt must hear of
// a change before it counts the new rows, and the ListBox reports after.
class ListBoxModel final : public QAbstractListModel {
  public:
    explicit ListBoxModel(const ListBox& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Tells the views of one change the ListBox has made.
    void apply(const ListBox::RowsChange& change);

  private:
    void reset();

    const ListBox& list_;
    int rows_;
};

}  // namespace pontavi
