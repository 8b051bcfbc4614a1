#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/list_box.h"
#include "ui/callback_guard.h"

class QBoxLayout;
class QGroupBox;
class QListView;
class QMenu;
class QWidget;

namespace pontavi {

class Button;
class ControlBinder;
class ListRearranger;
class MainWindow;
class TForm1;

// The nine pages of the main window, built from the core's controls and kept
// bound to them, and the window's requests (keys, close box) passed to the
// core. Must be destroyed before the TForm1 it binds; the window's widgets
// stay, unbound.
class FormView final {
  public:
    // guard: runs every handler the user's actions call in the core; given
    // to each binder as it is made.
    FormView(MainWindow& window, TForm1& form, CallbackGuard guard = {});
    ~FormView();
    FormView(const FormView&) = delete;
    FormView& operator=(const FormView&) = delete;

    QMenu* urlPopup() const { return urlPopup_.get(); }

  private:
    // Makes a binder of kind B from args and the view's guard, which comes last.
    template <typename B, typename... Args>
    B& bind(Args&&... args) {
        auto binder = std::make_unique<B>(std::forward<Args>(args)..., guard_);
        B& made = *binder;
        made.setAfterAction([this] { syncBatched(); });
        binders_.push_back(std::move(binder));
        return made;
    }
    // Brings the widgets whose updates are batched up to date.
    void syncBatched();

    QWidget* requestsPage();
    QWidget* optionsPage();
    QWidget* mailPage();
    QWidget* timerPage();
    QWidget* dnsPage();
    QWidget* identsPage();
    QWidget* launchPage();
    QWidget* timePage();
    QWidget* urlPage();

    // A page of a list with its buttons in a column at its right.
    QWidget* listPage(const char* pageName, ListBox& list, const std::vector<Button*>& buttons,
                      QListView** viewOut);
    void addButton(QBoxLayout* layout, Button& button);
    QGroupBox* group(const char* title, QWidget* content);
    void buildUrlPopup(QListView* view);
    void wireWindow();

    MainWindow& window_;
    TForm1& form_;
    CallbackGuard guard_;
    std::vector<std::unique_ptr<ControlBinder>> binders_;
    std::vector<std::unique_ptr<ListRearranger>> rearrangers_;
    std::unique_ptr<QMenu> urlPopup_;
};

}  // namespace pontavi
