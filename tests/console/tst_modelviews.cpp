// The main window's views show the model as it is after every kind of change, hand the
// operator's selection back to it, and repaint at screen rate, not at every change.
#include "TestSupport.h"

#include "console/ModelViews.h"
#include "model/LogLines.h"
#include "model/TreeNodes.h"
#include "model/UserList.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QTreeWidget>

#include <functional>

namespace {

void DumpItem(const QTreeWidgetItem* item, int depth, QStringList& out) {
    out << QString(depth * 2, QLatin1Char(' ')) + TreeView::KeyOf(item) + QLatin1Char('|') + item->text(0) +
               QLatin1Char('|') + item->data(0, Qt::UserRole + 1).toString();
    for (int i = 0; i < item->childCount(); ++i) DumpItem(item->child(i), depth + 1, out);
}
QStringList WidgetDump(const QTreeWidget& tree) {
    QStringList out;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) DumpItem(tree.topLevelItem(i), 0, out);
    return out;
}
void DumpNode(const TreeNode* node, int depth, QStringList& out) {
    out << QString(depth * 2, QLatin1Char(' ')) + node->Key() + QLatin1Char('|') + node->Text() + QLatin1Char('|') +
               node->Image();
    for (const TreeNode* child : node->Children()) DumpNode(child, depth + 1, out);
}
QStringList ModelDump(const TreeNodes& tree) {
    QStringList out;
    for (const TreeNode* root : tree.Roots()) DumpNode(root, 0, out);
    return out;
}

// Two groups, a computer with a port, as the loader leaves them.
void Fill(TreeNodes& m) {
    m.Add({}, tvwLast, "!G1", "本社", "Group");
    m.Add({}, tvwLast, "!G2", "支店", "NoCheck");
    m.Add("!G1", tvwChild, "#10.0.0.1", "受付", "Nomal");
    m.Add("#10.0.0.1", tvwChild, "$10.0.0.1@80", "HTTP", "SStart");
}

QStringList Lines(const QListWidget& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i) out << list.item(i)->text();
    return out;
}
QStringList Lines(const LogLines& model) {
    QStringList out;
    for (int i = 0; i < model.Count(); ++i) out << model.Line(i);
    return out;
}

// Counts the paints of a widget's viewport.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QAbstractScrollArea& widget) { widget.viewport()->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
    int paints = 0;
};

// A shown widget, painted once and settled, whose paints are counted from here on.
template <class W>
void ShowSettled(W& widget) {
    widget.resize(400, 600);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QTest::qWait(2 * ScreenRate::kIntervalMs);
}

// As a check round does: one change per computer, each followed by a yield. Returns the
// most paints a view at screen rate may take for it: one per frame the loop lasted, and
// one for the catch-up after it.
int ChangesWithYields(int count, const std::function<void(int)>& change) {
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        change(i);
        QCoreApplication::processEvents();
    }
    return 2 + static_cast<int>(clock.elapsed() / ScreenRate::kIntervalMs);
}

}  // namespace

class ModelViewsTest : public QObject {
    Q_OBJECT

private slots:
    void treeFollowsTheModel_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("as filled") << "none";
        QTest::newRow("a node added among its siblings") << "insert";
        QTest::newRow("a child added last") << "child";
        QTest::newRow("a state changed") << "image";
        QTest::newRow("a text changed") << "text";
        QTest::newRow("a node removed with its children") << "remove";
        QTest::newRow("cleared") << "clear";
        QTest::newRow("rebuilt inside a reset") << "reset";
        // Changes wait for the next frame; what they name may be gone by then.
        QTest::newRow("a state changed, then its group removed") << "image+remove";
        QTest::newRow("a state changed, then the tree rebuilt") << "image+reset";
        QTest::newRow("a state changed, then the tree cleared") << "image+clear";
        QTest::newRow("a state changed, removed, added again") << "image+readd";
    }
    void treeFollowsTheModel() {
        QFETCH(QString, change);
        TreeNodes model;
        QTreeWidget widget;
        // Filled before the view exists for one half of the rows, after for the other.
        const bool before = change != "reset";
        if (before) Fill(model);
        TreeView view(model, widget, {});
        if (change == "insert") model.Add("!G1", tvwNext, "!G1b", "間", "Group");
        if (change == "child") model.Add("#10.0.0.1", tvwChild, "?10.0.0.1@001", "窓", "Wait");
        if (change.startsWith("image")) {
            model.Item("#10.0.0.1")->SetImage("Stop");
            model.Item("$10.0.0.1@80")->SetImage("SStop");
        }
        if (change == "text") model.Item("$10.0.0.1@80")->SetText("WWW");
        if (change.endsWith("remove")) QVERIFY(model.Remove("!G1"));
        if (change.endsWith("clear")) model.Clear();
        if (change.endsWith("reset")) {
            model.BeginReset();
            Fill(model);
            QCOMPARE(widget.topLevelItemCount(), 0);  // nothing shown node by node
            model.EndReset();
        }
        if (change == "image+readd") {
            QVERIFY(model.Remove("#10.0.0.1"));
            model.Add("!G2", tvwChild, "#10.0.0.1", "受付", "Critical");
        }
        // Shown by the next frame at the latest.
        QTRY_COMPARE(WidgetDump(widget), ModelDump(model));
        for (int i = 1; i <= model.Count(); ++i) {
            TreeNode* node = model.Item(i);
            QCOMPARE(view.NodeOf(view.ItemOf(node)), node);
        }
    }

    // The operator's selection reaches the model, the model's reaches the widget, and a
    // selected node that goes away leaves nothing selected.
    void treeSelection() {
        TreeNodes model;
        QTreeWidget widget;
        widget.setSelectionMode(QAbstractItemView::SingleSelection);
        Fill(model);
        TreeView view(model, widget, {});
        TreeNode* computer = model.Item("#10.0.0.1");
        widget.setCurrentItem(view.ItemOf(computer));
        QCOMPARE(model.SelectedItem(), computer);
        widget.clearSelection();
        QCOMPARE(model.SelectedItem(), nullptr);
        model.SetSelectedItem(model.Item("!G2"));
        QCOMPARE(widget.currentItem(), view.ItemOf(model.Item("!G2")));
        QVERIFY(widget.currentItem()->isSelected());
        model.SetSelectedItem(computer);
        QVERIFY(model.Remove("!G1"));
        QCOMPARE(model.SelectedItem(), nullptr);
        QVERIFY(widget.selectedItems().isEmpty());
    }

    // Many state changes within a round give the tree one repaint a frame, not one each;
    // the last state of every node is what it shows.
    void treeRepaintsAtScreenRate() {
        TreeNodes model;
        model.Add({}, tvwLast, "!G", "本社", "Group");
        for (int i = 1; i <= 20; ++i) model.Add("!G", tvwChild, QStringLiteral("#10.0.0.%1").arg(i), "PC", "Nomal");
        QTreeWidget widget;
        TreeView view(model, widget, {});
        widget.expandAll();
        ShowSettled(widget);
        PaintCounter counter(widget);
        static const char* const states[] = {"Critical", "Question", "Stop"};
        const int most = ChangesWithYields(400, [&](int i) {
            model.Item(QStringLiteral("#10.0.0.%1").arg(i % 20 + 1))->SetImage(states[i / 20 % 3]);
        });
        QTRY_COMPARE(WidgetDump(widget), ModelDump(model));
        QCoreApplication::processEvents();
        QVERIFY2(counter.paints <= most, qPrintable(QStringLiteral("%1 paints").arg(counter.paints)));
        QVERIFY(counter.paints >= 1);
    }

    void logListShowsTheModel_data() {
        QTest::addColumn<QStringList>("steps");  // a number adds that many lines
        QTest::newRow("a few") << QStringList{"5"};
        QTest::newRow("more than the model keeps") << QStringList{QString::number(LogLines::kMaxLines + 5)};
        QTest::newRow("shown, then past the model's size") << QStringList{"60", "flush", "60"};
    }
    void logListShowsTheModel() {
        QFETCH(QStringList, steps);
        LogLines model;
        model.Add(QStringLiteral("before"));
        QListWidget widget;
        LogListView view(model, widget);
        QCOMPARE(Lines(widget), Lines(model));
        int next = 0;
        for (const QString& step : steps) {
            if (step == "flush") {
                view.Flush();
                QCOMPARE(Lines(widget), Lines(model));
            } else {
                for (int i = 0; i < step.toInt(); ++i) model.Add(QString::number(next++));
            }
        }
        // Shown by the next frame at the latest.
        QTRY_COMPARE(Lines(widget), Lines(model));
    }

    // A round's lines, one per computer with a yield after each, give the list one repaint
    // a frame, not one each.
    void logListRepaintsAtScreenRate() {
        LogLines model;
        QListWidget widget;
        widget.setUniformItemSizes(true);
        LogListView view(model, widget);
        ShowSettled(widget);
        PaintCounter counter(widget);
        const int most = ChangesWithYields(300, [&](int i) {
            model.Add(QStringLiteral("12/10 09:26　接続OK!\t(PC%1:127.0.0.%1)").arg(i));
        });
        QTRY_COMPARE(Lines(widget), Lines(model));
        QCoreApplication::processEvents();
        QVERIFY2(counter.paints <= most, qPrintable(QStringLiteral("%1 paints").arg(counter.paints)));
        QVERIFY(counter.paints >= 1);
    }

    // The view sorts as the operator asks; the model keeps its rows and its current person.
    void personList() {
        UserList model;
        model.Add(QStringList{"002", "佐藤"});
        QTreeWidget widget;
        UserListView view(model, widget, {});
        QCOMPARE(widget.columnCount(), UserRow::kColumns);
        UserRow* first = model.Add(QStringList{"001", "山田"});
        widget.setSortingEnabled(true);
        widget.sortByColumn(0, Qt::AscendingOrder);
        QCOMPARE(widget.topLevelItem(0)->text(0), QStringLiteral("001"));
        QCOMPARE(model.Rows().front()->Staff(), QStringLiteral("002"));
        widget.setCurrentItem(widget.topLevelItem(0));
        QCOMPARE(model.Current(), first);
        model.Update(first, {"山田太郎", "総務"});
        QCOMPARE(view.ItemOf(first)->text(1), QStringLiteral("山田太郎"));
        QVERIFY(model.Remove("002"));
        QCOMPARE(widget.topLevelItemCount(), 1);
        model.SetCurrent(nullptr);
        QCOMPARE(widget.currentItem(), nullptr);
    }
};

VANTORO_TEST_MAIN(ModelViewsTest)
#include "tst_modelviews.moc"
