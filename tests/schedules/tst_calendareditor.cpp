// The calendar editor over a real database, in both modes: what a save, a delete and a
// day click write, what the loader then reads back, and how the computer's dated window
// list and its "=" node follow.
#include "ScheduleRig.h"

#include "model/Globals.h"
#include "model/Loader.h"
#include "model/TreeNodes.h"
#include "schedules/ClsCalendar.h"
#include "schedules/FrmCalendar.h"
#include "schedules/FrmCalenderWait.h"
#include "schedules/FrmWait.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>

#include <array>

namespace {
const QString kAddr = QStringLiteral("127.0.0.31");
const QString kCalendarKey = QStringLiteral("=127.0.0.31@非稼動カレンダー");

QPointF DayPoint(ClsCalendar& g, int day) {
    return QRectF(ClsCalendar::DayCellRect(g.FirstDayCell() + day - 1)).center();
}
void ClickDay(FrmCalendar& f, int month, int day, int button = ClsCalendar::kLeftButton) {
    const QPointF p = DayPoint(*f.picCalendar[month], day);
    f.picCalendar_MouseUp(month, button, p.x(), p.y());
}
int ThisYear() { return QDate::currentDate().year(); }
// Replaces the year box's text key by key, as the operator types it.
void TypeYear(FrmCalendar& f, const QString& year) {
    f.txtYear->selectAll();
    QTest::keyClick(f.txtYear, Qt::Key_Delete);
    QTest::keyClicks(f.txtYear, year);
}
}  // namespace

class TestCalendarEditor : public QObject {
    Q_OBJECT

    struct Rig : vtest::ScheduleRig {
        Rig() : ScheduleRig(kAddr, QStringLiteral("本社カレンダー")) {}
        ClsWaitDayTimes& days() { return computer().WaitDayTime(); }
        int rows() { return vtest::Scalar(db, "SELECT count(*) FROM TBL_CalenderNoCheck").toInt(); }
        // The computer's calendar nodes.
        int calendarNodes() {
            int n = 0;
            for (int i = 1; i <= nodes.Count(); ++i) n += nodes.Item(i)->Text() == QStringLiteral("非稼動カレンダー");
            return n;
        }
    };

    static void management(const QString& name = QString(), int year = 0) {
        gSelForComputer = false;
        gSelAddress.clear();
        gSelCalendar = name;
        gSelYear = static_cast<qint16>(year);
    }
    static void computer(int year = 0) {
        gSelForComputer = true;
        gSelAddress = kAddr;
        gSelCalendar = QStringLiteral("本社カレンダー");
        gSelYear = static_cast<qint16>(year);
    }
    // A day dialog answered by the "user": the boxes typed, then the chosen buttons.
    static FrmCalendar::Runner Answer(QStringList texts, bool press = true) {
        return [texts, press](QDialog& d) {
            auto& w = static_cast<FrmCalenderWait&>(d);
            for (int i = 0; i < 4; ++i) w.txt_TimeWait[static_cast<size_t>(i)]->setText(texts[i]);
            if (press) w.OKButton_Click();
            w.CancelButton_Click();
        };
    }

private slots:
    void managementStartsOnTheDefaultName() {
        Rig rig;
        vtest::Exec(rig.db, "INSERT INTO TBL_Calender (名称,年度) VALUES ('支社',2001)");
        management();
        FrmCalendar f(rig.nodes);
        QCOMPARE(f.windowTitle(), QStringLiteral("カレンダーの管理"));
        QCOMPARE(f.CmbName->currentText(), QStringLiteral("本社カレンダー"));
        QCOMPARE(f.CmbName->count(), 1);
        QCOMPARE(f.txtYear->text(), QString::number(ThisYear()));
        QCOMPARE(f.cmdUpdate->text(), QStringLiteral("更新(&U)"));
        QVERIFY(f.cmdDelete->isEnabled());
        QVERIFY(f.cmdUpdate->isVisibleTo(&f));
        QVERIFY(!f.LblTime->isVisibleTo(&f));
        QVERIFY(!f.Lbl_Computer->isVisibleTo(&f));
        QCOMPARE(f.VScroll->minimum(), ThisYear() - 1);
        QCOMPARE(f.VScroll->maximum(), ThisYear() + 19);
        // No row: default colours.
        ClsCalendar& jan = *f.picCalendar[1];
        QCOMPARE(jan.Year(), ThisYear());
        QCOMPARE(int(jan.Item(1)->DayKbn), 2);
    }

    void saveReloadAndDelete() {
        Rig rig;
        vtest::RecordingMessageBox boxes;
        management();
        {
            FrmCalendar f(rig.nodes);
            f.CmbName->setEditText(QStringLiteral("O'Neil支店"));  // a quote is just a character
            f.txtYear->setText(QStringLiteral("2002"));
            f.LoadCalendarMonth();
            ClickDay(f, 5, 7);  // working day -> blue
            ClickDay(f, 5, 8);
            ClickDay(f, 5, 8);  // -> red
            QVERIFY(f.cmdUpdate_Click());
            QCOMPARE(f.CmbName->count(), 1);
            TypeYear(f, QStringLiteral("2003"));  // typed, not scrolled: stored as shown
            QVERIFY(f.cmdUpdate_Click());
            QCOMPARE(f.CmbName->count(), 1);  // the name is listed once
            QCOMPARE(f.cmdUpdate->text(), QStringLiteral("更新(&U)"));
        }
        QCOMPARE(vtest::Scalar(rig.db, "SELECT count(*) FROM TBL_Calender WHERE 名称=?", {"O'Neil支店"}).toInt(), 2);
        const QString may = vtest::Scalar(rig.db, "SELECT \"05\" FROM TBL_Calender WHERE 名称=? AND 年度=2002",
                                          {"O'Neil支店"}).toString();
        QCOMPARE(may.size(), 31);
        QCOMPARE(may.mid(4, 4), QStringLiteral("2012"));  // 5 a Sunday holiday, 6 working, 7 blue, 8 red
        QCOMPARE(vtest::Scalar(rig.db, "SELECT \"05\" FROM TBL_Calender WHERE 名称=? AND 年度=2003",
                               {"O'Neil支店"}).toString(), may);

        vtest::Exec(rig.db, "UPDATE TBL_Computer SET カレンダー名称=?", {"O'Neil支店"});
        management(QStringLiteral("O'Neil支店"), 2002);
        FrmCalendar f(rig.nodes);
        QCOMPARE(f.CmbName->currentText(), QStringLiteral("O'Neil支店"));
        QCOMPARE(f.picCalendar[5]->DayKinds(), may);

        boxes.answers = {vb::vbNo};
        f.cmdDelete_Click();
        QCOMPARE(boxes.shown.last().prompt, QStringLiteral("「O'Neil支店」を全て削除します。よろしいですか？"));
        QCOMPARE(boxes.shown.last().style, vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton2);
        QCOMPARE(vtest::Scalar(rig.db, "SELECT count(*) FROM TBL_Calender").toInt(), 2);
        boxes.answers = {vb::vbYes};
        f.cmdDelete_Click();
        QCOMPARE(vtest::Scalar(rig.db, "SELECT count(*) FROM TBL_Calender").toInt(), 0);
        QVERIFY(vtest::Scalar(rig.db, "SELECT カレンダー名称 FROM TBL_Computer").isNull());
        QCOMPARE(f.CmbName->count(), 0);
        QCOMPARE(f.CmbName->currentText(), QString());
        QCOMPARE(f.cmdUpdate->text(), QStringLiteral("登録(&I)"));
        QVERIFY(!f.cmdDelete->isEnabled());
    }

    void refusedSaves() {
        Rig rig;
        vtest::RecordingMessageBox boxes;
        management();
        FrmCalendar f(rig.nodes);
        f.CmbName->setEditText(QString());
        QVERIFY(!f.cmdUpdate_Click());
        QCOMPARE(boxes.shown.last().prompt, calendarmsg::kNoName);
        QCOMPARE(boxes.shown.last().style, vb::vbOKOnly | vb::vbInformation);
        f.CmbName->setEditText(QStringLiteral("本社カレンダー"));
        f.txtYear->clear();
        f.LoadCalendarMonth();  // no year: the months stay
        QCOMPARE(f.picCalendar[1]->Year(), ThisYear());
    }

    // A year box that holds no year (empty, or 0 in any number of digits) is refused with a
    // message, and the year box takes the focus: a save writes nothing, a day click in
    // computer mode marks and stores nothing. The months keep what they showed.
    void unusableYearRefused_data() {
        QTest::addColumn<QString>("year");
        QTest::addColumn<bool>("forComputer");
        for (const char* y : {"", "0", "0000"}) {
            QTest::addRow("save, year '%s'", y) << QString::fromLatin1(y) << false;
            QTest::addRow("day click, year '%s'", y) << QString::fromLatin1(y) << true;
        }
    }
    void unusableYearRefused() {
        QFETCH(QString, year);
        QFETCH(bool, forComputer);
        Rig rig;
        vtest::RecordingMessageBox boxes;
        if (forComputer)
            computer();
        else
            management();
        FrmCalendar f(rig.nodes);
        bool asked = false;
        f.SetDialogRunner([&](QDialog& d) {
            asked = true;
            Answer({"08", "00", "17", "00"})(d);
        });
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        TypeYear(f, year);
        QCOMPARE(f.txtYear->text(), year);
        if (forComputer)
            ClickDay(f, 5, 7);
        else
            QVERIFY(!f.cmdUpdate_Click());
        QCOMPARE(boxes.prompts(), QStringList{calendarmsg::kNoYear});
        QCOMPARE(boxes.shown.last().style, vb::vbOKOnly | vb::vbInformation);
        QCOMPARE(QApplication::focusWidget(), f.txtYear);
        QVERIFY(!asked);
        QCOMPARE(f.picCalendar[5]->Year(), ThisYear());
        QVERIFY(!f.picCalendar[5]->Item(7)->DaySkip);
        QCOMPARE(vtest::Scalar(rig.db, "SELECT count(*) FROM TBL_Calender").toInt(), 0);
        QCOMPARE(rig.rows(), 0);
    }

    // Typing a year leaves the months as they are; a save stores them as shown under the
    // typed year, which is how one year's working days and holidays are copied to another.
    // The year they came from keeps its row; the next reload shows the typed year.
    void typedYearCopiesTheShownMonths_data() {
        QTest::addColumn<bool>("targetStored");
        QTest::newRow("typed year without a row") << false;
        QTest::newRow("typed year with a row") << true;
    }
    void typedYearCopiesTheShownMonths() {
        QFETCH(bool, targetStored);
        Rig rig;
        vtest::RecordingMessageBox boxes;
        const QString may2026 = QStringLiteral("1212121212121212121212121212121");
        vtest::Exec(rig.db, "INSERT INTO TBL_Calender (名称,年度,\"05\") VALUES ('本社カレンダー',2026,?)", {may2026});
        if (targetStored)
            vtest::Exec(rig.db, "INSERT INTO TBL_Calender (名称,年度,\"05\") VALUES ('本社カレンダー',2027,?)",
                        {QString(31, QLatin1Char('0'))});
        management(QStringLiteral("本社カレンダー"), 2026);
        FrmCalendar f(rig.nodes);
        QCOMPARE(f.picCalendar[5]->DayKinds(), may2026);
        ClickDay(f, 5, 7);  // changed on screen only
        std::array<QString, 13> shown;
        for (int m = 1; m <= 12; ++m) shown[m] = f.picCalendar[m]->DayKinds();
        QVERIFY(shown[5] != may2026);
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        TypeYear(f, QStringLiteral("2027"));
        for (int m = 1; m <= 12; ++m) {
            QCOMPARE(f.picCalendar[m]->Year(), 2026);
            QCOMPARE(f.picCalendar[m]->DayKinds(), shown[m]);
        }

        QVERIFY(f.cmdUpdate_Click());
        QVERIFY(boxes.shown.isEmpty());
        QCOMPARE(vtest::Scalar(rig.db, "SELECT count(*) FROM TBL_Calender WHERE 年度=2027").toInt(), 1);
        for (int m = 1; m <= 12; ++m)
            QCOMPARE(vtest::Scalar(rig.db, QStringLiteral("SELECT \"%1\" FROM TBL_Calender WHERE 年度=2027")
                                               .arg(m, 2, 10, QLatin1Char('0')))
                         .toString(),
                     shown[m]);
        QCOMPARE(vtest::Scalar(rig.db, "SELECT \"05\" FROM TBL_Calender WHERE 年度=2026").toString(), may2026);
        QVERIFY(vtest::Scalar(rig.db, "SELECT \"01\" FROM TBL_Calender WHERE 年度=2026").isNull());

        // A change of the name reloads, now with the typed year.
        f.CmbName->setEditText(QString());
        f.CmbName->setEditText(QStringLiteral("本社カレンダー"));
        QCOMPARE(f.picCalendar[5]->Year(), 2027);
        QCOMPARE(f.picCalendar[5]->DayKinds(), shown[5]);
    }

    // In computer mode a day click works on the day as shown, whatever year was typed since.
    void computerDayIsTheShownDay() {
        Rig rig;
        computer(2026);
        FrmCalendar f(rig.nodes);
        QString asked;
        f.SetDialogRunner([&asked, inner = Answer({"08", "00", "17", "00"})](QDialog& d) {
            asked = static_cast<FrmCalenderWait&>(d).lblDate->text();
            inner(d);
        });
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        TypeYear(f, QStringLiteral("2030"));
        ClickDay(f, 6, 10);
        QCOMPARE(asked, QStringLiteral("2026/06/10"));
        QCOMPARE(vtest::Scalar(rig.db, "SELECT 日付 FROM TBL_CalenderNoCheck").toString(), QStringLiteral("2026-06-10"));
        QCOMPARE(rig.days().Item(1)->WaitDate, QDate(2026, 6, 10));
    }

    // Stored month texts that are Null, short or hold other characters are shown with
    // working days there and saved back whole.
    void badStoredMonthsSavedWellFormed() {
        Rig rig;
        vtest::Exec(rig.db, "INSERT INTO TBL_Calender (名称,年度,\"01\",\"02\",\"03\") VALUES ('X',2002,NULL,'12','1x2')");
        management(QStringLiteral("X"), 2002);
        FrmCalendar f(rig.nodes);
        QCOMPARE(int(f.picCalendar[2]->Item(2)->DayKbn), 2);
        QCOMPARE(int(f.picCalendar[3]->Item(2)->DayKbn), 0);
        QVERIFY(f.cmdUpdate_Click());
        QCOMPARE(vtest::Scalar(rig.db, "SELECT \"02\" FROM TBL_Calender").toString(),
                 QStringLiteral("12") + QString(26, QLatin1Char('0')));
        QCOMPARE(vtest::Scalar(rig.db, "SELECT \"03\" FROM TBL_Calender").toString(),
                 QStringLiteral("102") + QString(28, QLatin1Char('0')));
        // A Null month has no kinds of its own: it shows (and keeps) the default colours.
        QCOMPARE(vtest::Scalar(rig.db, "SELECT length(\"01\") FROM TBL_Calender").toInt(), 31);
    }

    void scrollChangesTheYear() {
        Rig rig;
        management();
        FrmCalendar f(rig.nodes);
        f.VScroll->setValue(ThisYear() + 3);
        QCOMPARE(f.txtYear->text(), QString::number(ThisYear() + 3));
        QCOMPARE(f.picCalendar[7]->Year(), ThisYear() + 3);
    }

    void computerModeDatedDays() {
        Rig rig;
        vtest::RecordingMessageBox boxes;
        computer();
        FrmCalendar f(rig.nodes);
        QVERIFY(!f.cmdUpdate->isVisibleTo(&f));
        QVERIFY(!f.cmdDelete->isVisibleTo(&f));
        QVERIFY(!f.CmbName->isEnabled());
        QCOMPARE(f.CmbName->currentText(), QStringLiteral("本社カレンダー"));
        QVERIFY(f.findChild<QLabel*>(QStringLiteral("Lbl_Computer")));
        QVERIFY(!rig.nodes.Item(kCalendarKey));
        const int y = ThisYear();

        // Cancelled: no mark, nothing written.
        f.SetDialogRunner(Answer({"09", "00", "27", "00"}, false));
        ClickDay(f, 6, 10);
        QVERIFY(!f.picCalendar[6]->Item(10)->DaySkip);
        QCOMPARE(rig.rows(), 0);
        QCOMPARE(rig.days().Count(), 0);

        // The first dated day brings the "=" node, selected.
        QString shownDate;
        f.SetDialogRunner([&shownDate, inner = Answer({"9", "0", "27", "0"})](QDialog& d) {
            shownDate = static_cast<FrmCalenderWait&>(d).lblDate->text();
            inner(d);
        });
        ClickDay(f, 6, 10);
        QCOMPARE(shownDate, QStringLiteral("%1/06/10").arg(y));
        QVERIFY(f.picCalendar[6]->Item(10)->DaySkip);
        QCOMPARE(f.LblTime->text(), QStringLiteral("09:00～27:00まで"));
        QCOMPARE(rig.rows(), 1);
        QCOMPARE(vtest::Scalar(rig.db, "SELECT 日付 || ' ' || 開始時刻 || '-' || 終了時刻 FROM TBL_CalenderNoCheck")
                     .toString(),
                 QStringLiteral("%1-06-10 900-2700").arg(y));
        QCOMPARE(rig.days().Count(), 1);
        QCOMPARE(rig.days().Item(1)->WaitDate, QDate(y, 6, 10));
        QCOMPARE(int(rig.days().Item(1)->TimeEnd), 2700);
        TreeNode* node = rig.nodes.Item(kCalendarKey);
        QVERIFY(node);
        QCOMPARE(TreeNodes::Text(node), QStringLiteral("非稼動カレンダー"));
        QCOMPARE(TreeNodes::Image(node), QStringLiteral("Calendar"));
        QCOMPARE(rig.nodes.SelectedItem(), node);

        // A second day: no second node. Right clicks show the window or empty the label.
        f.SetDialogRunner(Answer({"00", "00", "23", "59"}));
        ClickDay(f, 12, 31);
        QCOMPARE(rig.days().Count(), 2);
        ClickDay(f, 6, 10, ClsCalendar::kRightButton);
        QCOMPARE(f.LblTime->text(), QStringLiteral("09:00～27:00まで"));
        ClickDay(f, 6, 11, ClsCalendar::kRightButton);
        QCOMPARE(f.LblTime->text(), QString());
        QCOMPARE(rig.calendarNodes(), 1);

        // A window edited after the accepted press is still held to the rule.
        f.SetDialogRunner([](QDialog& d) {
            auto& w = static_cast<FrmCalenderWait&>(d);
            w.txt_TimeWait[0]->setText(QStringLiteral("10"));
            w.txt_TimeWait[2]->setText(QStringLiteral("12"));
            w.OKButton_Click();
            w.txt_TimeWait[2]->setText(QStringLiteral("05"));
            w.CancelButton_Click();
        });
        ClickDay(f, 7, 1);
        QVERIFY(!f.picCalendar[7]->Item(1)->DaySkip);
        QVERIFY(boxes.shown.last().prompt.startsWith(QStringLiteral("開始時刻と終了時刻が前後しています。")));
        QCOMPARE(rig.rows(), 2);

        // The loader reads the same days back; the editor shows them marked.
        rig.reload();
        QCOMPARE(rig.days().Count(), 2);
        QVERIFY(rig.nodes.Item(kCalendarKey));
        {
            FrmCalendar again(rig.nodes);
            QVERIFY(again.picCalendar[6]->Item(10)->DaySkip);
            QCOMPARE(int(again.picCalendar[6]->Item(10)->SkipTimeLast), 2700);
            QVERIFY(again.picCalendar[12]->Item(31)->DaySkip);
            QVERIFY(!again.picCalendar[6]->Item(11)->DaySkip);
        }

        // Taking both days off removes the rows, the windows and, with the last, the node.
        FrmCalendar g(rig.nodes);
        ClickDay(g, 6, 10);
        QCOMPARE(rig.rows(), 1);
        QVERIFY(rig.nodes.Item(kCalendarKey));
        ClickDay(g, 12, 31);
        QCOMPARE(rig.rows(), 0);
        QCOMPARE(rig.days().Count(), 0);
        QVERIFY(!rig.nodes.Item(kCalendarKey));
        QCOMPARE(g.LblTime->text(), QString());
    }

    // A real click on a month picture reaches the editor: press and release mark the day.
    void mouseOnThePicture() {
        Rig rig;
        computer();
        FrmCalendar f(rig.nodes);
        f.SetDialogRunner(Answer({"08", "00", "17", "00"}));
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        ClsCalendar& g = *f.picCalendar[4];
        QTest::mouseClick(&g, Qt::LeftButton, {}, DayPoint(g, 20).toPoint());
        QVERIFY(g.Item(20)->DaySkip);
        QCOMPARE(rig.rows(), 1);
        QTest::mouseClick(&g, Qt::RightButton, {}, DayPoint(g, 20).toPoint());
        QCOMPARE(f.LblTime->text(), QStringLiteral("08:00～17:00まで"));
    }

    // The database holds a window for a day the model lacks (added elsewhere): marking the
    // day replaces its times, and the tree keeps a single "=" node.
    void existingRowIsReplaced() {
        Rig rig;
        vtest::RecordingMessageBox boxes;
        computer();
        FrmCalendar f(rig.nodes);
        const int y = ThisYear();
        vtest::Exec(rig.db, "INSERT INTO TBL_CalenderNoCheck (アドレス,日付,開始時刻,終了時刻) VALUES (?,?,100,200)",
                    {kAddr, QDate(y, 3, 3).toString(Qt::ISODate)});
        rig.nodes.Add(QStringLiteral("#") + kAddr, tvwChild, kCalendarKey, QStringLiteral("非稼動カレンダー"),
                      QStringLiteral("Calendar"));
        f.SetDialogRunner(Answer({"08", "00", "17", "00"}));
        ClickDay(f, 3, 3);
        QCOMPARE(rig.rows(), 1);
        QCOMPARE(vtest::Scalar(rig.db, "SELECT 開始時刻 || '-' || 終了時刻 FROM TBL_CalenderNoCheck").toString(),
                 QStringLiteral("800-1700"));
        QCOMPARE(rig.days().Count(), 1);
        QCOMPARE(rig.calendarNodes(), 1);
    }
};

VANTORO_TEST_MAIN(TestCalendarEditor)
#include "tst_calendareditor.moc"
