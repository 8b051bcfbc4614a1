#include "ui/binders/string_grid_binder.h"

#include <QHeaderView>
#include <QTableWidget>

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
}

void StringGridBinder::sync() {
    syncCommon(widget_);
    syncHeader();
    syncBody();
}

void StringGridBinder::syncHeader() {
    QStringList titles;
    for (int c = 0; c < model_.ColCount(); ++c) {
        titles << (model_.RowCount() > 0 ? toQt(model_.Cell(c, 0)) : QString());
    }
    widget_->setHorizontalHeaderLabels(titles);
}

void StringGridBinder::syncBody() {
    const int rows = std::max(model_.RowCount() - 1, 0);
    if (widget_->rowCount() != rows) {
        widget_->setRowCount(rows);
    }
    // Only the cells that differ are touched, so filling the grid cell by
    // cell costs one comparison per cell and change.
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < model_.ColCount(); ++c) {
            const QString text = toQt(model_.Cell(c, r + 1));
            QTableWidgetItem* item = widget_->item(r, c);
            if (item == nullptr) {
                widget_->setItem(r, c, new QTableWidgetItem(text));  // owned by the table
            } else if (item->text() != text) {
                item->setText(text);
            }
        }
    }
}

}  // namespace pontavi
