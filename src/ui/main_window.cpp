#include "ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWhatsThis>

#include <algorithm>

#include "ui/key_preview.h"

namespace pontavi {

namespace {

// The design's client area and the height of its 8-point dialog font.
constexpr int kDesignWidth = 364;
constexpr int kDesignHeight = 286;
constexpr double kDesignFontHeight = 13.0;

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QDialog(parent),
      pages_(new QTabWidget(this)),  // owned by the window
      scale_(std::max(1.0, QFontMetrics(font()).height() / kDesignFontHeight)) {
    setWindowTitle(QStringLiteral("Pontavi!"));
    setObjectName(QStringLiteral("Form1"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowContextHelpButtonHint);
    setSizeGripEnabled(false);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    pages_->setUsesScrollButtons(false);
    auto* layout = new QVBoxLayout(this);  // owned by the window
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(pages_);

    // Window managers rarely draw the "?" button; Shift+F1 does the same.
    auto* whatsThis = QWhatsThis::createAction(this);
    whatsThis->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    whatsThis->setShortcutContext(Qt::WindowShortcut);
    addAction(whatsThis);

    keys_ = std::make_unique<KeyPreview>(this, [this](int key) { return OnKeyUp && OnKeyUp(key); });
}

MainWindow::~MainWindow() = default;

void MainWindow::fitToPages() {
    layout()->activate();
    const QSize needed = sizeHint();
    setFixedSize(std::max(needed.width(), static_cast<int>(kDesignWidth * scale_)),
                 std::max(needed.height(), static_cast<int>(kDesignHeight * scale_)));
}

bool MainWindow::IsVisible() const {
    return isVisible() && !minimizedAsHidden_;
}

void MainWindow::ShowAt(int left, int top) {
    minimizedAsHidden_ = false;
    move(left, top);
    showNormal();
}

void MainWindow::Hide() {
    hide();
}

void MainWindow::Minimize() {
    minimizedAsHidden_ = true;
    showMinimized();
}

void MainWindow::addMenu(QMenu* menu) {
    if (menuBar_ == nullptr) {
        menuBar_ = new QMenuBar(this);  // owned by the window
        menuBar_->setObjectName(QStringLiteral("WindowMenu"));
        layout()->setMenuBar(menuBar_);
    }
    menuBar_->addMenu(menu);
}

void MainWindow::BringToFront() {
    raise();
    activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (OnCloseRequest) {
        OnCloseRequest();
    }
}

void MainWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !minimizedAsHidden_ || isMinimized()) {
        return;
    }
    // Restored from the taskbar: show it the way the tray would, so the pages
    // are refilled. Later, as Qt is still inside the state change.
    minimizedAsHidden_ = false;
    QTimer::singleShot(0, this, [this] {
        hide();
        if (OnShowRequest) {
            OnShowRequest();
        }
    });
}

}  // namespace pontavi
