#include "ui/binders/list_box_binder.h"

#include <QItemSelectionModel>
#include <QListView>
#include <QTest>

#include "ui/binders/list_rearranger.h"

namespace pontavi {

namespace {

std::vector<std::string> numbered(int count) {
    std::vector<std::string> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        rows.push_back("http://host" + std::to_string(i) + "/");
    }
    return rows;
}

QString shown(QListView& view, int row) {
    return view.model()->index(row, 0).data().toString();
}

}  // namespace

class ListBoxBinderTest : public QObject {
    Q_OBJECT

  private slots:
    void hundredThousandRowsTakeInsertsAtTheTop() {
        ListBox model("UrlLB", true);
        QListView view;
        ListBoxBinder binder(model, &view);
        model.setItems(numbered(100000));
        QCOMPARE(view.model()->rowCount(), 100000);
        model.setSelected(5, true);
        model.setItemIndex(5);

        int resets = 0;
        connect(view.model(), &QAbstractItemModel::modelReset, this, [&] { ++resets; });
        for (int i = 0; i < 50; ++i) {
            model.insert(0, "http://new" + std::to_string(i) + "/");
        }
        QCOMPARE(resets, 0);  // inserts, never a rebuild
        QCOMPARE(view.model()->rowCount(), 100050);
        QCOMPARE(shown(view, 0), QStringLiteral("http://new49/"));
        QCOMPARE(shown(view, 100049), QStringLiteral("http://host99999/"));
        // The selection mark and the current row moved down with their row.
        QVERIFY(view.selectionModel()->isSelected(view.model()->index(55, 0)));
        QCOMPARE(view.selectionModel()->currentIndex().row(), 55);
        QCOMPARE(model.ItemIndex(), 55);

        model.remove(0);
        QCOMPARE(view.model()->rowCount(), 100049);
        QCOMPARE(shown(view, 0), QStringLiteral("http://new48/"));
        model.setItem(1, "changed");
        QCOMPARE(shown(view, 1), QStringLiteral("changed"));
    }

    void userSelectionSetsModelThenRunsOnClick() {
        ListBox model("UrlLB", true);
        QListView view;
        ListBoxBinder binder(model, &view);
        model.setItems({"a", "b", "c", "d"});
        QCOMPARE(view.selectionMode(), QAbstractItemView::ExtendedSelection);
        std::size_t selectedAtClick = 0;
        int clicks = 0;
        model.OnClick = [&] {
            ++clicks;
            selectedAtClick = model.SelCount();
        };
        auto* selection = view.selectionModel();
        selection->select(QItemSelection(view.model()->index(1, 0), view.model()->index(2, 0)),
                          QItemSelectionModel::Select);
        QCOMPARE(clicks, 1);
        QCOMPARE(selectedAtClick, std::size_t{2});
        QVERIFY(model.Selected(1) && model.Selected(2) && !model.Selected(0));
        selection->setCurrentIndex(view.model()->index(3, 0), QItemSelectionModel::NoUpdate);
        QCOMPARE(model.ItemIndex(), 3);
    }

    void codeSelectionShowsWithoutOnClick() {
        ListBox model("UrlLB", true);
        QListView view;
        ListBoxBinder binder(model, &view);
        model.setItems({"a", "b", "c"});
        int clicks = 0;
        model.OnClick = [&] { ++clicks; };
        model.setSelected(2, true);
        QVERIFY(view.selectionModel()->isSelected(view.model()->index(2, 0)));
        model.clearSelection();
        QVERIFY(!view.selectionModel()->hasSelection());
        QCOMPARE(clicks, 0);
    }

    void singleSelectionFollowsItemIndex() {
        ListBox model("TimeLB");
        QListView view;
        ListBoxBinder binder(model, &view);
        model.setItems({"time1", "time2", "time3"});
        QCOMPARE(view.selectionMode(), QAbstractItemView::SingleSelection);
        model.setItemIndex(1);
        QVERIFY(view.selectionModel()->isSelected(view.model()->index(1, 0)));
        view.selectionModel()->setCurrentIndex(view.model()->index(2, 0),
                                               QItemSelectionModel::ClearAndSelect);
        QCOMPARE(model.ItemIndex(), 2);
        model.setItemIndex(-1);
        QVERIFY(!view.selectionModel()->hasSelection());
    }

    void ctrlArrowsMoveTheSelectedRow() {
        ListBox model("TimeLB");
        Button up("Button7", "Move &Up");
        Button down("Button8", "Move &Down");
        auto swapWith = [&](int delta) {
            const int i = model.ItemIndex();
            const int j = i + delta;
            if (i < 0 || j < 0 || j >= static_cast<int>(model.Count())) {
                return;
            }
            const std::string a = model.Item(static_cast<std::size_t>(i));
            model.setItem(static_cast<std::size_t>(i), model.Item(static_cast<std::size_t>(j)));
            model.setItem(static_cast<std::size_t>(j), a);
            model.setItemIndex(j);
        };
        up.OnClick = [&] { swapWith(-1); };
        down.OnClick = [&] { swapWith(1); };
        QListView view;
        ListBoxBinder binder(model, &view);
        ListRearranger rearranger(&view, model, up, down);
        model.setItems({"a", "b", "c"});
        model.setItemIndex(0);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::keyClick(&view, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(model.Items(), (std::vector<std::string>{"b", "a", "c"}));
        QCOMPARE(model.ItemIndex(), 1);
        QCOMPARE(view.selectionModel()->currentIndex().row(), 1);
        QTest::keyClick(&view, Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(&view, Qt::Key_Down, Qt::ControlModifier);  // already last
        QCOMPARE(model.Items(), (std::vector<std::string>{"b", "c", "a"}));
        QTest::keyClick(&view, Qt::Key_Up);  // a plain arrow only moves the selection
        QCOMPARE(model.ItemIndex(), 1);
        QCOMPARE(model.Items(), (std::vector<std::string>{"b", "c", "a"}));
    }
};

}  // namespace pontavi

QTEST_MAIN(pontavi::ListBoxBinderTest)
#include "list_box_binder_test.moc"
