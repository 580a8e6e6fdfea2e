// The tree's commands run inside a check round's yield, as a user can run them while the
// round waits for an echo or for a plug-in: the delete cascade, the record dialogs' saves,
// the weekly and dated windows, the person drop and delete and the check switch. After
// each the round goes on or ends as the target list allows, checks no computer that is
// gone, writes no state the command made stale, and leaves the command frame restored.
#include "FakePlugin.h"
#include "TestSupport.h"
#include "tests/console/ConsoleRig.h"

#include "admin/FrmComputer.h"
#include "admin/FrmGroup.h"
#include "admin/FrmService.h"
#include "alarms/PatLamp.h"
#include "console/FrmPing.h"
#include "engine/CheckRound.h"
#include "engine/IcmpEcho.h"
#include "model/Encipherment.h"
#include "model/Globals.h"
#include "schedules/ClsCalendar.h"
#include "schedules/FrmCalendar.h"
#include "schedules/FrmCalenderWait.h"
#include "schedules/FrmWait.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <functional>
#include <map>
#include <memory>

namespace {

const QString kA = QStringLiteral("127.0.0.1");
const QString kB = QStringLiteral("127.0.0.2");
const QString kC = QStringLiteral("127.0.0.3");
const QString kPluginFile = QStringLiteral("InRound.so");

// Group G1 with computers A and B, group G2 with computer C; A has a plug-in check, B
// has person U2 as recipient. Every computer fails at its first missed echo.
struct Fixture {
    QString db = vtest::FreshDatabase();
    std::function<void()> inPluginCheck;
    vtest::FakePlugin plugin{kPluginFile, [this] {
                                 if (inPluginCheck) inPluginCheck();
                                 return false;
                             }};
    std::unique_ptr<FrmPing> form;
    std::unique_ptr<vtest::RecordingMessageBox> box;  // made after the window, which installs its own
    std::function<void(QDialog&)> onDialog;
    std::map<QString, std::deque<char>> script;  // 'o' answered, 't' no answer
    QStringList echoes;                          // addresses, in order

    Fixture() {
        const QStringList rows = {
            "INSERT INTO TBL_Group (グループ, 表示名, 説明, 診断有無) VALUES ('G1', '本社', '', -1)",
            "INSERT INTO TBL_Group (グループ, 表示名, 説明, 診断有無) VALUES ('G2', '支店', '', -1)",
            "INSERT INTO TBL_User (職番, 氏名, 所属名) VALUES ('U1', '山田', '総務')",
            "INSERT INTO TBL_User (職番, 氏名, 所属名) VALUES ('U2', '佐藤', '情報')",
            "INSERT INTO TBL_MsgSend (グループ, アドレス, 職番) VALUES ('G1', '127.0.0.2', 'U2')",
        };
        for (const QString& sql : rows) vtest::Exec(db, sql);
        const std::pair<QString, QString> computers[] = {{kA, "G1"}, {kB, "G1"}, {kC, "G2"}};
        for (const auto& [address, group] : computers)
            vtest::Exec(db,
                        "INSERT INTO TBL_Computer (アドレス, グループ, コンピュータ名, 種類, 表示名, 診断有無, "
                        "異常判断回数, 異常音再生, タイムアウト, 状況, Ping有無) VALUES (?, ?, ?, 'PC', ?, -1, 1, 0, "
                        "1000, 'Nomal', -1)",
                        {address, group, "pc" + address.section('.', 3), "PC" + address.section('.', 3)});
        vtest::Exec(db, "INSERT INTO TBL_DLL (アドレス, 連番, DLL名, 引数) VALUES (?, 1, ?, ?)",
                    {kA, kPluginFile, Encipherment(QString::fromLatin1(kParameterKey), QStringLiteral("p"))});
        gOptDatabasePath = db;
        gOptNoCheck = false;
        gOptFormTop = false;
        gOptWebInfo = true;  // the states are stored
        gOptSendMsg = false;
        gOptSound = false;
        gOptPatLamp = false;
        gOptPopUp = false;
        gOptNGRset = 10;
        gCheckContinue = true;

        form = std::make_unique<FrmPing>();
        FrmPing::Services s;
        s.runDialog = [this](QDialog& d) {
            if (onDialog) onDialog(d);
        };
        form->SetServices(std::move(s));
        box = std::make_unique<vtest::RecordingMessageBox>();
        QString loadError;
        QVERIFY2(FrmPing::DefaultServices().loadComputerTree(*form, loadError), qPrintable(loadError));
        form->mPing().SetEchoFunction(
            [this](quint32 destination, const QByteArray&, int, int, icmp::EchoReply& r) {
                const QString address = QHostAddress(destination).toString();
                echoes << address;
                if (onEcho) onEcho(address);
                char outcome = 't';
                if (auto& queue = script[address]; !queue.empty()) {
                    outcome = queue.front();
                    queue.pop_front();
                }
                r = icmp::EchoReply{};
                if (outcome == 't') {
                    r.status = icmp::RequestTimedOut;
                    return 0;
                }
                r.replies = 1;
                r.status = icmp::Success;
                r.address = destination;
                r.addressText = address;
                return 1;
            });
    }
    ~Fixture() {
        box.reset();
        form.reset();
        gPingDatas.Clear();
        UnloadPatLamp();
    }

    std::function<void(const QString&)> onEcho;

    TreeNodes& Nodes() { return form->TreeComputer(); }
    void Select(const QString& key) { vtest::SelectNode(*form, key); }
    // "-" for a computer that has no node or no row.
    QString Images() {
        QStringList out;
        for (const QString& a : {kA, kB, kC}) {
            TreeNode* node = Nodes().Item("#" + a);
            out << (node ? TreeNodes::Image(node) : QStringLiteral("-"));
        }
        return out.join(' ');
    }
    QString States() const {
        QStringList out;
        for (const QString& a : {kA, kB, kC}) {
            const QVariant v = vtest::Scalar(db, "SELECT 状況 FROM TBL_Computer WHERE アドレス = ?", {a});
            out << (v.isValid() && !v.isNull() ? v.toString() : QStringLiteral("-"));
        }
        return out.join(' ');
    }
};

// The commands, each as the user gives it: selection, then the command, with its dialog
// filled in and saved or its question answered.
void Run(Fixture& f, const QString& command) {
    auto saveWith = [&f](std::function<void(QDialog&)> fill) { f.onDialog = std::move(fill); };
    auto computerDialog = [&](const QString& key, std::function<void(FrmComputer&)> edit) {
        saveWith([edit, &f](QDialog& d) {
            auto& dlg = static_cast<FrmComputer&>(d);
            dlg.txt_Comment->setPlainText("説明");
            edit(dlg);
            QVERIFY2(dlg.cmdUpdate_Click(), qPrintable(f.box->prompts().join('|')));
        });
        f.Select(key);
    };
    auto allDay = [](const std::array<QLineEdit*, 4>& boxes) {
        const QStringList texts = {"0", "0", "23", "59"};
        for (size_t i = 0; i < 4; ++i) boxes[i]->setText(texts[static_cast<int>(i)]);
    };

    if (command.startsWith("delete ")) {
        f.box->answers = {vb::vbYes};
        f.Select(command.mid(7));
        f.form->menuNodeDelete_Click();
    } else if (command == "add computer") {
        computerDialog("!G1", [](FrmComputer& dlg) {
            const QStringList fields = {"127", "0", "0", "4"};
            for (int i = 0; i < 4; ++i) dlg.IPEdit.phWnd()->Field(i)->setText(fields[i]);
            dlg.txt_Name->setText("pc4");
            dlg.txt_Display->setText("PC4");
            dlg.Cmb_Shurui->setCurrentText("PC");
            dlg.txt_ErrCount->setText("1");
            dlg.txt_Timeout->setText("1000");
        });
        f.form->menuNodeInsert_Click();
    } else if (command.startsWith("rename ")) {
        computerDialog(command.mid(7), [](FrmComputer& dlg) { dlg.txt_Name->setText("renamed"); });
        f.form->menuNodeUpdate_Click();
    } else if (command.startsWith("edit off ")) {
        computerDialog(command.mid(9), [](FrmComputer& dlg) { dlg.chk_Umu->setChecked(false); });
        f.form->menuNodeUpdate_Click();
    } else if (command == "group G2 edited off") {
        saveWith([&f](QDialog& d) {
            auto& dlg = static_cast<FrmGroup&>(d);
            dlg.txt_Comment->setPlainText("説明");
            dlg.chk_Umu->setChecked(false);
            QVERIFY2(dlg.cmdUpdate_Click(), qPrintable(f.box->prompts().join('|')));
        });
        f.Select("!G2");
        f.form->menuNodeUpdate_Click();
    } else if (command == "port added to B") {
        saveWith([](QDialog& d) {
            auto& dlg = static_cast<FrmService&>(d);
            dlg.txt_Port->setText("22");
            dlg.txt_Display->setText("SSH");
            QVERIFY(dlg.cmdUpdate_Click());
        });
        f.Select("#" + kB);
        f.form->menuNodeInsert_Click();
    } else if (command == "weekly window on B") {
        saveWith([allDay](QDialog& d) {
            auto& dlg = static_cast<FrmWait&>(d);
            allDay(dlg.txt_TimeWait);
            QVERIFY(dlg.cmdUpdate_Click());
        });
        f.Select("#" + kB);
        f.form->menuNodeInsert2_Click();
    } else if (command == "dated window on B") {
        saveWith([allDay](QDialog& d) {
            if (auto* day = qobject_cast<FrmCalenderWait*>(&d)) {
                allDay(day->txt_TimeWait);
                day->OKButton_Click();
                return;
            }
            auto& cal = static_cast<FrmCalendar&>(d);
            const QDate today = QDate::currentDate();
            ClsCalendar& month = *cal.picCalendar[today.month()];
            const QPointF p = QRectF(ClsCalendar::DayCellRect(month.FirstDayCell() + today.day() - 1)).center();
            cal.picCalendar_MouseUp(today.month(), ClsCalendar::kLeftButton, p.x(), p.y());
        });
        f.Select("#" + kB);
        f.form->menuNodeInsert4_Click();
    } else if (command == "person dropped on B") {
        QMimeData data;
        data.setData(FrmPing::kPersonMime, QByteArray("U1"));
        f.form->TreeComputer_DragDrop(data, f.Nodes().Item("#" + kB));
    } else if (command == "person deleted") {
        const auto found = f.form->ListViewUser()->findItems("U2", Qt::MatchExactly, 0);
        QVERIFY(!found.isEmpty());
        f.form->ListViewUser()->setCurrentItem(found.first());
        f.box->answers = {vb::vbYes};
        f.form->menuNodeUserDelete_Click();
    } else if (command.startsWith("switch ")) {
        f.Select(command.mid(7));
        f.form->menuNodeCheck_Click();
    } else {
        QFAIL(qPrintable("unknown command " + command));
    }
}

}  // namespace

class TestCommandsInRound : public QObject {
    Q_OBJECT

private slots:
    void init() { gPatLampShowing = false; }

    // The command runs once while A, the first computer, is in its check: in the echo's
    // wait (A does not answer) or inside A's plug-in check (A answers, the plug-in fails).
    // Either way A's failure is "Question" when the round goes on, as is B's and C's.
    void commandDuringCheck_data() {
        QTest::addColumn<QString>("during");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("echoedAfter");  // computers echoed after the command
        QTest::addColumn<QString>("images");       // computer nodes A B C ("-": gone)
        QTest::addColumn<QString>("states");       // stored states A B C ("-": no row)

        struct Case {
            const char* name;
            QString command, echoedAfter, images, states;
        };
        const QString ended = "Nomal Nomal Nomal";
        const QString allFailed = "Question Question Question";
        const Case cases[] = {
            // The list shortened, rebuilt or re-sorted: the round ends at once.
            {"computer checked deleted", "delete #" + kA, "", "- Nomal Nomal", "- Nomal Nomal"},
            {"later computer deleted", "delete #" + kB, "", "Nomal - Nomal", "Nomal - Nomal"},
            {"own group deleted", "delete !G1", "", "- - Nomal", "- - Nomal"},
            {"other group deleted", "delete !G2", "", "Nomal Nomal -", "Nomal Nomal -"},
            {"computer added (list sorted)", "add computer", "", ended, ended},
            // Patched in place: the round goes on and sees the change where it is due.
            {"later computer renamed", "rename #" + kB, kB + "," + kC, allFailed, allFailed},
            {"later computer edited off", "edit off #" + kB, kC, "Question NoCheck Question",
             "Question Nomal Question"},
            {"later group edited off", "group G2 edited off", kB, "Question Question Nomal", "Question Question Nomal"},
            {"port added", "port added to B", kB + "," + kC, allFailed, allFailed},
            {"weekly window now", "weekly window on B", kC, "Question Nomal Question", "Question Nomal Question"},
            {"dated window today", "dated window on B", kC, "Question Nomal Question", "Question Nomal Question"},
            {"person dropped", "person dropped on B", kB + "," + kC, allFailed, allFailed},
            {"person deleted", "person deleted", kB + "," + kC, allFailed, allFailed},
            {"later computer switched off", "switch #" + kB, kC, "Question NoCheck Question",
             "Question Nomal Question"},
            {"later group switched off", "switch !G2", kB, "Question Question Nomal", "Question Question Nomal"},
            // The computer in its check switched off: its outcome, come too late, is
            // dropped; it neither paints over "NoCheck" nor stores a state.
            {"computer checked switched off", "switch #" + kA, kB + "," + kC, "NoCheck Question Question",
             "Nomal Question Question"},
            {"computer checked edited off", "edit off #" + kA, kB + "," + kC, "NoCheck Question Question",
             "Nomal Question Question"},
            {"own group switched off", "switch !G1", kC, "Nomal Nomal Question", "Nomal Nomal Question"},
        };
        for (const char* during : {"echo", "plug-in"})
            for (const Case& c : cases)
                QTest::addRow("%s: %s", c.name, during)
                    << QString::fromLatin1(during) << c.command << c.echoedAfter << c.images << c.states;
    }

    void commandDuringCheck() {
        QFETCH(QString, during);
        QFETCH(QString, command);
        QFETCH(QString, echoedAfter);
        QFETCH(QString, images);
        QFETCH(QString, states);

        Fixture f;
        QCOMPARE(f.Images(), QStringLiteral("Nomal Nomal Nomal"));
        bool ran = false;
        qsizetype echoesBefore = -1;
        int pluginChecksBefore = -1;
        auto runOnce = [&] {
            if (ran) return;
            ran = true;
            Run(f, command);
            echoesBefore = f.echoes.size();
            pluginChecksBefore = f.plugin.checks;
            // The command's frame is over: checking may go on.
            QVERIFY(gCheckContinue);
        };
        if (during == "echo") {
            f.onEcho = [&](const QString& address) {
                if (address == kA) runOnce();
            };
        } else {
            f.script[kA] = {'o'};
            f.inPluginCheck = runOnce;
        }
        CheckAllTargets(f.form->monitor(), f.form->mPing());
        QVERIFY(ran);
        QVERIFY(!f.form->monitor().Session().Running());
        QVERIFY(gCheckContinue);
        QCOMPARE(f.form->CommandDepth(), 0);
        QCOMPARE(f.echoes.mid(echoesBefore).join(','), echoedAfter);
        QCOMPARE(f.plugin.checks, pluginChecksBefore);  // only A has one: not checked again
        QCOMPARE(f.Images(), images);
        QCOMPARE(f.States(), states);
        // A later round checks what is left, from its first computer.
        f.echoes.clear();
        f.onEcho = nullptr;
        f.inPluginCheck = nullptr;
        CheckAllTargets(f.form->monitor(), f.form->mPing());
        QStringList expected;
        for (qint32 i = 1; i <= gPingDatas.ListCount(); ++i) {
            const auto item = gPingDatas.Item(i);
            if (!item->NotIPAddress && item->NoCheckGrp && item->NoCheckSrv && item->WaitTime().TimeCheck(QDateTime::currentDateTime()) &&
                item->WaitDayTime().TimeCheck(QDateTime::currentDateTime()))
                expected << item->IPAddress;
        }
        QCOMPARE(f.echoes.join(','), expected.join(','));
    }
};

VANTORO_TEST_MAIN(TestCommandsInRound)
#include "tst_commandsinround.moc"
