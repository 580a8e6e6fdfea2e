// The messenger popup on the wire: one NetBIOS direct-unique datagram carrying an SMB
// Transaction that writes to \MAILSLOT\MESSNGR. The expected bytes below are worked out
// by hand from RFC 1001/1002 (header, first-level name encoding) and the SMB Transaction
// request layout, and the datagram is also handed to Wireshark's dissector.
#include "TestSupport.h"

#include "alarms/Mailslot.h"

#include <QNetworkDatagram>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

namespace {

QByteArray Hex(const char* spaced) { return QByteArray::fromHex(QByteArray(spaced).replace(' ', "")); }

// Waits (bounded) for one datagram on the socket.
std::optional<QNetworkDatagram> Receive(QUdpSocket& socket, int ms = 3000) {
    QDeadlineTimer deadline(ms);
    while (!socket.hasPendingDatagrams() && !deadline.hasExpired()) socket.waitForReadyRead(50);
    if (!socket.hasPendingDatagrams()) return std::nullopt;
    return socket.receiveDatagram();
}

}  // namespace

class TestMailslot : public QObject {
    Q_OBJECT
private slots:
    // RFC 1001's own example of the first-level encoding, and the suffix byte.
    void encodeNetbiosName_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("suffix");
        QTest::addColumn<QByteArray>("encoded");
        QTest::newRow("FRED padded with spaces")
            << QByteArray("FRED") << 0x20 << QByteArray("\x20" "EGFCEFEECACACACACACACACACACACACA" "\0", 34);
        QTest::newRow("messenger suffix")
            << QByteArray("PC01") << 0x03 << QByteArray("\x20" "FAEDDADBCACACACACACACACACACACAAD" "\0", 34);
        QTest::newRow("sixteen bytes are cut to fifteen and the suffix")
            << QByteArray("ABCDEFGHIJKLMNOP") << 0x00
            << QByteArray("\x20" "EBECEDEEEFEGEHEIEJEKELEMENEOEPAA" "\0", 34);
    }
    void encodeNetbiosName() {
        QFETCH(QByteArray, name);
        QFETCH(int, suffix);
        QFETCH(QByteArray, encoded);
        QCOMPARE(EncodeNetbiosName(name, static_cast<quint8>(suffix)), encoded);
    }

    void netbiosName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("netbios");
        QTest::newRow("upper case") << "vantoro-pc" << QByteArray("VANTORO-PC");
        QTest::newRow("host part of a domain name") << "pc01.example.lan" << QByteArray("PC01");
        QTest::newRow("a dotted address stays whole") << "192.168.10.200" << QByteArray("192.168.10.200");
        QTest::newRow("fifteen bytes at most") << "workstation-number-12" << QByteArray("WORKSTATION-NUM");
        QTest::newRow("a double-byte character is not split")
            << u"ABCDEFGHIJKLMN管"_qs << QByteArray("ABCDEFGHIJKLMN");
    }
    void netbiosName() {
        QFETCH(QString, name);
        QFETCH(QByteArray, netbios);
        QCOMPARE(NetbiosName(name), netbios);
    }

    // Three texts, each ending in a zero byte; a text too long for one datagram loses its
    // tail in whole characters.
    void payload_data() {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("Japanese sender and text")
            << u"管理者"_qs << "pc01" << u"停止"_qs
            << QByteArray("\x8a\xc7\x97\x9d\x8e\xd2\0pc01\0\x92\xe2\x8e\x7e\0", 17);
        QTest::newRow("empty text keeps its zero byte") << "a" << "b" << "" << QByteArray("a\0b\0\0", 5);
        // 512 - 2 names - SMB words - slot name leaves 357 bytes: "ab\0" + "127.0.0.1\0"
        // + text + "\0" gives the text 343 bytes, that is 171 double-byte characters.
        QTest::newRow("long text cut at a character boundary")
            << "ab" << "127.0.0.1" << QString(300, QChar(u'あ'))
            << QByteArray("ab\0" "127.0.0.1\0", 13) + QByteArray("\x82\xa0").repeated(171) + QByteArray(1, '\0');
    }
    void payload() {
        QFETCH(QString, sender);
        QFETCH(QString, host);
        QFETCH(QString, text);
        QFETCH(QByteArray, payload);
        QCOMPARE(MessengerPayload(sender, host, text), payload);
    }

    // A real send to a loopback receiver, compared field by field with the hand fixture.
    void loopbackDatagram() {
        QUdpSocket receiver;
        QVERIFY(receiver.bind(QHostAddress::LocalHost, 0));
        MailslotSender sender;
        sender.SetDestinationPort(receiver.localPort());
        sender.SetSourceName(QStringLiteral("vantoro-pc.example.lan"));
        sender.SetNextDatagramId(0x1234);
        QVERIFY(sender.Send(u"管理者"_qs, QStringLiteral("127.0.0.1"), u"停止"_qs));
        QCOMPARE(sender.NextDatagramId(), quint16(0x1235));

        const std::optional<QNetworkDatagram> got = Receive(receiver);
        QVERIFY(got);
        const QByteArray d = got->data();
        const quint16 sourcePort = static_cast<quint16>(got->senderPort());
        QVERIFY(sourcePort != mailslot::kDatagramServicePort);

        QByteArray expected;
        expected += Hex("10 02 1234 7f000001");  // direct unique, B node first fragment, id, 127.0.0.1
        expected += QByteArray(1, char(sourcePort >> 8)) + QByteArray(1, char(sourcePort & 0xff));
        expected += Hex("00b1 0000");            // 34 + 34 + 87 + 22 bytes follow; offset 0
        expected += QByteArray("\x20" "FGEBEOFEEPFCEPCNFAEDCACACACACAAA" "\0", 34);  // "VANTORO-PC"<00>
        expected += QByteArray("\x20" "DBDCDHCODACODACODBCACACACACACAAD" "\0", 34);  // "127.0.0.1"<03>
        expected += Hex("ff534d42 25 00000000 00 0000 0000 0000000000000000 0000 0000 0000 0000 0000");
        expected += Hex("11"                  // 17 words
                        "0000 1600 0000 0000"  // total parameters, total data 22, max parameters, max data
                        "00 00 0000 00000000"  // max setup, reserved, flags, timeout
                        "0000 0000 5700"       // reserved, parameter count, parameter offset 87
                        "1600 5700"            // data count 22, data offset 87
                        "03 00 0100 0100 0200" // three setup words: mailslot write, priority 1, class 2
                        "2800");               // 40 bytes follow
        expected += QByteArray("\\MAILSLOT\\MESSNGR\0", 18);
        expected += QByteArray("\x8a\xc7\x97\x9d\x8e\xd2\0" "127.0.0.1\0" "\x92\xe2\x8e\x7e\0", 22);
        QCOMPARE(d.size(), 191);
        QCOMPARE(d.toHex(' '), expected.toHex(' '));
    }

    // An independent reading of the same datagram: Wireshark's dissectors.
    void wiresharkDissects() {
        const QString text2pcap = QStandardPaths::findExecutable(QStringLiteral("text2pcap"));
        const QString tshark = QStandardPaths::findExecutable(QStringLiteral("tshark"));
        if (text2pcap.isEmpty() || tshark.isEmpty()) QSKIP("text2pcap/tshark (package tshark) not installed");

        QUdpSocket receiver;
        QVERIFY(receiver.bind(QHostAddress::LocalHost, 0));
        MailslotSender sender;
        sender.SetDestinationPort(receiver.localPort());
        sender.SetSourceName(QStringLiteral("VANTORO"));
        QVERIFY(sender.Send(u"ｼｽﾃﾑ管理者"_qs, QStringLiteral("127.0.0.1"), u"WEB01 停止"_qs));
        const std::optional<QNetworkDatagram> got = Receive(receiver);
        QVERIFY(got);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile dump(dir.filePath(QStringLiteral("datagram.txt")));
        QVERIFY(dump.open(QIODevice::WriteOnly));
        const QByteArray bytes = got->data();
        for (qsizetype off = 0; off < bytes.size(); off += 16)
            dump.write(QByteArray::number(off, 16).rightJustified(6, '0') + ' ' + bytes.mid(off, 16).toHex(' ') + '\n');
        dump.close();

        // The capture puts the datagram on the datagram service's own port, where the
        // dissector looks for it.
        const QString pcap = dir.filePath(QStringLiteral("datagram.pcap"));
        QProcess wrap;
        wrap.start(text2pcap, {QStringLiteral("-q"), QStringLiteral("-4"), QStringLiteral("127.0.0.1,127.0.0.1"),
                               QStringLiteral("-u"), QStringLiteral("138,138"), dump.fileName(), pcap});
        QVERIFY(wrap.waitForFinished(20000));
        QCOMPARE(wrap.exitCode(), 0);

        QProcess dissect;
        dissect.setProcessChannelMode(QProcess::MergedChannels);
        dissect.start(tshark, {QStringLiteral("-n"), QStringLiteral("-r"), pcap, QStringLiteral("-V"),
                               QStringLiteral("-x")});
        QVERIFY(dissect.waitForFinished(60000));
        const QString out = QString::fromUtf8(dissect.readAll());
        QCOMPARE(dissect.exitCode(), 0);
        for (const char* shown : {"NetBIOS Datagram Service", "Message Type: Direct_unique datagram",
                                  "Source name: VANTORO<00> (Workstation/Redirector)",
                                  "Destination name: 127.0.0.1<03> (Messenger service/Main name)",
                                  "SMB (Server Message Block Protocol)", "SMB Command: Trans (0x25)",
                                  "SMB MailSlot Protocol", "Opcode: Write Mail Slot (1)",
                                  "Mailslot Name: \\MAILSLOT\\MESSNGR", "Class: Unreliable & Broadcast (2)"})
            QVERIFY2(out.contains(QLatin1String(shown)), qPrintable(QStringLiteral("missing \"%1\" in:\n%2").arg(QLatin1String(shown), out)));
        QVERIFY2(!out.contains(QLatin1String("Malformed")), qPrintable(out));
        QVERIFY2(!out.contains(QLatin1String("Expert Info")), qPrintable(out));
        // The mail slot's data, as the dissector delimits it, is our payload.
        const QByteArray payload = MessengerPayload(u"ｼｽﾃﾑ管理者"_qs, QStringLiteral("127.0.0.1"), u"WEB01 停止"_qs);
        QVERIFY(bytes.endsWith(payload));
        QVERIFY2(out.contains(QStringLiteral("Data (%1 bytes)").arg(payload.size())) ||
                     out.contains(QStringLiteral("Data: %1").arg(QString::fromLatin1(payload.toHex()))),
                 qPrintable(out));
    }

    // Like the mailslot write, a popup to a host that cannot be named sends nothing.
    void unusableHostSendsNothing_data() {
        QTest::addColumn<QString>("host");
        QTest::newRow("empty") << "";
        QTest::newRow("spaces") << "   ";
        QTest::newRow("an IPv6 address") << "::1";
    }
    void unusableHostSendsNothing() {
        QFETCH(QString, host);
        MailslotSender sender;
        QVERIFY(!sender.Send(QStringLiteral("a"), host, QStringLiteral("b")));
    }
};

VANTORO_TEST_MAIN(TestMailslot)
#include "tst_mailslot.moc"
