#include "ui/form_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/form1.h"
#include "launch/add_apps_form.h"
#include "ui/add_apps_dialog.h"
#include "ui/binders/button_binder.h"
#include "ui/binders/check_box_binder.h"
#include "ui/binders/combo_box_binder.h"
#include "ui/binders/label_binder.h"
#include "ui/binders/list_box_binder.h"
#include "ui/binders/list_rearranger.h"
#include "ui/binders/log_binder.h"
#include "ui/binders/memo_binder.h"
#include "ui/binders/menu_item_binder.h"
#include "ui/binders/page_control_binder.h"
#include "ui/binders/spin_edit_binder.h"
#include "ui/binders/status_bar_binder.h"
#include "ui/binders/string_grid_binder.h"
#include "ui/binders/text_box_binder.h"
#include "ui/binders/top_most_binder.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"

// Widgets are created with `new` and handed to a parent or layout at once:
// Qt's ownership tree deletes them with the window.

namespace pontavi {

namespace {

// Tab captions in page order; the page index is what "Startup Section" stores.
constexpr const char* kPageCaptions[kPageCount] = {"Requests",     "Options",    "Messages",
                                                   "Online Timer", "DNS Lookup", "Edit Idents",
                                                   "Auto-Launch",  "Net Time",   "URL"};

template <typename W>
W* named(W* widget, const Control& model) {
    widget->setObjectName(toQt(model.Name()));
    return widget;
}

QWidget* page(const char* name) {
    auto* widget = new QWidget;
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* timePanel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPointSize(font.pointSize() * 2);
    font.setBold(true);
    label->setFont(font);
    return label;
}

}  // namespace

FormView::FormView(MainWindow& window, TForm1& form, CallbackGuard guard)
    : window_(window), form_(form), guard_(std::move(guard)) {
    QTabWidget* tabs = window_.pages();
    QWidget* pages[kPageCount] = {requestsPage(), optionsPage(), mailPage(), timerPage(), dnsPage(),
                                  identsPage(),   launchPage(),  timePage(), urlPage()};
    for (int i = 0; i < kPageCount; ++i) {
        tabs->addTab(pages[i], QString::fromLatin1(kPageCaptions[i]));
    }
    bind<PageControlBinder>(form_.PageControl1, tabs);
    bind<TopMostBinder>(form_.TopMost1, &window_);
    window_.fitToPages();
    wireWindow();
}

FormView::~FormView() {
    window_.OnKeyUp = nullptr;
    window_.OnCloseRequest = nullptr;
    window_.OnShowRequest = nullptr;
    form_.setShowAddAppsForm({});
    rearrangers_.clear();
    binders_.clear();
}

void FormView::syncBatched() {
    for (const auto& binder : binders_) {
        binder->syncIfPending();
    }
}

void FormView::wireWindow() {
    window_.OnKeyUp = [this](int key) {
        bool handled = false;
        guard_([&] { handled = form_.FormKeyUp(key); });
        return handled;
    };
    window_.OnCloseRequest = [this] { guard_([this] { form_.FormClose(); }); };
    window_.OnShowRequest = [this] { guard_([this] { form_.TrayIcon1Click(); }); };
}

QGroupBox* FormView::group(const char* title, QWidget* content) {
    auto* box = new QGroupBox(QString::fromLatin1(title));
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(content);
    return box;
}

void FormView::addButton(QBoxLayout* layout, Button& button) {
    auto* widget = named(new QPushButton, button);
    widget->setAutoDefault(false);
    layout->addWidget(widget);
    bind<ButtonBinder>(button, widget);
}

QWidget* FormView::requestsPage() {
    QWidget* p = page("RequestsPage");
    auto* layout = new QVBoxLayout(p);
    auto* cb1 = named(new QCheckBox, form_.CB1);
    layout->addWidget(cb1);
    bind<CheckBoxBinder>(form_.CB1, cb1);
    auto* edit1 = named(new QLineEdit, form_.Edit1);
    layout->addWidget(group(" Next Ident ", edit1));
    // Every Ident reply may move the next ident on: a burst of replies shows
    // once per loop turn; a user's action shows at once.
    bind<TextBoxBinder>(form_.Edit1, edit1, false).batchSyncs();
    auto* memo1 = named(new QListView, form_.Memo1);
    memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(memo1, 1);
    bind<LogBinder>(form_.Memo1, memo1);
    return p;
}

QWidget* FormView::optionsPage() {
    QWidget* p = page("OptionsPage");
    auto* layout = new QVBoxLayout(p);
    auto check = [&](CheckBox& model, QBoxLayout* into) {
        auto* box = named(new QCheckBox, model);
        into->addWidget(box);
        bind<CheckBoxBinder>(model, box);
    };
    check(form_.OnTop, layout);
    check(form_.UpdateClockCB, layout);
    check(form_.CopyIPCB, layout);
    check(form_.AutoCopyCB, layout);
    auto* mailRow = new QHBoxLayout;
    layout->addLayout(mailRow);
    check(form_.MailCB, mailRow);
    mailRow->addStretch();
    addButton(mailRow, form_.MailSettingBtn);
    check(form_.DisplayAtStartupCB, layout);
    check(form_.StartAtLoginCB, layout);

    auto* sectionRow = new QHBoxLayout;
    layout->addLayout(sectionRow);
    auto* combo = named(new QComboBox, form_.StartSectionCombo);
    auto* sectionLabel = new QLabel(QStringLiteral("Active section when showing"));
    sectionLabel->setBuddy(combo);
    sectionRow->addWidget(sectionLabel);
    sectionRow->addStretch();
    sectionRow->addWidget(combo);
    bind<ComboBoxBinder>(form_.StartSectionCombo, combo);

    auto* spinRow = new QHBoxLayout;
    layout->addLayout(spinRow);
    auto* spin = named(new QSpinBox, form_.SpinEdit1);
    auto* spinLabel = new QLabel(QStringLiteral("Auto-Launch Frequency (Seconds) :"));
    spinLabel->setBuddy(spin);
    spinRow->addWidget(spinLabel);
    spinRow->addStretch();
    spinRow->addWidget(spin);
    bind<SpinEditBinder>(form_.SpinEdit1, spin);
    layout->addStretch();
    return p;
}

QWidget* FormView::mailPage() {
    QWidget* p = page("MailPage");
    auto* layout = new QVBoxLayout(p);
    const double scale = window_.scale();
    auto* grid = named(new QTableWidget, form_.StringGrid1);
    layout->addWidget(grid, 1);
    bind<StringGridBinder>(form_.StringGrid1, grid);
    const int widths[] = {143, 142, 64};
    for (int c = 0; c < 3 && c < grid->columnCount(); ++c) {
        grid->setColumnWidth(c, static_cast<int>(widths[c] * scale));
    }
    grid->verticalHeader()->setDefaultSectionSize(static_cast<int>(15 * scale) + 4);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    addButton(buttons, form_.BitBtn1);
    addButton(buttons, form_.BitBtn2);
    auto* status = named(new QStatusBar, form_.MailStatus);
    layout->addWidget(status);
    bind<StatusBarBinder>(form_.MailStatus, status, scale);
    return p;
}

QWidget* FormView::timerPage() {
    QWidget* p = page("TimerPage");
    auto* layout = new QVBoxLayout(p);
    auto* session = named(timePanel(p), form_.SessionTimePanel);
    layout->addWidget(group("Time used this session", session));
    bind<LabelBinder>(form_.SessionTimePanel, session);
    auto* totalBox = new QWidget;
    auto* totalLayout = new QVBoxLayout(totalBox);
    totalLayout->setContentsMargins(0, 0, 0, 0);
    auto* total = named(timePanel(totalBox), form_.TotalTimePanel);
    auto* resetDate = named(new QLabel, form_.ResetDateLabel);
    resetDate->setAlignment(Qt::AlignCenter);
    totalLayout->addWidget(total);
    totalLayout->addWidget(resetDate);
    layout->addWidget(group("Total time spent on the 'Net", totalBox));
    bind<LabelBinder>(form_.TotalTimePanel, total);
    bind<LabelBinder>(form_.ResetDateLabel, resetDate);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    addButton(buttons, form_.BitBtn3);
    addButton(buttons, form_.BitBtn4);
    layout->addStretch();
    return p;
}

QWidget* FormView::dnsPage() {
    QWidget* p = page("DNSPage");
    auto* layout = new QVBoxLayout(p);
    auto* host = named(new QLineEdit, form_.DNSEdit);
    layout->addWidget(group(" Host Name or IP Address to convert", host));
    bind<TextBoxBinder>(form_.DNSEdit, host, false);
    auto* result = named(new QLineEdit, form_.DNSResult);
    layout->addWidget(group(" Lookup Result ", result));
    bind<TextBoxBinder>(form_.DNSResult, result, true);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    row->addStretch();
    auto* resolve = named(new QPushButton, form_.Resolve);
    resolve->setDefault(true);  // Enter in the host box resolves
    row->addWidget(resolve);
    bind<ButtonBinder>(form_.Resolve, resolve);
    layout->addStretch();
    return p;
}

QWidget* FormView::identsPage() {
    QWidget* p = page("IdentsPage");
    auto* layout = new QVBoxLayout(p);
    auto* memo = named(new QPlainTextEdit, form_.IdentMemo);
    layout->addWidget(memo);
    bind<MemoBinder>(form_.IdentMemo, memo);
    return p;
}

QWidget* FormView::listPage(const char* pageName, ListBox& list,
                            const std::vector<Button*>& buttons, QListView** viewOut) {
    QWidget* p = page(pageName);
    auto* layout = new QHBoxLayout(p);
    auto* column = new QVBoxLayout;
    // The buttons first: they come first in the tab order.
    for (Button* button : buttons) {
        addButton(column, *button);
    }
    column->addStretch();
    auto* view = named(new QListView, list);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(view, 1);
    layout->addLayout(column);
    bind<ListBoxBinder>(list, view);
    *viewOut = view;
    return p;
}

QWidget* FormView::launchPage() {
    QListView* view = nullptr;
    QWidget* p = listPage("LaunchPage", form_.fnp,
                          {&form_.Button3, &form_.Button1, &form_.Button2, &form_.Button4}, &view);
    rearrangers_.push_back(
        std::make_unique<ListRearranger>(view, form_.fnp, form_.Button1, form_.Button2, guard_));
    form_.setShowAddAppsForm([this](TAddAppsForm& form) {
        AddAppsDialog dialog(form, &window_, guard_);
        return dialog.exec() == QDialog::Accepted;
    });
    return p;
}

QWidget* FormView::timePage() {
    QListView* view = nullptr;
    QWidget* p = listPage("TimePage", form_.TimeLB,
                          {&form_.Button6, &form_.Button7, &form_.Button8, &form_.Button9}, &view);
    rearrangers_.push_back(
        std::make_unique<ListRearranger>(view, form_.TimeLB, form_.Button7, form_.Button8, guard_));
    return p;
}

QWidget* FormView::urlPage() {
    QListView* view = nullptr;
    QWidget* p = listPage(
        "URLPage", form_.UrlLB(),
        {&form_.Button5, &form_.Button13, &form_.Button11, &form_.Button12, &form_.Button10},
        &view);
    buildUrlPopup(view);
    // Scroll width: each row measured in the list's own font.
    form_.setUrlTextWidth([metrics = view->fontMetrics()](const std::string& text) {
        return metrics.horizontalAdvance(toQt(text)) + metrics.averageCharWidth();
    });
    return p;
}

void FormView::buildUrlPopup(QListView* view) {
    urlPopup_ = std::make_unique<QMenu>();
    urlPopup_->setObjectName(QStringLiteral("URLPopup"));
    const struct {
        MenuItem& item;
        QKeySequence shortcut;
    } entries[] = {{form_.Copy1, QKeySequence(Qt::CTRL | Qt::Key_C)},
                   {form_.View1, QKeySequence()},
                   {form_.Remove1, QKeySequence(Qt::Key_Delete)}};
    for (const auto& entry : entries) {
        QAction* action = urlPopup_->addAction(toQt(entry.item.Caption()));
        action->setObjectName(toQt(entry.item.Name()));
        action->setShortcut(entry.shortcut);
        // The shortcuts act while the list has the focus.
        action->setShortcutContext(Qt::WidgetShortcut);
        view->addAction(action);
        bind<MenuItemBinder>(entry.item, action);
    }
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(view, &QWidget::customContextMenuRequested, urlPopup_.get(),
                     [this, view](const QPoint& at) {
                         // Opening the menu brings the commands' enabled
                         // state up to date, as a change of selection does.
                         form_.URLPopupPopup();
                         urlPopup_->popup(view->viewport()->mapToGlobal(at));
                     });
}

}  // namespace pontavi
