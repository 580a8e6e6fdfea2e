// The target list: lookups by address, the text-order sort that moves contents between
// fixed element objects, and the position rules.
#include "TestSupport.h"

#include "model/ClsPingDatas.h"

#include <QRandomGenerator>

#include <algorithm>

class TargetListTest : public QObject {
    Q_OBJECT

    static void add(ClsPingDatas& l, const QString& addr, const QString& group = QStringLiteral("G1")) {
        l.AddItem(addr, QStringLiteral("pc-") + addr, group, 3, -1, 5000, true, true, true, QString());
    }

private slots:
    void getItemNoTrimsAndWarns_data() {
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("padded key") << QStringList{"10.0.0.4", "10.0.0.5"} << " 10.0.0.5 " << 2 << QStringList{};
        QTest::newRow("missing") << QStringList{"10.0.0.4"} << "10.0.0.9" << 0
                                 << QStringList{"2:ClsPingDatas.GetItemNo(10.0.0.9)"};
        QTest::newRow("empty list, zero key") << QStringList{} << "0.0.0.0" << 0
                                              << QStringList{"1:ClsPingDatas.GetItemNo(0.0.0.0)"};
        QTest::newRow("empty list") << QStringList{} << "10.0.0.1" << 0 << QStringList{};
        QTest::newRow("zero key found") << QStringList{"0.1.2.3"} << "0.1.2.3" << 1
                                        << QStringList{"1:ClsPingDatas.GetItemNo(0.1.2.3)"};
        QTest::newRow("case matters") << QStringList{"host-a"} << "HOST-A" << 0
                                      << QStringList{"2:ClsPingDatas.GetItemNo(HOST-A)"};
        QTest::newRow("two of one address: the first") << QStringList{"10.0.0.4", "10.0.0.5", "10.0.0.5"} << "10.0.0.5"
                                                       << 2 << QStringList{};
        QTest::newRow("inner spaces are part of it") << QStringList{"10.0.0.5"} << "10.0. 0.5" << 0
                                                     << QStringList{"2:ClsPingDatas.GetItemNo(10.0. 0.5)"};
    }
    void getItemNoTrimsAndWarns() {
        QFETCH(QStringList, addresses);
        QFETCH(QString, key);
        QFETCH(int, expected);
        QFETCH(QStringList, boxes);
        vtest::RecordingMessageBox box;
        ClsPingDatas l;
        for (const QString& a : addresses) add(l, a);
        QCOMPARE(l.GetItemNo(key), expected);
        QCOMPARE(box.prompts(), boxes);
        for (const auto& b : box.shown) QCOMPARE(b.title, ProgramTitle());
    }

    void sortIsByText_data() {
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("digits as text") << QStringList{"10.0.0.2", "10.0.0.10"} << QStringList{"10.0.0.10", "10.0.0.2"};
        QTest::newRow("dot before digits") << QStringList{"100.0.0.1", "10.0.0.1"} << QStringList{"10.0.0.1", "100.0.0.1"};
        QTest::newRow("not numeric") << QStringList{"20.0.0.1", "192.168.0.1"} << QStringList{"192.168.0.1", "20.0.0.1"};
        QTest::newRow("many") << QStringList{"9", "3", "7", "1", "5", "8", "2", "6", "4", "0"}
                              << QStringList{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
        QTest::newRow("duplicates") << QStringList{"b", "a", "b", "a"} << QStringList{"a", "a", "b", "b"};
        QTest::newRow("one") << QStringList{"x"} << QStringList{"x"};
    }
    void sortIsByText() {
        QFETCH(QStringList, input);
        QFETCH(QStringList, sorted);
        ClsPingDatas l;
        for (const QString& a : input) add(l, a);
        l.Sort();
        QStringList got;
        for (int i = 1; i <= l.ListCount(); ++i) got << l.Item(i)->IPAddress;
        QCOMPARE(got, sorted);
    }

    // Each computer keeps its own values and lists through a sort: a round that holds one
    // across a yield in which a dialog sorted the list still updates the right computer.
    void sortKeepsEachComputerWhole() {
        ClsPingDatas l;
        add(l, QStringLiteral("10.0.0.2"));
        add(l, QStringLiteral("10.0.0.1"));
        auto held = l.Item(1);
        held->NotConnectCount = 7;
        held->PortData().Add(80, QStringLiteral("HTTP"));
        auto other = l.Item(2);  // never touched its lists: the sort must create them
        l.Sort();
        QCOMPARE(l.Item(1).get(), other.get());
        QCOMPARE(l.Item(2).get(), held.get());
        QCOMPARE(held->IPAddress, QStringLiteral("10.0.0.2"));
        QCOMPARE(held->NotConnectCount, 7);
        QCOMPARE(held->PortData().Count(), 1);
        QCOMPARE(other->IPAddress, QStringLiteral("10.0.0.1"));
        QCOMPARE(other->NotConnectCount, 0);
        QCOMPARE(other->PortData().Count(), 0);
        QCOMPARE(l.GetItemNo(QStringLiteral("10.0.0.2")), 2);
    }

    void sortMatchesReferenceOrder() {
        QRandomGenerator rng(20261210);
        for (int run = 0; run < 200; ++run) {
            ClsPingDatas l;
            QStringList addresses;
            const int n = int(rng.bounded(0, 40));
            for (int i = 0; i < n; ++i) {
                // Few distinct values, so equal addresses and long equal runs are common.
                const QString a = QStringLiteral("%1.%2.0.%3").arg(rng.bounded(1, 4) * 10).arg(rng.bounded(0, 3)).arg(rng.bounded(0, 12));
                addresses << a;
                add(l, a);
            }
            l.Sort();
            QStringList reference = addresses;
            std::sort(reference.begin(), reference.end());
            QStringList got;
            for (int i = 1; i <= l.ListCount(); ++i) got << l.Item(i)->IPAddress;
            QCOMPARE(got, reference);
        }
    }

    // The address index follows every change of the list: after each of a long random run
    // of adds, removals, group removals, sorts and clears, every address is found where a
    // walk over the list finds it first, and one that left is not found.
    void getItemNoFollowsEveryChange() {
        vtest::RecordingMessageBox box;  // the misses' boxes, unread
        QRandomGenerator rng(20261211);
        ClsPingDatas l;
        const auto address = [&rng] { return QStringLiteral("10.0.%1.%2").arg(rng.bounded(0, 2)).arg(rng.bounded(0, 15)); };
        const auto group = [&rng] { return QStringLiteral("G%1").arg(rng.bounded(0, 3)); };
        for (int step = 0; step < 2000; ++step) {
            const quint32 op = rng.bounded(0, 100);
            if (op < 55) add(l, address(), group());
            else if (op < 80) l.RemoveItem(static_cast<qint32>(rng.bounded(0, l.ListCount() + 2)));
            else if (op < 88) l.RemoveGroupItem(group());
            else if (op < 98) l.Sort();
            else l.Clear();
            for (int a = 0; a < 2; ++a)
                for (int b = 0; b < 15; ++b) {
                    const QString key = QStringLiteral("10.0.%1.%2").arg(a).arg(b);
                    qint32 first = 0;
                    for (qint32 i = 1; i <= l.ListCount() && !first; ++i)
                        if (l.Item(i)->IPAddress == key) first = i;
                    QCOMPARE(l.GetItemNo(key), first);
                }
        }
    }

    void positions() {
        ClsPingDatas l;
        QVERIFY(!l.Item(0));
        add(l, QStringLiteral("b"));
        add(l, QStringLiteral("a"));
        QCOMPARE(l.Item(0)->IPAddress, QStringLiteral("a"));  // the one added last
        QVERIFY(!l.Item(l.ListCount() + 1));
        QVERIFY(!l.Item(-1));
        l.RemoveItem(0);
        l.RemoveItem(3);
        QCOMPARE(l.ListCount(), 2);
        l.RemoveItem(1);
        QCOMPARE(l.ListCount(), 1);
        QCOMPARE(l.Item(1)->IPAddress, QStringLiteral("a"));
        l.Clear();
        QCOMPARE(l.ListCount(), 0);
    }

    void addItemDefaults() {
        ClsPingDatas l;
        l.AddItem(QStringLiteral("10.0.0.1"), QStringLiteral("pc-01"), QStringLiteral("G"), 5, -1, 3000, true, false,
                  true, QStringLiteral("cal"));
        auto d = l.Item(0);
        QCOMPARE(d->Computer, QStringLiteral("PC-01"));
        QCOMPARE(d->NotIPAddress, false);
        QCOMPARE(d->NotConnectCount, 0);
        QCOMPARE(d->Sound, qint16(-1));
        QCOMPARE(d->NoCheckSrv, false);
        QCOMPARE(d->Calendar, QStringLiteral("cal"));
        d->Computer = QStringLiteral("pc-02");  // the property stores the text as given
        QCOMPARE(l.Item(1)->Computer, QStringLiteral("pc-02"));
    }

    void groupOperationsAreCaseSensitive() {
        ClsPingDatas l;
        add(l, QStringLiteral("1"), QStringLiteral("Office"));
        add(l, QStringLiteral("2"), QStringLiteral("office"));
        add(l, QStringLiteral("3"), QStringLiteral("Office"));
        l.GroupCheck(QStringLiteral("Office"), false);
        QCOMPARE(l.Item(1)->NoCheckGrp, false);
        QCOMPARE(l.Item(2)->NoCheckGrp, true);
        QCOMPARE(l.Item(3)->NoCheckGrp, false);
        l.RemoveGroupItem(QStringLiteral("OFFICE"));
        QCOMPARE(l.ListCount(), 3);
        l.RemoveGroupItem(QStringLiteral("Office"));
        QCOMPARE(l.ListCount(), 1);
        QCOMPARE(l.Item(1)->IPAddress, QStringLiteral("2"));
    }

    void generationChangesWhenPositionsChange() {
        ClsPingDatas l;
        add(l, QStringLiteral("b"));
        add(l, QStringLiteral("a"));
        const auto g0 = l.Generation();
        l.Item(1)->NotConnectCount = 1;
        QCOMPARE(l.Generation(), g0);
        l.Sort();
        QVERIFY(l.Generation() != g0);
        const auto g1 = l.Generation();
        l.RemoveItem(1);
        QVERIFY(l.Generation() != g1);
    }
};

VANTORO_TEST_MAIN(TargetListTest)
#include "tst_targetlist.moc"
