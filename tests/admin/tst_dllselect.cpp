// The plug-in picker over stand-in plug-in objects (the same member contract the real ones
// offer): the listing, column sorting, numbering, what is stored, scrambled and patched,
// a cancelled settings window and a plug-in that refuses its values.

#include "RecordFixture.h"

#include "admin/FrmDllSelect.h"
#include "model/DllObjects.h"
#include "model/Encipherment.h"
#include "model/Seams.h"

#include <QPushButton>
#include <QWindow>
#include <QTreeWidget>

class StandInPlugin : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Title MEMBER title)
    Q_PROPERTY(QString Version MEMBER version)
    Q_PROPERTY(QString Proc MEMBER proc)
    Q_PROPERTY(QString Parameter MEMBER parameter)
    Q_PROPERTY(int LastError MEMBER lastError)
public:
    Q_INVOKABLE bool FromShow() {
        ++shown;
        procAtShow = proc;
        parameterAtShow = parameter;
        if (confirm) parameter = confirmed;
        return confirm;
    }
    QString title, version, proc, parameter;
    int lastError = 0;
    bool confirm = true;
    QString confirmed = QStringLiteral("10.0.0.1|80|30|5|4|web 'a'");
    int shown = 0;
    QString procAtShow, parameterAtShow;
};

// A plug-in that offers no title and no version.
class MutePlugin : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Proc MEMBER proc)
    Q_PROPERTY(QString Parameter MEMBER parameter)
public:
    Q_INVOKABLE bool FromShow() { return false; }
    QString proc, parameter;
};

namespace {
std::shared_ptr<StandInPlugin> AddStandIn(const QString& file, const QString& title, const QString& version) {
    auto p = std::make_shared<StandInPlugin>();
    p->title = title;
    p->version = version;
    gDllObjects.push_back({file, p});
    return p;
}

// The computer the picker is opened on.
void OpenOn(RecordFixture& fx, const QString& address) {
    fx.AddComputer(address);
    gSelAddress = address;
}
}  // namespace

class TestDllSelect : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { gDllObjects.clear(); }
    void noPlugins();
    void listing();
    void columnClick();
    void numbering_data();
    void numbering();
    void cancelledWindow();
    void refusedValue();
    void shownPickerStaysOpen();
};

void TestDllSelect::noPlugins() {
    RecordFixture fx;
    OpenOn(fx, "10.0.0.1");
    FrmDllSelect dlg(fx.nodes, nullptr);
    QCOMPARE(dlg.ListViewDll->topLevelItemCount(), 0);
    QVERIFY(!dlg.CmdSelect_Click());
    QVERIFY(fx.box.shown.isEmpty());
    QVERIFY(!dlg.TopMost());
}

void TestDllSelect::listing() {
    RecordFixture fx;
    AddStandIn("VantorPort.so", "Port接続ﾁｪｯｸ", "1.2.0");
    gDllObjects.push_back({"Mute.so", std::make_shared<MutePlugin>()});
    FrmDllSelect dlg(fx.nodes, nullptr);
    QCOMPARE(dlg.windowTitle(), QString("監視サービス選択"));
    QCOMPARE(dlg.CmdSelect->text(), QString("選  択(&S)"));
    QCOMPARE(dlg.ListViewDll->headerItem()->text(1), QString("ﾌｧｲﾙ名"));
    QCOMPARE(dlg.ListViewDll->topLevelItemCount(), 2);
    QTreeWidgetItem* first = dlg.ListViewDll->topLevelItem(0);
    QCOMPARE(first->text(0), QString("Port接続ﾁｪｯｸ"));
    QCOMPARE(first->text(1), QString("VantorPort.so"));
    QCOMPARE(first->text(2), QString("1.2.0"));
    QCOMPARE(dlg.ListViewDll->currentItem(), first);
    QTreeWidgetItem* mute = dlg.ListViewDll->topLevelItem(1);
    QCOMPARE(mute->text(0), QString());  // listed, with empty texts
    QCOMPARE(mute->text(1), QString("Mute.so"));
    QCOMPARE(mute->text(2), QString());
}

void TestDllSelect::columnClick() {
    RecordFixture fx;
    AddStandIn("b.so", "Alpha", "2");
    AddStandIn("a.so", "Beta", "1");
    AddStandIn("c.so", "Gamma", "3");
    FrmDllSelect dlg(fx.nodes, nullptr);
    auto firstText = [&](int column) { return dlg.ListViewDll->topLevelItem(0)->text(column); };
    dlg.ListViewDll_ColumnClick(1);  // the direction flips from ascending at the first click
    QVERIFY(!dlg.SortAscending());
    QCOMPARE(firstText(1), QString("c.so"));
    dlg.ListViewDll_ColumnClick(1);
    QCOMPARE(firstText(1), QString("a.so"));
    dlg.ListViewDll_ColumnClick(0);  // another column flips again
    QCOMPARE(firstText(0), QString("Gamma"));
    dlg.ListViewDll_ColumnClick(2);
    QCOMPARE(firstText(2), QString("1"));
}

void TestDllSelect::numbering_data() {
    QTest::addColumn<QList<int>>("existing");
    QTest::addColumn<int>("next");
    QTest::addColumn<QString>("digits");
    QTest::newRow("first assignment") << QList<int>{} << 1 << "001";
    QTest::newRow("after 1 and 3, numbers below the highest are not reused") << QList<int>{1, 3} << 4 << "004";
    QTest::newRow("1000 keeps all its digits") << QList<int>{999} << 1000 << "1000";
}

void TestDllSelect::numbering() {
    QFETCH(QList<int>, existing);
    QFETCH(int, next);
    QFETCH(QString, digits);
    RecordFixture fx;
    OpenOn(fx, "10.0.0.1");
    for (int n : existing)
        QVERIFY(fx.Exec("INSERT INTO TBL_DLL VALUES ('10.0.0.1', ?, 'VantorPort.so', 'x')", {n}));
    AddStandIn("Vantorftp.so", "FTP", "1");
    auto port = AddStandIn("VantorPort.so", "Port接続ﾁｪｯｸ", "1.2.0");
    FrmDllSelect dlg(fx.nodes, nullptr);
    dlg.ListViewDll->setCurrentItem(dlg.ListViewDll->topLevelItem(1));
    QVERIFY(dlg.CmdSelect_Click());
    QVERIFY(fx.box.shown.isEmpty());
    QCOMPARE(port->shown, 1);
    QCOMPARE(port->procAtShow, QString("I"));
    QCOMPARE(port->parameterAtShow, QString("10.0.0.1|"));
    QCOMPARE(gSelSubNo, qint16(next));

    const QString plain = port->confirmed;
    QCOMPARE(fx.Scalar("SELECT DLL名 FROM TBL_DLL WHERE 連番 = ?", {next}).toString(), QString("VantorPort.so"));
    const QString stored = fx.Scalar("SELECT 引数 FROM TBL_DLL WHERE 連番 = ?", {next}).toString();
    QVERIFY(stored != plain);
    QCOMPARE(stored, Encipherment("Korvia", plain));
    TreeNode* node = fx.nodes.Item("%10.0.0.1@" + digits);
    QVERIFY(node);
    QCOMPARE(node->Parent(), fx.nodes.Item("#10.0.0.1"));
    QCOMPARE(TreeNodes::Text(node), "Port接続ﾁｪｯｸ" + digits);
    QCOMPARE(TreeNodes::Image(node), QString("SStart"));
    QCOMPARE(fx.nodes.SelectedItem(), node);
    ClsDllDatas& dlls = gPingDatas.Item(1)->DllData();
    QCOMPARE(dlls.Count(), 1);
    QCOMPARE(int(dlls.Item(1)->SubNo), next);
    QCOMPARE(dlls.Item(1)->DllName, QString("VantorPort.so"));
    QCOMPARE(dlls.Item(1)->Parameter, plain);
    QVERIFY(dlg.TopMost());

    // Picking again adds the next number; the picker stays open.
    QVERIFY(dlg.CmdSelect_Click());
    QCOMPARE(gSelSubNo, qint16(next + 1));
    QCOMPARE(dlls.Count(), 2);
}

void TestDllSelect::cancelledWindow() {
    RecordFixture fx;
    OpenOn(fx, "10.0.0.1");
    auto port = AddStandIn("VantorPort.so", "Port", "1");
    port->confirm = false;
    FrmDllSelect dlg(fx.nodes, nullptr);
    QVERIFY(!dlg.CmdSelect_Click());
    QCOMPARE(port->shown, 1);
    QCOMPARE(fx.Scalar("SELECT count(*) FROM TBL_DLL").toInt(), 0);
    QCOMPARE(fx.nodes.Count(), 2);
    QCOMPARE(gPingDatas.Item(1)->DllData().Count(), 0);
    QVERIFY(dlg.TopMost());  // on top from now on, whatever the option says
}

void TestDllSelect::refusedValue() {
    RecordFixture fx;
    OpenOn(fx, "10.0.0.1");
    auto port = AddStandIn("VantorPort.so", "Port", "1");
    port->lastError = 13;
    FrmDllSelect dlg(fx.nodes, nullptr);
    dlg.setWindowTitle("監視サービス追加");
    QVERIFY(!dlg.CmdSelect_Click());
    QCOMPARE(port->shown, 0);
    QCOMPARE(fx.box.shown.size(), 1);
    QCOMPARE(fx.LastStyle(), vb::vbOKOnly | vb::vbExclamation);
    QCOMPARE(fx.box.shown.last().title, QString("監視サービス追加"));
    QVERIFY(fx.LastPrompt().contains("13"));
    QVERIFY(!dlg.TopMost());
    QCOMPARE(fx.Scalar("SELECT count(*) FROM TBL_DLL").toInt(), 0);
}

namespace {
// Counts the hide events of a window: hiding a modal dialog ends it.
struct HideCounter : QObject {
    int hides = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Hide) ++hides;
        return false;
    }
};
}  // namespace

void TestDllSelect::shownPickerStaysOpen() {
    RecordFixture fx;
    OpenOn(fx, "10.0.0.1");
    AddStandIn("VantorPort.so", "Port", "1");
    FrmDllSelect dlg(fx.nodes, nullptr);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    HideCounter counter;
    dlg.installEventFilter(&counter);
    // Dropping and setting the on-top state around the plug-in's window never hides it.
    QVERIFY(dlg.CmdSelect_Click());
    QVERIFY(dlg.TopMost());
    QCOMPARE(counter.hides, 0);
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
}

VANTORO_TEST_MAIN(TestDllSelect)
#include "tst_dllselect.moc"
