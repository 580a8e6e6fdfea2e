// The person list and the recipients: drops of a person on the tree and of a recipient
// node on the list, the person commands (delete, add, change through the staff dialog),
// the list's own sorting and context menu, and an alarm reaching the people assigned by a
// drop. The main window runs on a fresh database, its dialogs through a scripted runner.
#include "SmtpSink.h"
#include "TestSupport.h"
#include "tests/console/ConsoleRig.h"

#include "admin/FrmUser.h"
#include "alarms/LanMessenger.h"
#include "alarms/Mailslot.h"
#include "alarms/Notify.h"
#include "console/FrmPing.h"
#include "model/Globals.h"
#include "model/Loader.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QRadioButton>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

const QString kAddUser = QStringLiteral(
    "INSERT INTO TBL_User (職番, 氏名, 所属名, 連絡先, アドレス, 警報種別, "
    "メール送信有無, メール1, メール2) VALUES (?, ?, ?, '1', NULL, '0', ?, ?, NULL)");
const QString kAssign = QStringLiteral("INSERT INTO TBL_MsgSend (グループ, アドレス, 職番) VALUES (?, ?, ?)");

// One group with two computers, a port check on the first, and three people: P1 and
// "O'Neil" unassigned, P2 assigned to the group and to the first computer.
struct Fixture {
    QString db;
    std::unique_ptr<FrmPing> form;
    std::unique_ptr<vtest::RecordingMessageBox> box;
    std::function<void(QDialog&)> onDialog;
    QStringList titles;

    Fixture() {
        db = vtest::FreshDatabase();
        for (const char* sql : {
                 "INSERT INTO TBL_Group (グループ, 表示名, 説明, 診断有無) VALUES ('G1', '本社', '', -1)",
                 "INSERT INTO TBL_Computer (アドレス, グループ, コンピュータ名, 種類, 表示名, 説明, 状況) VALUES "
                 "('127.0.0.1', 'G1', 'alpha', 'サーバ', 'アルファ', '', 'Stop')",
                 "INSERT INTO TBL_Computer (アドレス, グループ, コンピュータ名, 種類, 表示名, 説明, 状況) VALUES "
                 "('127.0.0.2', 'G1', 'beta', 'PC', 'ベータ', '', 'Stop')",
                 "INSERT INTO TBL_PortCheck (アドレス, ポート番号, サービス名, 状況) VALUES ('127.0.0.1', 22, 'SSH', "
                 "'SStop')",
             })
            vtest::Exec(db, QString::fromUtf8(sql));
        vtest::Exec(db, kAddUser, {"P1", u"山田"_qs, u"総務"_qs, 0, QVariant()});
        vtest::Exec(db, kAddUser, {"P2", u"田中"_qs, u"経理"_qs, 0, QVariant()});
        vtest::Exec(db, kAddUser, {"O'Neil", u"オニール"_qs, u"営業'部"_qs, 0, QVariant()});
        vtest::Exec(db, kAssign, {"G1", QVariant(), "P2"});
        vtest::Exec(db, kAssign, {"G1", "127.0.0.1", "P2"});
        gOptFormTop = false;
        gOptNoCheck = false;
        gCheckContinue = true;

        form = std::make_unique<FrmPing>();
        FrmPing::Services s;
        s.runDialog = [this](QDialog& d) {
            titles << d.windowTitle();
            if (onDialog) onDialog(d);
        };
        form->SetServices(std::move(s));
        box = std::make_unique<vtest::RecordingMessageBox>();
        Reload();
    }

    void Reload() {
        QString error;
        QVERIFY2(form->services().loadComputerTree(*form, error), qPrintable(error));
    }
    // Shows the window on the person tab with staff selected; the list's viewport, or
    // null when the window could not be shown.
    QWidget* ShowList(const QString& staff) {
        form->show();
        form->SSTabComputer()->setCurrentIndex(1);
        if (!QTest::qWaitForWindowExposed(form.get())) return nullptr;
        List().setCurrentItem(Person(staff));
        return List().viewport();
    }
    TreeNodes& Nodes() { return form->TreeComputer(); }
    QTreeWidget& List() { return *form->ListViewUser(); }
    QTreeWidgetItem* Person(const QString& staff) {
        for (int i = 0; i < List().topLevelItemCount(); ++i)
            if (List().topLevelItem(i)->text(0) == staff) return List().topLevelItem(i);
        return nullptr;
    }
    int Rows(const QString& where, std::initializer_list<QVariant> values) {
        return vtest::Scalar(db, QStringLiteral("SELECT COUNT(*) FROM TBL_MsgSend WHERE ") + where, values).toInt();
    }
    int Users(const QString& staff) {
        return vtest::Scalar(db, QStringLiteral("SELECT COUNT(*) FROM TBL_User WHERE 職番 = ?"), {staff}).toInt();
    }
    void DropPerson(const QString& staff, const QString& targetKey) {
        QMimeData data;
        data.setData(FrmPing::kPersonMime, staff.toUtf8());
        form->TreeComputer_DragDrop(data, Nodes().Item(targetKey));
    }
    void DropNode(const QString& key) {
        QMimeData data;
        data.setData(FrmPing::kRecipientMime, key.toUtf8());
        form->ListViewUser_DragDrop(data);
    }
};

}  // namespace

class TestRecipients : public QObject {
    Q_OBJECT

private slots:
    // A person dropped on any node lands on that node's group or computer.
    void dropPersonOnTree_data() {
        QTest::addColumn<QString>("staff");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("address");
        const QString yamada = u"山田　【総務】"_qs;
        QTest::newRow("group") << "P1"
                               << "!G1"
                               << "*G1@P1"
                               << "!G1" << yamada << QVariant();
        QTest::newRow("group recipient") << "P1"
                                         << "*G1@P2"
                                         << "*G1@P1"
                                         << "!G1" << yamada << QVariant();
        QTest::newRow("computer") << "P1"
                                  << "#127.0.0.2"
                                  << "\\127.0.0.2@P1"
                                  << "#127.0.0.2" << yamada << QVariant("127.0.0.2");
        QTest::newRow("computer recipient") << "P1"
                                            << "\\127.0.0.1@P2"
                                            << "\\127.0.0.1@P1"
                                            << "#127.0.0.1" << yamada << QVariant("127.0.0.1");
        for (const char* kind : {"$127.0.0.1@22", "%127.0.0.1@001", "?127.0.0.1@001", "=127.0.0.1"})
            QTest::newRow(kind) << "P1" << kind << "\\127.0.0.1@P1"
                                << "#127.0.0.1" << yamada << QVariant("127.0.0.1");
        QTest::newRow("quote") << "O'Neil"
                               << "!G1"
                               << "*G1@O'Neil"
                               << "!G1" << u"オニール　【営業'部】"_qs << QVariant();
    }
    void dropPersonOnTree() {
        QFETCH(QString, staff);
        QFETCH(QString, target);
        QFETCH(QString, key);
        QFETCH(QString, parent);
        QFETCH(QString, text);
        QFETCH(QVariant, address);
        Fixture f;
        // The plug-in, weekly-window and calendar nodes as the loader would hang them.
        for (const char* k : {"%127.0.0.1@001", "?127.0.0.1@001", "=127.0.0.1"})
            QVERIFY(f.Nodes().Add("#127.0.0.1", tvwChild, k, k, "SStart"));
        const int before = f.Rows("1", {});

        for (int round = 0; round < 2; ++round) {  // the second drop is refused silently
            f.DropPerson(staff, target);
            TreeNode* node = f.Nodes().Item(key);
            QVERIFY(node);
            QCOMPARE(TreeNodes::Key(node->Parent()), parent);
            QCOMPARE(node->Parent()->Children().back(), node);  // the last child
            QCOMPARE(node->Text(), text);
            QCOMPARE(TreeNodes::Image(node), QStringLiteral("User"));
            QCOMPARE(f.Rows("1", {}), before + 1);
            const QString where = address.isNull() ? QStringLiteral("グループ = 'G1' AND アドレス IS NULL AND 職番 = ?")
                                                   : QStringLiteral("グループ = 'G1' AND アドレス = ? AND 職番 = ?");
            QCOMPARE(address.isNull() ? f.Rows(where, {staff}) : f.Rows(where, {address, staff}), 1);
        }
        QVERIFY(f.box->shown.isEmpty());
        QVERIFY(gCheckContinue);
        // What the drop wrote is what a reload shows.
        f.Reload();
        QVERIFY(f.Nodes().Item(key));
    }

    // A recipient node of the tree dropped on the tree, and a drop on no node, do nothing.
    void dropOnTreeThatDoesNothing() {
        Fixture f;
        const int nodes = f.Nodes().Count();
        QMimeData node;
        node.setData(FrmPing::kRecipientMime, QByteArray("*G1@P2"));
        f.form->TreeComputer_DragDrop(node, f.Nodes().Item("!G1"));
        QMimeData person;
        person.setData(FrmPing::kPersonMime, QByteArray("P1"));
        f.form->TreeComputer_DragDrop(person, nullptr);
        f.DropPerson("nobody", "!G1");
        QCOMPARE(f.Nodes().Count(), nodes);
        QCOMPARE(f.Rows("1", {}), 2);
    }

    // When the row cannot be written the node just added goes again, and the user is told.
    void dropWhoseWriteFails() {
        Fixture f;
        const int nodes = f.Nodes().Count();
        gOptDatabasePath = vtest::HomeDir() + QStringLiteral("/missing.MDB");
        f.DropPerson("P1", "!G1");
        gOptDatabasePath = f.db;
        QVERIFY(!f.Nodes().Item("*G1@P1"));
        QCOMPARE(f.Nodes().Count(), nodes);
        QCOMPARE(f.box->shown.size(), 1);
        QVERIFY(gCheckContinue);
    }

    // A recipient node dropped on the list removes exactly its own row and node.
    void dropNodeOnList_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("gone");  // the row that must go
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("group recipient") << "*G1@P2"
                                         << "アドレス IS NULL AND 職番 = 'P2'"
                                         << QStringList{"\\127.0.0.1@P2", "\\127.0.0.2@P2", "*G1@x@p"};
        QTest::newRow("computer recipient")
            << "\\127.0.0.1@P2"
            << "アドレス = '127.0.0.1' AND 職番 = 'P2'" << QStringList{"*G1@P2", "\\127.0.0.2@P2", "*G1@x@p"};
        // The key splits at its first "@": the 職番 may hold one.
        QTest::newRow("at in the person")
            << "*G1@x@p"
            << "職番 = 'x@p'" << QStringList{"*G1@P2", "\\127.0.0.1@P2", "\\127.0.0.2@P2"};
    }
    void dropNodeOnList() {
        QFETCH(QString, key);
        QFETCH(QString, gone);
        QFETCH(QStringList, kept);
        Fixture f;
        QVERIFY(vtest::Exec(f.db, kAddUser, {"x@p", "x", "y", 0, QVariant()}));
        QVERIFY(vtest::Exec(f.db, kAssign, {"G1", QVariant(), "x@p"}));
        QVERIFY(vtest::Exec(f.db, kAssign, {"G1", "127.0.0.2", "P2"}));
        f.Reload();
        QVERIFY(f.Nodes().Item(key));
        QCOMPARE(f.Rows(gone, {}), 1);

        f.DropNode(key);
        QVERIFY(!f.Nodes().Item(key));
        QCOMPARE(f.Rows(gone, {}), 0);
        QCOMPARE(f.Rows("1", {}), 3);
        for (const QString& k : kept) QVERIFY2(f.Nodes().Item(k), qPrintable(k));
        QVERIFY(f.box->shown.isEmpty());
        QVERIFY(gCheckContinue);
    }

    // Only recipient nodes are taken from the tree; a failed delete keeps the node.
    void dropOnListThatDoesNothing() {
        Fixture f;
        const int nodes = f.Nodes().Count();
        QMimeData person;
        person.setData(FrmPing::kPersonMime, QByteArray("P2"));
        f.form->ListViewUser_DragDrop(person);
        f.DropNode("#127.0.0.1");
        f.DropNode("!G1");
        QCOMPARE(f.Nodes().Count(), nodes);
        QCOMPARE(f.Rows("1", {}), 2);
        QVERIFY(f.box->shown.isEmpty());

        gOptDatabasePath = vtest::HomeDir() + QStringLiteral("/missing.MDB");
        f.DropNode("*G1@P2");
        gOptDatabasePath = f.db;
        QVERIFY(f.Nodes().Item("*G1@P2"));
        QCOMPARE(f.box->shown.size(), 1);
    }

    // A drop in either direction leaves a running check timer alone: its count goes on.
    void dropsLeaveTheTimerRunning() {
        Fixture f;
        const int remaining = vtest::StartCheckTimer(*f.form);
        f.DropPerson("P1", "!G1");
        f.DropNode("*G1@P2");
        QVERIFY(f.Nodes().Item("*G1@P1"));
        QVERIFY(!f.Nodes().Item("*G1@P2"));
        QVERIFY(vtest::CheckTimerKeptCounting(*f.form, remaining));
        QVERIFY(gCheckContinue);
    }

    // A recipient dropped on the list is the list's own business: it leaves checking as it
    // found it, so a round that is being stopped stays stopped and a running one goes on.
    void listDropLeavesCheckingAlone_data() {
        QTest::addColumn<bool>("checking");
        QTest::newRow("round running") << true;
        QTest::newRow("round being stopped") << false;
    }
    void listDropLeavesCheckingAlone() {
        QFETCH(bool, checking);
        Fixture f;
        const int remaining = vtest::StartCheckTimer(*f.form);
        gCheckContinue = checking;
        f.DropNode("*G1@P2");
        QVERIFY(!f.Nodes().Item("*G1@P2"));
        QCOMPARE(gCheckContinue, checking);
        QVERIFY(vtest::CheckTimerKeptCounting(*f.form, remaining));
        gCheckContinue = true;
    }

    // The person commands pause the round (gCheckContinue is clear while their dialog or
    // question is up) but leave the check timer counting, so the next round comes on time.
    void personCommandsLeaveTheTimerCounting_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("add") << "add";
        QTest::newRow("change") << "change";
        QTest::newRow("delete, yes") << "delete yes";
        QTest::newRow("delete, no") << "delete no";
    }
    void personCommandsLeaveTheTimerCounting() {
        QFETCH(QString, command);
        Fixture f;
        bool continueInside = true;
        f.onDialog = [&](QDialog&) { continueInside = gCheckContinue; };
        f.box->onShow = [&] { continueInside = gCheckContinue; };
        f.List().setCurrentItem(f.Person("P1"));
        const int remaining = vtest::StartCheckTimer(*f.form);
        if (command == "add") {
            f.form->menuNodeUserInsert_Click();
        } else if (command == "change") {
            f.form->menuNodeUserUpdate_Click();
        } else {
            f.box->answers = {command.endsWith("yes") ? vb::vbYes : vb::vbNo};
            f.form->menuNodeUserDelete_Click();
            QCOMPARE(!f.Person("P1"), command.endsWith("yes"));
        }
        QVERIFY(!continueInside);
        QVERIFY(gCheckContinue);
        QVERIFY(vtest::CheckTimerKeptCounting(*f.form, remaining));
    }

    // Deleting a person takes the rows, the nodes at both levels and the list item; No,
    // or a failure half-way, keeps all of them.
    void deletePerson_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("blocked");  // the person's own row cannot be deleted
        QTest::addColumn<bool>("gone");
        QTest::newRow("yes") << int(vb::vbYes) << false << true;
        QTest::newRow("no") << int(vb::vbNo) << false << false;
        QTest::newRow("yes, person row refused") << int(vb::vbYes) << true << false;
    }
    void deletePerson() {
        QFETCH(int, answer);
        QFETCH(bool, blocked);
        QFETCH(bool, gone);
        Fixture f;
        QVERIFY(vtest::Exec(f.db, kAssign, {"G1", QVariant(), "P1"}));
        f.Reload();
        if (blocked)
            QVERIFY(vtest::Exec(f.db, QStringLiteral("CREATE TRIGGER keep BEFORE DELETE ON TBL_User "
                                                     "BEGIN SELECT RAISE(ABORT, 'kept'); END")));
        f.List().setCurrentItem(f.Person("P2"));
        f.box->answers.push_back(answer);
        f.form->menuNodeUserDelete_Click();

        QCOMPARE(f.box->shown.first().prompt, u"職番：P2(田中)を削除します。"_qs);
        QCOMPARE(f.box->shown.first().style, vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton2);
        QCOMPARE(f.box->shown.size(), blocked ? 2 : 1);  // the failure is shown
        QCOMPARE(f.Rows("職番 = 'P2'", {}), gone ? 0 : 2);
        QCOMPARE(f.Users("P2"), gone ? 0 : 1);
        QCOMPARE(!f.Nodes().Item("*G1@P2"), gone);
        QCOMPARE(!f.Nodes().Item("\\127.0.0.1@P2"), gone);
        QCOMPARE(!f.Person("P2"), gone);
        // Nobody else is touched.
        QVERIFY(f.Nodes().Item("*G1@P1"));
        QCOMPARE(f.Rows("職番 = 'P1'", {}), 1);
        QVERIFY(f.Person("P1"));
        QVERIFY(gCheckContinue);
    }

    // The order flips on every header click, whichever column.
    void columnClickFlipsOrder() {
        Fixture f;
        QHeaderView* header = f.List().header();
        auto firsts = [&] {
            QStringList out;
            for (int i = 0; i < f.List().topLevelItemCount(); ++i) out << f.List().topLevelItem(i)->text(0);
            return out;
        };
        auto click = [&](int section) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(section) + 5, header->height() / 2));
        };
        f.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
        f.form->SSTabComputer()->setCurrentIndex(1);
        click(0);  // 職番 descending
        QCOMPARE(firsts(), (QStringList{"P2", "P1", "O'Neil"}));
        click(0);  // ascending
        QCOMPARE(firsts(), (QStringList{"O'Neil", "P1", "P2"}));
        click(2);  // 所属名, descending although a new column: 経理 > 総務 > 営業'部 in code order
        QCOMPARE(f.List().header()->sortIndicatorSection(), 2);
        QCOMPARE(f.List().header()->sortIndicatorOrder(), Qt::DescendingOrder);
        click(2);
        QCOMPARE(f.List().header()->sortIndicatorOrder(), Qt::AscendingOrder);
    }

    // A right press on an item selects it and shows the three commands; on empty space it
    // shows nothing and keeps the selection.
    void rightPressMenu() {
        Fixture f;
        QWidget* viewport = f.ShowList("P1");
        QVERIFY(viewport);
        QTreeWidget& list = f.List();
        QTest::mousePress(viewport, Qt::RightButton, {}, QPoint(5, viewport->height() - 3));
        QVERIFY(!f.form->menuNodeUser()->isVisible());
        QCOMPARE(list.currentItem(), f.Person("P1"));

        const QRect row = list.visualItemRect(f.Person("P2"));
        QTest::mousePress(viewport, Qt::RightButton, {}, row.center());
        QCOMPARE(list.currentItem(), f.Person("P2"));
        QVERIFY(f.form->menuNodeUser()->isVisible());
        QStringList shown;
        for (QAction* a : f.form->menuNodeUser()->actions())
            if (a->isVisible()) shown << a->text();
        QCOMPARE(shown, (QStringList{u"追加"_qs, u"変更"_qs, u"削除"_qs}));
        f.form->menuNodeUser()->hide();

        // With nobody in the list, the first person can still be added.
        list.clear();
        QTest::mousePress(viewport, Qt::RightButton, {}, QPoint(5, 5));
        QVERIFY(f.form->menuNodeUser()->isVisible());
        shown.clear();
        for (QAction* a : f.form->menuNodeUser()->actions())
            if (a->isVisible()) shown << a->text();
        QCOMPARE(shown, QStringList{u"追加"_qs});
        f.form->menuNodeUser()->hide();
    }

    // A press below the people keeps the selection; a double-click there, as on a person,
    // edits the selected person.
    void pressBelowThePeople() {
        Fixture f;
        QWidget* viewport = f.ShowList("P1");
        QVERIFY(viewport);
        QTreeWidget& list = f.List();
        const QPoint empty(5, viewport->height() - 3);
        QVERIFY(!list.itemAt(empty));
        QTest::mouseClick(viewport, Qt::LeftButton, {}, empty);
        QCOMPARE(list.currentItem(), f.Person("P1"));
        QVERIFY(list.currentItem()->isSelected());
        QVERIFY(f.titles.isEmpty());
        QString edited;
        f.onDialog = [&](QDialog& d) { edited = dynamic_cast<FrmUser&>(d).txt_UserID->text(); };
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, empty);
        QCOMPARE(list.currentItem(), f.Person("P1"));
        QVERIFY(list.currentItem()->isSelected());
        QCOMPARE(f.titles, QStringList{u"担当者の管理(更新)"_qs});
        QCOMPARE(edited, QStringLiteral("P1"));
        // On a person (its first click selects it) it edits that person, once.
        const QPoint onP2 = list.visualItemRect(f.Person("P2")).center();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, onP2);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, onP2);
        QCOMPARE(f.titles.size(), 2);
        QCOMPARE(edited, QStringLiteral("P2"));
    }

    // Adding through the staff dialog puts the person in the list; changing one renames the
    // group-level nodes at once (the computer-level ones at the next load).
    void addAndChangeThroughTheDialog() {
        Fixture f;
        f.onDialog = [](QDialog& d) {
            auto& user = dynamic_cast<FrmUser&>(d);
            user.txt_UserID->setText(" N'1 ");
            user.txt_Name->setText(u"新人"_qs);
            user.txt_Shozoku->setText(u"開発"_qs);
            user.Txt_Tel->setText("123");
            QVERIFY(user.cmdUpdate_Click());
        };
        f.form->menuNodeUserInsert_Click();
        QCOMPARE(f.titles, QStringList{u"担当者の管理(追加)"_qs});
        QVERIFY(f.Person("N'1"));
        QCOMPARE(f.Users("N'1"), 1);
        QCOMPARE(gSelUserID, QStringLiteral("N'1"));

        f.List().setCurrentItem(f.Person("P2"));
        f.onDialog = [](QDialog& d) {
            auto& user = dynamic_cast<FrmUser&>(d);
            QCOMPARE(user.txt_UserID->text(), QStringLiteral("P2"));
            user.txt_Name->setText(u"田中二郎"_qs);
            QVERIFY(user.cmdUpdate_Click());
        };
        f.form->ListViewUser_DblClick();
        QCOMPARE(f.titles.last(), u"担当者の管理(更新)"_qs);
        QCOMPARE(f.Nodes().Item("*G1@P2")->Text(), u"田中二郎　【経理】"_qs);
        QCOMPARE(f.Nodes().Item("\\127.0.0.1@P2")->Text(), u"田中　【経理】"_qs);
        f.Reload();
        QCOMPARE(f.Nodes().Item("\\127.0.0.1@P2")->Text(), u"田中二郎　【経理】"_qs);
        QVERIFY(gCheckContinue);
    }

    // A person added through the dialog and dropped on a computer gets that computer's
    // alarm mail; a person dropped on another computer does not.
    void alarmReachesTheAssignedPerson() {
        vtest::SmtpSink sink;
        QVERIFY2(sink.Start(), "the aiosmtpd sink did not start");
        Fixture f;
        auto add = [&](const QString& staff, const QString& mail) {
            f.onDialog = [staff, mail](QDialog& d) {
                auto& user = dynamic_cast<FrmUser&>(d);
                user.txt_UserID->setText(staff);
                user.txt_Name->setText(staff);
                user.txt_Shozoku->setText("IT");
                user.Txt_Tel->setText("1");
                user.CheckEMail->setChecked(true);
                user.TxtEMailAddress1->setText(mail);
                QVERIFY(user.cmdUpdate_Click());
            };
            f.form->menuNodeUserInsert_Click();
        };
        add("M1", "m1@example.jp");
        add("M2", "m2@example.jp");
        f.DropPerson("M1", "$127.0.0.1@22");
        f.DropPerson("M2", "#127.0.0.2");
        QVERIFY(f.box->shown.isEmpty());

        gOptSendMsg = true;
        gOptMailUserID = QStringLiteral("alarm");
        gOptPOPServer = QStringLiteral("127.0.0.1");
        gOptMailServer.clear();
        LanMessenger program;
        QCOMPARE(program.Open(0, QHostAddress::LocalHost), 0);
        MailslotSender mailslot;
        NotifyForm notify{program, mailslot, nullptr, sink.Port()};
        QCOMPARE(SendLanMessage(notify, "12", "G1", "127.0.0.1", "down"), 0);
        gOptSendMsg = false;
        const QList<QJsonObject> mails = sink.Take();
        QCOMPARE(mails.size(), 1);
        QCOMPARE(mails[0]["rcpt_tos"].toArray().size(), 1);
        QCOMPARE(mails[0]["rcpt_tos"].toArray()[0].toString(), QStringLiteral("m1@example.jp"));
    }
};

VANTORO_TEST_MAIN(TestRecipients)
#include "tst_recipients.moc"
