#include "ui/binders/log_binder.h"

#include <QEvent>
#include <QListView>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

#include "ui/qt_text.h"

namespace pontavi {

namespace {
// A log shown to a person needs no more than a few refreshes a second; a
// burst of queries then costs one update of the view per refresh.
constexpr int kRefreshMs = 100;
}  // namespace

int LogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant LogModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_.size()) {
        return {};
    }
    return rows_.at(index.row());
}

void LogModel::append(const QStringList& rows) {
    if (rows.isEmpty()) {
        return;
    }
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    rows_ += rows;
    endInsertRows();
}

void LogModel::dropFront(int count) {
    count = std::min(count, static_cast<int>(rows_.size()));
    if (count <= 0) {
        return;
    }
    beginRemoveRows({}, 0, count - 1);
    rows_.remove(0, count);
    endRemoveRows();
}

void LogModel::reset(const QStringList& rows) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
}

LogBinder::LogBinder(Memo& model, QListView* view, CallbackGuard guard)
    : ControlBinder(model, std::move(guard)), model_(model), view_(view) {
    view_->setModel(&rows_);
    view_->setUniformItemSizes(true);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->installEventFilter(this);
    install();
    batchSyncs(view_);
}

void LogBinder::sync() {
    syncCommon(view_);
    if (!syncPending_) {
        syncPending_ = true;
        QTimer::singleShot(kRefreshMs, this, [this] {
            syncPending_ = false;
            syncRows();
        });
    }
    takeFocusRequest(view_);
}

bool LogBinder::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::Show) {
        syncRows();
    }
    return ControlBinder::eventFilter(watched, event);
}

void LogBinder::syncRows() {
    // Nobody reads a hidden log; it catches up when it is shown.
    if (!view_->isVisible()) {
        return;
    }
    const auto& lines = model_.Lines();
    const std::uint64_t fresh = model_.Appended() - shownAppended_;
    QScrollBar* bar = view_->verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    if (model_.Revision() != shownRevision_ || fresh > lines.size()) {
        QStringList all;
        all.reserve(static_cast<qsizetype>(lines.size()));
        for (const auto& line : lines) {
            all << toQt(line);
        }
        rows_.reset(all);
    } else {
        QStringList added;
        for (std::size_t i = lines.size() - static_cast<std::size_t>(fresh); i < lines.size();
             ++i) {
            added << toQt(lines[i]);
        }
        rows_.append(added);
        rows_.dropFront(rows_.rowCount() - static_cast<int>(lines.size()));
    }
    shownRevision_ = model_.Revision();
    shownAppended_ = model_.Appended();
    if (atBottom) {
        view_->scrollToBottom();
    }
}

}  // namespace pontavi
