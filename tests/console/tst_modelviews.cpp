// The main window's views show the model as it is after every kind of change, and hand
// the operator's selection back to it.
#include "TestSupport.h"

#include "console/ModelViews.h"
#include "model/LogLines.h"
#include "model/TreeNodes.h"
#include "model/UserList.h"

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
        if (change == "image") model.Item("#10.0.0.1")->SetImage("Stop");
        if (change == "text") model.Item("$10.0.0.1@80")->SetText("WWW");
        if (change == "remove") QVERIFY(model.Remove("#10.0.0.1"));
        if (change == "clear") model.Clear();
        if (change == "reset") {
            model.BeginReset();
            Fill(model);
            QCOMPARE(widget.topLevelItemCount(), 0);  // nothing shown node by node
            model.EndReset();
        }
        QCOMPARE(WidgetDump(widget), ModelDump(model));
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

    void logListKeepsTheNewestLines() {
        LogLines model;
        model.Add(QStringLiteral("before"));
        QListWidget widget;
        LogListView view(model, widget);
        for (int i = 0; i < LogLines::kMaxLines + 5; ++i) model.Add(QString::number(i));
        QCOMPARE(widget.count(), model.Count());
        for (int i = 0; i < model.Count(); ++i) QCOMPARE(widget.item(i)->text(), model.Line(i));
        model.Clear();
        QCOMPARE(widget.count(), 0);
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
