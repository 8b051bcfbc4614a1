#include "ui/tray.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QTest>

namespace pontavi {

class TrayTest : public QObject {
    Q_OBJECT

  private slots:
    void menuFollowsItemsInOrder() {
        TrayIcon icon("TrayIcon1");
        MenuItem help("Help1", "&Help");
        MenuItem line("N1", "-");
        MenuItem check("CheckMailNow1", "&Check Mail Now");
        MenuItem first("First1", "&Use The First Ident Only");
        Tray tray(icon, {&help, &line, &check, &first});
        const auto actions = tray.menu()->actions();
        QCOMPARE(actions.size(), 4);
        QCOMPARE(actions[0]->text(), QStringLiteral("&Help"));
        QVERIFY(actions[1]->isSeparator());
        QCOMPARE(actions[3]->objectName(), QStringLiteral("First1"));

        check.setEnabled(false);
        QVERIFY(!actions[2]->isEnabled());
        first.setChecked(true);
        QVERIFY(actions[3]->isChecked());
        check.setCaption("C&ancel Connect");
        QCOMPARE(actions[2]->text(), QStringLiteral("C&ancel Connect"));

        int helps = 0;
        help.OnClick = [&] { ++helps; };
        actions[0]->trigger();
        QCOMPARE(helps, 1);
    }

    void iconFollowsModelAndLeftClickClicks() {
        TrayIcon icon("TrayIcon1");
        Tray tray(icon, {});
        icon.setToolTip("Pontavi! - Not Connected");
        QCOMPARE(tray.icon()->toolTip(), QStringLiteral("Pontavi! - Not Connected"));
        const qint64 before = tray.icon()->icon().cacheKey();
        icon.setIcon(TrayImage::IconConnected);
        QVERIFY(tray.icon()->icon().cacheKey() != before);
        QVERIFY(!tray.icon()->icon().isNull());
        int clicks = 0;
        icon.OnClick = [&] { ++clicks; };
        emit tray.icon()->activated(QSystemTrayIcon::Trigger);
        emit tray.icon()->activated(QSystemTrayIcon::Context);  // the menu's, not a click
        QCOMPARE(clicks, 1);
    }

    void failureOfAHandlerIsReported() {
        TrayIcon icon("TrayIcon1");
        MenuItem exit("Exit1", "&Exit");
        std::string reported;
        Tray tray(icon, {&exit}, CallbackGuard([&](const std::string& m) { reported = m; }));
        exit.OnClick = [] { throw std::runtime_error("Cannot create file /x/URL.lst"); };
        tray.menu()->actions().first()->trigger();
        QCOMPARE(reported, std::string("Cannot create file /x/URL.lst"));
    }
};

}  // namespace pontavi

QTEST_MAIN(pontavi::TrayTest)
#include "tray_test.moc"
