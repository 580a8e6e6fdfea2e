// The tree's context menu and its node commands on a real database: which items a node
// offers, the mouse selection, the check switch, the immediate check, the delete cascade
// (with a statement made to fail), the add/edit frame around the record dialogs and the
// traceroute window opened for a computer. Dialogs go through a recording runner.
#include "TestSupport.h"
#include "tests/console/ConsoleRig.h"

#include "console/FrmPing.h"
#include "alarms/lamp/FrmPatLamp.h"
#include "console/FrmTraceRt.h"
#include "engine/PluginHost.h"
#include "model/DllObjects.h"
#include "model/Encipherment.h"
#include "model/Globals.h"
#include "plugins/host/PluginUiSeams.h"

#include <QAbstractButton>
#include <QAction>
#include <QDate>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include <functional>
#include <memory>

namespace {

const QString kToday = QDate::currentDate().toString(Qt::ISODate);

// What the frame handed a record dialog, seen from inside it.
struct SeenDialog {
    QString kind;
    QString title;
    QString lblGroup;
    QString lblComputer;
    QString selGroup, selAddress, selCalendar;
    qint32 selPort = -1;
    qint16 selSubNo = -1, selYear = -1;
    bool selForComputer = false;
    bool checkContinue = true;
    bool timerActive = true;
    bool topMost = true;
};

// Group G1 "本社" with two computers, each with a port check, a plug-in row, a weekly and
// a dated window and a recipient, plus a group-level recipient; group G2 with a computer
// that has nothing under it.
struct Fixture {
    QString db;
    std::unique_ptr<FrmPing> form;
    std::unique_ptr<vtest::RecordingMessageBox> box;
    QList<SeenDialog> seen;
    std::function<void(QDialog&)> onDialog;
    QString popupAt;  // the menu's items when it popped up

    // ownBoxes: the window's own message boxes are shown (and must be answered).
    explicit Fixture(bool ownBoxes = false) {
        db = vtest::FreshDatabase();
        const QStringList rows = {
            "INSERT INTO TBL_Group (グループ, 表示名, 説明, 診断有無) VALUES ('G1', '本社', '', -1)",
            "INSERT INTO TBL_Group (グループ, 表示名, 説明, 診断有無) VALUES ('G2', '支店', '', -1)",
            "INSERT INTO TBL_Computer (アドレス, グループ, コンピュータ名, 種類, 表示名, カレンダー名称) VALUES "
            "('127.0.0.1', 'G1', 'alpha', 'サーバ', 'アルファ', '本社暦')",
            "INSERT INTO TBL_Computer (アドレス, グループ, コンピュータ名, 種類, 表示名) VALUES "
            "('127.0.0.2', 'G1', 'beta', 'PC', 'ベータ')",
            "INSERT INTO TBL_Computer (アドレス, グループ, コンピュータ名, 種類, 表示名) VALUES "
            "('127.0.0.3', 'G2', 'gamma', 'PC', 'ガンマ')",
            "INSERT INTO TBL_PortCheck (アドレス, ポート番号, サービス名) VALUES ('127.0.0.1', 22, 'SSH')",
            "INSERT INTO TBL_PortCheck (アドレス, ポート番号, サービス名) VALUES ('127.0.0.1', 80, 'HTTP')",
            "INSERT INTO TBL_PortCheck (アドレス, ポート番号, サービス名) VALUES ('127.0.0.2', 25, 'SMTP')",
            "INSERT INTO TBL_DLL (アドレス, 連番, DLL名, 引数) VALUES ('127.0.0.1', 1, 'VantorPort.so', 'x')",
            "INSERT INTO TBL_DLL (アドレス, 連番, DLL名, 引数) VALUES ('127.0.0.2', 1, 'VantorPort.so', 'x')",
            "INSERT INTO TBL_NoCheck (アドレス, 連番, 開始時刻, 終了時刻, 曜日) VALUES ('127.0.0.1', 1, 100, 200, "
            "'1000000')",
            "INSERT INTO TBL_NoCheck (アドレス, 連番, 開始時刻, 終了時刻, 曜日) VALUES ('127.0.0.1', 2, 300, 400, "
            "'0100000')",
            "INSERT INTO TBL_NoCheck (アドレス, 連番, 開始時刻, 終了時刻, 曜日) VALUES ('127.0.0.2', 1, 100, 200, "
            "'1000000')",
            "INSERT INTO TBL_User (職番, 氏名, 所属名) VALUES ('U1', '山田', '総務')",
            "INSERT INTO TBL_User (職番, 氏名, 所属名) VALUES ('U2', '佐藤', '情報')",
            "INSERT INTO TBL_MsgSend (グループ, アドレス, 職番) VALUES ('G1', NULL, 'U1')",
            "INSERT INTO TBL_MsgSend (グループ, アドレス, 職番) VALUES ('G1', '127.0.0.1', 'U2')",
            "INSERT INTO TBL_MsgSend (グループ, アドレス, 職番) VALUES ('G1', '127.0.0.2', 'U1')",
            "INSERT INTO TBL_MsgSend (グループ, アドレス, 職番) VALUES ('G2', NULL, 'U2')",
        };
        for (const QString& sql : rows) vtest::Exec(db, sql);
        for (const char* address : {"127.0.0.1", "127.0.0.2"})
            for (int day = 0; day < 2; ++day)
                vtest::Exec(db,
                            QStringLiteral("INSERT INTO TBL_CalenderNoCheck (アドレス, 日付, 開始時刻, 終了時刻) "
                                           "VALUES (?, ?, 0, 2359)"),
                            {QString::fromLatin1(address), QDate::currentDate().addDays(day).toString(Qt::ISODate)});
        gOptDatabasePath = db;
        gOptNoCheck = true;
        gOptFormTop = false;
        gOptWebInfo = false;
        gOptSendMsg = false;
        gOptSound = false;
        gOptPatLamp = false;
        gOptPopUp = false;
        gDllObjects.clear();
        gCheckContinue = true;

        form = std::make_unique<FrmPing>();
        FrmPing::Services s;
        s.runDialog = [this](QDialog& d) {
            SeenDialog v;
            v.kind = d.objectName();
            v.title = d.windowTitle();
            if (auto* l = d.findChild<QLabel*>(QStringLiteral("Lbl_Group"))) v.lblGroup = l->text();
            if (auto* l = d.findChild<QLabel*>(QStringLiteral("Lbl_Computer"))) v.lblComputer = l->text();
            v.checkContinue = gCheckContinue;
            v.timerActive = form->TimerPing().isActive();
            v.topMost = form->IsTopMost();
            if (!seen.isEmpty() && seen.last().title.isNull()) {
                // The opener recorded the selection values at load time.
                SeenDialog loaded = seen.takeLast();
                v.selGroup = loaded.selGroup;
                v.selAddress = loaded.selAddress;
                v.selCalendar = loaded.selCalendar;
                v.selPort = loaded.selPort;
                v.selSubNo = loaded.selSubNo;
                v.selYear = loaded.selYear;
                v.selForComputer = loaded.selForComputer;
            }
            seen << v;
            if (onDialog) onDialog(d);
        };
        s.popupNodeMenu = [this](QMenu& menu, const QPoint&) { popupAt = Visible(menu); };
        form->SetServices(std::move(s));
        if (!ownBoxes) box = std::make_unique<vtest::RecordingMessageBox>();
        QString loadError;
        QVERIFY2(FrmPing::DefaultServices().loadComputerTree(*form, loadError), qPrintable(loadError));
        // The loader shows no plug-in check whose plug-in is not loaded; one is added as
        // a plug-in would be.
        form->TreeComputer().Add(QStringLiteral("#127.0.0.1"), tvwChild, QStringLiteral("%127.0.0.1@001"),
                                 QStringLiteral("ポート監視1"), QStringLiteral("SStart"));
        InstallRecordingOpeners();
    }

    // Every opener makes a bare dialog with both parent labels that remembers the
    // selection values it was loaded with.
    void InstallRecordingOpeners() {
        NodeDialogs& d = form->nodeDialogs();
        auto make = [this](const QString& kind) {
            return [this, kind](TreeNodes&, QWidget* owner) {
                auto dialog = std::make_unique<QDialog>(owner);
                dialog->setObjectName(kind);
                (new QLabel(dialog.get()))->setObjectName(QStringLiteral("Lbl_Group"));
                (new QLabel(dialog.get()))->setObjectName(QStringLiteral("Lbl_Computer"));
                SeenDialog loaded;
                loaded.selGroup = gSelGroup;
                loaded.selAddress = gSelAddress;
                loaded.selCalendar = gSelCalendar;
                loaded.selPort = gSelPort;
                loaded.selSubNo = gSelSubNo;
                loaded.selYear = gSelYear;
                loaded.selForComputer = gSelForComputer;
                seen << loaded;  // title still null: completed by the runner
                return std::unique_ptr<QDialog>(std::move(dialog));
            };
        };
        d.group = make(QStringLiteral("group"));
        d.computer = make(QStringLiteral("computer"));
        d.service = make(QStringLiteral("service"));
        d.dllSelect = make(QStringLiteral("dllSelect"));
        d.wait = make(QStringLiteral("wait"));
        d.calendar = make(QStringLiteral("calendar"));
    }

    TreeNode* Node(const QString& key) const { return form->TreeComputer().Item(key); }
    void Select(const QString& key) { vtest::SelectNode(*form, key); }

    // The visible items of the menu, in order: "name=caption" or, for a separator, the name.
    static QString Visible(const QMenu& menu) {
        QStringList parts;
        for (QAction* a : menu.actions()) {
            if (!a->isVisible()) continue;
            parts << (a->isSeparator() ? a->objectName() : a->objectName() + QLatin1Char('=') + a->text());
        }
        return parts.join(QLatin1Char('|'));
    }

    int Count(const QString& sql, std::initializer_list<QVariant> values = {}) const {
        return vtest::Scalar(db, sql, values).toInt();
    }
    // Rows of the seven tables a group or computer takes with it.
    QString Rows() const {
        QStringList parts;
        for (const char* t : {"TBL_Group", "TBL_Computer", "TBL_PortCheck", "TBL_DLL", "TBL_NoCheck",
                              "TBL_CalenderNoCheck", "TBL_MsgSend"})
            parts << QString::number(Count(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(t))));
        return parts.join(QLatin1Char(' '));
    }
    QStringList Addresses() const {
        QStringList list;
        for (qint32 i = 1; i <= gPingDatas.ListCount(); ++i) list << gPingDatas.Item(i)->IPAddress;
        return list;
    }
    QStringList Keys() const {
        QStringList keys;
        for (int i = 1; i <= form->TreeComputer().Count(); ++i) keys << TreeNodes::Key(form->TreeComputer().Item(i));
        return keys;
    }
};

}  // namespace

class TestNodeCommands : public QObject {
    Q_OBJECT

private slots:
    void init() { gPatLampShowing = false; }

    // ---- the context menu ----

    void menuTable_data() {
        QTest::addColumn<QString>("key");     // the selected node; empty: none
        QTest::addColumn<QString>("image");   // set on it first; empty: as loaded
        QTest::addColumn<bool>("dialogs");    // the record dialogs exist
        QTest::addColumn<QString>("items");   // visible items; "-": no menu at all

        const QString groupMenu = "menuNodeCheck=%1|menuNodeH1|menuNodeInsert=コンピュータ追加|menuNodeH2|"
                                  "menuNodeUpdate=グループ変更|menuNodeDelete=グループ削除";
        const QString computerMenu =
            "menuNodeCheck=%1|%2menuNodeTracert=Tracert確認|menuNodeH1|menuNodeInsert=ポートチェック追加|"
            "menuNodeInsert3=拡張機能追加|menuNodeInsert2=非監視スケジュール追加|%3menuNodeH2|"
            "menuNodeUpdate=コンピュータ変更|menuNodeDelete=コンピュータ削除";
        const QString connect = "menuNodeConnect=今すぐ診断|";
        const QString calendar = "menuNodeInsert4=非監視カレンダー追加|";

        QTest::newRow("no node") << "" << "" << true << "menuNodeInsert=グループ追加";
        QTest::newRow("group") << "!G1" << "" << true << groupMenu.arg("定期診断をしない");
        QTest::newRow("group switched off") << "!G1" << "NoCheck" << true << groupMenu.arg("定期診断をする");
        QTest::newRow("computer Nomal with a calendar")
            << "#127.0.0.1" << "Nomal" << true << computerMenu.arg("定期診断をしない", connect, "");
        QTest::newRow("computer Critical without a calendar")
            << "#127.0.0.3" << "Critical" << true << computerMenu.arg("定期診断をしない", connect, calendar);
        QTest::newRow("computer switched off")
            << "#127.0.0.3" << "NoCheck" << true << computerMenu.arg("定期診断をする", "", calendar);
        QTest::newRow("port check") << "$127.0.0.1@22" << "" << true
                                    << "menuNodeUpdate=ポートチェック変更|menuNodeDelete=ポートチェック削除";
        QTest::newRow("plug-in check") << "%127.0.0.1@001" << "" << true
                                       << "menuNodeUpdate=拡張機能変更|menuNodeDelete=拡張機能削除";
        QTest::newRow("group's person") << "*G1@U1" << "" << true << "menuNodeDelete=担当者削除";
        QTest::newRow("computer's person") << "\\127.0.0.1@U2" << "" << true << "menuNodeDelete=担当者削除";
        QTest::newRow("weekly window") << "?127.0.0.1@001" << "" << true
                                       << "menuNodeUpdate=非監視スケジュール変更|menuNodeDelete=非監視スケジュール削除";
        QTest::newRow("dated calendar") << "=127.0.0.1@非稼動カレンダー" << "" << true
                                        << "menuNodeUpdate=非監視カレンダー変更|menuNodeDelete=非監視カレンダー削除";
        QTest::newRow("unknown kind") << "&odd" << "" << true << "-";
        // Without the record dialogs only what works is offered.
        QTest::newRow("no node, no dialogs") << "" << "" << false << "-";
        QTest::newRow("computer, no dialogs")
            << "#127.0.0.3" << "Nomal" << false
            << "menuNodeCheck=定期診断をしない|menuNodeConnect=今すぐ診断|menuNodeTracert=Tracert確認|menuNodeH1|"
               "menuNodeH2|menuNodeDelete=コンピュータ削除";
        QTest::newRow("plug-in check, no dialogs") << "%127.0.0.1@001" << "" << false
                                                   << "menuNodeUpdate=拡張機能変更|menuNodeDelete=拡張機能削除";
    }

    void menuTable() {
        QFETCH(QString, key);
        QFETCH(QString, image);
        QFETCH(bool, dialogs);
        QFETCH(QString, items);

        Fixture f;
        if (key == "&odd")
            f.form->TreeComputer().Add("#127.0.0.1", tvwChild, key, "odd", "Nomal");
        if (!dialogs) f.form->nodeDialogs() = NodeDialogs{};
        if (!image.isEmpty()) f.form->TreeComputer().SetImage(f.Node(key), image);
        f.Select(key);
        QCOMPARE(f.form->SelectedNode(), key.isEmpty() ? nullptr : f.Node(key));
        if (items == "-") {
            QVERIFY(!f.form->PrepareNodeMenu());
            return;
        }
        QVERIFY(f.form->PrepareNodeMenu());
        QCOMPARE(Fixture::Visible(*f.form->menuNode()), items);
        QCOMPARE(f.form->menuNode()->title(), QStringLiteral("Node選択用"));
    }

    void menuInsert4ReturnsWhenCalendarGoes() {
        Fixture f;
        f.Select("#127.0.0.1");
        QVERIFY(f.form->PrepareNodeMenu());
        QVERIFY(!f.form->menuNodeInsert4->isVisible());
        f.box->answers = {vb::vbYes};
        f.Select("=127.0.0.1@非稼動カレンダー");
        f.form->menuNodeDelete_Click();
        f.Select("#127.0.0.1");
        QVERIFY(f.form->PrepareNodeMenu());
        QVERIFY(f.form->menuNodeInsert4->isVisible());
    }

    void mousePress() {
        Fixture f;
        f.form->show();
        QTreeWidget* tree = f.form->treeComputer();
        tree->expandAll();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        QWidget* viewport = tree->viewport();
        TreeNode* computer = f.Node("#127.0.0.1");
        const QPoint onComputer = tree->visualItemRect(f.form->TreeComputerView().ItemOf(computer)).center();
        const QPoint empty(viewport->width() / 2, viewport->height() - 2);
        QVERIFY(!tree->itemAt(empty));

        // The left button selects and opens nothing.
        QTest::mouseClick(viewport, Qt::LeftButton, {}, onComputer);
        QCOMPARE(f.form->SelectedNode(), computer);
        QVERIFY(f.popupAt.isNull());
        // Over empty space it clears the selection.
        QTest::mouseClick(viewport, Qt::LeftButton, {}, empty);
        QCOMPARE(f.form->SelectedNode(), nullptr);
        // The right button selects and opens the menu for that node.
        QTest::mousePress(viewport, Qt::RightButton, {}, onComputer);
        QCOMPARE(f.form->SelectedNode(), computer);
        QVERIFY(f.popupAt.contains("menuNodeInsert=ポートチェック追加"));
        QTest::mousePress(viewport, Qt::RightButton, {}, empty);
        QCOMPARE(f.form->SelectedNode(), nullptr);
        QCOMPARE(f.popupAt, QStringLiteral("menuNodeInsert=グループ追加"));
        // A double-click changes nothing beyond the selection.
        QVERIFY(f.form->TreeComputerView().ItemOf(computer)->isExpanded());
        f.popupAt.clear();
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, onComputer);
        QCOMPARE(f.form->SelectedNode(), computer);
        QVERIFY(f.form->TreeComputerView().ItemOf(computer)->isExpanded());
        QVERIFY(f.seen.isEmpty());
        QVERIFY(f.popupAt.isEmpty());
    }

    // ---- check switch and immediate check ----

    void checkSwitchGroup() {
        Fixture f;
        const int remaining = vtest::StartCheckTimer(*f.form);
        f.Select("!G1");
        f.form->menuNodeCheck_Click();
        QCOMPARE(TreeNodes::Image(f.Node("!G1")), QStringLiteral("NoCheck"));
        for (const char* a : {"127.0.0.1", "127.0.0.2"}) QVERIFY(!gPingDatas.Item(gPingDatas.GetItemNo(a))->NoCheckGrp);
        QVERIFY(gPingDatas.Item(gPingDatas.GetItemNo("127.0.0.3"))->NoCheckGrp);
        QCOMPARE(f.Count("SELECT 診断有無 FROM TBL_Group WHERE グループ = 'G1'"), 0);
        // The timer ran on, its count not started afresh, and the flag is back.
        QVERIFY(vtest::CheckTimerKeptCounting(*f.form, remaining));
        QVERIFY(gCheckContinue);

        f.form->menuNodeCheck_Click();
        QCOMPARE(TreeNodes::Image(f.Node("!G1")), QStringLiteral("Group"));
        for (const char* a : {"127.0.0.1", "127.0.0.2"}) QVERIFY(gPingDatas.Item(gPingDatas.GetItemNo(a))->NoCheckGrp);
        QVERIFY(f.Count("SELECT 診断有無 FROM TBL_Group WHERE グループ = 'G1'") != 0);
        QVERIFY(f.box->shown.isEmpty());
    }

    void checkSwitchComputer() {
        Fixture f;
        f.form->TreeComputer().SetImage(f.Node("#127.0.0.2"), "Critical");
        f.Select("#127.0.0.2");
        f.form->menuNodeCheck_Click();
        QCOMPARE(TreeNodes::Image(f.Node("#127.0.0.2")), QStringLiteral("NoCheck"));
        QVERIFY(!gPingDatas.Item(gPingDatas.GetItemNo("127.0.0.2"))->NoCheckSrv);
        QCOMPARE(f.Count("SELECT 診断有無 FROM TBL_Computer WHERE アドレス = '127.0.0.2'"), 0);
        f.form->menuNodeCheck_Click();
        QCOMPARE(TreeNodes::Image(f.Node("#127.0.0.2")), QStringLiteral("Nomal"));
        QVERIFY(gPingDatas.Item(gPingDatas.GetItemNo("127.0.0.2"))->NoCheckSrv);
        QVERIFY(f.Count("SELECT 診断有無 FROM TBL_Computer WHERE アドレス = '127.0.0.2'") != 0);
        // Other nodes are left alone.
        f.Select("$127.0.0.1@22");
        const QString rows = f.Rows();
        f.form->menuNodeCheck_Click();
        QCOMPARE(TreeNodes::Image(f.Node("$127.0.0.1@22")), QStringLiteral("SStart"));
        QCOMPARE(f.Rows(), rows);
    }

    void checkSwitchStoreFails() {
        Fixture f;
        vtest::Exec(f.db, "CREATE TRIGGER no_update BEFORE UPDATE ON TBL_Computer BEGIN SELECT RAISE(ABORT, 'locked'); END");
        f.Select("#127.0.0.2");
        f.form->menuNodeCheck_Click();
        // Nothing changes where the database did not.
        QCOMPARE(TreeNodes::Image(f.Node("#127.0.0.2")), QStringLiteral("Nomal"));
        QVERIFY(gPingDatas.Item(gPingDatas.GetItemNo("127.0.0.2"))->NoCheckSrv);
        QCOMPARE(f.box->shown.size(), 1);
        QVERIFY(f.box->shown[0].prompt.contains("locked"));
        QVERIFY(gCheckContinue);
    }

    void checkNow_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("checking");
        QTest::addColumn<bool>("checked");  // a check ran (a log line)
        QTest::addColumn<QString>("status");
        QTest::newRow("group, checking off") << "!G1" << false << false << "接続確認チェック　非稼動中";
        QTest::newRow("group, checking on") << "!G1" << true << false << "接続確認チェック　待機中！";
        QTest::newRow("no node") << "" << true << false << "接続確認チェック　待機中！";
        QTest::newRow("computer, checking off") << "#127.0.0.1" << false << true << "接続確認チェック　非稼動中";
    }

    void checkNow() {
        QFETCH(QString, key);
        QFETCH(bool, checking);
        QFETCH(bool, checked);
        QFETCH(QString, status);
        Fixture f;
        f.form->monitor().SetMenuConnectChecked(checking);
        f.Select(key);
        // The port checks go to closed loopback ports: quick and bounded.
        gOptPortTimeOut = 1;
        f.form->menuNodeConnect_Click();
        QCOMPARE(f.form->ListPing(0).Count() > 0, checked);
        QCOMPARE(f.form->StatusPanel()->text(), status);
        QCOMPARE(f.form->TimerPing().isActive(), checking);
        QVERIFY(gCheckContinue);
    }

    // ---- delete ----

    void deleteGroup() {
        Fixture f;
        f.box->answers = {vb::vbYes};
        f.Select("!G1");
        f.form->menuNodeDelete_Click();
        QCOMPARE(f.box->shown.size(), 1);
        QCOMPARE(f.box->shown[0].prompt, QStringLiteral("本社を削除します"));
        QCOMPARE(f.box->shown[0].style, 292);
        QCOMPARE(f.box->shown[0].title, QStringLiteral("グループ削除"));
        // Only G2's rows remain: its group, computer and recipient.
        QCOMPARE(f.Rows(), QStringLiteral("1 1 0 0 0 0 1"));
        QCOMPARE(f.Count("SELECT count(*) FROM TBL_User"), 2);
        QCOMPARE(f.Addresses(), QStringList{"127.0.0.3"});
        for (const QString& k : f.Keys()) QVERIFY2(!k.contains("G1") && !k.contains("127.0.0.1") && !k.contains("127.0.0.2"), qPrintable(k));
        QVERIFY(f.Node("!G2"));
        QVERIFY(gCheckContinue);
    }

    void deleteComputer() {
        Fixture f;
        f.box->answers = {vb::vbYes};
        f.Select("#127.0.0.1");
        const QString text = TreeNodes::Text(f.Node("#127.0.0.1"));
        f.form->menuNodeDelete_Click();
        QCOMPARE(f.box->shown[0].title, QStringLiteral("コンピュータ削除"));
        QCOMPARE(f.box->shown[0].prompt, text + "を削除します");
        for (const char* t : {"TBL_Computer", "TBL_PortCheck", "TBL_DLL", "TBL_NoCheck", "TBL_CalenderNoCheck", "TBL_MsgSend"})
            QCOMPARE(f.Count(QStringLiteral("SELECT count(*) FROM %1 WHERE アドレス = '127.0.0.1'").arg(t)), 0);
        // The group's own recipient and the sibling's rows stay.
        QCOMPARE(f.Count("SELECT count(*) FROM TBL_MsgSend WHERE グループ = 'G1' AND アドレス IS NULL"), 1);
        QCOMPARE(f.Count("SELECT count(*) FROM TBL_PortCheck WHERE アドレス = '127.0.0.2'"), 1);
        QCOMPARE(f.Addresses(), (QStringList{"127.0.0.2", "127.0.0.3"}));
        QVERIFY(!f.Node("#127.0.0.1"));
        QVERIFY(!f.Node("$127.0.0.1@22"));
        QVERIFY(f.Node("*G1@U1"));
    }

    void deleteAnsweredNo() {
        Fixture f;
        gOptFormTop = true;
        f.form->SetTopMost(true);
        bool topDuringBox = true;
        f.box->onShow = [&] { topDuringBox = f.form->IsTopMost(); };
        f.box->answers = {vb::vbNo};
        const QString rows = f.Rows();
        const QStringList keys = f.Keys();
        // The delete leaves a running timer alone.
        const int remaining = vtest::StartCheckTimer(*f.form);
        f.Select("!G1");
        f.form->menuNodeDelete_Click();
        QCOMPARE(f.box->shown.size(), 1);
        QVERIFY(!topDuringBox);
        QVERIFY(f.form->IsTopMost());
        QVERIFY(vtest::CheckTimerKeptCounting(*f.form, remaining));
        QCOMPARE(f.Rows(), rows);
        QCOMPARE(f.Keys(), keys);
        QCOMPARE(f.Addresses().size(), 3);
        QVERIFY(gCheckContinue);
    }

    void deleteStatementFails_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("trigger");
        // The last statement of the group's cascade fails: all earlier ones are undone.
        QTest::newRow("group") << "!G1" << "BEFORE DELETE ON TBL_Group";
        QTest::newRow("computer") << "#127.0.0.1" << "BEFORE DELETE ON TBL_Computer";
        QTest::newRow("weekly window") << "?127.0.0.1@002" << "BEFORE DELETE ON TBL_NoCheck";
    }

    void deleteStatementFails() {
        QFETCH(QString, key);
        QFETCH(QString, trigger);
        Fixture f;
        vtest::Exec(f.db, "CREATE TRIGGER refuse " + trigger + " BEGIN SELECT RAISE(ABORT, 'refused'); END");
        const QString rows = f.Rows();
        const QStringList keys = f.Keys();
        const int waits = gPingDatas.Item(gPingDatas.GetItemNo("127.0.0.1"))->WaitTime().Count();
        f.box->answers = {vb::vbYes};
        f.Select(key);
        f.form->menuNodeDelete_Click();
        QCOMPARE(f.box->shown.size(), 2);
        QVERIFY(f.box->shown[1].prompt.contains("refused"));
        QCOMPARE(f.box->shown[1].style, vb::vbExclamation);
        QCOMPARE(f.Rows(), rows);
        QCOMPARE(f.Keys(), keys);
        QCOMPARE(f.Addresses().size(), 3);
        QCOMPARE(gPingDatas.Item(gPingDatas.GetItemNo("127.0.0.1"))->WaitTime().Count(), waits);
        QVERIFY(gCheckContinue);
    }

    // With the warning lamp up, the delete's question and the failure that follows are
    // shown above it: the lamp leaves the top layer while each box is up and takes it back
    // when the last is answered.
    void deleteBoxesAboveTheLamp() {
        Fixture f(true);
        vtest::Exec(f.db, "CREATE TRIGGER refuse BEFORE DELETE ON TBL_NoCheck BEGIN SELECT RAISE(ABORT, 'refused'); END");
        gOptPatLamp = true;
        ShowPatLamp();
        QPointer<FrmPatLamp> lamp = FrmPatLamp::Current();
        QVERIFY(lamp && lamp->OnTop());
        struct Seen {
            QString text;
            bool lampOnTop;
            bool lampWindowOnTop;
        };
        QList<Seen> seen;
        {
            vtest::BoxDriver driver([&](QMessageBox& box) {
                seen << Seen{box.text(), lamp && lamp->OnTop(),
                             lamp && lamp->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint)};
                QAbstractButton* yes = box.button(QMessageBox::Yes);
                (yes ? yes : box.button(QMessageBox::Ok))->click();
            });
            f.Select("?127.0.0.1@002");
            f.form->menuNodeDelete_Click();
        }
        QCOMPARE(seen.size(), 2);
        QVERIFY(seen[1].text.contains("refused"));
        for (const Seen& s : seen) {
            QVERIFY2(!s.lampOnTop, qPrintable(s.text));
            QVERIFY2(!s.lampWindowOnTop, qPrintable(s.text));
        }
        QVERIFY(lamp);
        QVERIFY(gPatLampShowing);
        QVERIFY(lamp->OnTop());
        QVERIFY(lamp->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
        UnloadPatLamp();
    }

    // A command's dialog and a plug-in's own settings window are modal too: the lamp gives
    // way while they are up and takes the top place back afterwards.
    void dialogsAboveTheLamp() {
        Fixture f;
        vtest::Exec(f.db, "UPDATE TBL_DLL SET 引数 = ? WHERE アドレス = '127.0.0.1'",
                    {Encipherment(QString::fromLatin1(kParameterKey), "127.0.0.1|22|30|5|4|ssh")});
        LoadCheckDlls(QStringLiteral(VANTORO_PROGRAM_DIR));
        QString loadError;
        QVERIFY2(FrmPing::DefaultServices().loadComputerTree(*f.form, loadError), qPrintable(loadError));
        gOptPatLamp = true;
        ShowPatLamp();
        QPointer<FrmPatLamp> lamp = FrmPatLamp::Current();
        QVERIFY(lamp && lamp->OnTop());
        QStringList onTopInside;
        f.onDialog = [&](QDialog& d) { onTopInside << d.windowTitle() + (lamp->OnTop() ? ":top" : ":below"); };
        f.Select("$127.0.0.1@22");
        f.form->menuNodeUpdate_Click();
        {
            plugin::PluginDialogDriver driver([&](QWidget*) { onTopInside << (lamp->OnTop() ? "plug-in:top" : "plug-in:below"); });
            f.Select("%127.0.0.1@001");
            f.form->menuNodeUpdate_Click();
        }
        QCOMPARE(onTopInside, (QStringList{"ポートチェック変更:below", "plug-in:below"}));
        QVERIFY(lamp);
        QVERIFY(lamp->OnTop());
        UnloadPatLamp();
        gDllObjects.clear();
    }

    void deleteChild_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("title");  // of the confirmation; empty: none asked
        QTest::addColumn<QString>("gone");   // rows that must be gone
        QTest::addColumn<QString>("kept");   // rows that must stay
        QTest::addColumn<QString>("list");   // the model list that loses its entry
        QTest::newRow("port check") << "$127.0.0.1@80" << "サービス削除"
                                    << "SELECT count(*) FROM TBL_PortCheck WHERE アドレス = '127.0.0.1' AND ポート番号 = 80"
                                    << "SELECT count(*) FROM TBL_PortCheck WHERE アドレス = '127.0.0.1' AND ポート番号 = 22"
                                    << "port";
        QTest::newRow("weekly window") << "?127.0.0.1@002" << "非監視スケジュール削除"
                                       << "SELECT count(*) FROM TBL_NoCheck WHERE アドレス = '127.0.0.1' AND 連番 = 2"
                                       << "SELECT count(*) FROM TBL_NoCheck WHERE アドレス = '127.0.0.1' AND 連番 = 1"
                                       << "wait";
        QTest::newRow("dated calendar") << "=127.0.0.1@非稼動カレンダー" << "非監視スケジュール（カレンダー）削除"
                                        << "SELECT count(*) FROM TBL_CalenderNoCheck WHERE アドレス = '127.0.0.1'"
                                        << "SELECT count(*) FROM TBL_CalenderNoCheck WHERE アドレス = '127.0.0.2'"
                                        << "day";
        QTest::newRow("group's person") << "*G1@U1" << ""
                                        << "SELECT count(*) FROM TBL_MsgSend WHERE グループ = 'G1' AND アドレス IS NULL"
                                        << "SELECT count(*) FROM TBL_MsgSend WHERE アドレス = '127.0.0.2' AND 職番 = 'U1'"
                                        << "";
        QTest::newRow("computer's person") << "\\127.0.0.2@U1" << ""
                                           << "SELECT count(*) FROM TBL_MsgSend WHERE アドレス = '127.0.0.2'"
                                           << "SELECT count(*) FROM TBL_MsgSend WHERE 職番 = 'U1'" << "";
    }

    void deleteChild() {
        QFETCH(QString, key);
        QFETCH(QString, title);
        QFETCH(QString, gone);
        QFETCH(QString, kept);
        QFETCH(QString, list);
        Fixture f;
        ClsPingData& alpha = *gPingDatas.Item(gPingDatas.GetItemNo("127.0.0.1"));
        const int ports = alpha.PortData().Count(), waits = alpha.WaitTime().Count();
        QVERIFY(alpha.WaitDayTime().Count() > 0);
        f.box->answers = {vb::vbYes};
        f.Select(key);
        f.form->menuNodeDelete_Click();
        if (title.isEmpty()) {
            QVERIFY(f.box->shown.isEmpty());
        } else {
            QCOMPARE(f.box->shown.size(), 1);
            QCOMPARE(f.box->shown[0].title, title);
            QCOMPARE(f.box->shown[0].style, 292);
        }
        QCOMPARE(f.Count(gone), 0);
        QVERIFY(f.Count(kept) > 0);
        QVERIFY(!f.Node(key));
        QCOMPARE(alpha.PortData().Count(), ports - (list == "port" ? 1 : 0));
        QCOMPARE(alpha.WaitTime().Count(), waits - (list == "wait" ? 1 : 0));
        QCOMPARE(alpha.WaitDayTime().Count() == 0, list == "day");
        if (list == "port") QCOMPARE(alpha.PortData().GetItemNo(80), 0);
        if (list == "wait") QCOMPARE(alpha.WaitTime().GetItemNo(2), 0);
    }

    // ---- the add/edit frame ----

    void dialogFrame_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("lblGroup");
        QTest::addColumn<QString>("lblComputer");
        // group|address|port|subNo|calendar|year|forComputer as seen by the dialog's load
        QTest::addColumn<QString>("selection");

        const QString alpha = "アルファ　【alpha：サーバ】";
        const int year = QDate::currentDate().year();
        QTest::newRow("add group") << "Insert" << "" << "group" << "グループ追加" << "" << "" << "||-1|-1||-1|0";
        QTest::newRow("add computer") << "Insert" << "!G1" << "computer" << "コンピュータ追加" << "本社" << ""
                                      << "G1||-1|-1||-1|0";
        QTest::newRow("add port check") << "Insert" << "#127.0.0.1" << "service" << "ポートチェック追加" << "" << alpha
                                        << "|127.0.0.1|0|-1||-1|0";
        QTest::newRow("add plug-in check") << "Insert3" << "#127.0.0.1" << "dllSelect" << "拡張機能追加" << "" << alpha
                                           << "keep|127.0.0.1|-1|0||-1|0";
        QTest::newRow("add weekly window") << "Insert2" << "#127.0.0.1" << "wait" << "非監視スケジュール追加" << ""
                                           << alpha << "|127.0.0.1|-1|0||-1|0";
        QTest::newRow("add dated calendar") << "Insert4" << "#127.0.0.1" << "calendar" << "非監視カレンダー追加" << ""
                                            << alpha << "|127.0.0.1|-1|0|本社暦|0|1";
        QTest::newRow("edit group") << "Update" << "!G1" << "group" << "グループ変更" << "" << "" << "G1||-1|-1||-1|0";
        QTest::newRow("edit computer") << "Update" << "#127.0.0.1" << "computer" << "コンピュータ変更" << "本社" << ""
                                       << "G1|127.0.0.1|-1|-1||-1|0";
        QTest::newRow("edit port check") << "Update" << "$127.0.0.1@80" << "service" << "ポートチェック変更" << ""
                                         << alpha << "|127.0.0.1|80|-1||-1|0";
        QTest::newRow("edit weekly window") << "Update" << "?127.0.0.1@002" << "wait" << "非監視スケジュール変更" << ""
                                            << alpha << "|127.0.0.1|-1|2||-1|0";
        QTest::newRow("edit dated calendar")
            << "Update" << "=127.0.0.1@非稼動カレンダー" << "calendar" << "非監視カレンダー変更" << "" << alpha
            << QStringLiteral("|127.0.0.1|-1|-1|本社暦|%1|1").arg(year);
    }

    void dialogFrame() {
        QFETCH(QString, command);
        QFETCH(QString, key);
        QFETCH(QString, kind);
        QFETCH(QString, title);
        QFETCH(QString, lblGroup);
        QFETCH(QString, lblComputer);
        QFETCH(QString, selection);

        Fixture f;
        gOptFormTop = true;
        f.form->SetTopMost(true);
        f.form->monitor().SetMenuConnectChecked(true);
        f.form->TimerPing().start(60000);
        // Values a command does not set stay as they were.
        gSelGroup = "keep";
        gSelAddress = "keep";
        gSelPort = -1;
        gSelSubNo = -1;
        gSelCalendar.clear();
        gSelYear = -1;
        gSelForComputer = false;
        f.Select(key);
        // The menu is built as the right button builds it, so the item captions are set.
        QVERIFY(f.form->PrepareNodeMenu());
        using Handler = void (FrmPing::*)();
        const QHash<QString, Handler> handlers = {{"Insert", &FrmPing::menuNodeInsert_Click},
                                                  {"Insert2", &FrmPing::menuNodeInsert2_Click},
                                                  {"Insert3", &FrmPing::menuNodeInsert3_Click},
                                                  {"Insert4", &FrmPing::menuNodeInsert4_Click},
                                                  {"Update", &FrmPing::menuNodeUpdate_Click}};
        (f.form.get()->*handlers.value(command))();

        QCOMPARE(f.seen.size(), 1);
        const SeenDialog& v = f.seen[0];
        QCOMPARE(v.kind, kind);
        QCOMPARE(v.title, title);
        QCOMPARE(v.lblGroup, lblGroup);
        QCOMPARE(v.lblComputer, lblComputer);
        const QString sel = QStringList{v.selGroup,
                                        v.selAddress == "keep" ? QString() : v.selAddress,
                                        QString::number(v.selPort),
                                        QString::number(v.selSubNo),
                                        v.selCalendar,
                                        QString::number(v.selYear),
                                        v.selForComputer ? "1" : "0"}
                                .join('|');
        QCOMPARE(sel, selection);
        // While the dialog was up: no round goes on, no tick, not on top.
        QVERIFY(!v.checkContinue);
        QVERIFY(!v.timerActive);
        QVERIFY(!v.topMost);
        // Afterwards all three are back.
        QVERIFY(gCheckContinue);
        QVERIFY(f.form->TimerPing().isActive());
        QVERIFY(f.form->IsTopMost());
    }

    void frameRefusesOtherNodes() {
        Fixture f;
        f.form->monitor().SetMenuConnectChecked(false);
        f.Select("$127.0.0.1@22");
        for (auto handler : {&FrmPing::menuNodeInsert_Click, &FrmPing::menuNodeInsert2_Click,
                             &FrmPing::menuNodeInsert3_Click, &FrmPing::menuNodeInsert4_Click,
                             &FrmPing::menuNodeTracert_Click})
            (f.form.get()->*handler)();
        f.Select("*G1@U1");
        f.form->menuNodeUpdate_Click();
        QVERIFY(f.seen.isEmpty());
        QVERIFY(gCheckContinue);
        // A dialog the program lacks is not opened, and the frame still ends sound.
        f.form->nodeDialogs().group = nullptr;
        f.Select("");
        f.form->menuNodeInsert_Click();
        QVERIFY(f.seen.isEmpty());
        QVERIFY(gCheckContinue);
    }

    void editPluginRestoresFrame() {
        Fixture f;
        f.form->monitor().SetMenuConnectChecked(true);
        f.Select("%127.0.0.1@001");
        f.form->menuNodeUpdate_Click();
        QCOMPARE(gSelAddress, QStringLiteral("127.0.0.1"));
        QCOMPARE(gSelSubNo, qint16(1));
        QVERIFY(gSelGroup.isEmpty());
        // The plug-in is not loaded: nothing changes, and the frame is restored.
        QVERIFY(f.Node("%127.0.0.1@001"));
        QVERIFY(gCheckContinue);
        QVERIFY(f.form->TimerPing().isActive());
    }

    // The plug-in's own window, cancelled, for an edit and for a delete: row, node and
    // model entry stay; while the window was up the timer was stopped and no round went
    // on, and afterwards both run again.
    void pluginWindowCancelled_data() {
        QTest::addColumn<bool>("remove");
        QTest::newRow("edit") << false;
        QTest::newRow("delete") << true;
    }
    void pluginWindowCancelled() {
        QFETCH(bool, remove);
        Fixture f;
        vtest::Exec(f.db, "UPDATE TBL_DLL SET 引数 = ? WHERE アドレス = '127.0.0.1'",
                    {Encipherment(QString::fromLatin1(kParameterKey), "127.0.0.1|22|30|5|4|ssh")});
        LoadCheckDlls(QStringLiteral(VANTORO_PROGRAM_DIR));
        QVERIFY(GetDllTitle("VantorPort.so").size() > 0);
        QString loadError;
        QVERIFY2(FrmPing::DefaultServices().loadComputerTree(*f.form, loadError), qPrintable(loadError));
        const QString key = "%127.0.0.1@001";
        QVERIFY(f.Node(key));
        const QString rows = f.Rows();
        f.form->monitor().SetMenuConnectChecked(true);
        f.form->TimerPing().start(60000);

        bool shown = false, timerInside = true, continueInside = true;
        plugin::PluginDialogDriver driver([&](QWidget*) {
            shown = true;
            timerInside = f.form->TimerPing().isActive();
            continueInside = gCheckContinue;
        });  // the window is left without OK
        f.Select(key);
        if (remove)
            f.form->menuNodeDelete_Click();
        else
            f.form->menuNodeUpdate_Click();
        QVERIFY(shown);
        QVERIFY(!timerInside);
        QVERIFY(!continueInside);
        QVERIFY(f.box->shown.isEmpty());  // the plug-in asks, not the main window
        QCOMPARE(f.Rows(), rows);
        QVERIFY(f.Node(key));
        QCOMPARE(gPingDatas.Item(gPingDatas.GetItemNo("127.0.0.1"))->DllData().Count(), 1);
        QVERIFY(f.form->TimerPing().isActive());
        QVERIFY(gCheckContinue);
        gDllObjects.clear();
    }

    // ---- traceroute ----

    void tracerouteFromNodeAndMenu() {
        Fixture f;
        QString title, url, label, label2;
        bool urlHidden = false, urlReadOnly = false, label2Visible = false;
        f.onDialog = [&](QDialog& d) {
            auto* w = qobject_cast<FrmTraceRt*>(&d);
            QVERIFY(w);
            title = w->windowTitle();
            url = w->TxtURL()->text();
            urlHidden = w->TxtURL()->isHidden();
            urlReadOnly = w->TxtURL()->isReadOnly();
            label = w->Lbl_Computer()->text();
            label2 = w->Lbl_Computer2()->text();
            label2Visible = !w->Lbl_Computer2()->isHidden();
        };
        f.Select("#127.0.0.2");
        f.form->menuNodeTracert_Click();
        QCOMPARE(f.seen.size(), 1);
        QCOMPARE(title, QStringLiteral("Tracert確認"));
        QCOMPARE(url, QStringLiteral("127.0.0.2"));
        QVERIFY(urlHidden);
        QVERIFY(urlReadOnly);
        QCOMPARE(label, QStringLiteral("ｺﾝﾋﾟｭｰﾀ名"));
        QCOMPARE(label2, TreeNodes::Text(f.Node("#127.0.0.2")));
        QVERIFY(label2Visible);
        QCOMPARE(gSelAddress, QStringLiteral("127.0.0.2"));
        QVERIFY(gCheckContinue);

        f.form->menuTracert_Click();
        QCOMPARE(f.seen.size(), 2);
        QVERIFY(!urlHidden);
        QVERIFY(!urlReadOnly);
        QVERIFY(url.isEmpty());
        QVERIFY(!label2Visible);
    }
};

VANTORO_TEST_MAIN(TestNodeCommands)
#include "tst_nodecommands.moc"
