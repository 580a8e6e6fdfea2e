// The month grid: which day a point of the widget lands on, the day kinds it starts with
// and cycles through, and the dated no-check marks of computer mode.
#include "TestSupport.h"

#include "schedules/ClsCalendar.h"

#include <QDate>

namespace {
QPointF Centre(int cell) { return QRectF(ClsCalendar::DayCellRect(cell)).center(); }
void ClickCell(ClsCalendar& g, int cell, int button = ClsCalendar::kLeftButton) {
    const QPointF p = Centre(cell);
    g.Click(p.x(), p.y(), button);
}
}  // namespace

class TestMonthGrid : public QObject {
    Q_OBJECT
private slots:
    void hitTestEveryCell_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        // One month starting on each weekday, among them a 28-day February starting on a
        // Sunday (four full rows) and a 31-day month starting on a Saturday (six rows).
        QTest::newRow("Sunday, 28-day February") << 2015 << 2;
        QTest::newRow("Monday") << 2002 << 4;
        QTest::newRow("Tuesday") << 2002 << 1;
        QTest::newRow("Wednesday") << 2002 << 5;
        QTest::newRow("Thursday") << 2002 << 8;
        QTest::newRow("Friday, 31 days") << 2002 << 3;
        QTest::newRow("Saturday, 31 days, six rows") << 2015 << 8;
        QTest::newRow("leap February") << 2024 << 2;
    }
    void hitTestEveryCell() {
        QFETCH(int, year);
        QFETCH(int, month);
        ClsCalendar g;
        g.ShowCalendar(year, month, QString());
        const QDate first(year, month, 1);
        const int lead = first.dayOfWeek() % 7;
        QCOMPARE(g.FirstDayCell(), lead);
        QCOMPARE(g.LastDayCell(), lead + first.daysInMonth() - 1);
        QCOMPARE(g.ListCount(), first.daysInMonth());
        for (int cell = 0; cell < 42; ++cell) {
            const int day = cell - lead + 1;
            const bool onDay = day >= 1 && day <= first.daysInMonth();
            const QPointF p = Centre(cell);
            QCOMPARE(g.MouseMove(p.x(), p.y()), onDay);
            g.MouseDown(p.x(), p.y());
            QCOMPARE(g.PressedCell(), onDay ? cell : -1);
            ClickCell(g, cell, ClsCalendar::kRightButton);
            const QString expected = onDay ? QDate(year, month, day).toString(QStringLiteral("yyyy/MM/dd")) : "0";
            QVERIFY2(g.GetDate() == expected, qPrintable(QStringLiteral("cell %1: %2").arg(cell).arg(g.GetDate())));
        }
        // The title row, the weekday row and points right of the seven columns (a button
        // released beyond the picture) are on no day.
        for (QPointF p : {QPointF(40, 5), QPointF(40, 22), QPointF(127, 40), QPointF(129, 100)}) {
            g.Click(p.x(), p.y(), ClsCalendar::kLeftButton);
            QCOMPARE(g.GetDate(), QStringLiteral("0"));
        }
    }

    void firstAndLastCells() {
        ClsCalendar g;
        g.ShowCalendar(2015, 2, QString());
        QCOMPARE(g.FirstDayCell(), 0);
        QCOMPARE(g.LastDayCell(), 27);
        g.ShowCalendar(2015, 8, QString());
        QCOMPARE(g.LastDayCell(), 36);
        ClickCell(g, 36);
        QCOMPARE(g.GetDate(), QStringLiteral("2015/08/31"));
        ClickCell(g, 0);  // a blank cell before the 1st
        QCOMPARE(g.GetDate(), QStringLiteral("0"));
    }

    void defaultKinds() {
        ClsCalendar g;
        g.ShowCalendar(2002, 2, QString());
        QCOMPARE(int(g.Item(11)->DayKbn), 2);  // a Monday holiday
        QCOMPARE(int(g.Item(9)->DayKbn), 1);   // Saturday
        QCOMPARE(int(g.Item(10)->DayKbn), 2);  // Sunday
        QCOMPARE(int(g.Item(12)->DayKbn), 0);
        QVERIFY(!g.Item(0));
        QVERIFY(!g.Item(29));
        // A holiday on a Saturday is red.
        g.ShowCalendar(2002, 11, QString());
        QCOMPARE(int(g.Item(23)->DayKbn), 2);

        // Month outside 1..12: the current month of the given year.
        g.ShowCalendar(2002, 13, QString());
        QCOMPARE(g.Month(), QDate::currentDate().month());
        QCOMPARE(g.ListCount(), QDate(2002, QDate::currentDate().month(), 1).daysInMonth());
    }

    void storedKinds_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        const QString zeros = QString(31, QLatin1Char('0'));
        QTest::newRow("well formed") << QStringLiteral("1200000000000000000000000000002")
                                     << QStringLiteral("1200000000000000000000000000002");
        QTest::newRow("short") << QStringLiteral("12") << QStringLiteral("12") + QString(29, QLatin1Char('0'));
        QTest::newRow("other characters") << QStringLiteral("1x2 ") + QString(27, QLatin1Char('2'))
                                          << QStringLiteral("1020") + QString(27, QLatin1Char('2'));
        QTest::newRow("too long") << zeros + QStringLiteral("222") << zeros;
    }
    void storedKinds() {
        QFETCH(QString, stored);
        ClsCalendar g;
        g.ShowCalendar(2002, 3, stored);  // 3 March 2002 is a Sunday: only the digits count
        QCOMPARE(g.ListCount(), 31);
        QTEST(g.DayKinds(), "shown");
    }

    void managementClicksCycle() {
        ClsCalendar g;
        g.ShowCalendar(2002, 5, QString());
        const int cell = g.FirstDayCell() + 6;  // 7 May, a Tuesday
        ClickCell(g, cell);
        QCOMPARE(g.GetDate(), QStringLiteral("2002/05/07"));
        QCOMPARE(int(g.Item(7)->DayKbn), 1);
        ClickCell(g, cell, ClsCalendar::kRightButton);
        QCOMPARE(int(g.Item(7)->DayKbn), 2);
        ClickCell(g, cell, ClsCalendar::kMiddleButton);
        QCOMPARE(int(g.Item(7)->DayKbn), 0);
        QVERIFY(!g.Item(7)->DaySkip);
    }

    void computerMarks() {
        ClsCalendar g;
        g.SetShori(true);
        g.ShowCalendar(2002, 5, QString());
        const int cell = g.FirstDayCell() + 6;
        ClickCell(g, cell);
        QVERIFY(g.Item(7)->DaySkip);
        QCOMPARE(int(g.Item(7)->DayKbn), 0);  // the kind does not change in this mode
        // A right click sets the current day and changes no mark.
        ClickCell(g, g.FirstDayCell() + 1, ClsCalendar::kRightButton);
        QCOMPARE(g.GetDate(), QStringLiteral("2002/05/02"));
        QVERIFY(!g.Item(2)->DaySkip);
        ClickCell(g, cell, ClsCalendar::kRightButton);
        QVERIFY(g.Item(7)->DaySkip);
        ClickCell(g, cell);
        QVERIFY(!g.Item(7)->DaySkip);
        // A new month starts without marks.
        ClickCell(g, cell);
        g.ShowCalendar(2002, 5, QString());
        QVERIFY(!g.Item(7)->DaySkip);
        QCOMPARE(g.GetDate(), QStringLiteral("0"));
    }

    // A cleared grid has no days: a click, a press or a drag where a day was lands on no
    // day (and reads no day item), in both modes, until the next month is shown.
    void clearedGridHasNoDays_data() {
        QTest::addColumn<bool>("forComputer");
        QTest::newRow("calendar management") << false;
        QTest::newRow("computer") << true;
    }
    void clearedGridHasNoDays() {
        QFETCH(bool, forComputer);
        ClsCalendar g;
        g.SetShori(forComputer);
        g.ShowCalendar(2002, 5, QString());
        const int cell = g.FirstDayCell() + 6;
        ClickCell(g, cell);
        g.MouseDown(Centre(cell).x(), Centre(cell).y());
        g.Clear();
        QCOMPARE(g.ListCount(), 0);
        QCOMPARE(g.GetDate(), QStringLiteral("0"));
        QCOMPARE(g.PressedCell(), -1);
        for (int c : {g.FirstDayCell(), cell, 41}) {
            const QPointF p = Centre(c);
            QVERIFY(!g.MouseMove(p.x(), p.y()));
            g.MouseDown(p.x(), p.y());
            QCOMPARE(g.PressedCell(), -1);
            g.MouseMove2(p.x(), p.y());
            QCOMPARE(g.PressedCell(), -1);
            ClickCell(g, c);
            QCOMPARE(g.GetDate(), QStringLiteral("0"));
            QVERIFY(!g.Item(1));
        }
        QVERIFY(!g.grab().isNull());  // paints an empty month
        g.ShowCalendar(2002, 5, QString());
        ClickCell(g, cell);
        QCOMPARE(g.GetDate(), QStringLiteral("2002/05/07"));
    }

    // Real mouse events: the press frames the day, the release reports its button.
    void mouseEvents() {
        ClsCalendar g;
        g.ShowCalendar(2002, 5, QString());
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        int reported = 0;
        connect(&g, &ClsCalendar::MouseUpAt, this, [&](int button, double, double) { reported = button; });
        const QPoint p = Centre(g.FirstDayCell() + 6).toPoint();
        QTest::mousePress(&g, Qt::RightButton, {}, p);
        QCOMPARE(g.PressedCell(), g.FirstDayCell() + 6);
        QTest::mouseRelease(&g, Qt::RightButton, {}, p);
        QCOMPARE(reported, int(ClsCalendar::kRightButton));
        QImage shot = g.grab().toImage();
        QVERIFY(!shot.isNull());
    }

    // The picture is 128 by 124 pixels; the grid lies inside its one-pixel border, so the
    // mouse is hit-tested from the inside's corner: the widget's pixel column 18 is still
    // the last one of the Sunday column.
    void pictureGeometry() {
        ClsCalendar g;
        QCOMPARE(g.size(), QSize(128, 124));
        g.ShowCalendar(2015, 2, QString());  // 1 February 2015 is a Sunday: cell 0
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        int reported = 0;
        QPointF at;
        connect(&g, &ClsCalendar::MouseUpAt, this, [&](int button, double x, double y) {
            reported = button;
            at = QPointF(x, y);
        });
        const QPoint lastPixelOfSunday(18, 40);
        QTest::mousePress(&g, Qt::LeftButton, {}, lastPixelOfSunday);
        QCOMPARE(g.PressedCell(), 0);
        QTest::mouseRelease(&g, Qt::LeftButton, {}, lastPixelOfSunday);
        QCOMPARE(reported, int(ClsCalendar::kLeftButton));
        QCOMPARE(at, QPointF(17, 39));
        g.Click(at.x(), at.y(), reported);
        QCOMPARE(g.GetDate(), QStringLiteral("2015/02/01"));
        // The title bar starts inside the border.
        const QImage shot = g.grab().toImage();
        QCOMPARE(shot.pixelColor(1, 1), g.palette().color(QPalette::Highlight));
        QCOMPARE(shot.pixelColor(126, 14), g.palette().color(QPalette::Highlight));
        QVERIFY(shot.pixelColor(1, 16) == QColor(Qt::white));
    }
};

VANTORO_TEST_MAIN(TestMonthGrid)
#include "tst_monthgrid.moc"
