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
    };

private slots:
    void rule_data() {
        QTest::addColumn<QStringList>("in");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("focus");
        QTest::addColumn<QStringList>("after");
        const QString none;
        QTest::newRow("day window") << QStringList{"08", "30", "17", "00"} << true << 830 << 1700 << none << -1
                                    << QStringList{"08", "30", "17", "00"};
        QTest::newRow("empty end is the start") << QStringList{"08", "00", "", " "} << true << 800 << 800 << none << -1
                                                << QStringList{"08", "00", "08", "00"};
        QTest::newRow("empty start is midnight") << QStringList{"", "", "1", "5"} << true << 0 << 105 << none << -1
                                                 << QStringList{"00", "00", "01", "05"};
        QTest::newRow("single digits padded") << QStringList{"7", "0", "9", "3"} << true << 700 << 903 << none << -1
                                              << QStringList{"07", "00", "09", "03"};
        QTest::newRow("past midnight") << QStringList{"22", "00", "30", "00"} << true << 2200 << 3000 << none << -1
                                       << QStringList{"22", "00", "30", "00"};
        QTest::newRow("end at the limit") << QStringList{"08", "00", "31", "59"} << true << 800 << 3159 << none << -1
                                          << QStringList{"08", "00", "31", "59"};
        QTest::newRow("latest end of all") << QStringList{"23", "59", "47", "58"} << true << 2359 << 4758 << none
                                           << -1 << QStringList{"23", "59", "47", "58"};
        QTest::newRow("end past the limit")
            << QStringList{"08", "00", "32", "00"} << false << 0 << 0
            << QStringLiteral("終了時刻が許容範囲をこえています。\r\n終了時刻は開始時刻＋24時間-1分の（31時59分）までです。")
            << 2 << QStringList{"08", "00", "32", "00"};
        QTest::newRow("one past 47:58")
            << QStringList{"23", "59", "47", "59"} << false << 0 << 0
            << QStringLiteral("終了時刻が許容範囲をこえています。\r\n終了時刻は開始時刻＋24時間-1分の（47時58分）までです。")
            << 2 << QStringList{"23", "59", "47", "59"};
        QTest::newRow("minutes in the explanation without zeros")
            << QStringList{"09", "06", "40", "00"} << false << 0 << 0
            << QStringLiteral("終了時刻が許容範囲をこえています。\r\n終了時刻は開始時刻＋24時間-1分の（33時5分）までです。")
            << 2 << QStringList{"09", "06", "40", "00"};
        QTest::newRow("end before start")
            << QStringList{"22", "00", "06", "00"} << false << 0 << 0
            << QStringLiteral("開始時刻と終了時刻が前後しています。\r\n終了時刻は開始時刻＋24時間-1分の（45時59分）までです。")
            << 2 << QStringList{"22", "00", "06", "00"};
        QTest::newRow("start hour 24") << QStringList{"24", "00", "25", "00"} << false << 0 << 0 << waitmsg::kStartHour
                                       << 0 << QStringList{"23", "00", "25", "00"};
        QTest::newRow("start minute 60") << QStringList{"08", "60", "09", "00"} << false << 0 << 0
                                         << waitmsg::kStartMinute << 1 << QStringList{"08", "59", "09", "00"};
        QTest::newRow("end minute 75") << QStringList{"08", "00", "09", "75"} << false << 0 << 0
                                       << waitmsg::kEndMinute << 3 << QStringList{"08", "00", "09", "59"};
        QTest::newRow("start hour checked before minutes")
            << QStringList{"30", "99", "10", "99"} << false << 0 << 0 << waitmsg::kStartHour << 0
            << QStringList{"23", "99", "10", "99"};
        QTest::newRow("pasted letters in the start hour") << QStringList{"ab", "00", "10", "00"} << false << 0 << 0
                                                          << waitmsg::kStartHour << 0
                                                          << QStringList{"23", "00", "10", "00"};
        QTest::newRow("pasted sign in the end minute") << QStringList{"08", "00", "10", "-1"} << false << 0 << 0
                                                       << waitmsg::kEndMinute << 3
                                                       << QStringList{"08", "00", "10", "59"};
        QTest::newRow("pasted full-width digits in the end hour")
            << QStringList{"08", "00", "１０", "00"} << false << 0 << 0
            << QStringLiteral("終了時刻が許容範囲をこえています。\r\n終了時刻は開始時刻＋24時間-1分の（31時59分）までです。")
            << 2 << QStringList{"08", "00", "１０", "00"};
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
        vtest::Exec(rig.db, "INSERT INTO TBL_NoCheck (アドレス,連番,開始時刻,終了時刻,曜日) VALUES (?,4,100,200,'1111111')",
                    {kAddr});
        rig.reload();
        vtest::RecordingMessageBox boxes;
        gSelAddress = kAddr;
        gSelSubNo = 0;
        FrmWait dialog(rig.nodes);
        QCOMPARE(dialog.cmdUpdate->text(), QStringLiteral("登録(&I)"));
        setBoxes(dialog.txt_TimeWait, {"8", "0", "", ""});
        QVERIFY(dialog.cmdUpdate_Click());
        QCOMPARE(boxes.shown.size(), 0);
        QCOMPARE(gSelSubNo, qint16(5));
        QCOMPARE(dialog.cmdUpdate->text(), QStringLiteral("更新(&U)"));
        const QString key = QStringLiteral("?") + kAddr + QStringLiteral("@005");
        QTreeWidgetItem* node = rig.nodes.Item(key);
        QVERIFY(node);
        QCOMPARE(TreeNodes::Text(node), QStringLiteral("08時00分～08時00分  【日・月・火・水・木・金・土】"));
        QCOMPARE(TreeNodes::Image(node), QStringLiteral("Wait"));
        QCOMPARE(rig.tree.currentItem(), node);

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
        vtest::Exec(rig.db, "INSERT INTO TBL_NoCheck (アドレス,連番,開始時刻,終了時刻,曜日) VALUES (?,1,2200,3005,'0111110')",
                    {kAddr});
        rig.reload();
        vtest::RecordingMessageBox boxes;
        gSelAddress = kAddr;
        gSelSubNo = 1;
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

    // A row numbered 0 for the address (written by hand) blocks a new window: the
    // duplicate message, nothing written, the dialog stays in insert mode.
    void rowNumberedZeroRefusesInsert() {
        Rig rig;
        vtest::Exec(rig.db, "INSERT INTO TBL_NoCheck (アドレス,連番,開始時刻,終了時刻,曜日) VALUES (?,0,100,200,'1111111')",
                    {kAddr});
        vtest::RecordingMessageBox boxes;
        gSelAddress = kAddr;
        gSelSubNo = 0;
        FrmWait dialog(rig.nodes);
        QVERIFY(!dialog.cmdUpdate_Click());
        QCOMPARE(boxes.prompts(), QStringList{waitmsg::kDuplicate});
        QCOMPARE(boxes.shown[0].style, vb::vbOKOnly | vb::vbCritical);
        QCOMPARE(vtest::Scalar(rig.db, "SELECT count(*) FROM TBL_NoCheck").toInt(), 1);
        QCOMPARE(gSelSubNo, qint16(0));
        QCOMPARE(dialog.cmdUpdate->text(), QStringLiteral("登録(&I)"));
    }

    // The computer's window numbers are used up: one message says so, nothing is written
    // and the dialog stays in insert mode.
    void numbersUsedUp() {
        Rig rig;
        vtest::Exec(rig.db, "INSERT INTO TBL_NoCheck (アドレス,連番,開始時刻,終了時刻,曜日) VALUES (?,32767,100,200,'1111111')",
                    {kAddr});
        vtest::RecordingMessageBox boxes;
        gSelAddress = kAddr;
        gSelSubNo = 0;
        FrmWait dialog(rig.nodes);
        QVERIFY(!dialog.cmdUpdate_Click());
        QCOMPARE(boxes.prompts(), QStringList{kRowNumbersFull});
        QCOMPARE(vtest::Scalar(rig.db, "SELECT count(*) FROM TBL_NoCheck").toInt(), 1);
        QCOMPARE(gSelSubNo, qint16(0));
        QCOMPARE(dialog.cmdUpdate->text(), QStringLiteral("登録(&I)"));
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
