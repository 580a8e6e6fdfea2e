// The message the mail client builds: header order and contents, display names, the
// charset choice, the envelope, the body's line ends.

#include "TestSupport.h"
#include "alarms/ClsSMTP.h"
#include "alarms/Cp932.h"
#include "alarms/MailEncoding.h"

namespace {

// The header block unfolded, one entry per header line.
QList<QByteArray> HeaderLines(const QByteArray& message) {
    QByteArray head = message.left(message.indexOf("\r\n\r\n") + 2);
    head.replace("\r\n ", " ");
    QList<QByteArray> lines = head.split('\n');
    lines.removeAll(QByteArray());
    for (QByteArray& l : lines) l.chop(1);  // the CR
    return lines;
}

QByteArray Header(const QByteArray& message, const QByteArray& name) {
    for (const QByteArray& l : HeaderLines(message))
        if (l.startsWith(name + ":")) return l;
    return {};
}

}  // namespace

class TestSmtpMessage : public QObject {
    Q_OBJECT
private slots:
    void headersInOrder();
    void displayName_data();
    void displayName();
    void charsetFollowsTheBody_data();
    void charsetFollowsTheBody();
    void bodyLineEnds_data();
    void bodyLineEnds();
    void clearKeepsSenderAndSubject();
};

void TestSmtpMessage::headersInOrder() {
    ClsSMTP smtp;
    smtp.AddressFrom(QStringLiteral("vantoro@mail.test"), QStringLiteral("Vantoro"));
    smtp.setSubject(QStringLiteral("コンピュータ監視の警報"));
    smtp.AddressBCC(QStringLiteral("hidden@mail.test"), QStringLiteral("Hidden"));
    smtp.AddressCC(QStringLiteral("c@mail.test"), QStringLiteral("C"));
    smtp.AddressTo(QStringLiteral("a@mail.test"), QStringLiteral("A"));
    smtp.AddressTo(QStringLiteral("b@mail.test"), QStringLiteral("B"));
    smtp.Msg(QStringLiteral("本文"));
    const QByteArray message = smtp.BuildMessage();

    const QList<QByteArray> lines = HeaderLines(message);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], QByteArray("Subject:  =?ISO-2022-JP?B?GyRCJTMlcyVUJWUhPCU/NEY7ayRON1lKcxsoQg==?= "));
    QCOMPARE(lines[1], QByteArray("From: \"Vantoro\" <vantoro@mail.test>"));
    QCOMPARE(lines[2], QByteArray("To: \"A\" <a@mail.test>, \"B\" <b@mail.test>"));
    QCOMPARE(lines[3], QByteArray("cc: \"C\" <c@mail.test>"));
    QCOMPARE(lines[4], QByteArray("Content-Type: text/plain; charset=iso-2022-jp"));
    QVERIFY(!message.contains("hidden"));
    // The envelope: To, then cc, then Bcc, whatever order they were added in.
    QCOMPARE(smtp.Recipients(), (QStringList{"a@mail.test", "b@mail.test", "c@mail.test", "hidden@mail.test"}));
    // Building again (a second Send) neither doubles the envelope nor re-encodes the body.
    QCOMPARE(smtp.BuildMessage(), message);
    QCOMPARE(smtp.Recipients().size(), 4);
    QVERIFY(message.endsWith("\r\n\r\n\x1B$B" "K\\J8\x1B(B\r\n"));
}

void TestSmtpMessage::displayName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("to");
    QTest::newRow("plain") << QStringLiteral("Ops desk") << QByteArray("To: \"Ops desk\" <a@b.test>");
    QTest::newRow("empty") << QString() << QByteArray("To: \"\" <a@b.test>");
    QTest::newRow("quote and backslash escaped")
        << QStringLiteral("say \"hi\" \\o/") << QByteArray("To: \"say \\\"hi\\\" \\\\o/\" <a@b.test>");
    // Japanese text is encoded words only, never inside quotes; the space and the comma
    // stay inside the word, so the comma cannot split the address list.
    QTest::newRow("japanese with a comma")
        << QStringLiteral("山田, 太郎")
        << "To: " + mailenc::EncodeMimeWord(cp932::FromUnicode(QStringLiteral("山田, 太郎"))) + " <a@b.test>";
    QTest::newRow("half-width katakana widened") << QStringLiteral("ｶﾞｽ")
        << "To: " + mailenc::EncodeMimeWord(cp932::FromUnicode(QStringLiteral("カ゛ス"))) + " <a@b.test>";
}

void TestSmtpMessage::displayName() {
    QFETCH(QString, name);
    QFETCH(QByteArray, to);
    ClsSMTP smtp;
    smtp.AddressFrom(QStringLiteral("v@b.test"), QString());
    QVERIFY(smtp.AddressTo(QStringLiteral("a@b.test"), name));
    const QByteArray message = smtp.BuildMessage();
    QCOMPARE(Header(message, "To"), to);
    QVERIFY(!Header(message, "To").contains("\"=?"));
}

void TestSmtpMessage::charsetFollowsTheBody_data() {
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QByteArray>("charset");
    QTest::newRow("ascii") << QStringLiteral("alarm") << QStringLiteral("host down") << QByteArray("us-ascii");
    QTest::newRow("kanji") << QStringLiteral("alarm") << QStringLiteral("監視") << QByteArray("iso-2022-jp");
    QTest::newRow("half-width katakana") << QStringLiteral("alarm") << QStringLiteral("ｱ")
                                         << QByteArray("iso-2022-jp");
    // Only the body decides: a Japanese subject travels as encoded words anyway.
    QTest::newRow("japanese subject, ascii body")
        << QStringLiteral("警報") << QStringLiteral("host down") << QByteArray("us-ascii");
    QTest::newRow("no CP932 form becomes ?") << QStringLiteral("alarm") << QStringLiteral("5€")
                                             << QByteArray("us-ascii");
}

void TestSmtpMessage::charsetFollowsTheBody() {
    QFETCH(QString, subject);
    QFETCH(QString, body);
    QFETCH(QByteArray, charset);
    ClsSMTP smtp;
    smtp.AddressFrom(QStringLiteral("v@b.test"), QString());
    smtp.setSubject(subject);
    smtp.Msg(body);
    const QByteArray message = smtp.BuildMessage();
    QCOMPARE(Header(message, "Content-Type"), "Content-Type: text/plain; charset=" + charset);
    for (char c : message) QVERIFY(static_cast<unsigned char>(c) < 0x80);
}

void TestSmtpMessage::bodyLineEnds_data() {
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("Msg adds CR LF") << QStringList{"a", "b"} << QByteArray("a\r\nb\r\n");
    QTest::newRow("not twice") << QStringList{"a\r\n", "b"} << QByteArray("a\r\nb\r\n");
    QTest::newRow("bare LF and CR") << QStringList{"a\nb\rc"} << QByteArray("a\r\nb\r\nc\r\n");
    QTest::newRow("no body") << QStringList{} << QByteArray("\r\n");
    // Dot-stuffing happens on the wire, not in the message.
    QTest::newRow("dot line kept") << QStringList{"."} << QByteArray(".\r\n");
}

void TestSmtpMessage::bodyLineEnds() {
    QFETCH(QStringList, parts);
    QFETCH(QByteArray, body);
    ClsSMTP smtp;
    smtp.AddressFrom(QStringLiteral("v@b.test"), QString());
    for (const QString& p : parts) smtp.Msg(p);
    const QByteArray message = smtp.BuildMessage();
    QCOMPARE(message.mid(message.indexOf("\r\n\r\n") + 4), body);
}

void TestSmtpMessage::clearKeepsSenderAndSubject() {
    ClsSMTP smtp;
    smtp.AddressFrom(QStringLiteral("v@host.test"), QStringLiteral("V"));
    smtp.setSubject(QStringLiteral("s"));
    smtp.setRemotePort(2525);
    smtp.AddressTo(QStringLiteral("a@b.test"), QString());
    smtp.Msg(QStringLiteral("old"));
    smtp.Clear();
    QCOMPARE(smtp.RemotePort(), 25);
    QCOMPARE(smtp.RemoteHostName(), QString());
    const QByteArray message = smtp.BuildMessage();
    QCOMPARE(Header(message, "From"), QByteArray("From: \"V\" <v@host.test>"));
    QCOMPARE(Header(message, "Subject"), QByteArray("Subject: s"));
    QCOMPARE(Header(message, "To"), QByteArray());
    QVERIFY(!message.contains("old"));
    QVERIFY(smtp.Recipients().isEmpty());
    // The port is a property, settable by name as well.
    QVERIFY(smtp.setProperty("RemotePort", 2526));
    QCOMPARE(smtp.RemotePort(), 2526);
}

VANTORO_TEST_MAIN(TestSmtpMessage)
#include "tst_smtpmessage.moc"
