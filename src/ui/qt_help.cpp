#include "ui/qt_help.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/qt_text.h"

namespace pontavi {

QtHelp::QtHelp(QString folder) : folder_(std::move(folder)) {}

QtHelp::~QtHelp() = default;

QWidget* QtHelp::window() const {
    return window_.get();
}

void QtHelp::ensureWindow() {
    if (window_) {
        return;
    }
    window_ = std::make_unique<QWidget>();
    window_->setWindowTitle(QStringLiteral("Pontavi! Help"));
    window_->resize(560, 480);
    browser_ = new QTextBrowser(window_.get());  // owned by the help window
    browser_->setOpenExternalLinks(true);
    browser_->setSearchPaths({folder_});
    auto* contents = new QPushButton(QStringLiteral("&Contents"), window_.get());
    auto* back = new QPushButton(QStringLiteral("&Back"), window_.get());
    auto* close = new QPushButton(QStringLiteral("C&lose"), window_.get());
    QObject::connect(contents, &QPushButton::clicked, window_.get(), [this] { ShowContents(); });
    QObject::connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    QObject::connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    QObject::connect(close, &QPushButton::clicked, window_.get(), &QWidget::close);
    back->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(window_.get());  // owned by the help window
    layout->addLayout(buttons);
    layout->addWidget(browser_);
}

void QtHelp::present() {
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void QtHelp::ShowContents() {
    ensureWindow();
    const QString index = QDir(folder_).filePath(QStringLiteral("index.html"));
    if (QFile::exists(index)) {
        browser_->setSource(QUrl::fromLocalFile(index));
    } else {
        browser_->setPlainText(QStringLiteral("The help pages were not found in %1.")
                                   .arg(QDir::toNativeSeparators(folder_)));
    }
    present();
}

void QtHelp::ShowTopic(const std::string& topic) {
    ShowContents();
    const QString name = toQt(topic);
    const QString page = pageOf(name);
    if (page.isEmpty()) {
        return;  // the contents are the best we have
    }
    QUrl url = QUrl::fromLocalFile(page);
    url.setFragment(name);
    browser_->setSource(url);
}

QString QtHelp::pageOf(const QString& topic) {
    scanTopics();
    auto it = topics_.find(topic);
    return it == topics_.end() ? QString() : it->second;
}

void QtHelp::scanTopics() {
    if (scanned_) {
        return;
    }
    scanned_ = true;
    const QRegularExpression anchor(QStringLiteral(R"re((?:id|name)="([A-Za-z0-9_]+)")re"));
    const QDir dir(folder_);
    for (const QString& name : dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QString text = QString::fromUtf8(file.readAll());
        for (const auto& match : anchor.globalMatch(text)) {
            topics_.emplace(match.captured(1), dir.filePath(name));
        }
    }
}

}  // namespace pontavi
