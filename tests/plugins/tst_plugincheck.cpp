// The port check of the loaded plug-in against real loopback sockets: one attempt per
// connection try, the retry frame's count and waits, the time-out, and refused ports.
#include "TestSupport.h"

#include "plugins/host/ClassFactory.h"
#include "plugins/host/LateBound.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>
#include <netinet/in.h>
#include <arpa/inet.h>
#include <unistd.h>

#include <vector>

using namespace plugin;

namespace {

ObjectPtr newPortCheck() { return CreateObject(QStringLiteral("VantorPort.ClsVantoro"), QStringLiteral(VANTORO_PROGRAM_DIR)); }

// A loopback port nothing listens on: bound once to learn a free number, then closed.
quint16 refusingPort() {
    QTcpServer s;
    if (!s.listen(QHostAddress::LocalHost, 0)) return 0;
    const quint16 port = s.serverPort();
    s.close();
    return port;
}

QString parameter(quint16 port, int timeOut, int wait, int retry) {
    return QStringLiteral("127.0.0.1|%1|%2|%3|%4|svc").arg(port).arg(timeOut).arg(wait).arg(retry);
}

// A listening socket that never accepts, its queue filled, so a further connection try
// gets no answer at all: a silent host on loopback.
class SilentPort {
public:
    SilentPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 0) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        port_ = ntohs(a.sin_port);
        for (int i = 0; i < 4; ++i) {
            auto s = std::make_unique<QTcpSocket>();
            s->connectToHost(QHostAddress::LocalHost, port_);
            s->waitForConnected(200);
            fillers_.push_back(std::move(s));
        }
    }
    ~SilentPort() {
        fillers_.clear();
        if (fd_ >= 0) ::close(fd_);
    }
    quint16 port() const { return port_; }
    // Whether a fresh connection try really goes unanswered for a while.
    bool silent() const {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port_);
        return !probe.waitForConnected(300);
    }

private:
    int fd_ = -1;
    quint16 port_ = 0;
    std::vector<std::unique_ptr<QTcpSocket>> fillers_;
};

}  // namespace

class PluginPortCheckTest : public QObject {
    Q_OBJECT

private slots:
    void acceptingPortPassesAtOnce() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        ObjectPtr check = newPortCheck();
        QVERIFY(check);
        QCOMPARE(Put(check, "Parameter", parameter(server.serverPort(), 5, 0, 3)), 0);
        QVERIFY(CallBool(check, "Check"));
        QCOMPARE(Get(check, "Attempts")->toInt(), 1);
        // The check closes its connection at once and never sends anything.
        QVERIFY(server.hasPendingConnections() || server.waitForNewConnection(2000));
        QTcpSocket* peer = server.nextPendingConnection();
        QVERIFY(peer);
        if (peer->state() == QAbstractSocket::ConnectedState) QVERIFY(peer->waitForDisconnected(2000));
        QCOMPARE(peer->bytesAvailable(), qint64(0));
    }

    void retryFrame_data() {
        QTest::addColumn<int>("retry");
        QTest::addColumn<int>("wait");
        QTest::addColumn<int>("pCall");
        QTest::addColumn<int>("attempts");
        QTest::newRow("three attempts") << 3 << 0 << 1 << 3;
        QTest::newRow("retry 1 is one attempt") << 1 << 0 << 1 << 1;
        QTest::newRow("retry 0 is one attempt") << 0 << 0 << 1 << 1;
        QTest::newRow("negative wait waits nothing") << 2 << -5 << 1 << 2;
        QTest::newRow("started at a later attempt") << 3 << 0 << 2 << 2;
    }
    void retryFrame() {
        QFETCH(int, retry);
        QFETCH(int, wait);
        QFETCH(int, pCall);
        QFETCH(int, attempts);
        const quint16 port = refusingPort();
        QVERIFY(port);
        ObjectPtr check = newPortCheck();
        QCOMPARE(Put(check, "Parameter", parameter(port, 5, 0, 1)), 0);
        QCOMPARE(Put(check, "Retry", retry), 0);
        QCOMPARE(Put(check, "WaitTime", wait), 0);
        QElapsedTimer clock;
        clock.start();
        const auto result = Call(check, "Check", {pCall});
        QVERIFY(result);
        QCOMPARE(result->toBool(), false);
        QCOMPARE(Get(check, "Attempts")->toInt(), attempts);
        QVERIFY2(clock.elapsed() < 3000, "a refused port fails at once, and no wait was asked for");
    }

    void waitsLieBetweenAttempts() {
        const quint16 port = refusingPort();
        ObjectPtr check = newPortCheck();
        QCOMPARE(Put(check, "Parameter", parameter(port, 5, 1, 2)), 0);
        // The host's window goes on while the check waits to try again.
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(50);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!CallBool(check, "Check"));
        QCOMPARE(Get(check, "Attempts")->toInt(), 2);
        QVERIFY2(clock.elapsed() >= 950, "one wait of WaitTime seconds between the two attempts");
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY2(ticks >= 15, qPrintable(QString::number(ticks)));
    }

    void portTheSocketRefuses_data() {
        QTest::addColumn<int>("port");
        QTest::newRow("zero") << 0;
        QTest::newRow("above 65535") << 65536;
        QTest::newRow("negative") << -1;
    }
    void portTheSocketRefuses() {
        QFETCH(int, port);
        ObjectPtr check = newPortCheck();
        QCOMPARE(Put(check, "Parameter", QStringLiteral("127.0.0.1|%1|5|0|3|x").arg(port)), 0);
        QVERIFY(!CallBool(check, "Check"));
        QCOMPARE(Get(check, "Attempts")->toInt(), 1);  // no further attempt
    }

    void unresolvableNameFails() {
        ObjectPtr check = newPortCheck();
        QCOMPARE(Put(check, "Parameter", QStringLiteral("no-such-host.invalid|80|2|0|1|x")), 0);
        QVERIFY(!CallBool(check, "Check"));
    }

    // A silent target: the attempt ends after its time-out. Events run meanwhile, and a
    // check of the same object entered from them answers False at once.
    void silentHostTimesOut() {
        SilentPort silent;
        if (!silent.port() || !silent.silent()) QSKIP("this kernel answers every loopback connection try");
        ObjectPtr check = newPortCheck();
        QCOMPARE(Put(check, "Parameter", parameter(silent.port(), 1, 0, 1)), 0);
        bool ticked = false;
        std::optional<QVariant> nested;
        QTimer::singleShot(200, [&] {
            ticked = true;
            nested = Call(check, "Check");
        });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!CallBool(check, "Check"));
        const qint64 took = clock.elapsed();
        QVERIFY2(took >= 950 && took < 4000, qPrintable(QString::number(took)));
        QVERIFY(ticked);
        QVERIFY(nested);
        QCOMPARE(nested->toBool(), false);
        QCOMPARE(Get(check, "Attempts")->toInt(), 1);
    }

    // A time-out of 0 (or less) is one pass of event processing: a connection already made
    // by then passes, anything else fails at once instead of waiting a second.
    void zeroTimeOutIsOnePass_data() {
        QTest::addColumn<bool>("accepting");
        QTest::addColumn<int>("timeOut");
        QTest::newRow("silent host, 0") << false << 0;
        QTest::newRow("silent host, negative") << false << -3;
        QTest::newRow("accepting port, 0") << true << 0;
    }
    void zeroTimeOutIsOnePass() {
        QFETCH(bool, accepting);
        QFETCH(int, timeOut);
        QTcpServer server;
        SilentPort silent;
        quint16 port = 0;
        if (accepting) {
            QVERIFY(server.listen(QHostAddress::LocalHost, 0));
            port = server.serverPort();
        } else {
            if (!silent.port() || !silent.silent()) QSKIP("this kernel answers every loopback connection try");
            port = silent.port();
        }
        ObjectPtr check = newPortCheck();
        QCOMPARE(Put(check, "Parameter", parameter(port, 0, 0, 1)), 0);
        QCOMPARE(Put(check, "TimeOut", timeOut), 0);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(CallBool(check, "Check"), accepting);
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(Get(check, "Attempts")->toInt(), 1);
    }
};

VANTORO_TEST_MAIN(PluginPortCheckTest)
#include "tst_plugincheck.moc"
