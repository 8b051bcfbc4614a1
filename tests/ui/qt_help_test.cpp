#include "ui/qt_help.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QWidget>

namespace pontavi {

class QtHelpTest : public QObject {
    Q_OBJECT

  private slots:
    void everyNamedTopicHasAPage() {
        QtHelp help(QStringLiteral(PONTAVI_SOURCE_HELP_DIR));
        for (const char* topic :
             {"RequestsPage", "Options_Section", "MailPage", "TimerPage", "DNSPage", "IdentsPage",
              "LaunchPage", "TimePage", "URLPage", "Mail_Settings", "LaunchPage_Add"}) {
            QVERIFY2(!help.pageOf(QString::fromLatin1(topic)).isEmpty(), topic);
        }
        QVERIFY(help.pageOf(QStringLiteral("NoSuchTopic")).isEmpty());
    }

    void topicOpensItsPageAtTheAnchor() {
        QtHelp help(QStringLiteral(PONTAVI_SOURCE_HELP_DIR));
        help.ShowTopic("Mail_Settings");
        QVERIFY(help.window()->isVisible());
        const QUrl source = help.browser()->source();
        QCOMPARE(QFileInfo(source.toLocalFile()).fileName(), QStringLiteral("messages.html"));
        QCOMPARE(source.fragment(), QStringLiteral("Mail_Settings"));
        QVERIFY(help.browser()->toPlainText().contains(QStringLiteral("Mail Settings")));
        help.ShowContents();
        QCOMPARE(QFileInfo(help.browser()->source().toLocalFile()).fileName(),
                 QStringLiteral("index.html"));
    }

    void missingFolderSaysSo() {
        QTemporaryDir empty;
        QtHelp help(empty.path());
        help.ShowTopic("URLPage");
        QVERIFY(help.browser()->toPlainText().contains(QStringLiteral("not found")));
    }
};

}  // namespace pontavi

QTEST_MAIN(pontavi::QtHelpTest)
#include "qt_help_test.moc"
