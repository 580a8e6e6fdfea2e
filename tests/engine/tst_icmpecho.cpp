// The ICMP echo adapter against real sockets: loopback answers, and in a routed test
// network of our own namespaces a host behind a router, a silent address, and routers
// answering with ICMP errors — for both the datagram and the raw socket.

#include "TestSupport.h"
#include "TestNetns.h"

#include "engine/ClsPing.h"
#include "engine/IcmpEcho.h"
#include "alarms/EventWait.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

using icmp::EchoReply;
using icmp::IcmpEcho;
using icmp::SocketKind;

Q_DECLARE_METATYPE(icmp::SocketKind)

namespace {

quint32 Addr(const char* dotted) { return QHostAddress(QString::fromLatin1(dotted)).toIPv4Address(); }
quint32 Addr(const QString& dotted) { return QHostAddress(dotted).toIPv4Address(); }

QString KindName(SocketKind k) { return k == SocketKind::Raw ? "raw" : k == SocketKind::Datagram ? "datagram" : "auto"; }

}  // namespace

class TestIcmpEcho : public QObject {
    Q_OBJECT

    static void kindRows() {
        QTest::addColumn<SocketKind>("kind");
        QTest::newRow("raw") << SocketKind::Raw;
        QTest::newRow("datagram") << SocketKind::Datagram;
    }

    // Runs tests/servers/decoy_echo.py in the test host, which then answers for the kernel.
    static bool startDecoy(QProcess& decoy, vtest::TestNetwork& net, const QStringList& args) {
        if (!net.RunIn(net.Host(), {"sysctl", "-qw", "net.ipv4.icmp_echo_ignore_all=1"})) return false;
        decoy.start("ip", QStringList{"netns", "exec", net.Host(), VANTORO_PYTHON,
                                      VANTORO_SOURCE_DIR "/tests/servers/decoy_echo.py"} + args);
        return decoy.waitForStarted(5000) && decoy.waitForReadyRead(5000) &&
               decoy.readLine().trimmed() == QByteArray("ready");
    }

    void echoLoopback(SocketKind kind, const QString& target, int length, const char* where, bool& ran) {
        IcmpEcho echo(kind);
        if (!echo.IsOpen()) return;
        ran = true;
        EchoReply reply;
        QCOMPARE(echo.SendEcho(Addr(target), ClsPing::EchoData(length), 64, 2000, reply), 1);
        QVERIFY2(reply.status == icmp::Success, where);
        QCOMPARE(reply.addressText, target);
        QCOMPARE(reply.address, Addr(target));
        QVERIFY(reply.roundTripMs < 1000);
    }

private slots:

    // The whole way from an ICMP error to what the user reads.
    void errorMapping_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("code");
        QTest::addColumn<quint32>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("net unreachable") << 3 << 0 << quint32(11002) << "Dest Network Not Reachable";
        QTest::newRow("host unreachable") << 3 << 1 << quint32(11003) << "Dest Host Not Reachable";
        QTest::newRow("protocol unreachable") << 3 << 2 << quint32(11004) << "Dest Protocol Not Reachable";
        QTest::newRow("port unreachable") << 3 << 3 << quint32(11005) << "Dest Port Not Reachable";
        QTest::newRow("fragmentation needed") << 3 << 4 << quint32(11009) << "Packet too Big";
        QTest::newRow("source route failed") << 3 << 5 << quint32(11012) << "Bad Route";
        QTest::newRow("net unknown") << 3 << 6 << quint32(11002) << "Dest Network Not Reachable";
        QTest::newRow("host unknown") << 3 << 7 << quint32(11003) << "Dest Host Not Reachable";
        QTest::newRow("net prohibited") << 3 << 9 << quint32(11002) << "Dest Network Not Reachable";
        QTest::newRow("host prohibited") << 3 << 10 << quint32(11003) << "Dest Host Not Reachable";
        QTest::newRow("filtered") << 3 << 13 << quint32(11003) << "Dest Host Not Reachable";
        QTest::newRow("ttl in transit") << 11 << 0 << quint32(11013) << "TTL Exprd in Transit";
        QTest::newRow("ttl reassembly") << 11 << 1 << quint32(11014) << "TTL Exprd Reassemb";
        QTest::newRow("parameter problem") << 12 << 0 << quint32(11015) << "Parameter Problem";
        QTest::newRow("source quench") << 4 << 0 << quint32(11016) << "Source Quench";
        QTest::newRow("redirect is no answer") << 5 << 1 << quint32(11050) << "General Failure";
    }
    void errorMapping() {
        QFETCH(int, type);
        QFETCH(int, code);
        QFETCH(quint32, status);
        QFETCH(QString, text);
        QCOMPARE(icmp::StatusForIcmpError(type, code), status);
        QCOMPARE(ClsPing::StatusText(status), text);
    }

    void loopback_data() {
        QTest::addColumn<SocketKind>("kind");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("length");
        for (SocketKind k : {SocketKind::Auto, SocketKind::Raw, SocketKind::Datagram}) {
            QTest::addRow("%s 127.0.0.1 1", qPrintable(KindName(k))) << k << "127.0.0.1" << 1;
            QTest::addRow("%s 127.0.0.2 128", qPrintable(KindName(k))) << k << "127.0.0.2" << 128;
        }
    }
    // Root's loopback (datagram sockets only where ping_group_range admits us), then the
    // same inside the client namespace, which admits them.
    void loopback() {
        QFETCH(SocketKind, kind);
        QFETCH(QString, target);
        QFETCH(int, length);
        bool ran = false;
        echoLoopback(kind, target, length, "root", ran);
        if (QTest::currentTestFailed()) return;
        vtest::TestNetwork net;
        if (net.Ready()) {
            auto inside = net.EnterClient();
            QVERIFY(inside.Entered());
            echoLoopback(kind, target, length, "client namespace", ran);
        }
        if (!ran) QSKIP("this socket kind cannot be opened here");
    }

    void routed_data() {
        QTest::addColumn<SocketKind>("kind");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("ttl");
        QTest::addColumn<int>("replies");
        QTest::addColumn<quint32>("status");
        QTest::addColumn<QString>("from");
        for (SocketKind k : {SocketKind::Raw, SocketKind::Datagram}) {
            const QByteArray n = KindName(k).toLatin1();
            QTest::addRow("%s host behind router", n.constData()) << k << vtest::TestNetwork::kHost << 64 << 1
                                                                 << quint32(icmp::Success) << vtest::TestNetwork::kHost;
            QTest::addRow("%s ttl 2 still arrives", n.constData()) << k << vtest::TestNetwork::kHost << 2 << 1
                                                                  << quint32(icmp::Success) << vtest::TestNetwork::kHost;
            QTest::addRow("%s ttl 1 expires at router", n.constData())
                << k << vtest::TestNetwork::kHost << 1 << 1 << quint32(icmp::TtlExpiredTransit)
                << vtest::TestNetwork::kRouterNear;
            QTest::addRow("%s host unreachable", n.constData())
                << k << vtest::TestNetwork::kHostUnreachable << 64 << 1 << quint32(icmp::DestHostUnreachable)
                << vtest::TestNetwork::kRouterNear;
            QTest::addRow("%s prohibited", n.constData())
                << k << vtest::TestNetwork::kProhibited << 64 << 1 << quint32(icmp::DestHostUnreachable)
                << vtest::TestNetwork::kRouterNear;
            QTest::addRow("%s net unreachable", n.constData())
                << k << vtest::TestNetwork::kNetUnreachable << 64 << 1 << quint32(icmp::DestNetUnreachable)
                << vtest::TestNetwork::kRouterNear;
            QTest::addRow("%s silent", n.constData())
                << k << vtest::TestNetwork::kSilent << 64 << 0 << quint32(icmp::RequestTimedOut) << "";
        }
    }
    void routed() {
        vtest::TestNetwork net;
        if (!net.Ready()) QSKIP(qPrintable("test namespaces cannot be made here: " + net.Failure()));
        QFETCH(SocketKind, kind);
        QFETCH(QString, target);
        QFETCH(int, ttl);
        QFETCH(int, replies);
        QFETCH(quint32, status);
        QFETCH(QString, from);
        auto inside = net.EnterClient();
        QVERIFY(inside.Entered());
        IcmpEcho echo(kind);
        QVERIFY2(echo.IsOpen(), qPrintable(QString("errno %1").arg(echo.OpenError())));
        QCOMPARE(echo.Kind(), kind);
        EchoReply reply;
        const int timeout = 700;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(echo.SendEcho(Addr(target), ClsPing::EchoData(32), ttl, timeout, reply), replies);
        const qint64 took = clock.elapsed();
        QCOMPARE(reply.status, status);
        QCOMPARE(reply.addressText, from);
        if (replies == 0) {
            QVERIFY2(took >= timeout - 5 && took < timeout + 500, qPrintable(QString::number(took)));
            QCOMPARE(reply.address, quint32(0));
        } else {
            QVERIFY2(took < timeout, qPrintable(QString::number(took)));
        }
        // The socket serves the next request of a trace as well.
        QCOMPARE(echo.SendEcho(Addr(target), ClsPing::EchoData(32), ttl, timeout, reply), replies);
        QCOMPARE(reply.status, status);
    }

    void timeoutBounds_data() {
        QTest::addColumn<int>("timeout");
        QTest::addColumn<int>("atLeast");
        QTest::addColumn<int>("below");
        QTest::newRow("negative waits 0") << -5000 << 0 << 150;
        QTest::newRow("zero") << 0 << 0 << 150;
        QTest::newRow("300 ms") << 300 << 295 << 800;
    }
    void timeoutBounds() {
        vtest::TestNetwork net;
        if (!net.Ready()) QSKIP(qPrintable("test namespaces cannot be made here: " + net.Failure()));
        QFETCH(int, timeout);
        QFETCH(int, atLeast);
        QFETCH(int, below);
        auto inside = net.EnterClient();
        IcmpEcho echo;
        QVERIFY(echo.IsOpen());
        EchoReply reply;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(echo.SendEcho(Addr(vtest::TestNetwork::kSilent), "a", 255, timeout, reply), 0);
        const qint64 took = clock.elapsed();
        QVERIFY2(took >= atLeast && took < below, qPrintable(QString::number(took)));
        QCOMPARE(reply.status, quint32(icmp::RequestTimedOut));
    }

    void sendRefusedLocally_data() { kindRows(); }
    // The client has no route outside 10.77.0.0/16, so the request never leaves it: no
    // answer, the reason in the status, and no wait for an answer that cannot come.
    void sendRefusedLocally() {
        QFETCH(SocketKind, kind);
        vtest::TestNetwork net;
        if (!net.Ready()) QSKIP(qPrintable("test namespaces cannot be made here: " + net.Failure()));
        auto inside = net.EnterClient();
        QVERIFY(inside.Entered());
        IcmpEcho echo(kind);
        QVERIFY(echo.IsOpen());
        EchoReply reply;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(echo.SendEcho(Addr("10.78.0.1"), "a", 64, 3000, reply), 0);
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(reply.status, quint32(icmp::DestNetUnreachable));
        QCOMPARE(reply.addressText, QString());
        // The socket is still good for the next request.
        QCOMPARE(echo.SendEcho(Addr(vtest::TestNetwork::kHost), "a", 64, 2000, reply), 1);
        QCOMPARE(reply.status, quint32(icmp::Success));
    }

    void matchesIdentifierAndSequence_data() { kindRows(); }
    // The host answers each request with a reply of another identifier and one of another
    // sequence number at once, and with the true reply 300 ms later; only the true reply
    // counts. A second request is not answered by the first one's late reply either.
    void matchesIdentifierAndSequence() {
        QFETCH(SocketKind, kind);
        vtest::TestNetwork net;
        if (!net.Ready()) QSKIP(qPrintable("test namespaces cannot be made here: " + net.Failure()));
        QProcess decoy;
        QVERIFY(startDecoy(decoy, net, {"300"}));

        auto inside = net.EnterClient();
        IcmpEcho echo(kind);
        QVERIFY(echo.IsOpen());
        EchoReply reply;
        QCOMPARE(echo.SendEcho(Addr(vtest::TestNetwork::kHost), ClsPing::EchoData(16), 64, 2000, reply), 1);
        QCOMPARE(reply.status, quint32(icmp::Success));
        QCOMPARE(reply.addressText, QString(vtest::TestNetwork::kHost));
        QVERIFY2(reply.roundTripMs >= 280, qPrintable(QString::number(reply.roundTripMs)));

        // Gives up before the true reply; the next request must not take it.
        QCOMPARE(echo.SendEcho(Addr(vtest::TestNetwork::kHost), "a", 64, 50, reply), 0);
        QCOMPARE(echo.SendEcho(Addr(vtest::TestNetwork::kSilent), "a", 64, 600, reply), 0);
        QCOMPARE(reply.addressText, QString());
        decoy.kill();
        decoy.waitForFinished(3000);
    }

    void repliesFromAnotherHostDoNotCount_data() { kindRows(); }
    // The silent target's neighbour answers every request to it with the request's own
    // identifier and sequence number, from its own address: the target still did not
    // answer. The neighbour's answers to requests for itself do count.
    void repliesFromAnotherHostDoNotCount() {
        QFETCH(SocketKind, kind);
        vtest::TestNetwork net;
        if (!net.Ready()) QSKIP(qPrintable("test namespaces cannot be made here: " + net.Failure()));
        const QString neighbour = QStringLiteral("10.77.2.3");
        QVERIFY(net.RunIn(net.Host(), {"ip", "addr", "add", neighbour + "/24", "dev", "h0"}));
        QProcess decoy;
        QVERIFY(startDecoy(decoy, net, {"--from", neighbour}));

        auto inside = net.EnterClient();
        IcmpEcho echo(kind);
        QVERIFY(echo.IsOpen());
        EchoReply reply;
        QCOMPARE(echo.SendEcho(Addr(vtest::TestNetwork::kHost), ClsPing::EchoData(16), 64, 600, reply), 0);
        QCOMPARE(reply.status, quint32(icmp::RequestTimedOut));
        QCOMPARE(reply.addressText, QString());
        QCOMPARE(echo.SendEcho(Addr(neighbour), ClsPing::EchoData(16), 64, 2000, reply), 1);
        QCOMPARE(reply.status, quint32(icmp::Success));
        QCOMPARE(reply.addressText, neighbour);
        decoy.kill();
        decoy.waitForFinished(3000);
    }

    void flightMatchesEachAnswer_data() { kindRows(); }
    // Requests to an answering host, a silent address, a router's error and a second
    // answering address all in flight on one socket at once: each gets its own outcome,
    // whatever order the answers come in, and the event loop ran all the while.
    void flightMatchesEachAnswer() {
        QFETCH(SocketKind, kind);
        vtest::TestNetwork net;
        if (!net.Ready()) QSKIP(qPrintable("test namespaces cannot be made here: " + net.Failure()));
        const QString second = QStringLiteral("10.77.2.3");
        QVERIFY(net.RunIn(net.Host(), {"ip", "addr", "add", second + "/24", "dev", "h0"}));
        auto inside = net.EnterClient();
        icmp::EchoFlight flight(kind);
        QVERIFY(flight.IsOpen());
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(20);
        const auto silent = flight.Submit(Addr(vtest::TestNetwork::kSilent), "a", 64, 500);
        const auto host = flight.Submit(Addr(vtest::TestNetwork::kHost), "a", 64, 2000);
        const auto error = flight.Submit(Addr(vtest::TestNetwork::kHostUnreachable), "a", 64, 2000);
        const auto neighbour = flight.Submit(Addr(second), "a", 64, 2000);
        QCOMPARE(flight.Pending(), 4);
        // Taken in another order than they were sent, as a round takes them.
        EchoReply reply;
        QCOMPARE(flight.Wait(neighbour, reply), 1);
        QCOMPARE(reply.addressText, second);
        QCOMPARE(flight.Wait(silent, reply), 0);
        QCOMPARE(reply.status, quint32(icmp::RequestTimedOut));
        QCOMPARE(flight.Wait(error, reply), 1);
        QCOMPARE(reply.status, quint32(icmp::DestHostUnreachable));
        QCOMPARE(reply.addressText, QString(vtest::TestNetwork::kRouterNear));
        QVERIFY(flight.Done(host));
        QCOMPARE(flight.Wait(host, reply), 1);
        QCOMPARE(reply.status, quint32(icmp::Success));
        QCOMPARE(reply.addressText, QString(vtest::TestNetwork::kHost));
        QCOMPARE(flight.Pending(), 0);
        // The silent address's 500 ms went by with the loop running.
        QVERIFY2(ticks >= 15, qPrintable(QString::number(ticks)));
    }

    // Requests go out at most one per millisecond: the rest wait their turn, each with its
    // whole wait still ahead of it. A forgotten request goes nowhere. One that is waited for
    // while still in line goes out at once, ahead of the line.
    void flightPacesItsRequests() {
        icmp::EchoFlight flight;
        if (!flight.IsOpen()) QSKIP("no ICMP socket can be opened here");
        std::vector<icmp::EchoFlight::Ticket> tickets;
        for (int i = 0; i < 20; ++i) tickets.push_back(flight.Submit(Addr("127.0.0.1"), "a", 64, 2000));
        QVERIFY(!flight.Done(tickets.back()));
        flight.Forget(tickets[10]);
        QElapsedTimer clock;
        clock.start();
        const auto allDone = [&] {
            return std::all_of(tickets.begin(), tickets.end(), [&](auto t) { return flight.Done(t); });
        };
        events::ProcessEventsUntil(allDone, 5000);
        QVERIFY(allDone());
        // Nineteen requests sent a millisecond apart at least.
        QVERIFY2(clock.elapsed() >= 17, qPrintable(QString::number(clock.elapsed())));
        EchoReply reply;
        for (const auto t : tickets) QCOMPARE(flight.Wait(t, reply), t == tickets[10] ? 0 : 1);
        QCOMPARE(flight.Pending(), 0);
    }

    void flightSendsAWaitedRequestAtOnce() {
        icmp::EchoFlight flight;
        if (!flight.IsOpen()) QSKIP("no ICMP socket can be opened here");
        std::vector<icmp::EchoFlight::Ticket> tickets;
        for (int i = 0; i < 400; ++i) tickets.push_back(flight.Submit(Addr("127.0.0.1"), "a", 64, 2000));
        EchoReply reply;
        QCOMPARE(flight.Wait(tickets.back(), reply), 1);
        QCOMPARE(reply.status, quint32(icmp::Success));
        // The line behind has kept its pace: its middle, 200 ms away, is still waiting.
        QVERIFY(!flight.Done(tickets[200]));
        for (size_t i = 0; i + 1 < tickets.size(); ++i) {
            QCOMPARE(flight.Wait(tickets[i], reply), 1);
            QCOMPARE(reply.status, quint32(icmp::Success));
        }
        QCOMPARE(flight.Pending(), 0);
    }

    // Every sequence number in flight (here the flight has three): the next request waits
    // in line, also one that is waited for, until an answer or a time-out frees a number;
    // none is sent under a number still in flight, and each keeps its whole wait.
    void flightWaitsForAFreeSequence() {
        vtest::TestNetwork net;
        if (!net.Ready()) QSKIP(qPrintable("test namespaces cannot be made here: " + net.Failure()));
        auto inside = net.EnterClient();
        icmp::EchoFlight flight(SocketKind::Auto, {}, 3);
        QVERIFY(flight.IsOpen());
        std::vector<icmp::EchoFlight::Ticket> silent;
        for (int i = 0; i < 3; ++i) silent.push_back(flight.Submit(Addr(vtest::TestNetwork::kSilent), "a", 64, 400));
        QTest::qWait(50);  // the three are out
        const auto host = flight.Submit(Addr(vtest::TestNetwork::kHost), "a", 64, 2000);
        const auto later = flight.Submit(Addr(vtest::TestNetwork::kHost), "a", 64, 2000);
        QElapsedTimer clock;
        clock.start();
        EchoReply reply;
        QCOMPARE(flight.Wait(host, reply), 1);  // went out once the first silent one timed out
        QCOMPARE(reply.status, quint32(icmp::Success));
        QVERIFY2(clock.elapsed() >= 300, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(flight.Wait(later, reply), 1);
        QCOMPARE(reply.status, quint32(icmp::Success));
        for (const auto t : silent) {
            QCOMPARE(flight.Wait(t, reply), 0);
            QCOMPARE(reply.status, quint32(icmp::RequestTimedOut));
        }
        QCOMPARE(flight.Pending(), 0);
    }

    // The flight says how old an outcome is: an answer from its arrival, a time-out from
    // its deadline (not from when somebody looked).
    void flightAgesItsOutcomes() {
        vtest::TestNetwork net;
        if (!net.Ready()) QSKIP(qPrintable("test namespaces cannot be made here: " + net.Failure()));
        auto inside = net.EnterClient();
        icmp::EchoFlight flight;
        QVERIFY(flight.IsOpen());
        const auto answered = flight.Submit(Addr(vtest::TestNetwork::kHost), "a", 64, 1000);
        const auto silent = flight.Submit(Addr(vtest::TestNetwork::kSilent), "a", 64, 200);
        QVERIFY(!flight.DoneSinceMs(silent));
        QTRY_VERIFY_WITH_TIMEOUT(flight.Done(answered) && flight.Done(silent), 3000);
        QTest::qWait(500);
        const qint64 answerAge = *flight.DoneSinceMs(answered), timeoutAge = *flight.DoneSinceMs(silent);
        QVERIFY2(answerAge >= 500 && answerAge < 1500, qPrintable(QString::number(answerAge)));
        // Its deadline came about 200 ms after sending; 500 ms more went by after that.
        QVERIFY2(timeoutAge >= 400 && timeoutAge < answerAge, qPrintable(QString::number(timeoutAge)));
        EchoReply reply;
        QCOMPARE(flight.Wait(answered, reply), 1);
        QVERIFY(!flight.DoneSinceMs(answered));  // handed over: forgotten
    }

    void openFailure_data() {
        QTest::addColumn<SocketKind>("kind");
        QTest::newRow("auto") << SocketKind::Auto;
        QTest::newRow("raw") << SocketKind::Raw;
        QTest::newRow("datagram") << SocketKind::Datagram;
    }
    void openFailure() {
        QFETCH(SocketKind, kind);
        int calls = 0;
        IcmpEcho echo(kind, [&calls](int, int, int) {
            ++calls;
            errno = EACCES;
            return -1;
        });
        QVERIFY(!echo.IsOpen());
        QCOMPARE(echo.OpenError(), EACCES);
        QCOMPARE(echo.Kind(), SocketKind::Auto);
        QCOMPARE(calls, kind == SocketKind::Auto ? 2 : 1);
        EchoReply reply;
        QCOMPARE(echo.SendEcho(Addr("127.0.0.1"), "a", 255, 1000, reply), 0);
        QCOMPARE(reply.status, quint32(icmp::GeneralFailure));
    }
};

VANTORO_TEST_MAIN(TestIcmpEcho)
#include "tst_icmpecho.moc"
