// The weekly no-check window dialog and the day time-window dialog, over a real database:
// the time-window rule's table of cases, what a save writes to the table, the tree and the
// computer's window list, and the day dialog's result.
#include "ScheduleRig.h"

#include "model/Globals.h"
#include "model/Loader.h"
#include "model/RowNumbers.h"
#include "model/TreeNodes.h"
#include "schedules/FrmCalenderWait.h"
#include "schedules/FrmWait.h"
#include "schedules/TimeWindowRule.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {
const QString kAddr = QStringLiteral("127.0.0.21");

void setBoxes(const std::array<QLineEdit*, 4>& boxes, const QStringList& texts) {
    for (size_t i = 0; i < 4; ++i) boxes[i]->setText(texts[static_cast<int>(i)]);
}
// The two refusals that explain the latest end, given as "31時59分".
QString Explained(const QString& refusal, const QString& latest) {
    return refusal + QStringLiteral("\r\n終了時刻は開始時刻＋24時間-1分の（") + latest + QStringLiteral("）までです。");
}
QString TooLate(const char* latest) {
    return Explained(QStringLiteral("終了時刻が許容範囲をこえています。"), QString::fromUtf8(latest));
}
QString EndFirst(const char* latest) {
    return Explained(QStringLiteral("開始時刻と終了時刻が前後しています。"), QString::fromUtf8(latest));
}
QStringList boxTexts(const std::array<QLineEdit*, 4>& boxes) {
    QStringList out;
    for (QLineEdit* b : boxes) out << b->text();
    return out;
}
}  // namespace

class TestWeeklyWindow : public QObject {
    Q_OBJECT

    struct Rig : vtest::ScheduleRig {
        Rig() : ScheduleRig(kAddr) {}
        ClsWaitTimes& waits() { return computer().WaitTime(); }
        // A window of the computer already stored, and loaded into the tree and the model.
        void storeWindow(int subNo, int start, int end, const QString& mask) {
            vtest::Exec(db, "INSERT INTO TBL_NoCheck (アドレス,連番,開始時刻,終了時刻,曜日) VALUES (?,?,?,?,?)",
                        {kAddr, subNo, start, end, mask});
            reload();
        }
    };
    // What the tree's commands select before opening the dialog (0: a new window).
    static void open(int subNo) {
        gSelAddress = kAddr;
        gSelSubNo = static_cast<qint16>(subNo);
    }

    // Rows of the rule's table: a span the rule accepts as start and end, or one it
    // refuses with the message and the box that gets the focus.
    static void accepted(const char* name, const QStringList& in, int start, int end, const QStringList& after = {}) {
        QTest::newRow(name) << in << true << start << end << QString() << -1 << (after.isEmpty() ? in : after);
    }
    static void refused(const char* name, const QStringList& in, const QString& message, int focus,
                        const QStringList& after = {}) {
        QTest::newRow(name) << in << false << 0 << 0 << message << focus << (after.isEmpty() ? in : after);
    }

private slots:
    void rule_data() {
        QTest::addColumn<QStringList>("in");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("focus");
        QTest::addColumn<QStringList>("after");
        // "after": the boxes as the dialog shows them afterwards (unchanged when not given).
        accepted("day window", {"08", "30", "17", "00"}, 830, 1700);
        accepted("empty end is the start", {"08", "00", "", " "}, 800, 800, {"08", "00", "08", "00"});
        accepted("empty start is midnight", {"", "", "1", "5"}, 0, 105, {"00", "00", "01", "05"});
        accepted("single digits padded", {"7", "0", "9", "3"}, 700, 903, {"07", "00", "09", "03"});
        accepted("past midnight", {"22", "00", "30", "00"}, 2200, 3000);
        accepted("end at the limit", {"08", "00", "31", "59"}, 800, 3159);
        accepted("latest end of all", {"23", "59", "47", "58"}, 2359, 4758);
        refused("end past the limit", {"08", "00", "32", "00"}, TooLate("31時59分"), 2);
        refused("one past 47:58", {"23", "59", "47", "59"}, TooLate("47時58分"), 2);
        refused("minutes in the explanation without zeros", {"09", "06", "40", "00"}, TooLate("33時5分"), 2);
        refused("end before start", {"22", "00", "06", "00"}, EndFirst("45時59分"), 2);
        refused("start hour 24", {"24", "00", "25", "00"}, waitmsg::kStartHour, 0, {"23", "00", "25", "00"});
        refused("start minute 60", {"08", "60", "09", "00"}, waitmsg::kStartMinute, 1, {"08", "59", "09", "00"});
        refused("end minute 75", {"08", "00", "09", "75"}, waitmsg::kEndMinute, 3, {"08", "00", "09", "59"});
        refused("start hour checked before minutes", {"30", "99", "10", "99"}, waitmsg::kStartHour, 0,
                {"23", "99", "10", "99"});
        refused("pasted letters in the start hour", {"ab", "00", "10", "00"}, waitmsg::kStartHour, 0,
                {"23", "00", "10", "00"});
        refused("pasted sign in the end minute", {"08", "00", "10", "-1"}, waitmsg::kEndMinute, 3,
                {"08", "00", "10", "59"});
        refused("pasted full-width digits in the end hour", {"08", "00", "１０", "00"}, TooLate("31時59分"), 2);
    }
    void rule() {
        QFETCH(QStringList, in);
        QFETCH(bool, ok);
        QFETCH(QString, message);
        QFETCH(int, focus);
        QFETCH(QStringList, after);
        std::array<QString, 4> t{in[0], in[1], in[2], in[3]};
        const TimeWindowVerdict v = ApplyTimeWindowRule(t);
        QCOMPARE(v.ok, ok);
        QCOMPARE((QStringList{t[0], t[1], t[2], t[3]}), after);
        if (ok) {
            QTEST(int(v.start), "start");
            QTEST(int(v.end), "end");
        } else {
            QCOMPARE(v.message, message);
            QCOMPARE(v.focusBox, focus);
        }
    }

    // A new window: two saves in a row insert one row, add one node, keep one list entry.
    void insertThenUpdate() {
        Rig rig;
        rig.storeWindow(4, 100, 200, QStringLiteral("1111111"));
        vtest::RecordingMessageBox boxes;
        open(0);
        FrmWait dialog(rig.nodes);
        QCOMPARE(dialog.cmdUpdate->text(), QStringLiteral("登録(&I)"));
        setBoxes(dialog.txt_TimeWait, {"8", "0", "", ""});
        QVERIFY(dialog.cmdUpdate_Click());
        QCOMPARE(boxes.shown.size(), 0);
        QCOMPARE(gSelSubNo, qint16(5));
        QCOMPARE(dialog.cmdUpdate->text(), QStringLiteral("更新(&U)"));
        const QString key = QStringLiteral("?") + kAddr + QStringLiteral("@005");
        TreeNode* node = rig.nodes.Item(key);
        QVERIFY(node);
        QCOMPARE(TreeNodes::Text(node), QStringLiteral("08時00分～08時00分  【日・月・火・水・木・金・土】"));
        QCOMPARE(TreeNodes::Image(node), QStringLiteral("Wait"));
        QCOMPARE(rig.nodes.SelectedItem(), node);

        setBoxes(dialog.txt_TimeWait, {"08", "30", "17", "00"});
        for (int i = 1; i <= 7; ++i) dialog.ChkDay[i]->setChecked(false);
        QVERIFY(dialog.cmdUpdate_Click());
        QCOMPARE(vtest::Scalar(rig.db, "SELECT count(*) FROM TBL_NoCheck WHERE アドレス=?", {kAddr}).toInt(), 2);
        QCOMPARE(vtest::Scalar(rig.db, "SELECT 開始時刻 || '-' || 終了時刻 || '-' || 曜日 FROM TBL_NoCheck "
                                       "WHERE アドレス=? AND 連番=5", {kAddr}).toString(),
                 QStringLiteral("830-1700-0000000"));
        QCOMPARE(TreeNodes::Text(rig.nodes.Item(key)), QStringLiteral("08時30分～17時00分  【無効】"));
        ClsWaitTimes& w = rig.waits();
        QCOMPARE(w.Count(), 2);
        auto mine = w.Item(w.GetItemNo(5));
        QCOMPARE(int(mine->TimeStart), 830);
        QCOMPARE(int(mine->TimeEnd), 1700);
        QCOMPARE(mine->TimeDay, QStringLiteral("0000000"));

        // The loader rebuilds the same node and window from the row.
        rig.reload();
        QCOMPARE(TreeNodes::Text(rig.nodes.Item(key)), QStringLiteral("08時30分～17時00分  【無効】"));
    }

    void updateLoadsRowAndRefusals() {
        Rig rig;
        rig.storeWindow(1, 2200, 3005, QStringLiteral("0111110"));
        vtest::RecordingMessageBox boxes;
        open(1);
        FrmWait dialog(rig.nodes);
        QCOMPARE(dialog.cmdUpdate->text(), QStringLiteral("更新(&U)"));
        QCOMPARE(boxTexts(dialog.txt_TimeWait), (QStringList{"22", "00", "30", "05"}));
        QVERIFY(!dialog.ChkDay[1]->isChecked());
        QVERIFY(dialog.ChkDay[2]->isChecked());
        QVERIFY(!dialog.ChkDay[7]->isChecked());

        // A refused span stores nothing.
        setBoxes(dialog.txt_TimeWait, {"22", "00", "06", "00"});
        QVERIFY(!dialog.cmdUpdate_Click());
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown[0].prompt.startsWith(waitmsg::kOrder));
        QCOMPARE(boxes.shown[0].style, vb::vbOKOnly | vb::vbInformation);
        QCOMPARE(vtest::Scalar(rig.db, "SELECT 終了時刻 FROM TBL_NoCheck WHERE 連番=1").toInt(), 3005);

        // Deleted elsewhere meanwhile: the question, nothing written, mode unchanged.
        vtest::Exec(rig.db, "DELETE FROM TBL_NoCheck");
        setBoxes(dialog.txt_TimeWait, {"22", "00", "30", "00"});
        QVERIFY(!dialog.cmdUpdate_Click());
        QCOMPARE(boxes.shown.last().prompt, waitmsg::kDeleted);
        QCOMPARE(boxes.shown.last().style, vb::vbOKOnly | vb::vbQuestion);
        QCOMPARE(vtest::Scalar(rig.db, "SELECT count(*) FROM TBL_NoCheck").toInt(), 0);
        QCOMPARE(gSelSubNo, qint16(1));
        QCOMPARE(dialog.cmdUpdate->text(), QStringLiteral("更新(&U)"));
    }

    // A new window that cannot be numbered: a row numbered 0 for the address (written by
    // hand) gives the duplicate message, used-up numbers their own; either way one
    // message, nothing written, and the dialog stays in insert mode.
    void newWindowRefused_data() {
        QTest::addColumn<int>("storedNo");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<int>("style");
        QTest::newRow("row numbered 0") << 0 << waitmsg::kDuplicate << (vb::vbOKOnly | vb::vbCritical);
        QTest::newRow("numbers used up") << 32767 << kRowNumbersFull << (vb::vbOKOnly | vb::vbExclamation);
    }
    void newWindowRefused() {
        QFETCH(int, storedNo);
        Rig rig;
        rig.storeWindow(storedNo, 100, 200, QStringLiteral("1111111"));
        vtest::RecordingMessageBox boxes;
        open(0);
        FrmWait dialog(rig.nodes);
        QVERIFY(!dialog.cmdUpdate_Click());
        QTEST(boxes.prompts().join(u'|'), "prompt");
        QTEST(boxes.shown[0].style, "style");
        QCOMPARE(vtest::Scalar(rig.db, "SELECT count(*) FROM TBL_NoCheck").toInt(), 1);
        QCOMPARE(gSelSubNo, qint16(0));
        QCOMPARE(dialog.cmdUpdate->text(), QStringLiteral("登録(&I)"));
    }

    // The day dialog is kept between uses: every opening starts with the keyboard in the
    // first box, its text selected, so the operator types the span straight away (Enter
    // moves on), presses "登録(&I)" and closes, as many times as he marks days.
    void dayDialogTypedAtEveryOpening() {
        vtest::RecordingMessageBox boxes;
        FrmCalenderWait dialog;
        // Keys as the operator types them, each to whatever has the focus; "\n" is Enter.
        auto type = [](const QString& keys) {
            for (QChar c : keys) {
                QWidget* to = QApplication::focusWidget();
                QVERIFY(to);
                if (c == QLatin1Char('\n'))
                    QTest::keyClick(to, Qt::Key_Return);
                else
                    QTest::keyClicks(to, QString(c));
            }
        };
        const QStringList spans[] = {{"08", "00", "17", "30"}, {"00", "00", "23", "59"}, {"22", "15", "30", "00"}};
        for (const QStringList& span : spans) {
            dialog.Reset(QStringLiteral("2002/05/07"));
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            QCOMPARE(QApplication::focusWidget(), dialog.txt_TimeWait[0]);
            QCOMPARE(dialog.txt_TimeWait[0]->selectedText(), QStringLiteral("00"));
            type(span.join(QLatin1Char('\n')));
            QTest::mouseClick(dialog.OKButton, Qt::LeftButton);
            QCOMPARE(dialog.Result, QStringLiteral("OK"));
            QCOMPARE(boxTexts(dialog.txt_TimeWait), span);
            QTest::mouseClick(dialog.CancelButton, Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.Result, QStringLiteral("OK"));
        }
        QVERIFY(boxes.shown.isEmpty());
    }

    void dayDialogResult() {
        vtest::RecordingMessageBox boxes;
        FrmCalenderWait dialog;
        dialog.Reset(QStringLiteral("2002/05/07"));
        QCOMPARE(dialog.lblDate->text(), QStringLiteral("2002/05/07"));
        setBoxes(dialog.txt_TimeWait, {"8", "0", "17", "30"});
        dialog.OKButton_Click();
        QCOMPARE(dialog.Result, QStringLiteral("OK"));
        QCOMPARE(boxTexts(dialog.txt_TimeWait), (QStringList{"08", "00", "17", "30"}));
        // An edit after the accepted press and "閉じる": the result stays, the text as typed.
        dialog.txt_TimeWait[3]->setText(QStringLiteral("45"));
        dialog.CancelButton_Click();
        QCOMPARE(dialog.Result, QStringLiteral("OK"));
        QCOMPARE(dialog.txt_TimeWait[3]->text(), QStringLiteral("45"));

        // A second press that fails takes the result back.
        setBoxes(dialog.txt_TimeWait, {"08", "00", "07", "00"});
        dialog.OKButton_Click();
        QCOMPARE(dialog.Result, QString());
        QVERIFY(boxes.shown.last().prompt.startsWith(waitmsg::kOrder));

        // Esc or the close box: nothing confirmed, whatever was pressed before.
        dialog.Reset(QStringLiteral("2002/05/08"));
        dialog.OKButton_Click();
        QCOMPARE(dialog.Result, QStringLiteral("OK"));
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.Result, QString());
        QVERIFY(!dialog.isVisible());
        dialog.Reset(QStringLiteral("2002/05/08"));
        dialog.OKButton_Click();
        dialog.show();
        dialog.close();
        QCOMPARE(dialog.Result, QString());
    }
};

VANTORO_TEST_MAIN(TestWeeklyWindow)
#include "tst_weeklywindow.moc"
