#include "ui/qt_clipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>

#include "controls/button.h"
#include "controls/menu_item.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_shell.h"
#include "urls/url_keeper.h"

namespace pontavi {

// The URL capture over the desktop's real clipboard object.
class QtClipboardTest : public QObject {
    Q_OBJECT

  private slots:
    void textCopiedAnywhereLandsOnceAtTheTop() {
        QtClipboard clipboard;
        TMoreListBox UrlLB;
        Button b5("Button5", "&Add"), b13("Button13", "&Find"), b11("Button11", "&Copy"),
            b12("Button12", "&View"), b10("Button10", "&Remove");
        MenuItem copy1("Copy1", "&Copy"), view1("View1", "&View"), remove1("Remove1", "&Remove");
        FakeShell shell;
        FakeDialogs dialogs;
        UrlKeeper keeper({UrlLB, b5, b13, b11, b12, b10, copy1, view1, remove1},
                         {clipboard, shell, dialogs, [] {}, {}}, "/nonexistent/URL.lst");
        keeper.start();

        QGuiApplication::clipboard()->setText(QStringLiteral("see http://host/page now"));
        QTRY_COMPARE(UrlLB.Count(), std::size_t{1});
        QCOMPARE(UrlLB.Item(0), std::string("http://host/page"));

        QGuiApplication::clipboard()->setText(QStringLiteral("see http://host/page now"));
        QGuiApplication::clipboard()->setText(QStringLiteral("no address here"));
        QTest::qWait(50);
        QCOMPARE(UrlLB.Count(), std::size_t{1});

        // A picture (no text) adds nothing.
        auto* image = new QMimeData;
        image->setImageData(QImage(4, 4, QImage::Format_RGB32));
        QGuiApplication::clipboard()->setMimeData(image);
        QTest::qWait(50);
        QCOMPARE(clipboard.text(), std::optional<std::string>());
        QCOMPARE(UrlLB.Count(), std::size_t{1});

        // The program's own writes pass the same capture.
        clipboard.setText("ftp.example.org/pub");
        QTRY_COMPARE(UrlLB.Count(), std::size_t{2});
        QCOMPARE(UrlLB.Item(0), std::string("ftp.example.org/pub"));

        keeper.stop();
        QGuiApplication::clipboard()->setText(QStringLiteral("http://after/stop"));
        QTest::qWait(50);
        QCOMPARE(UrlLB.Count(), std::size_t{2});
    }
};

}  // namespace pontavi

QTEST_MAIN(pontavi::QtClipboardTest)
#include "qt_clipboard_test.moc"
