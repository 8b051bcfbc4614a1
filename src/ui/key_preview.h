#pragma once

#include <QObject>

#include <functional>
#include <set>

class QWidget;

namespace pontavi {

// The window sees its keys before the focused control does: an application
// event filter that hands the release of Esc (27) and F1 (112) to `onKeyUp`
// whatever control of `window` has the focus. Only a key pressed inside the
// window counts, so closing a drop-down or a dialog with Esc does not also
// hide the window.
class KeyPreview final : public QObject {
  public:
    KeyPreview(QWidget* window, std::function<bool(int key)> onKeyUp);
    ~KeyPreview() override;
    KeyPreview(const KeyPreview&) = delete;
    KeyPreview& operator=(const KeyPreview&) = delete;

    // The key code the window's handler knows for a Qt key, or 0.
    static int keyCode(int qtKey, Qt::KeyboardModifiers modifiers);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool insideWindow(QObject* watched) const;

    QWidget* window_;
    std::function<bool(int)> onKeyUp_;
    std::set<int> pressed_;
};

}  // namespace pontavi
