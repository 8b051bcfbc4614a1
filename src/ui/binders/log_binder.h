#pragma once

#include <QAbstractListModel>
#include <QStringList>

#include <cstdint>

#include "controls/memo.h"
#include "ui/binders/control_binder.h"

class QListView;

namespace pontavi {

// The rows a log view shows: appended at the end, dropped at the front.
class LogModel final : public QAbstractListModel {
  public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void append(const QStringList& rows);
    void dropFront(int count);
    void reset(const QStringList& rows);

  private:
    QStringList rows_;
};

// A read-only log Memo (the Requests page) <-> a list view. New lines are
// shown a few times a second in one batch, and only while the log can be
// seen, so a burst of Ident queries never waits for the screen.
class LogBinder final : public ControlBinder {
  public:
    LogBinder(Memo& model, QListView* view, CallbackGuard guard = {});
    void sync() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void syncRows();

    Memo& model_;
    QListView* view_;
    LogModel rows_;
    std::uint64_t shownRevision_ = 0;
    std::uint64_t shownAppended_ = 0;
    bool syncPending_ = false;
};

}  // namespace pontavi
