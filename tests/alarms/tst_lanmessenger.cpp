// The messenger endpoint on real sockets: the program on 127.0.0.1 and a peer messenger
// on 127.0.0.2, both on the same port as every messenger of a LAN is.
#include "TestSupport.h"

#include "alarms/LanMessenger.h"
#include "model/Globals.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

namespace {

const QHostAddress kProgramAddr(QStringLiteral("127.0.0.1"));
const QHostAddress kPeerAddr(QStringLiteral("127.0.0.2"));

// A port free on both loopback addresses at the time of asking.
quint16 FreePort() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        QUdpSocket a, b;
        if (!a.bind(kProgramAddr, 0)) continue;
        if (b.bind(kPeerAddr, a.localPort())) return a.localPort();
    }
    return 0;
}

QList<QByteArray> Drain(QUdpSocket& s) {
    QList<QByteArray> got;
    while (s.hasPendingDatagrams()) got << s.receiveDatagram().data();
    return got;
}

}  // namespace

class TestLanMessenger : public QObject {
    Q_OBJECT

    quint16 mPort = 0;
    std::unique_ptr<LanMessenger> mProgram;
    std::unique_ptr<QUdpSocket> mPeer;

    void sendFromPeer(const QByteArray& bytes) {
        QCOMPARE(mPeer->writeDatagram(bytes, kProgramAddr, mPort), bytes.size());
    }

private slots:
    void init() {
        mPort = FreePort();
        QVERIFY(mPort != 0);
        mProgram = std::make_unique<LanMessenger>();
        QCOMPARE(mProgram->Open(mPort, kProgramAddr), 0);
        mPeer = std::make_unique<QUdpSocket>();
        QVERIFY(mPeer->bind(kPeerAddr, mPort, QAbstractSocket::DontShareAddress));
        gOptSendMsg = true;
        gOptUserName = u"管理者"_qs;
        gMsgCode.clear();
    }
    void cleanup() {
        mPeer.reset();
        mProgram.reset();
    }

    void openSetsTheRemoteEndToTheSamePort() {
        QCOMPARE(mProgram->LocalPort(), mPort);
        QCOMPARE(mProgram->RemotePort(), mPort);
        QCOMPARE(mProgram->RemoteHost(), mProgram->LocalHostName());
        QCOMPARE(mProgram->LocalIP(), QStringLiteral("127.0.0.1"));
    }

    void announcementIsAnswered() {
        sendFromPeer("01<USERNAME>peer<IPADDR>127.0.0.2<GAMEID><DATA>");
        QTRY_VERIFY_WITH_TIMEOUT(mPeer->hasPendingDatagrams(), 3000);
        const QNetworkDatagram answer = mPeer->receiveDatagram();
        QCOMPARE(answer.data(), QByteArray("02<USERNAME>\x8a\xc7\x97\x9d\x8e\xd2<IPADDR>127.0.0.1<GAMEID><DATA>"));
        QCOMPARE(answer.senderAddress(), kProgramAddr);
        QCOMPARE(answer.senderPort(), int(mPort));
        QCOMPARE(gMsgUserName, QStringLiteral("peer"));
        QCOMPARE(gMsgIPAddr, QStringLiteral("127.0.0.2"));
    }

    // Received datagrams are parsed whatever SendMsg says; only "01" asks for an answer,
    // and only while sending is on. Blank datagrams are not parsed at all.
    void onlyAnnouncementsAreAnswered_data() {
        QTest::addColumn<bool>("sendMsg");
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("answered");
        const QByteArray tail = "<USERNAME>peer<IPADDR>127.0.0.2<GAMEID><DATA>x";
        QTest::newRow("01, sending on") << true << "01" + tail << "01" << true;
        QTest::newRow("01, sending off") << false << "01" + tail << "01" << false;
        QTest::newRow("02") << true << "02" + tail << "02" << false;
        QTest::newRow("11") << true << "11" + tail << "11" << false;
        QTest::newRow("01 without an address") << true << QByteArray("01<USERNAME>peer<IPADDR><GAMEID><DATA>")
                                               << "01" << false;
    }
    void onlyAnnouncementsAreAnswered() {
        QFETCH(bool, sendMsg);
        QFETCH(QByteArray, datagram);
        QFETCH(QString, code);
        QFETCH(bool, answered);
        gOptSendMsg = sendMsg;
        QSignalSpy parsed(mProgram.get(), &LanMessenger::MessageParsed);
        sendFromPeer("");
        sendFromPeer("   ");
        sendFromPeer(datagram);
        QTRY_COMPARE_WITH_TIMEOUT(parsed.count(), 1, 3000);
        QCOMPARE(gMsgCode, code);
        // An answer is sent before the parse is signalled; loopback delivers at once.
        QTest::qWait(100);
        QCOMPARE(parsed.count(), 1);
        QCOMPARE(Drain(*mPeer).size(), answered ? 1 : 0);
    }

    // The port is ours alone: neither the same address, nor the wildcard, nor a socket
    // that asks to share the address gets it while we hold it.
    void portIsExclusive_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("sharing");
        QTest::newRow("same address") << "127.0.0.1" << false;
        QTest::newRow("wildcard") << "0.0.0.0" << false;
        QTest::newRow("same address, sharing asked for") << "127.0.0.1" << true;
    }
    void portIsExclusive() {
        QFETCH(QString, address);
        QFETCH(bool, sharing);
        if (sharing) {
            QUdpSocket other;
            QVERIFY(!other.bind(QHostAddress(address), mPort,
                                QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint));
        } else {
            LanMessenger second;
            QCOMPARE(second.Open(mPort, QHostAddress(address)), lanerr::kAddressInUse);
            QVERIFY(!second.IsOpen());
            QVERIFY(!second.LastError().isEmpty());
        }
    }

    // The start-up announcement: one datagram per person with a PC address, in table
    // order, a PC listed for two people twice; an unusable address is reported and the
    // rest still go out.
    void announceToEveryPersonWithAnAddress() {
        const QString db = vtest::FreshDatabase();
        const QString insert = QStringLiteral("INSERT INTO TBL_User (職番, 氏名, アドレス) VALUES (?, ?, ?)");
        QVERIFY(vtest::Exec(db, insert, {"u1", "one", "127.0.0.2"}));
        QVERIFY(vtest::Exec(db, insert, {"u2", "two", QVariant()}));
        QVERIFY(vtest::Exec(db, insert, {"u3", "three", ""}));
        QVERIFY(vtest::Exec(db, insert, {"u4", "four", "127.0.0.2"}));
        vtest::RecordingStatus status;

        QCOMPARE(SendLanAnnounce(*mProgram), 0);
        const QByteArray announce("01<USERNAME>\x8a\xc7\x97\x9d\x8e\xd2<IPADDR>127.0.0.1<GAMEID><DATA>");
        QList<QByteArray> got;
        QTRY_VERIFY_WITH_TIMEOUT((got += Drain(*mPeer), got.size() >= 2), 3000);
        QTest::qWait(100);
        got += Drain(*mPeer);
        QCOMPARE(got, (QList<QByteArray>{announce, announce}));
        QCOMPARE(status.texts.size(), 1);
        QVERIFY2(status.texts[0].startsWith(u"送信に失敗しました。"_qs), qPrintable(status.texts[0]));
        QCOMPARE(mProgram->RemoteHost(), QStringLiteral("127.0.0.2"));  // left at the last recipient
    }

    // A database that cannot be read is reported; it is no reason to stop the program.
    void announceWithoutDatabase() {
        gOptDatabasePath = vtest::HomeDir() + QStringLiteral("/missing.MDB");
        vtest::RecordingStatus status;
        QCOMPARE(SendLanAnnounce(*mProgram), 0);
        QCOMPARE(status.texts.size(), 1);
        QTest::qWait(50);
        QVERIFY(Drain(*mPeer).isEmpty());
    }

    // The announcement takes the port when start-up did not; a taken port is its error.
    void announceTakesThePortFirst() {
        vtest::FreshDatabase();
        LanMessenger unopened;
        gOptPort = mPort;  // held by mProgram on 127.0.0.1, so the wildcard is refused
        QCOMPARE(SendLanAnnounce(unopened), lanerr::kAddressInUse);
        QCOMPARE(unopened.SendData("x"), lanerr::kNotConnected);
    }

    // Start-up calls the announcement directly: with sending off it still takes the port
    // (so peers' messages are read) but announces to nobody.
    void announceWithSendingOff() {
        const QString db = vtest::FreshDatabase();
        QVERIFY(vtest::Exec(db, QStringLiteral("INSERT INTO TBL_User (職番, 氏名, アドレス) VALUES (?, ?, ?)"),
                            {"u1", "one", "127.0.0.2"}));
        gOptSendMsg = false;
        vtest::RecordingStatus status;
        QCOMPARE(SendLanAnnounce(*mProgram), 0);

        LanMessenger unopened;
        {
            QUdpSocket probe;
            QVERIFY(probe.bind(QHostAddress::AnyIPv4, 0));
            gOptPort = probe.localPort();
        }
        QCOMPARE(SendLanAnnounce(unopened), 0);
        QVERIFY(unopened.IsOpen());
        QCOMPARE(unopened.LocalPort(), quint16(gOptPort));

        QTest::qWait(100);
        QVERIFY(Drain(*mPeer).isEmpty());
        QVERIFY(status.texts.isEmpty());
    }

    // On the wildcard our address is that of a real interface, never the host name's
    // 127.0.1.1 that peers could not answer.
    void ownAddressOnTheWildcard() {
        LanMessenger wild;
        QCOMPARE(wild.Open(0), 0);
        const QString ip = wild.LocalIP();
        QVERIFY2(ip != QStringLiteral("127.0.1.1"), qPrintable(ip));
        QVERIFY2(QNetworkInterface::allAddresses().contains(QHostAddress(ip)), qPrintable(ip));
    }
};

VANTORO_TEST_MAIN(TestLanMessenger)
#include "tst_lanmessenger.moc"
