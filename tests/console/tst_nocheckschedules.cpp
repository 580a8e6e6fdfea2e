// No-check windows end to end: windows entered through the two editors are honoured by the
// next check round without a reload, and the ｶﾚﾝﾀﾞｰ command opens the named calendars.
#include "TestSupport.h"
#include "tests/engine/CheckRig.h"

#include "console/FrmPing.h"
#include "engine/CheckRound.h"
#include "model/Globals.h"
#include "schedules/ClsCalendar.h"
#include "schedules/FrmCalendar.h"
#include "schedules/FrmCalenderWait.h"
#include "schedules/FrmWait.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

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
        vtest::Exec(db, "INSERT INTO TBL_Group (グループ,表示名,診断有無) VALUES ('G1','G1',-1)");
        vtest::Exec(db,
                    "INSERT INTO TBL_Computer (アドレス,グループ,コンピュータ名,種類,表示名,診断有無,異常判断回数,"
                    "異常音再生,タイムアウト,状況,Ping有無) VALUES (?,'G1','PC1','ｻｰﾊﾞｰ','ＰＣ１',-1,3,0,1000,'Nomal',-1)",
                    {kAddr});
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
};

VANTORO_TEST_MAIN(TestNoCheckSchedules)
#include "tst_nocheckschedules.moc"
