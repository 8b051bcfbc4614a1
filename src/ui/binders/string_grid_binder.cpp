#include "ui/binders/string_grid_binder.h"

#include <QHeaderView>
#include <QTableWidget>

#include <algorithm>
#include <utility>

#include "ui/qt_text.h"

namespace pontavi {

StringGridBinder::StringGridBinder(StringGrid& model, QTableWidget* widget, CallbackGuard guard)
    : ControlBinder(model, std::move(guard)), model_(model), widget_(widget) {
    widget_->setColumnCount(model_.ColCount());
    widget_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    widget_->setSelectionBehavior(QAbstractItemView::SelectRows);
    widget_->verticalHeader()->hide();
    widget_->horizontalHeader()->setSectionsMovable(false);
    widget_->setWordWrap(false);
    install();
    batchSyncs(widget_);
}

void StringGridBinder::sync() {
    syncCommon(widget_);
    const GridChanges changes = model_.TakeChanges();
    // The first sync reads everything: the account may have been taken
    // before this table existed.
    if (!std::exchange(synced_, true)) {
        syncAll();
    } else {
        syncChanges(changes);
    }
}

void StringGridBinder::syncHeader() {
    QStringList titles;
    for (int c = 0; c < model_.ColCount(); ++c) {
        titles << (model_.RowCount() > 0 ? toQt(model_.Cell(c, 0)) : QString());
    }
    widget_->setHorizontalHeaderLabels(titles);
}

void StringGridBinder::syncAll() {
    syncHeader();
    const int rows = std::max(model_.RowCount() - 1, 0);
    widget_->setRowCount(rows);
    for (int r = 1; r <= rows; ++r) {
        syncRow(r);
    }
}

void StringGridBinder::syncChanges(const GridChanges& changes) {
    // Body rows from the kept count on were dropped meanwhile: what the
    // table shows there goes, and rows grown since start empty.
    const int kept = std::max(changes.keptRows - 1, 0);
    if (widget_->rowCount() > kept) {
        widget_->setRowCount(kept);
    }
    const int rows = std::max(model_.RowCount() - 1, 0);
    if (widget_->rowCount() != rows) {
        widget_->setRowCount(rows);
    }
    bool header = changes.keptRows == 0;
    for (const int r : changes.rows) {
        if (r == 0) {
            header = true;
        } else {
            syncRow(r);
        }
    }
    if (header) {
        syncHeader();
    }
}

void StringGridBinder::syncRow(int row) {
    for (int c = 0; c < model_.ColCount(); ++c) {
        const QString text = toQt(model_.Cell(c, row));
        QTableWidgetItem* item = widget_->item(row - 1, c);
        if (item == nullptr) {
            if (!text.isEmpty()) {
                widget_->setItem(row - 1, c, new QTableWidgetItem(text));  // owned by the table
            }
        } else if (item->text() != text) {
            item->setText(text);
        }
    }
}

}  // namespace pontavi
