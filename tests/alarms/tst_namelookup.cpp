// Host names met by the alarms — a messenger announcement's address, a recipient's PC, the
// mail server — against a name server of the test's own that answers slowly, wrongly or
// not at all: the event loop keeps running while a name is looked up, and what cannot be
// resolved is dropped or reported.
#include "TestSupport.h"
#include "PrivateDns.h"
#include "SmtpSink.h"

#include "alarms/ClsSMTP.h"
#include "alarms/LanMessenger.h"
#include "alarms/Mailslot.h"
#include "alarms/NameResolver.h"
#include "model/Globals.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtTest>

#include <memory>
#include <optional>

namespace {

const QHostAddress kProgramAddr(QStringLiteral("127.0.0.1"));
const QHostAddress kPeerAddr(QStringLiteral("127.0.0.2"));

// While a look-up is pending the window thread may not stall for longer than this.
constexpr qint64 kLongestStallMs = 400;

QList<QByteArray> Drain(QUdpSocket& s) {
    QList<QByteArray> got;
    while (s.hasPendingDatagrams()) got << s.receiveDatagram().data();
    return got;
}

QByteArray Announcement(const QString& address) {
    return "01<USERNAME>peer<IPADDR>" + address.toLatin1() + "<GAMEID><DATA>";
}

}  // namespace

class TestNameLookup : public QObject {
    Q_OBJECT

    std::unique_ptr<vtest::ServerProcess> mDns;
    quint16 mPort = 0;
    std::unique_ptr<LanMessenger> mProgram;
    std::unique_ptr<QUdpSocket> mPeer;

    void openMessengers() {
        mProgram = std::make_unique<LanMessenger>();
        QCOMPARE(mProgram->Open(0, kProgramAddr), 0);
        mPort = mProgram->LocalPort();
        mPeer = std::make_unique<QUdpSocket>();
        QVERIFY(mPeer->bind(kPeerAddr, mPort, QAbstractSocket::DontShareAddress));
        gOptSendMsg = true;
        gOptUserName = QStringLiteral("admin");
    }
    void sendFromPeer(const QByteArray& bytes) {
        QCOMPARE(mPeer->writeDatagram(bytes, kProgramAddr, mPort), bytes.size());
    }
    // Waits until the peer holds count datagrams (or the time is up) and takes them.
    QList<QByteArray> peerReceives(int count, int withinMs) {
        QList<QByteArray> got;
        QElapsedTimer t;
        t.start();
        while (got.size() < count && t.elapsed() < withinMs) {
            QTest::qWait(20);
            got += Drain(*mPeer);
        }
        return got;
    }

private slots:
    void initTestCase() {
        mDns = vtest::PrivateDns::StartServer(800);
        if (!mDns) QSKIP(qPrintable(vtest::PrivateDns::Failure()));
    }
    void cleanup() {
        mPeer.reset();
        mProgram.reset();
    }

    // What needs no name server: literals as they stand, blanks, the hosts file, and a
    // name the resolver refuses itself (a label over 63 characters).
    void answersWithoutTheServer_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("family");
        QTest::addColumn<QString>("address");
        const int v4 = int(names::Family::IPv4), any = int(names::Family::Any);
        QTest::newRow("dotted") << "127.0.0.2" << v4 << "127.0.0.2";
        QTest::newRow("blanks trimmed") << "  127.0.0.3 " << v4 << "127.0.0.3";
        QTest::newRow("IPv6 when IPv4 is asked for") << "::1" << v4 << "";
        QTest::newRow("IPv6 when any is asked for") << "::1" << any << "::1";
        QTest::newRow("blank") << "   " << any << "";
        QTest::newRow("from the hosts file") << "localhost" << v4 << "127.0.0.1";
        QTest::newRow("label too long") << QString(64, 'x') + ".test" << any << "";
    }
    void answersWithoutTheServer() {
        QFETCH(QString, host);
        QFETCH(int, family);
        QFETCH(QString, address);
        const std::optional<QHostAddress> found = names::Resolve(host, names::Family(family));
        QCOMPARE(found ? found->toString() : QString(), address);
    }

    // A slow answer, no such name, and no answer at all within the bound: the outcome and
    // how long it took, with the event loop running all the while.
    void resolveWaitsWithTheLoopRunning_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("atLeastMs");
        QTest::newRow("slow") << "a.127-0-0-5.1000.test" << 3000 << "127.0.0.5" << 950;
        QTest::newRow("no such name") << "b.nx.1000.test" << 3000 << "" << 950;
        QTest::newRow("silent server, bound reached") << "c.silent.0.test" << 700 << "" << 650;
    }
    void resolveWaitsWithTheLoopRunning() {
        QFETCH(QString, host);
        QFETCH(int, timeoutMs);
        QFETCH(QString, address);
        QFETCH(int, atLeastMs);
        vtest::GapMeter meter;
        QElapsedTimer t;
        t.start();
        const std::optional<QHostAddress> found = names::Resolve(host, names::Family::IPv4, timeoutMs);
        const qint64 took = t.elapsed();
        QCOMPARE(found ? found->toString() : QString(), address);
        QVERIFY2(took >= atLeastMs && took < timeoutMs + 300, qPrintable(QString::number(took)));
        QVERIFY2(meter.LongestGapMs() < kLongestStallMs, qPrintable(QString::number(meter.LongestGapMs())));
    }

    // Without waiting: done runs once, later, from the event loop; a context that goes
    // first takes the look-up with it.
    void resolveThenCallsBackOnce() {
        int calls = 0;
        QString got = "none";
        QElapsedTimer t;
        t.start();
        names::ResolveThen("d.127-0-0-6.500.test", names::Family::IPv4, this,
                           [&](const std::optional<QHostAddress>& a) {
                               ++calls;
                               got = a ? a->toString() : QString();
                           });
        QVERIFY2(t.elapsed() < 200, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(calls, 0);
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 3000);
        QCOMPARE(got, QStringLiteral("127.0.0.6"));

        auto context = std::make_unique<QObject>();
        names::ResolveThen("e.127-0-0-6.300.test", names::Family::IPv4, context.get(),
                           [&](const std::optional<QHostAddress>&) { ++calls; });
        context.reset();
        QTest::qWait(700);
        QCOMPARE(calls, 1);
    }

    // A reverse look-up the server answers late, one it has no name for, and one whose
    // answer comes after the bound.
    void nameOfAnAddress_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<QString>("name");
        QTest::newRow("named late") << "127.0.9.9" << 3000 << "ptr-127-0-9-9.test";
        QTest::newRow("no name") << "10.1.2.3" << 3000 << "";
        QTest::newRow("name after the bound") << "127.0.9.8" << 300 << "";
    }
    void nameOfAnAddress() {
        QFETCH(QString, address);
        QFETCH(int, timeoutMs);
        QFETCH(QString, name);
        vtest::GapMeter meter;
        QCOMPARE(names::NameOf(QHostAddress(address), timeoutMs), name);
        QVERIFY2(meter.LongestGapMs() < kLongestStallMs, qPrintable(QString::number(meter.LongestGapMs())));
    }

    // An announcement naming a slow host is answered once the name is known; the
    // messenger meanwhile answers the next announcement at once, and nothing stalls.
    void slowAnnouncementIsAnsweredLater() {
        openMessengers();
        vtest::GapMeter meter;
        sendFromPeer(Announcement("f.127-0-0-2.1000.test"));
        QTest::qWait(100);
        sendFromPeer(Announcement("127.0.0.2"));
        const QList<QByteArray> first = peerReceives(1, 500);
        QCOMPARE(first.size(), 1);
        QVERIFY(first[0].startsWith("02<USERNAME>admin<IPADDR>127.0.0.1"));
        QCOMPARE(peerReceives(1, 3000).size(), 1);
        QCOMPARE(mProgram->RemoteHost(), QStringLiteral("f.127-0-0-2.1000.test"));
        QVERIFY2(meter.LongestGapMs() < kLongestStallMs, qPrintable(QString::number(meter.LongestGapMs())));
    }

    // A name that does not resolve gets no answer, and costs the program no stall.
    void unresolvableAnnouncementIsDropped_data() {
        QTest::addColumn<QString>("host");
        QTest::newRow("no such name") << "g.nx.1000.test";
        QTest::newRow("silent server") << "h.silent.0.test";
    }
    void unresolvableAnnouncementIsDropped() {
        QFETCH(QString, host);
        openMessengers();
        vtest::GapMeter meter;
        sendFromPeer(Announcement(host));
        QVERIFY(peerReceives(1, (vtest::PrivateDns::kResolverTimeoutS + 1) * 1000).isEmpty());
        QVERIFY2(meter.LongestGapMs() < kLongestStallMs, qPrintable(QString::number(meter.LongestGapMs())));
    }

    // Only a few announcements are looked up at a time; those beyond get no answer, and
    // once the look-ups are done the next one is answered again.
    void pendingAnswersAreCapped() {
        openMessengers();
        const int sent = LanMessenger::kMaxPendingAnswers + 3;
        for (int i = 0; i < sent; ++i) sendFromPeer(Announcement(QStringLiteral("cap%1.127-0-0-2.600.test").arg(i)));
        QCOMPARE(peerReceives(sent, 2500).size(), LanMessenger::kMaxPendingAnswers);
        sendFromPeer(Announcement(QStringLiteral("cap-after.127-0-0-2.300.test")));
        QCOMPARE(peerReceives(1, 2000).size(), 1);
    }

    // An alarm text to a PC known by name: it arrives, or the name's failure is the
    // send's error; the event loop runs while the name is looked up.
    void alarmTextToAPcByName_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("error");
        QTest::newRow("slow name") << "i.127-0-0-2.1000.test" << 0;
        QTest::newRow("no such name") << "j.nx.1000.test" << int(lanerr::kHostNotFound);
    }
    void alarmTextToAPcByName() {
        QFETCH(QString, host);
        QFETCH(int, error);
        openMessengers();
        vtest::GapMeter meter;
        QCOMPARE(SendLanText(*mProgram, host, QStringLiteral("down")), error);
        QVERIFY2(meter.LongestGapMs() < kLongestStallMs, qPrintable(QString::number(meter.LongestGapMs())));
        QCOMPARE(peerReceives(1, 300).size(), error == 0 ? 1 : 0);
    }

    // A popup to a PC known by name goes out once the name is known; Send itself never
    // waits. No popup when the name does not resolve or the sender is gone by then.
    void popupToAPcByName_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("keepSender");
        QTest::addColumn<bool>("arrives");
        QTest::newRow("slow name") << "k.127-0-0-1.600.test" << true << true;
        QTest::newRow("no such name") << "l.nx.300.test" << true << false;
        QTest::newRow("sender gone") << "m.127-0-0-1.600.test" << false << false;
    }
    void popupToAPcByName() {
        QFETCH(QString, host);
        QFETCH(bool, keepSender);
        QFETCH(bool, arrives);
        QUdpSocket receiver;
        QVERIFY(receiver.bind(kProgramAddr, 0));
        auto sender = std::make_unique<MailslotSender>();
        sender->SetDestinationPort(receiver.localPort());
        QElapsedTimer t;
        t.start();
        QVERIFY(sender->Send(QStringLiteral("admin"), host, QStringLiteral("down")));
        QVERIFY2(t.elapsed() < 200, qPrintable(QString::number(t.elapsed())));
        if (!keepSender) sender.reset();
        QTest::qWait(1200);
        QCOMPARE(receiver.hasPendingDatagrams(), arrives);
        if (arrives) QVERIFY(receiver.receiveDatagram().data().contains(host.toLatin1()));
    }

    // The mail server by name: the socket's own look-up, bounded by the connection wait.
    void mailServerByName() {
        vtest::SmtpSink sink;
        QVERIFY(sink.Start());
        ClsSMTP mail;
        mail.AddressFrom(QStringLiteral("monitor@example.test"), QStringLiteral("vantoro"));
        mail.setRemoteHostName(QStringLiteral("n.127-0-0-1.800.test"));
        mail.setRemotePort(sink.Port());
        mail.setTimeout(5000);
        mail.AddressTo(QStringLiteral("ops@example.test"), QStringLiteral("ops"));
        mail.Msg(QStringLiteral("down"));
        vtest::GapMeter meter;
        QVERIFY2(mail.Send(), qPrintable(mail.ErrMessage()));
        QVERIFY2(meter.LongestGapMs() < kLongestStallMs, qPrintable(QString::number(meter.LongestGapMs())));
        QCOMPARE(sink.MailCount(), 1);
    }
};

VANTORO_TEST_MAIN_PRIVATE_DNS(TestNameLookup)
#include "tst_namelookup.moc"
