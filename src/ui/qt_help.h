#pragma once

#include <QString>

#include <map>
#include <memory>

#include "platform/help.h"

class QTextBrowser;
class QWidget;

namespace pontavi {

// The program's help: a window browsing the HTML topics of one folder. The
// contents are index.html; a named topic is the element of that id (or
// anchor name) in whichever page of the folder holds it.
class QtHelp final : public Help {
  public:
    explicit QtHelp(QString folder);
    ~QtHelp() override;
    QtHelp(const QtHelp&) = delete;
    QtHelp& operator=(const QtHelp&) = delete;

    void ShowContents() override;
    void ShowTopic(const std::string& topic) override;

    // For tests and the window's own use.
    QWidget* window() const;
    QTextBrowser* browser() const { return browser_; }
    // The page holding the topic, empty when no page does.
    QString pageOf(const QString& topic);

  private:
    void ensureWindow();
    void scanTopics();
    void present();

    QString folder_;
    std::unique_ptr<QWidget> window_;
    QTextBrowser* browser_ = nullptr;
    std::map<QString, QString> topics_;
    bool scanned_ = false;
};

}  // namespace pontavi
