// PortCheck against real sockets: an accepting server, a refused port, bad input, and a
// silent port in a test namespace whose packets the router drops — with the event loop
// kept running during the wait and a second probe nested inside the first.

#include "TestSupport.h"
#include "TestNetns.h"

#include "engine/PortCheck.h"
#include "model/Globals.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

// A port on 127.0.0.1 that nothing listens on (taken from a server closed at once).
quint16 RefusedPort() {
    QTcpServer s;
    if (!s.listen(QHostAddress::LocalHost, 0)) return 0;
    const quint16 port = s.serverPort();
    s.close();
    return port;
}

}  // namespace

class TestPortCheck : public QObject {
    Q_OBJECT

    qint16 savedTimeOut_ = 3;

private slots:
    void initTestCase() {
        savedTimeOut_ = gOptPortTimeOut;
    }
    void cleanupTestCase() {
        gOptPortTimeOut = savedTimeOut_;
    }
    void init() { gOptPortTimeOut = 3; }

    void openPortConnectsAndCloses() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(PortCheck("127.0.0.1", server.serverPort(), 1));
        QVERIFY(clock.elapsed() < 2000);
        QVERIFY(server.hasPendingConnections() || server.waitForNewConnection(2000));
        std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
        QVERIFY(peer);
        // The probe closed its end: the server sees the connection end.
        if (peer->state() == QAbstractSocket::ConnectedState) QVERIFY(peer->waitForDisconnected(3000));
        QVERIFY(!server.hasPendingConnections());
    }

    void openPortByName() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        QVERIFY(PortCheck(" localhost ", server.serverPort()));
    }

    void refusedPortFailsQuickly_data() {
        QTest::addColumn<int>("attempt");
        QTest::newRow("first attempt and its retry") << 1;
        QTest::newRow("second attempt only") << 2;
    }
    void refusedPortFailsQuickly() {
        QFETCH(int, attempt);
        const quint16 port = RefusedPort();
        QVERIFY(port != 0);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!PortCheck("127.0.0.1", port, qint16(attempt)));
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    }

    void refusedAtOnce_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("port 0") << "127.0.0.1" << 0;
        QTest::newRow("port -1") << "127.0.0.1" << -1;
        QTest::newRow("port 65536") << "127.0.0.1" << 65536;
        QTest::newRow("port 70000") << "127.0.0.1" << 70000;
        QTest::newRow("empty host") << "" << 80;
        QTest::newRow("blank host") << "   " << 80;
    }
    void refusedAtOnce() {
        QFETCH(QString, host);
        QFETCH(int, port);
        // A port that would accept when truncated to 16 bits must not be probed at all.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!PortCheck(host, port == 65536 ? 65536 + server.serverPort() : port));
        QVERIFY(clock.elapsed() < 100);
        QVERIFY(!server.waitForNewConnection(100));
    }

    // A wait limit that does not fit the 16-bit count ends the probe as a failure.
    void limitOverflowFails() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        gOptPortTimeOut = 20000;
        QVERIFY(PortCheck("127.0.0.1", server.serverPort(), 1));
        QVERIFY(!PortCheck("127.0.0.1", server.serverPort(), 2));
    }

    void silentPort_data() {
        QTest::addColumn<int>("timeOut");
        QTest::addColumn<int>("attempt");
        QTest::addColumn<int>("expectMs");
        QTest::newRow("attempt 1: limit plus twice the limit") << 1 << 1 << 3000;
        QTest::newRow("attempt 2: one double wait") << 1 << 2 << 2000;
        QTest::newRow("time-out 0 waits 1 s, then 2 s") << 0 << 1 << 3000;
    }
    void silentPort() {
        vtest::TestNetwork net;
        if (!net.Ready()) QSKIP(qPrintable("test namespaces cannot be made here: " + net.Failure()));
        QFETCH(int, timeOut);
        QFETCH(int, attempt);
        QFETCH(int, expectMs);
        gOptPortTimeOut = qint16(timeOut);
        auto inside = net.EnterClient();
        QVERIFY(inside.Entered());
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(100);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!PortCheck(vtest::TestNetwork::kSilent, 80, qint16(attempt)));
        const qint64 took = clock.elapsed();
        QVERIFY2(took >= expectMs - 20 && took < expectMs + 1000, qPrintable(QString::number(took)));
        // The event loop ran throughout the wait.
        QVERIFY2(ticks >= expectMs / 100 - 5, qPrintable(QString::number(ticks)));
    }

    // A probe started from inside another probe's wait gets its own connection.
    void nestedProbeHasItsOwnSocket() {
        vtest::TestNetwork net;
        if (!net.Ready()) QSKIP(qPrintable("test namespaces cannot be made here: " + net.Failure()));
        gOptPortTimeOut = 1;
        auto inside = net.EnterClient();
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        int nested = -1;
        QTimer::singleShot(200, [&] { nested = PortCheck("127.0.0.1", server.serverPort()) ? 1 : 0; });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!PortCheck(vtest::TestNetwork::kSilent, 80));
        QCOMPARE(nested, 1);
        QVERIFY(clock.elapsed() >= 2950);
    }
};

VANTORO_TEST_MAIN(TestPortCheck)
#include "tst_portcheck.moc"
