// The mail client against scripted loopback servers that refuse, stay silent, vanish
// or answer in several lines: the error record, the time-outs, QUIT after a refusal and
// the connection closed at the end of every send.

#include "TestSupport.h"
#include "alarms/ClsSMTP.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

const QByteArray kSilent = "<silent>";
const QByteArray kClose = "<close>";

// One SMTP peer at a time. Replies are looked up by the command's verb ("." for the end
// of the data, "QUIT2" for the second QUIT); kSilent answers nothing, kClose drops the
// connection.
class ScriptedServer : public QObject {
    Q_OBJECT
public:
    explicit ScriptedServer(QByteArray greeting = "220 scripted ready") : mGreeting(std::move(greeting)) {
        mReplies = {{"HELO", "250 hello"},   {"MAIL", "250 sender ok"}, {"RCPT", "250 recipient ok"},
                    {"DATA", "354 go ahead"}, {".", "250 queued"},       {"QUIT", "221 bye"}};
        connect(&mServer, &QTcpServer::newConnection, this, &ScriptedServer::OnConnection);
        mServer.listen(QHostAddress::LocalHost, 0);
    }
    quint16 Port() const { return mServer.serverPort(); }
    void SetReply(const QByteArray& verb, const QByteArray& reply) { mReplies[verb] = reply; }

    QStringList verbs;     // commands in the order received
    QByteArray data;       // the DATA block as received (still dot-stuffed)
    QList<QByteArray> lines;
    int connections = 0;
    int closedConnections = 0;

private:
    void OnConnection() {
        while (QTcpSocket* s = mServer.nextPendingConnection()) {
            ++connections;
            mPeer = s;
            connect(s, &QTcpSocket::disconnected, this, [this, s] {
                ++closedConnections;
                s->deleteLater();
            });
            connect(s, &QTcpSocket::readyRead, this, [this, s] { OnData(s); });
            Answer(s, mGreeting);
        }
    }
    void Answer(QTcpSocket* s, const QByteArray& reply) {
        if (reply == kSilent) return;
        if (reply == kClose) {
            s->disconnectFromHost();
            return;
        }
        s->write(reply + "\r\n");
    }
    void OnData(QTcpSocket* s) {
        mBuffer += s->readAll();
        qsizetype lf;
        while ((lf = mBuffer.indexOf("\r\n")) >= 0) {
            const QByteArray line = mBuffer.left(lf);
            mBuffer.remove(0, lf + 2);
            if (mInData) {
                if (line != ".") {
                    data += line + "\r\n";
                    continue;
                }
                mInData = false;
                verbs << QStringLiteral(".");
                Answer(s, mReplies.value("."));
                continue;
            }
            lines << line;
            const QByteArray verb = line.split(' ').first().split(':').first().toUpper();
            verbs << QString::fromLatin1(verb);
            // "QUIT2" answers the second QUIT, when given; else "QUIT" answers them all.
            const QByteArray nth = verb + QByteArray::number(verbs.count(QString::fromLatin1(verb)));
            const QByteArray reply = mReplies.value(nth, mReplies.value(verb, "500 unknown"));
            Answer(s, reply);
            if (verb == "DATA" && reply.startsWith("354")) mInData = true;
            if (verb == "QUIT" && reply.startsWith("221")) s->disconnectFromHost();
        }
    }

    QTcpServer mServer;
    QPointer<QTcpSocket> mPeer;
    QByteArray mGreeting;
    QHash<QByteArray, QByteArray> mReplies;
    QByteArray mBuffer;
    bool mInData = false;
};

constexpr int kTimeoutMs = 300;

void Prepare(ClsSMTP& smtp, quint16 port, int recipients = 1) {
    smtp.setTimeout(kTimeoutMs);
    smtp.AddressFrom(QStringLiteral("vantoro@localhost"), QStringLiteral("Vantoro"));
    smtp.setRemoteHostName(QStringLiteral("127.0.0.1"));
    smtp.setRemotePort(port);
    smtp.setSubject(QStringLiteral("コンピュータ監視の警報"));
    smtp.Msg(QStringLiteral("テスト"));
    for (int i = 0; i < recipients; ++i) smtp.AddressTo(QStringLiteral("r%1@localhost").arg(i), QString());
}

}  // namespace

class TestSmtpDialogue : public QObject {
    Q_OBJECT
private slots:
    void dialogue_data();
    void dialogue();
    void connectionRefused();
    void followingSendSucceeds();
    void timeoutOfZeroWaitsOneSecond();
    void senderWithoutAtNeverConnects();
    void refusedEntriesNeverReachTheServer();
    void nestedSendOnTheSameObjectIsRefused();
};

void TestSmtpDialogue::dialogue_data() {
    QTest::addColumn<QByteArray>("greeting");
    QTest::addColumn<QList<QByteArray>>("replies");  // verb, reply, verb, reply, ...
    QTest::addColumn<int>("recipients");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");  // ErrMessage, or its start when it ends in "*"
    QTest::addColumn<QStringList>("verbs");

    const QStringList all{"HELO", "MAIL", "RCPT", "DATA", ".", "QUIT"};
    using L = QList<QByteArray>;
    QTest::newRow("multi-line replies")
        << QByteArray("220-Welcome\r\n220-to the\r\n220 loopback")
        << L{"HELO", "250-first\r\n250-second\r\n250 last", "RCPT", "250-a\r\n250 b"} << 1 << 0 << 0 << QString()
        << all;
    QTest::newRow("bare 250 is final") << QByteArray("220 ok") << L{"HELO", "250", "MAIL", "250"} << 1 << 0 << 0
                                       << QString() << all;
    QTest::newRow("251 to RCPT TO is accepted")
        << QByteArray("220 ok") << L{"RCPT", "251 will forward"} << 1 << 0 << 0 << QString() << all;
    QTest::newRow("lines without a code are skipped")
        << QByteArray("hello there\r\n220 ok") << L{} << 1 << 0 << 0 << QString() << all;
    QTest::newRow("greeting refused") << QByteArray("554 no service here") << L{} << 1 << 9001 << 2
                                      << QStringLiteral("554 SMTP Defined Error: 9001") << QStringList{"QUIT"};
    QTest::newRow("HELO refused") << QByteArray("220 ok") << L{"HELO", "501 bad name"} << 1 << 9002 << 2
                                  << QStringLiteral("501 SMTP Defined Error: 9002") << QStringList{"HELO", "QUIT"};
    QTest::newRow("MAIL FROM refused") << QByteArray("220 ok") << L{"MAIL", "550 sender rejected"} << 1 << 9003 << 2
                                       << QStringLiteral("550 SMTP Defined Error: 9003")
                                       << QStringList{"HELO", "MAIL", "QUIT"};
    QTest::newRow("RCPT TO refused") << QByteArray("220 ok") << L{"RCPT", "550 no such user"} << 2 << 9004 << 2
                                     << QStringLiteral("550 SMTP Defined Error: 9004")
                                     << QStringList{"HELO", "MAIL", "RCPT", "QUIT"};
    QTest::newRow("RCPT TO refused in several lines")
        << QByteArray("220 ok") << L{"RCPT", "550-no\r\n550 really no"} << 1 << 9004 << 2
        << QStringLiteral("550 SMTP Defined Error: 9004") << QStringList{"HELO", "MAIL", "RCPT", "QUIT"};
    QTest::newRow("DATA refused") << QByteArray("220 ok") << L{"DATA", "554 no data"} << 1 << 9005 << 2
                                  << QStringLiteral("554 SMTP Defined Error: 9005")
                                  << QStringList{"HELO", "MAIL", "RCPT", "DATA", "QUIT"};
    QTest::newRow("no recipient, DATA refused")
        << QByteArray("220 ok") << L{"DATA", "554 no valid recipients"} << 0 << 9005 << 2
        << QStringLiteral("554 SMTP Defined Error: 9005") << QStringList{"HELO", "MAIL", "DATA", "QUIT"};
    QTest::newRow("message refused after the data")
        << QByteArray("220 ok") << L{".", "552 too big"} << 1 << 9005 << 2
        << QStringLiteral("552 SMTP Defined Error: 9005") << all;
    // The message was taken: QUIT is said once more, and its refusal is no failure.
    QTest::newRow("QUIT refused after the message")
        << QByteArray("220 ok") << L{"QUIT", "500 what"} << 1 << 0 << 0
        << QStringLiteral("QUIT & Disconnect Failure / 500 SMTP Defined Error: 9006") << all + QStringList{"QUIT"};
    QTest::newRow("QUIT refused once, then taken")
        << QByteArray("220 ok") << L{"QUIT", "500 what", "QUIT2", "221 bye"} << 1 << 0 << 0
        << QStringLiteral("500 SMTP Defined Error: 9006") << all + QStringList{"QUIT"};
    QTest::newRow("vanishes at QUIT after the message")
        << QByteArray("220 ok") << L{"QUIT", kClose} << 1 << 0 << 0
        << QStringLiteral("QUIT & Disconnect Failure / 250 SMTP Defined Error: 9006") << all;
    QTest::newRow("refusal, then QUIT refused")
        << QByteArray("220 ok") << L{"RCPT", "550 no", "QUIT", "500 what"} << 1 << 9004 << 2
        << QStringLiteral("QUIT & Disconnect Failure / 550 SMTP Defined Error: 9004")
        << QStringList{"HELO", "MAIL", "RCPT", "QUIT"};
    QTest::newRow("silent greeting") << kSilent << L{} << 1 << 9000 << 2 << QStringLiteral("$$$ 9000 *")
                                     << QStringList{};
    QTest::newRow("vanishes before the greeting")
        << kClose << L{} << 1 << 9000 << 2 << QStringLiteral("$$$ 9000 *") << QStringList{};
    QTest::newRow("silent at MAIL FROM") << QByteArray("220 ok") << L{"MAIL", kSilent} << 1 << 9000 << 2
                                         << QStringLiteral("$$$ 9000 *") << QStringList{"HELO", "MAIL"};
    QTest::newRow("vanishes at RCPT TO") << QByteArray("220 ok") << L{"RCPT", kClose} << 1 << 9000 << 2
                                         << QStringLiteral("$$$ 9000 *") << QStringList{"HELO", "MAIL", "RCPT"};
    QTest::newRow("silent at DATA") << QByteArray("220 ok") << L{"DATA", kSilent} << 1 << 9000 << 2
                                    << QStringLiteral("$$$ 9000 *")
                                    << QStringList{"HELO", "MAIL", "RCPT", "DATA"};
    QTest::newRow("vanishes after the data") << QByteArray("220 ok") << L{".", kClose} << 1 << 9000 << 2
                                             << QStringLiteral("$$$ 9000 *")
                                             << QStringList{"HELO", "MAIL", "RCPT", "DATA", "."};
}

void TestSmtpDialogue::dialogue() {
    QFETCH(QByteArray, greeting);
    QFETCH(QList<QByteArray>, replies);
    QFETCH(int, recipients);
    QFETCH(int, number);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(QStringList, verbs);

    ScriptedServer server(greeting);
    for (qsizetype i = 0; i + 1 < replies.size(); i += 2) server.SetReply(replies[i], replies[i + 1]);
    QTcpSocket socket;
    ClsSMTP smtp;
    smtp.SetWinsock(&socket);
    Prepare(smtp, server.Port(), recipients);

    QElapsedTimer elapsed;
    elapsed.start();
    const bool sent = smtp.Send();
    // Each wait is bounded by the time-out; a send never hangs the round.
    QVERIFY2(elapsed.elapsed() < 10 * kTimeoutMs, qPrintable(QString::number(elapsed.elapsed())));

    QCOMPARE(sent, number == 0);
    QCOMPARE(smtp.ErrNumber(), number);
    QCOMPARE(smtp.ErrStatus(), status);
    if (message.endsWith(QLatin1Char('*')))
        QVERIFY2(smtp.ErrMessage().startsWith(message.chopped(1)), qPrintable(smtp.ErrMessage()));
    else
        QCOMPARE(smtp.ErrMessage(), message);
    if (number == 9000) QCOMPARE(smtp.ErrSource(), QStringLiteral("QTcpSocket"));
    QCOMPARE(server.verbs, verbs);
    QCOMPARE(server.verbs.count(QStringLiteral("QUIT")), verbs.count(QStringLiteral("QUIT")));

    // The connection is closed at the end of every send, on both ends.
    QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(server.connections, 1);
    QTRY_COMPARE_WITH_TIMEOUT(server.closedConnections, 1, 3000);
}

void TestSmtpDialogue::connectionRefused() {
    quint16 port;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    ClsSMTP smtp;
    Prepare(smtp, port);
    QVERIFY(!smtp.Send());
    QCOMPARE(smtp.ErrNumber(), 9000);
    QCOMPARE(smtp.ErrStatus(), 2);
    QCOMPARE(smtp.ErrSource(), QStringLiteral("QTcpSocket"));
    QVERIFY2(smtp.ErrMessage().startsWith(QStringLiteral("$$$ 9000 ")), qPrintable(smtp.ErrMessage()));
    QVERIFY2(smtp.ErrDescription().contains(QStringLiteral("refused"), Qt::CaseInsensitive),
             qPrintable(smtp.ErrDescription()));
}

void TestSmtpDialogue::followingSendSucceeds() {
    ScriptedServer silent(kSilent);
    ScriptedServer good;
    QTcpSocket socket;
    ClsSMTP smtp;
    smtp.SetWinsock(&socket);
    Prepare(smtp, silent.Port());
    QVERIFY(!smtp.Send());
    QCOMPARE(smtp.ErrNumber(), 9000);
    QVERIFY2(smtp.ErrDescription().contains(QStringLiteral("300 ms")), qPrintable(smtp.ErrDescription()));

    // The same object, the same socket: a fresh connection and a clean error record.
    smtp.setRemotePort(good.Port());
    QVERIFY2(smtp.Send(), qPrintable(smtp.ErrMessage()));
    QCOMPARE(smtp.ErrNumber(), 0);
    QCOMPARE(smtp.ErrStatus(), 0);
    QCOMPARE(smtp.ErrMessage(), QString());
    QCOMPARE(good.verbs, (QStringList{"HELO", "MAIL", "RCPT", "DATA", ".", "QUIT"}));
    QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
    QTRY_COMPARE_WITH_TIMEOUT(silent.closedConnections, 1, 3000);
}

void TestSmtpDialogue::timeoutOfZeroWaitsOneSecond() {
    ScriptedServer silent(kSilent);
    ClsSMTP smtp;
    Prepare(smtp, silent.Port());
    smtp.setTimeout(0);
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(!smtp.Send());
    QVERIFY2(elapsed.elapsed() >= 900 && elapsed.elapsed() < 5000, qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(smtp.ErrNumber(), 9000);
}

void TestSmtpDialogue::senderWithoutAtNeverConnects() {
    ScriptedServer server;
    ClsSMTP smtp;
    smtp.AddressFrom(QStringLiteral("vantoro"), QStringLiteral("Vantoro"));
    QCOMPARE(smtp.RemoteHostName(), QStringLiteral("vantoro"));
    Prepare(smtp, server.Port());
    smtp.AddressFrom(QStringLiteral("vantoro"), QStringLiteral("Vantoro"));
    QVERIFY(!smtp.Send());
    QCOMPARE(smtp.ErrNumber(), 5);
    QVERIFY2(smtp.ErrMessage().startsWith(QStringLiteral("+++ 5 ")), qPrintable(smtp.ErrMessage()));
    QTest::qWait(50);
    QCOMPARE(server.connections, 0);
}

void TestSmtpDialogue::refusedEntriesNeverReachTheServer() {
    ScriptedServer server;
    ClsSMTP smtp;
    Prepare(smtp, server.Port(), 0);
    QVERIFY(!smtp.AddressTo(QStringLiteral("a@x>\r\nRCPT TO:<evil@x"), QString()));
    QVERIFY(!smtp.AddressTo(QStringLiteral("b@x"), QStringLiteral("Name\r\nBcc: evil@x")));
    QVERIFY(!smtp.AddressCC(QStringLiteral("c@x\n"), QStringLiteral("c")));
    QVERIFY(!smtp.AddressBCC(QStringLiteral("d d@x"), QString()));
    QVERIFY(smtp.AddressTo(QStringLiteral("  good@x  "), QStringLiteral("Good")));
    smtp.setSubject(QStringLiteral("alarm\r\nBcc: evil@x"));

    QVERIFY(!smtp.Send());
    // The mail still reaches the valid recipient; the refusal is reported, not hidden.
    QCOMPARE(server.verbs, (QStringList{"HELO", "MAIL", "RCPT", "DATA", ".", "QUIT"}));
    QVERIFY(server.lines.contains("RCPT TO:<good@x>"));
    QCOMPARE(smtp.ErrNumber(), 5);
    QCOMPARE(smtp.ErrStatus(), 2);
    // The subject's line break became a space: still one Subject line, no Bcc header.
    QVERIFY(server.data.startsWith("Subject: alarm  Bcc: evil@x\r\nFrom: "));
    QVERIFY(!server.data.contains("\nBcc:"));
    QVERIFY(!server.data.contains("Name"));
    for (const QByteArray& line : server.lines) QVERIFY2(!line.contains("evil"), line.constData());
}

void TestSmtpDialogue::nestedSendOnTheSameObjectIsRefused() {
    ScriptedServer server;
    ClsSMTP smtp;
    Prepare(smtp, server.Port());
    int nestedResult = -1;
    QTimer::singleShot(0, [&] { nestedResult = smtp.Send() ? 1 : 0; });
    QVERIFY2(smtp.Send(), qPrintable(smtp.ErrMessage()));
    QCOMPARE(nestedResult, 0);
    QCOMPARE(server.connections, 1);
    QCOMPARE(server.verbs.count(QStringLiteral("QUIT")), 1);
}

VANTORO_TEST_MAIN(TestSmtpDialogue)
#include "tst_smtpdialogue.moc"
