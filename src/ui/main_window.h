#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "controls/window_host.h"

class QMenu;
class QMenuBar;
class QTabWidget;

namespace pontavi {

class KeyPreview;

// The "Pontavi!" window: a fixed-size tabbed window with a close box and the
// "?" button, and the core's view of it (WindowHost). It knows nothing of the
// core; FormView fills its pages and answers its requests below.
class MainWindow final : public QDialog, public WindowHost {
  public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    QTabWidget* pages() const { return pages_; }
    // Fixes the window's size to what its pages need (at least the design
    // size, scaled to the system font). Called once the pages are in.
    void fitToPages();
    // The system font's size against the classic 8-point dialog font.
    double scale() const { return scale_; }

    // WindowHost
    bool IsVisible() const override;
    int Left() const override { return pos().x(); }
    int Top() const override { return pos().y(); }
    void ShowAt(int left, int top) override;
    void Hide() override;
    void Minimize() override;
    void BringToFront() override;

    // Puts `menu` on a menu bar of the window (the tray menu, where no tray
    // can hold it). The menu stays its owner's.
    void addMenu(QMenu* menu);

    // Esc (27) and F1 (112) released anywhere in the window; true when handled.
    std::function<bool(int key)> OnKeyUp;
    // The close box, Alt+F4, the window menu: the close itself is always refused.
    std::function<void()> OnCloseRequest;
    // A window minimised in place of hiding it (Minimize) and restored by the
    // user asks OnShowRequest to show it as the tray would.
    std::function<void()> OnShowRequest;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void reject() override {}  // Esc is the key preview's; a press must not close

  private:
    QTabWidget* pages_;
    std::unique_ptr<KeyPreview> keys_;
    double scale_;
    bool minimizedAsHidden_ = false;
    QMenuBar* menuBar_ = nullptr;
};

}  // namespace pontavi
