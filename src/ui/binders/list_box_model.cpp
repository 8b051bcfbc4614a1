#include "ui/binders/list_box_model.h"

#include "ui/qt_text.h"

namespace pontavi {

ListBoxModel::ListBoxModel(const ListBox& list, QObject* parent)
    : QAbstractListModel(parent), list_(list), rows_(static_cast<int>(list.Count())) {}

int ListBoxModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant ListBoxModel::data(const QModelIndex& index, int role) const {
    const auto row = static_cast<std::size_t>(index.row());
    if (!index.isValid() || row >= list_.Count()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return toQt(list_.Item(row));
    }
    return {};
}

void ListBoxModel::apply(const ListBox::RowsChange& change) {
    const int row = static_cast<int>(change.index);
    const int count = static_cast<int>(list_.Count());
    switch (change.kind) {
        case ListBox::RowsChange::kInserted:
            if (count != rows_ + 1 || row > rows_) {
                break;
            }
            beginInsertRows({}, row, row);
            ++rows_;
            endInsertRows();
            return;
        case ListBox::RowsChange::kRemoved:
            if (count != rows_ - 1 || row >= rows_) {
                break;
            }
            beginRemoveRows({}, row, row);
            --rows_;
            endRemoveRows();
            return;
        case ListBox::RowsChange::kChanged:
            if (count != rows_ || row >= rows_) {
                break;
            }
            emit dataChanged(index(row), index(row), {Qt::DisplayRole});
            return;
        case ListBox::RowsChange::kSelectionCleared:
            if (count == rows_) {
                return;
            }
            break;
        case ListBox::RowsChange::kReset:
            break;
    }
    // A reset, or a change that does not fit what we know: read everything anew.
    reset();
}

void ListBoxModel::reset() {
    beginResetModel();
    rows_ = static_cast<int>(list_.Count());
    endResetModel();
}

}  // namespace pontavi
