// The echo probe given a host name, against a name server of the test's own: the name is
// looked up with the event loop running, and a name that does not resolve gives the
// probe's own result and text.
#include "TestSupport.h"
#include "PrivateDns.h"

#include "engine/ClsPing.h"

#include <QtTest>

#include <memory>

class TestPingLookup : public QObject {
    Q_OBJECT

    std::unique_ptr<vtest::ServerProcess> mDns;

private slots:
    void initTestCase() {
        mDns = vtest::PrivateDns::StartServer();
        if (!mDns) QSKIP(qPrintable(vtest::PrivateDns::Failure()));
    }

    void nameIsLookedUpWithTheLoopRunning_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("message");
        QTest::newRow("slow name") << "p.127-0-0-7.1000.test" << 0 << "127.0.0.7" << u"接続OK!"_qs;
        QTest::newRow("no such name") << "q.nx.1000.test" << 2 << "" << u"IP情報取得ｴﾗｰ"_qs;
        QTest::newRow("silent server") << "r.silent.0.test" << 2 << "" << u"IP情報取得ｴﾗｰ"_qs;
    }
    void nameIsLookedUpWithTheLoopRunning() {
        QFETCH(QString, host);
        QFETCH(int, result);
        QFETCH(QString, address);
        QFETCH(QString, message);
        if (!icmp::IcmpEcho().IsOpen()) QSKIP("no ICMP socket can be opened here");
        ClsPing ping;
        ping.setTimeout(1000);
        vtest::GapMeter meter;
        QCOMPARE(ping.Ping(host, QStringLiteral("PC-7")), qint16(result));
        QVERIFY2(meter.LongestGapMs() < 400, qPrintable(QString::number(meter.LongestGapMs())));
        QCOMPARE(ping.PingMsg(), message);
        QCOMPARE(ping.IPAddress(), address);
        QCOMPARE(ping.HostName(), result == 0 ? QStringLiteral("PC-7") : QString());
    }
};

VANTORO_TEST_MAIN_PRIVATE_DNS(TestPingLookup)
#include "tst_pinglookup.moc"
