#include "ui/binders/list_box_binder.h"

#include <QItemSelectionModel>
#include <QListView>

#include <utility>

#include "ui/binders/list_box_model.h"

namespace pontavi {

namespace {

// Marks a change the binder itself makes, so the signals it causes are not
// taken for the user's; nests, as model and view calls may run each other.
class Applying {
  public:
    explicit Applying(bool& flag) : flag_(flag), was_(std::exchange(flag, true)) {}
    ~Applying() { flag_ = was_; }
    Applying(const Applying&) = delete;
    Applying& operator=(const Applying&) = delete;

  private:
    bool& flag_;
    bool was_;
};

}  // namespace

ListBoxBinder::ListBoxBinder(ListBox& model, QListView* widget, CallbackGuard guard)
    : ControlBinder(model, std::move(guard)),
      model_(model),
      widget_(widget),
      rows_(std::make_unique<ListBoxModel>(model)) {
    widget_->setUniformItemSizes(true);
    widget_->setSelectionMode(model_.MultiSelect() ? QAbstractItemView::ExtendedSelection
                                                   : QAbstractItemView::SingleSelection);
    widget_->setModel(rows_.get());
    auto* selection = widget_->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this, &ListBoxBinder::userSelected);
    connect(selection, &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { userMovedCurrent(current); });
    model_.OnRowsChanged = [this](const ListBox::RowsChange& change) { onRowsChanged(change); };
    showAllSelections();
    install();
}

ListBoxBinder::~ListBoxBinder() {
    model_.OnRowsChanged = nullptr;
}

void ListBoxBinder::sync() {
    syncCommon(widget_);
    syncCurrent();
    if (model_.TopIndex() != topIndex_) {
        topIndex_ = model_.TopIndex();
        widget_->scrollTo(rows_->index(topIndex_), QAbstractItemView::PositionAtTop);
    }
    takeFocusRequest(widget_);
}

void ListBoxBinder::onRowsChanged(const ListBox::RowsChange& change) {
    const Applying applying(applying_);
    rows_->apply(change);
    switch (change.kind) {
        case ListBox::RowsChange::kChanged:
            showSelected(change.index);
            break;
        case ListBox::RowsChange::kSelectionCleared:
            widget_->selectionModel()->clearSelection();
            break;
        case ListBox::RowsChange::kReset:
            showAllSelections();
            break;
        case ListBox::RowsChange::kInserted:
        case ListBox::RowsChange::kRemoved:
            break;  // Qt shifts the marks of the other rows itself
    }
}

void ListBoxBinder::showSelected(std::size_t row) {
    if (!model_.MultiSelect() || row >= model_.Count()) {
        return;
    }
    const QModelIndex index = rows_->index(static_cast<int>(row));
    auto* selection = widget_->selectionModel();
    const bool on = model_.Selected(row);
    if (selection->isSelected(index) != on) {
        selection->select(index, on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
    }
}

void ListBoxBinder::showAllSelections() {
    {
        const Applying applying(applying_);
        widget_->selectionModel()->clearSelection();
        if (model_.MultiSelect() && model_.SelCount() > 0) {
            for (std::size_t row = 0; row < model_.Count(); ++row) {
                showSelected(row);
            }
        }
    }
    syncCurrent();
}

void ListBoxBinder::syncCurrent() {
    const int index = model_.ItemIndex();
    auto* selection = widget_->selectionModel();
    const QModelIndex target = index >= 0 ? rows_->index(index) : QModelIndex();
    if (selection->currentIndex() == target &&
        (model_.MultiSelect() || index < 0 || selection->isSelected(target))) {
        return;
    }
    {
        const Applying applying(applying_);
        if (model_.MultiSelect()) {
            selection->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
        } else if (index < 0) {
            selection->clearSelection();
            selection->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
        } else {
            selection->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
        }
    }
    if (target.isValid()) {
        widget_->scrollTo(target);
    }
}

void ListBoxBinder::userSelected(const QItemSelection& selected, const QItemSelection& deselected) {
    if (applying_) {
        return;
    }
    {
        const Applying applying(applying_);
        if (model_.MultiSelect()) {
            for (const QModelIndex& index : deselected.indexes()) {
                model_.setSelected(static_cast<std::size_t>(index.row()), false);
            }
            for (const QModelIndex& index : selected.indexes()) {
                model_.setSelected(static_cast<std::size_t>(index.row()), true);
            }
        } else {
            const QModelIndexList rows = widget_->selectionModel()->selectedIndexes();
            model_.setItemIndex(rows.isEmpty() ? -1 : rows.first().row());
        }
    }
    if (model_.OnClick) {
        auto handler = model_.OnClick;
        act(handler);
    }
}

void ListBoxBinder::userMovedCurrent(const QModelIndex& current) {
    if (applying_ || !model_.MultiSelect()) {
        return;
    }
    const Applying applying(applying_);
    model_.setItemIndex(current.isValid() ? current.row() : -1);
}

}  // namespace pontavi
