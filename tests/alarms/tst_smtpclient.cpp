// The mail client against a real SMTP server (python3-aiosmtpd on loopback), which
// decodes what it receives with Python's own email package.

#include "SmtpSink.h"
#include "TestSupport.h"
#include "alarms/ClsSMTP.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

const QString kSubject = QStringLiteral("コンピュータ監視の警報");
// Each encoded word is followed by one space on its header line; a decoder keeps the
// one after the last word as text.
const QString kSubjectReceived = kSubject + QLatin1Char(' ');

using vtest::SmtpSink;

QStringList Strings(const QJsonValue& v) {
    QStringList out;
    for (const QJsonValue& e : v.toArray()) out << e.toString();
    return out;
}

}  // namespace

class TestSmtpClient : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { mSink.reset(); }
    void fullSendArrives();
    void bodyRoundTrip_data();
    void bodyRoundTrip();
    void serverFromSenderDomain();
    void boundSocketIsClosedAndReusable();
    void deliveredMailIsNoFailure_data();
    void deliveredMailIsNoFailure();

private:
    void Setup(ClsSMTP& smtp, const QString& server = QStringLiteral("127.0.0.1")) {
        smtp.setTimeout(5000);
        smtp.AddressFrom(QStringLiteral("vantoro@localhost"), QStringLiteral("Vantoro"));
        smtp.setRemoteHostName(server);
        smtp.setRemotePort(mSink->Port());
        smtp.setSubject(kSubject);
    }
    std::unique_ptr<SmtpSink> mSink;
    int mSent = 0;
};

void TestSmtpClient::initTestCase() {
    mSink = std::make_unique<SmtpSink>();
    if (!mSink->Start()) QSKIP("python3-aiosmtpd could not be started on loopback");
}

void TestSmtpClient::fullSendArrives() {
    ClsSMTP smtp;
    Setup(smtp);
    QVERIFY(smtp.AddressTo(QStringLiteral("kanri@localhost"), QStringLiteral("管理者 一郎")));
    QVERIFY(smtp.AddressTo(QStringLiteral("ops@localhost"), QStringLiteral("Ops \"night\" desk")));
    QVERIFY(smtp.AddressCC(QStringLiteral("cc@localhost"), QStringLiteral("Copy")));
    QVERIFY(smtp.AddressBCC(QStringLiteral("hidden@localhost"), QStringLiteral("Hidden")));
    smtp.Msg(QStringLiteral("サーバー 192.168.1.10 が応答しません"));
    smtp.Msg(QStringLiteral("."));
    smtp.Msg(QStringLiteral(".hidden file"));

    // The dialogue keeps the event loop running: a timer fires while the mail goes out.
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(0);
    QVERIFY(smtp.Send());
    ticker.stop();
    ++mSent;
    QCOMPARE(smtp.ErrNumber(), 0);
    QCOMPARE(smtp.ErrStatus(), 0);
    QCOMPARE(smtp.ErrMessage(), QString());
    QVERIFY(ticks > 0);

    const QJsonObject mail = mSink->Mail(mSent);
    QVERIFY(!mail.isEmpty());
    QCOMPARE(mail[QStringLiteral("helo")].toString(), QStringLiteral("vantoro"));
    QCOMPARE(mail[QStringLiteral("mail_from")].toString(), QStringLiteral("vantoro@localhost"));
    QCOMPARE(Strings(mail[QStringLiteral("rcpt_tos")]),
             (QStringList{"kanri@localhost", "ops@localhost", "cc@localhost", "hidden@localhost"}));
    // Exactly these headers, in this order; the blind copy is in no header.
    QCOMPARE(Strings(mail[QStringLiteral("header_names")]),
             (QStringList{"Subject", "From", "To", "cc", "Content-Type"}));
    QCOMPARE(mail[QStringLiteral("subject")].toString(), kSubjectReceived);
    QCOMPARE(mail[QStringLiteral("from")].toString(), QStringLiteral("\"Vantoro\" <vantoro@localhost>"));
    QCOMPARE(mail[QStringLiteral("to")].toString(),
             QStringLiteral("管理者 一郎 <kanri@localhost>, \"Ops \\\"night\\\" desk\" <ops@localhost>"));
    QCOMPARE(mail[QStringLiteral("cc")].toString(), QStringLiteral("\"Copy\" <cc@localhost>"));
    QCOMPARE(mail[QStringLiteral("charset")].toString(), QStringLiteral("iso-2022-jp"));
    QCOMPARE(mail[QStringLiteral("body")].toString(),
             QStringLiteral("サーバー 192.168.1.10 が応答しません\r\n.\r\n.hidden file\r\n"));
    const QByteArray raw = QByteArray::fromBase64(mail[QStringLiteral("raw_b64")].toString().toLatin1());
    for (char c : raw) QVERIFY2(static_cast<unsigned char>(c) < 0x80 && c != '\0', "8-bit or NUL byte in the mail");
}

void TestSmtpClient::bodyRoundTrip_data() {
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("received");
    QTest::addColumn<QString>("charset");
    QTest::newRow("ascii") << QStringLiteral("Host down") << QStringLiteral("Host down\r\n") << "us-ascii";
    QTest::newRow("half-width katakana widened")
        << QStringLiteral("ｻｰﾊﾞｰ ｶﾞ") << QStringLiteral("サーハ゛ー カ゛\r\n") << "iso-2022-jp";
    QTest::newRow("vendor kanji becomes geta")
        << QStringLiteral("髙橋さん") << QStringLiteral("〓橋さん\r\n") << "iso-2022-jp";
    QTest::newRow("bare line feeds become CR LF")
        << QStringLiteral("一行目\n二行目") << QStringLiteral("一行目\r\n二行目\r\n") << "iso-2022-jp";
    QTest::newRow("a dot line and a double dot")
        << QStringLiteral("a\r\n.\r\n..\r\nb") << QStringLiteral("a\r\n.\r\n..\r\nb\r\n") << "us-ascii";
}

void TestSmtpClient::bodyRoundTrip() {
    QFETCH(QString, body);
    QFETCH(QString, received);
    QFETCH(QString, charset);
    ClsSMTP smtp;
    Setup(smtp);
    smtp.AddressTo(QStringLiteral("kanri@localhost"), QStringLiteral("管理者"));
    smtp.Msg(body);
    QVERIFY2(smtp.Send(), qPrintable(smtp.ErrMessage()));
    const QJsonObject mail = mSink->Mail(++mSent);
    QCOMPARE(mail[QStringLiteral("charset")].toString(), charset);
    QCOMPARE(mail[QStringLiteral("body")].toString(), received);
    QCOMPARE(mail[QStringLiteral("subject")].toString(), kSubjectReceived);
}

void TestSmtpClient::serverFromSenderDomain() {
    ClsSMTP smtp;
    smtp.setTimeout(5000);
    smtp.AddressFrom(QStringLiteral("vantoro@127.0.0.1"), QStringLiteral("Vantoro"));
    smtp.setRemoteHostName(QString());  // ignored: the server stays the sender's domain
    QCOMPARE(smtp.RemoteHostName(), QStringLiteral("127.0.0.1"));
    smtp.setRemotePort(mSink->Port());
    smtp.AddressTo(QStringLiteral("kanri@localhost"), QString());
    smtp.Msg(QStringLiteral("x"));
    QVERIFY2(smtp.Send(), qPrintable(smtp.ErrMessage()));
    QCOMPARE(mSink->Mail(++mSent)[QStringLiteral("mail_from")].toString(), QStringLiteral("vantoro@127.0.0.1"));
}

void TestSmtpClient::boundSocketIsClosedAndReusable() {
    QTcpSocket socket;
    for (int round = 0; round < 2; ++round) {
        ClsSMTP smtp;
        smtp.SetWinsock(&socket);
        Setup(smtp);
        smtp.AddressTo(QStringLiteral("kanri@localhost"), QString());
        smtp.Msg(QStringLiteral("round %1").arg(round));
        QVERIFY2(smtp.Send(), qPrintable(smtp.ErrMessage()));
        QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(mSink->Mail(++mSent)[QStringLiteral("body")].toString(), QStringLiteral("round %1\r\n").arg(round));
    }
    QCOMPARE(mSink->MailCount(), mSent);
}


// Once the server has taken the message (250), QUIT trouble does not make it a failed
// mail: QUIT is said once more, and when that fails too only ErrMessage tells.
void TestSmtpClient::deliveredMailIsNoFailure_data() {
    QTest::addColumn<QString>("quitMode");
    QTest::addColumn<QString>("message");
    QTest::newRow("QUIT refused") << "refuse"
                                  << "QUIT & Disconnect Failure / 500 SMTP Defined Error: 9006";
    QTest::newRow("closed after 250") << "close"
                                      << "QUIT & Disconnect Failure / 250 SMTP Defined Error: 9006";
}

void TestSmtpClient::deliveredMailIsNoFailure() {
    QFETCH(QString, quitMode);
    QFETCH(QString, message);
    SmtpSink sink;
    if (!sink.Start(quitMode)) QSKIP("python3-aiosmtpd could not be started on loopback");
    QTcpSocket socket;
    ClsSMTP smtp;
    smtp.SetWinsock(&socket);
    smtp.setTimeout(2000);
    smtp.AddressFrom(QStringLiteral("vantoro@localhost"), QStringLiteral("Vantoro"));
    smtp.setRemoteHostName(QStringLiteral("127.0.0.1"));
    smtp.setRemotePort(sink.Port());
    smtp.setSubject(kSubject);
    smtp.Msg(QStringLiteral("配信済み"));
    QVERIFY(smtp.AddressTo(QStringLiteral("kanri@localhost"), QStringLiteral("管理者")));

    QVERIFY2(smtp.Send(), qPrintable(smtp.ErrMessage()));
    QCOMPARE(smtp.ErrNumber(), 0);
    QCOMPARE(smtp.ErrStatus(), 0);
    QCOMPARE(smtp.ErrMessage(), message);
    QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(sink.Mail(1)[QStringLiteral("body")].toString(), QStringLiteral("配信済み\r\n"));
    QCOMPARE(sink.MailCount(), 1);
}
VANTORO_TEST_MAIN(TestSmtpClient)
#include "tst_smtpclient.moc"
