// No-check windows end to end: windows entered through the two editors are honoured by the
// next check round without a reload, and the ｶﾚﾝﾀﾞｰ command opens the named calendars.
#include "TestSupport.h"
#include "tests/engine/CheckRig.h"
#include "tests/schedules/ScheduleRig.h"
#include "ConsoleRig.h"

#include "console/FrmPing.h"
#include "engine/CheckRound.h"
#include "model/Loader.h"
#include "model/Globals.h"
#include "schedules/ClsCalendar.h"
#include "schedules/FrmCalendar.h"
#include "schedules/FrmCalenderWait.h"
#include "schedules/FrmWait.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

namespace {
const QString kAddr = QStringLiteral("127.0.0.41");

void ClickDay(FrmCalendar& f, const QDate& date) {
    ClsCalendar& g = *f.picCalendar[date.month()];
    const QPointF p = QRectF(ClsCalendar::DayCellRect(g.FirstDayCell() + date.day() - 1)).center();
    f.picCalendar_MouseUp(date.month(), ClsCalendar::kLeftButton, p.x(), p.y());
}
}  // namespace

class TestNoCheckSchedules : public QObject {
    Q_OBJECT
    QString db;

private slots:
    void init() {
        db = vtest::FreshDatabase();
        vtest::AddWatchedComputer(db, kAddr);
        gOptNoCheck = false;
        gOptNGRset = 1;
        gCheckContinue = true;
    }

    // A dated day covering the present moment keeps the computer out of the round; moved
    // to another day, the computer is checked again.
    void roundHonoursDatedDays() {
        CheckRig rig;
        vtest::RecordingMessageBox boxes;
        rig.Load();
        const QDate today = QDate::currentDate();
        gSelForComputer = true;
        gSelAddress = kAddr;
        gSelCalendar.clear();
        gSelYear = static_cast<qint16>(today.year());
        auto answer = [](QDialog& d) {
            auto& w = static_cast<FrmCalenderWait&>(d);
            const QStringList texts{"00", "00", "23", "59"};  // the whole day
            for (size_t i = 0; i < 4; ++i) w.txt_TimeWait[i]->setText(texts[static_cast<int>(i)]);
            w.OKButton_Click();
            w.CancelButton_Click();
        };
        {
            FrmCalendar f(rig.nodes);
            f.SetDialogRunner(answer);
            ClickDay(f, today);
        }
        QCOMPARE(vtest::Scalar(db, "SELECT count(*) FROM TBL_CalenderNoCheck").toInt(), 1);
        CheckAllTargets(rig, rig.ping);
        QCOMPARE(rig.echoes[kAddr], 0);

        // The same day taken off and a day three days on marked instead.
        const QDate later = today.addDays(3);
        {
            FrmCalendar f(rig.nodes);
            f.SetDialogRunner(answer);
            ClickDay(f, today);
            gSelYear = static_cast<qint16>(later.year());
            f.txtYear->setText(QString::number(later.year()));
            f.LoadCalendarMonth();
            ClickDay(f, later);
        }
        CheckAllTargets(rig, rig.ping);
        QCOMPARE(rig.echoes[kAddr], 1);

        // The loader reads the same: still checked.
        rig.Load();
        QCOMPARE(gPingDatas.Item(gPingDatas.GetItemNo(kAddr))->WaitDayTime().Count(), 1);
        CheckAllTargets(rig, rig.ping);
        QCOMPARE(rig.echoes[kAddr], 2);
        QVERIFY(boxes.shown.isEmpty());
    }

    // A weekly window over the whole day skips the computer; with every weekday cleared the
    // same window never applies.
    void roundHonoursWeeklyWindows() {
        CheckRig rig;
        vtest::RecordingMessageBox boxes;
        rig.Load();
        gSelAddress = kAddr;
        gSelSubNo = 0;
        FrmWait dialog(rig.nodes);
        dialog.txt_TimeWait[2]->setText(QStringLiteral("23"));
        dialog.txt_TimeWait[3]->setText(QStringLiteral("59"));
        QVERIFY(dialog.cmdUpdate_Click());
        CheckAllTargets(rig, rig.ping);
        QCOMPARE(rig.echoes[kAddr], 0);
        for (int i = 1; i <= 7; ++i) dialog.ChkDay[i]->setChecked(false);
        QVERIFY(dialog.cmdUpdate_Click());
        CheckAllTargets(rig, rig.ping);
        QCOMPARE(rig.echoes[kAddr], 1);
        QVERIFY(boxes.shown.isEmpty());
    }

    // The menu command opens the editor on the named calendars, with checking paused while
    // it is open and restored afterwards.
    void calendarCommand() {
        gOptDatabasePath = db;
        gOptFormTop = false;
        gOptTimerInterval = 30000;
        FrmPing form;
        vtest::RecordingMessageBox boxes;
        QStringList seen;
        bool pausedInside = false;
        form.services().runDialog = [&](QDialog& d) {
            seen << QString::fromLatin1(d.metaObject()->className()) << d.windowTitle();
            pausedInside = !gCheckContinue && !form.TimerPing().isActive();
            if (auto* f = qobject_cast<FrmCalendar*>(&d)) seen << f->CmbName->currentText();
        };
        gSelForComputer = true;
        gSelAddress = kAddr;
        gSelYear = 1999;
        QCOMPARE(form.menuCalendar->text(), QStringLiteral("ｶﾚﾝﾀﾞｰ"));
        QCOMPARE(form.menuTaskBarCalendar->text(), QStringLiteral("ｶﾚﾝﾀﾞｰ"));
        form.menuCalendar->trigger();
        QCOMPARE(seen, (QStringList{"FrmCalendar", "カレンダーの管理", "本社カレンダー"}));
        QVERIFY(pausedInside);
        QVERIFY(gCheckContinue);
        QVERIFY(!gSelForComputer);
        QCOMPARE(gSelAddress, QString());
        QCOMPARE(gSelYear, qint16(0));
        form.menuTaskBarCalendar->trigger();
        QCOMPARE(seen.size(), 6);
    }

    // The tree's add and change commands open both editors through the frame: the weekly
    // window dialog saves a window under the computer, the calendar editor in computer
    // mode adds the "=" node with the first day (the day dialog goes through the window's
    // dialog runner as well).
    void treeCommands() {
        gOptDatabasePath = db;
        FrmPing form;
        vtest::RecordingMessageBox boxes;
        QVERIFY(LoadComputerTree(form.TreeComputer(), form.Users()));
        QStringList seen;
        std::function<void(QDialog&)> act;
        form.services().runDialog = [&](QDialog& d) {
            const auto* label = d.findChild<QLabel*>(QStringLiteral("Lbl_Computer"));
            seen << QString::fromLatin1(d.metaObject()->className()) << d.windowTitle()
                 << (label ? label->text() : QStringLiteral("-"));
            if (act) act(d);
        };
        TreeNode* computer = form.TreeComputer().Item(QStringLiteral("#") + kAddr);
        QVERIFY(computer);
        const QString computerText = TreeNodes::Text(computer);

        vtest::SelectNode(form, computer->Key());
        act = [](QDialog& d) {
            auto& w = static_cast<FrmWait&>(d);
            w.txt_TimeWait[0]->setText(QStringLiteral("08"));
            w.txt_TimeWait[2]->setText(QStringLiteral("17"));
            QVERIFY(w.cmdUpdate_Click());
        };
        form.menuNodeInsert2_Click();
        QCOMPARE(seen, (QStringList{"FrmWait", "非監視スケジュール追加", computerText}));
        const QString waitKey = QStringLiteral("?") + kAddr + QStringLiteral("@001");
        QVERIFY(form.TreeComputer().Item(waitKey));

        seen.clear();
        vtest::SelectNode(form, waitKey);
        act = [](QDialog& d) {
            auto& w = static_cast<FrmWait&>(d);
            QCOMPARE(w.txt_TimeWait[2]->text(), QStringLiteral("17"));
            w.txt_TimeWait[2]->setText(QStringLiteral("18"));
            QVERIFY(w.cmdUpdate_Click());
        };
        form.menuNodeUpdate_Click();
        QCOMPARE(seen, (QStringList{"FrmWait", "非監視スケジュール変更", computerText}));
        QCOMPARE(TreeNodes::Text(form.TreeComputer().Item(waitKey)),
                 QStringLiteral("08時00分～18時00分  【日・月・火・水・木・金・土】"));

        seen.clear();
        vtest::SelectNode(form, computer->Key());
        const QDate day(QDate::currentDate().year(), 6, 10);
        act = [&](QDialog& d) {
            auto* f = qobject_cast<FrmCalendar*>(&d);
            if (!f) {  // the day dialog
                auto& w = static_cast<FrmCalenderWait&>(d);
                w.txt_TimeWait[2]->setText(QStringLiteral("23"));
                w.OKButton_Click();
                w.CancelButton_Click();
                return;
            }
            ClickDay(*f, day);
        };
        form.menuNodeInsert4_Click();
        QCOMPARE(seen.mid(0, 3), (QStringList{"FrmCalendar", "非監視カレンダー追加", computerText}));
        QCOMPARE(seen.value(3), QStringLiteral("FrmCalenderWait"));
        QVERIFY(form.TreeComputer().Item(FrmCalendar::CalendarNodeKey(kAddr)));
        QCOMPARE(vtest::Scalar(db, "SELECT 日付 FROM TBL_CalenderNoCheck").toString(), day.toString(Qt::ISODate));
        QVERIFY(boxes.shown.isEmpty());
    }
};

VANTORO_TEST_MAIN(TestNoCheckSchedules)
#include "tst_nocheckschedules.moc"
