// The child lists of a computer and the no-check time tests.
#include "TestSupport.h"

#include "model/ClsPingDatas.h"
#include "model/TimeFormat.h"

#include <QTimeZone>

#include <stdexcept>

class ChildListsTest : public QObject {
    Q_OBJECT

private slots:
    void listShape() {
        ClsPortDatas ports;
        QCOMPARE(ports.GetItemNo(80), 0);
        ports.Clear();
        ports.Add(80, QStringLiteral("a"));
        ports.Add(8080, QStringLiteral("b"));
        ports.Add(80, QStringLiteral("c"));
        QCOMPARE(ports.GetItemNo(80), 1);
        QCOMPARE(ports.GetItemNo(8080), 2);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, ports.Item(ports.Count() + 1));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, ports.Item(0));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, ports.Remove(4));
        ports.Remove(1);
        QCOMPARE(ports.Count(), 2);
        QCOMPARE(ports.Item(1)->PortService, QStringLiteral("b"));
        QCOMPARE(ports.Item(2)->PortService, QStringLiteral("c"));
        QStringList walked;
        for (const auto& p : ports) walked << p->PortService;
        QCOMPARE(walked, (QStringList{"b", "c"}));
    }

    void keys() {
        ClsDllDatas dlls;
        dlls.Add(1, QStringLiteral("VantorPort.so"), QStringLiteral("10.0.0.1|80"), QStringLiteral("k1"));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 dlls.Add(2, QStringLiteral("x"), QString(), QStringLiteral("K1")));
        QCOMPARE(dlls.Count(), 1);
        dlls.Add(3, QStringLiteral("y"), QString());  // no key: never a clash
        dlls.Add(4, QStringLiteral("z"), QString());
        QCOMPARE(dlls.Item(QStringLiteral("k1"))->SubNo, qint16(1));
        QCOMPARE(dlls.GetItemNo(4), 3);
        dlls.Remove(QStringLiteral("k1"));
        QCOMPARE(dlls.GetItemNo(4), 2);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, dlls.Item(QStringLiteral("k1")));
    }

    void weeklyWindows_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<bool>("checkAllowed");
        // 2026-12-07 is a Monday.
        auto at = [](int day, int h, int m, int s = 0) { return QDateTime(QDate(2026, 12, day), QTime(h, m, s)); };
        QTest::newRow("before start") << 2200 << 2600 << "0100000" << at(7, 21, 59) << true;
        QTest::newRow("at start") << 2200 << 2600 << "0100000" << at(7, 22, 0) << false;
        QTest::newRow("late evening") << 2200 << 2600 << "0100000" << at(7, 23, 59) << false;
        QTest::newRow("after midnight") << 2200 << 2600 << "0100000" << at(8, 1, 30) << false;
        QTest::newRow("end included to the minute") << 2200 << 2600 << "0100000" << at(8, 2, 0, 59) << false;
        QTest::newRow("after end") << 2200 << 2600 << "0100000" << at(8, 2, 1) << true;
        QTest::newRow("saturday into sunday") << 2300 << 2430 << "0000001" << at(6, 0, 20) << false;
        QTest::newRow("late start, next day tail") << 2500 << 2600 << "0100000" << at(8, 0, 10) << false;
        QTest::newRow("late start, own day") << 2500 << 2600 << "0100000" << at(7, 12, 0) << true;
        QTest::newRow("end below start never") << 2200 << 200 << "1111111" << at(8, 23, 0) << true;
        QTest::newRow("end below start tail") << 2200 << 200 << "1111111" << at(8, 1, 0) << true;
        QTest::newRow("other day") << 900 << 1730 << "0100000" << at(8, 10, 0) << true;
        QTest::newRow("short mask") << 900 << 1730 << "01" << at(12, 10, 0) << true;
        QTest::newRow("working day") << 900 << 1730 << "0111110" << at(11, 17, 30, 59) << false;
    }
    void weeklyWindows() {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QString, mask);
        QFETCH(QDateTime, moment);
        QFETCH(bool, checkAllowed);
        ClsWaitTimes w;
        w.Add(1, qint16(start), qint16(end), mask);
        QCOMPARE(w.TimeCheck(moment), checkAllowed);
        // Asked again about another moment and back: the remembered values follow.
        w.TimeCheck(moment.addDays(3));
        QCOMPARE(w.TimeCheck(moment), checkAllowed);
    }

    void datedWindows_data() {
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<bool>("checkAllowed");
        QTest::newRow("start") << QDateTime(QDate(2026, 12, 31), QTime(23, 0)) << false;
        QTest::newRow("before") << QDateTime(QDate(2026, 12, 31), QTime(22, 59)) << true;
        QTest::newRow("next year 00:59") << QDateTime(QDate(2027, 1, 1), QTime(0, 59)) << false;
        QTest::newRow("next year 01:00") << QDateTime(QDate(2027, 1, 1), QTime(1, 0)) << false;
        QTest::newRow("next year 01:01") << QDateTime(QDate(2027, 1, 1), QTime(1, 1)) << true;
        QTest::newRow("day after") << QDateTime(QDate(2027, 1, 2), QTime(0, 30)) << true;
    }
    void datedWindows() {
        QFETCH(QDateTime, moment);
        QFETCH(bool, checkAllowed);
        ClsWaitDayTimes w;
        w.Add(QDate(2026, 12, 31), 2300, 2500);
        QCOMPARE(w.TimeCheck(moment), checkAllowed);
        QCOMPARE(w.GetItemNo(QDate(2026, 12, 31)), 1);
        QCOMPARE(w.GetItemNo(QDate(2027, 1, 1)), 0);
    }

    // The remembered moment is the date and time a caller shows, not the instant: one
    // instant seen from another zone is another hour, and there another weekday.
    void sameInstantInAnotherZone() {
        const QDateTime utc(QDate(2026, 12, 7), QTime(22, 30), QTimeZone(0));  // Monday 22:30
        const QDateTime ahead = utc.toTimeZone(QTimeZone(2 * 3600));          // Tuesday 00:30
        QCOMPARE(ahead, utc);
        ClsWaitTimes weekly;
        weekly.Add(1, 2200, 2300, QStringLiteral("0100000"));
        ClsWaitDayTimes dated;
        dated.Add(QDate(2026, 12, 7), 2200, 2300);
        QCOMPARE(weekly.TimeCheck(utc), false);
        QCOMPARE(dated.TimeCheck(utc), false);
        QCOMPARE(weekly.TimeCheck(ahead), true);
        QCOMPARE(dated.TimeCheck(ahead), true);
    }

    void emptyListsAlwaysAllow() {
        ClsPingData d;
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(d.WaitTime().TimeCheck(now));
        QVERIFY(d.WaitDayTime().TimeCheck(now));
    }

    void formatters_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("text");
        QTest::newRow("week") << 830 << 1700 << "0111110" << "08時30分～17時00分  【月・火・水・木・金】";
        QTest::newRow("past midnight") << 2605 << 4758 << "1000001" << "26時05分～47時58分  【日・土】";
        QTest::newRow("no day") << 0 << 5 << "0000000" << "00時00分～00時05分  【無効】";
        QTest::newRow("odd characters") << 100 << 200 << "x1" << "01時00分～02時00分  【月】";
        QTest::newRow("empty mask") << 100 << 200 << "" << "01時00分～02時00分  【無効】";
        QTest::newRow("two days, end past midnight") << 2200 << 2630 << "0100010" << "22時00分～26時30分  【月・金】";
    }
    void formatters() {
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(QString, mask);
        QFETCH(QString, text);
        QCOMPARE(FormatWaitTimeText(qint16(start), qint16(end), mask), text);
    }
};

VANTORO_TEST_MAIN(ChildListsTest)
#include "tst_childlists.moc"
