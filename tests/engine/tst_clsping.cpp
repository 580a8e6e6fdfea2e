// ClsPing: result codes and texts on loopback and against hosts and routers of a test
// namespace network, the local fault of a missing ICMP socket, the property clamps, and
// the echo loop's handling of several echoes and of its yields (with a scripted echo).

#include "TestSupport.h"
#include "TestNetns.h"

#include "engine/ClsPing.h"

#include <QElapsedTimer>
#include <QTimer>

#include <cerrno>
#include <memory>
#include <vector>

Q_DECLARE_METATYPE(icmp::SocketKind)

namespace {

// One scripted answer: replies 0 (no answer) or 1 with the given status.
struct Scripted {
    int replies;
    quint32 status;
};

}  // namespace

class TestClsPing : public QObject {
    Q_OBJECT


private slots:

    void defaultsAndClamps_data() {
        QTest::addColumn<QString>("property");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("stored");
        QTest::newRow("chars 0") << "CharsPackets" << 0 << 1;
        QTest::newRow("chars 64") << "CharsPackets" << 64 << 64;
        QTest::newRow("chars 500") << "CharsPackets" << 500 << 128;
        QTest::newRow("ttl 1") << "ttl" << 1 << 2;
        QTest::newRow("ttl 2") << "ttl" << 2 << 2;
        QTest::newRow("ttl 300") << "ttl" << 300 << 255;
        QTest::newRow("packets -5") << "Packets" << -5 << 1;
        QTest::newRow("packets 3") << "Packets" << 3 << 3;
        QTest::newRow("timeout unbounded") << "Timeout" << -7 << -7;
    }
    void defaultsAndClamps() {
        QFETCH(QString, property);
        QFETCH(int, value);
        QFETCH(int, stored);
        ClsPing p;
        QCOMPARE(p.CharsPackets(), 1);
        QCOMPARE(p.Packets(), 1);
        QCOMPARE(p.Timeout(), 5000);
        QCOMPARE(p.ttl(), qint16(255));
        int got = 0;
        if (property == "CharsPackets") p.setCharsPackets(value), got = p.CharsPackets();
        if (property == "ttl") p.setTtl(value), got = p.ttl();
        if (property == "Packets") p.setPackets(value), got = p.Packets();
        if (property == "Timeout") p.setTimeout(value), got = p.Timeout();
        QCOMPARE(got, stored);
    }

    void textPropertiesTrimmed() {
        ClsPing p;
        p.setHostName("  PC01 ");
        p.setIPAddress(" 10.0.0.1  ");
        QCOMPARE(p.HostName(), QString("PC01"));
        QCOMPARE(p.IPAddress(), QString("10.0.0.1"));
        QCOMPARE(p.PingMsg(), QString());
    }

    void echoData() {
        const QByteArray all = ClsPing::EchoData(128);
        QCOMPARE(all.size(), 128);
        QCOMPARE(all.left(23), QByteArray("abcdefghijklmnopqrstuvw"));
        QCOMPARE(all.mid(92, 23), QByteArray("abcdefghijklmnopqrstuvw"));
        QCOMPARE(all.right(13), QByteArray("abcdefghijklm"));
        QCOMPARE(ClsPing::EchoData(1), QByteArray("a"));
        QCOMPARE(ClsPing::EchoData(500), all);
    }

    void loopback_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("ip");
        QTest::newRow("127.0.0.1") << "127.0.0.1" << "127.0.0.1";
        QTest::newRow("127.0.0.2") << "127.0.0.2" << "127.0.0.2";
        QTest::newRow("localhost") << "localhost" << "127.0.0.1";
        QTest::newRow("blanks around") << "  127.0.0.3 " << "127.0.0.3";
    }
    void loopback() {
        QFETCH(QString, address);
        QFETCH(QString, ip);
        ClsPing p;
        p.setTimeout(2000);
        QCOMPARE(p.Ping(address, "PC-LOOP"), qint16(0));
        QCOMPARE(p.PingMsg(), QString("接続OK!"));
        QCOMPARE(p.IPAddress(), ip);
        QCOMPARE(p.HostName(), QString("PC-LOOP"));
    }

    void cannotProbe_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << "" << "IP情報なし";
        QTest::newRow("blanks") << "   " << "IP情報なし";
        // Refused by the resolver itself (label too long): no query leaves the machine.
        QTest::newRow("unresolvable") << QString(64, 'x') + ".invalid" << "IP情報取得ｴﾗｰ";
    }
    void cannotProbe() {
        QFETCH(QString, address);
        QFETCH(QString, message);
        ClsPing p;
        p.setTimeout(1000);
        QCOMPARE(p.Ping("127.0.0.1", "BEFORE"), qint16(0));
        QCOMPARE(p.Ping(address, "PC01"), qint16(2));
        QCOMPARE(p.PingMsg(), message);
        QCOMPARE(p.HostName(), QString());
        QCOMPARE(p.IPAddress(), QString());
    }

    // No ICMP socket at all is this machine's fault: 2 with its own text, not a time-out
    // that would count against the computer.
    void noSocketIsALocalFault() {
        ClsPing p;
        int opened = 0;
        p.SetSocketOpener([&opened](int, int, int) {
            ++opened;
            errno = EPERM;
            return -1;
        });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(p.Ping("127.0.0.1", "PC01"), qint16(2));
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(p.PingMsg(), QString("Winsock32開始ｴﾗｰ"));
        QCOMPARE(p.IPAddress(), QString());
        QCOMPARE(p.HostName(), QString());
        QVERIFY(opened >= 1);
        // A blank address is still told apart: it needs no socket and opens none.
        const int before = opened;
        QCOMPARE(p.Ping(" ", "PC01"), qint16(2));
        QCOMPARE(p.PingMsg(), QString("IP情報なし"));
        QCOMPARE(opened, before);
    }

    void routed_data() {
        QTest::addColumn<icmp::SocketKind>("kind");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("ip");
        using N = vtest::TestNetwork;
        for (icmp::SocketKind k : {icmp::SocketKind::Raw, icmp::SocketKind::Datagram}) {
            const char* n = k == icmp::SocketKind::Raw ? "raw" : "datagram";
            QTest::addRow("%s host behind router", n) << k << N::kHost << 0 << "接続OK!" << N::kHost;
            QTest::addRow("%s silent", n) << k << N::kSilent << 1 << "ﾀｲﾑｱｳﾄ!" << N::kSilent;
            QTest::addRow("%s host unreachable", n)
                << k << N::kHostUnreachable << 2 << "Dest Host Not Reachable" << N::kRouterNear;
            QTest::addRow("%s net unreachable", n)
                << k << N::kNetUnreachable << 2 << "Dest Network Not Reachable" << N::kRouterNear;
        }
    }
    void routed() {
        vtest::TestNetwork net;
        if (!net.Ready()) QSKIP(qPrintable("test namespaces cannot be made here: " + net.Failure()));
        QFETCH(icmp::SocketKind, kind);
        QFETCH(QString, address);
        QFETCH(int, result);
        QFETCH(QString, message);
        QFETCH(QString, ip);
        auto inside = net.EnterClient();
        QVERIFY(inside.Entered());
        ClsPing p;
        p.SetSocketKind(kind);
        p.setTimeout(800);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(p.Ping(address, "PC-NS"), qint16(result));
        const qint64 took = clock.elapsed();
        QCOMPARE(p.PingMsg(), message);
        QCOMPARE(p.IPAddress(), ip);
        QCOMPARE(p.HostName(), QString("PC-NS"));
        if (result == 1)
            QVERIFY2(took >= 795 && took < 2000, qPrintable(QString::number(took)));
        else
            QVERIFY2(took < 800, qPrintable(QString::number(took)));
    }

    // The TTL reaches the echoes: with the lowest allowed value, 2, the host one router
    // away still answers.
    void lowestTtlCrossesOneRouter() {
        vtest::TestNetwork net;
        if (!net.Ready()) QSKIP(qPrintable("test namespaces cannot be made here: " + net.Failure()));
        auto inside = net.EnterClient();
        ClsPing p;
        p.setTtl(0);
        p.setTimeout(1000);
        QCOMPARE(p.Ping(vtest::TestNetwork::kHost, "H"), qint16(0));
        QCOMPARE(p.IPAddress(), QString(vtest::TestNetwork::kHost));
    }

    void severalEchoes_data() {
        QTest::addColumn<QList<int>>("replies");
        QTest::addColumn<QList<uint>>("statuses");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("ip");
        const uint ok = icmp::Success;
        QTest::newRow("all answered") << QList<int> {1, 1, 1} << QList<uint> {ok, ok, ok} << 0 << "接続OK!"
                                      << "10.1.2.3";
        QTest::newRow("first lost, rest answered")
            << QList<int> {0, 1, 1} << QList<uint> {ok, ok, ok} << 1 << "接続OK!" << "10.1.2.3";
        QTest::newRow("last lost") << QList<int> {1, 1, 0} << QList<uint> {ok, ok, ok} << 1 << "ﾀｲﾑｱｳﾄ!"
                                   << " 10.1.2.3";
        QTest::newRow("last answer an error")
            << QList<int> {1, 1, 1} << QList<uint> {ok, ok, 11013} << 2 << "TTL Exprd in Transit" << "10.9.9.9";
        QTest::newRow("unknown status, one echo") << QList<int> {1} << QList<uint> {12345} << 2 << "" << "10.9.9.9";
        QTest::newRow("unknown status keeps previous text")
            << QList<int> {1, 1} << QList<uint> {ok, 12345} << 2 << "接続OK!" << "10.9.9.9";
    }
    // A scripted echo stands in for the network so each echo's answer can be chosen.
    void severalEchoes() {
        QFETCH(QList<int>, replies);
        QFETCH(QList<uint>, statuses);
        QFETCH(int, result);
        QFETCH(QString, message);
        QFETCH(QString, ip);
        ClsPing p;
        p.setPackets(int(replies.size()));
        int call = 0;
        p.SetEchoFunction([&](quint32, const QByteArray&, int, int, icmp::EchoReply& reply) {
            reply = {};
            const int i = call++;
            if (replies[i] == 0) return 0;
            reply.replies = 1;
            reply.status = statuses[i];
            reply.address = statuses[i] == icmp::Success ? 0x0a010203 : 0x0a090909;
            return 1;
        });
        QCOMPARE(p.Ping(" 10.1.2.3", "PC01"), qint16(result));
        QCOMPARE(call, int(replies.size()));
        QCOMPARE(p.PingMsg(), message);
        QCOMPARE(p.IPAddress(), ip);
    }

    void requestParameters_data() {
        QTest::addColumn<int>("chars");
        QTest::addColumn<int>("ttl");
        QTest::addColumn<int>("timeout");
        QTest::addColumn<int>("waited");
        QTest::newRow("defaults") << 1 << 255 << 5000 << 5000;
        QTest::newRow("30 chars ttl 64") << 30 << 64 << 250 << 250;
        QTest::newRow("zero time-out waits 1 s") << 128 << 255 << 0 << 1000;
        QTest::newRow("negative time-out waits 1 s") << 1 << 255 << -30 << 1000;
    }
    void requestParameters() {
        QFETCH(int, chars);
        QFETCH(int, ttl);
        QFETCH(int, timeout);
        QFETCH(int, waited);
        ClsPing p;
        p.setCharsPackets(chars);
        p.setTtl(ttl);
        p.setTimeout(timeout);
        QByteArray sent;
        int sentTtl = 0, sentWait = 0;
        quint32 sentTo = 0;
        p.SetEchoFunction([&](quint32 to, const QByteArray& data, int t, int w, icmp::EchoReply& reply) {
            sentTo = to, sent = data, sentTtl = t, sentWait = w;
            reply = {};
            reply.replies = 1;
            reply.status = icmp::Success;
            reply.address = to;
            return 1;
        });
        QCOMPARE(p.Ping("127.0.0.5", "X"), qint16(0));
        QCOMPARE(sentTo, quint32(0x7f000005));
        QCOMPARE(sent, ClsPing::EchoData(chars));
        QCOMPARE(sentTtl, ttl);
        QCOMPARE(sentWait, waited);
        QCOMPARE(p.Timeout(), timeout);
    }

    // Window events run before each echo and after each answer; a Ping started from one
    // of them does not disturb the one in progress.
    void yieldsAroundEchoes() {
        ClsPing p;
        p.setPackets(2);
        std::vector<QString> order;
        QTimer::singleShot(0, [&] { order.push_back("event"); });
        qint16 nested = -1;
        p.SetEchoFunction([&](quint32 to, const QByteArray&, int, int, icmp::EchoReply& reply) {
            order.push_back("echo");
            if (order.size() == 2) {
                QTimer::singleShot(0, [&] {
                    order.push_back("nested");
                    QVERIFY(p.InProgress());
                    nested = p.Ping("127.0.0.9", "OTHER");
                });
            }
            reply = {};
            reply.replies = 1;
            reply.status = icmp::Success;
            reply.address = to;
            return 1;
        });
        QCOMPARE(p.Ping("127.0.0.1", "PC01"), qint16(0));
        QCOMPARE(order, (std::vector<QString> {"event", "echo", "nested", "echo"}));
        QCOMPARE(nested, qint16(2));
        QCOMPARE(p.HostName(), QString("PC01"));
        QCOMPARE(p.IPAddress(), QString("127.0.0.1"));
        QCOMPARE(p.PingMsg(), QString("接続OK!"));
        QVERIFY(!p.InProgress());
    }
};

VANTORO_TEST_MAIN(TestClsPing)
#include "tst_clsping.moc"
