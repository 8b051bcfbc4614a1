#pragma once

#include <QObject>

#include "controls/button.h"
#include "controls/list_box.h"
#include "ui/callback_guard.h"

class QListView;

namespace pontavi {

// Moving rows of a single-selection list with the keyboard (Ctrl+Up,
// Ctrl+Down) and by dragging with Ctrl held. Every step is a press of the
// page's own "Move Up"/"Move Down" button, so the list behind the rows moves
// with them and the selection ends on the moved row.
class ListRearranger final : public QObject {
  public:
    // guard: runs the moves, which are handlers of the core.
    ListRearranger(QListView* view, const ListBox& list, Button& moveUp, Button& moveDown,
                   CallbackGuard guard = {});
    ~ListRearranger() override;
    ListRearranger(const ListRearranger&) = delete;
    ListRearranger& operator=(const ListRearranger&) = delete;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool keyPressed(int key, Qt::KeyboardModifiers modifiers);
    bool mousePressed(const QPoint& at, Qt::KeyboardModifiers modifiers);
    void dragTo(const QPoint& at);
    void press(Button& button);

    QListView* view_;
    const ListBox& list_;
    Button& moveUp_;
    Button& moveDown_;
    CallbackGuard guard_;
    bool dragging_ = false;
};

}  // namespace pontavi
