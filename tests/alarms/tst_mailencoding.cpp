// The mail text routines: katakana widening, ISO-2022-JP, encoded words, folding, Base64.

#include "TestSupport.h"
#include "alarms/Cp932.h"
#include "alarms/MailEncoding.h"

namespace {
QByteArray Sjis(const QString& text) { return cp932::FromUnicode(text); }
const QByteArray kJis = "\x1B$B";
const QByteArray kAscii = "\x1B(B";
}  // namespace

class TestMailEncoding : public QObject {
    Q_OBJECT
private slots:
    void normalizeText_data();
    void normalizeText();
    void sjisToJis_data();
    void sjisToJis();
    void convertToJis_data();
    void convertToJis();
    void encodeHeaderWords_data();
    void encodeHeaderWords();
    void everyEncodedWordFitsOnALine();
    void foldHeaderLines_data();
    void foldHeaderLines();
    void foldingUnfoldsToTheOriginal();
    void base64_data();
    void base64();
    void encodeMimePhrase_data();
    void encodeMimePhrase();
};

void TestMailEncoding::normalizeText_data() {
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<bool>("needsJis");
    QTest::newRow("ascii") << QByteArray("abc 123\r\n") << QByteArray("abc 123\r\n") << false;
    QTest::newRow("three katakana") << Sjis("ｱｲｳ") << Sjis("アイウ") << true;
    QTest::newRow("voiced mark stays separate") << Sjis("ｶﾞ") << Sjis("カ゛") << true;
    QTest::newRow("semi-voiced mark stays separate") << Sjis("ﾊﾟ") << Sjis("ハ゜") << true;
    QTest::newRow("punctuation and long vowel") << Sjis("｡｢｣､･ｰ") << Sjis("。「」、・ー") << true;
    QTest::newRow("last of the range") << Sjis("ﾝ") << Sjis("ン") << true;
    QTest::newRow("kanji unchanged") << Sjis("a監視b") << Sjis("a監視b") << true;
    QTest::newRow("single high bytes become dots")
        << QByteArray("a\x80\xA0\xFD\xFF" "b") << QByteArray("a....b") << false;
    QTest::newRow("lead byte cut off at the end") << QByteArray("ab\x82") << QByteArray("ab.") << false;
    QTest::newRow("unrepresentable became ?") << Sjis("x€y") << QByteArray("x?y") << false;
}

void TestMailEncoding::normalizeText() {
    QFETCH(QByteArray, in);
    QFETCH(QByteArray, out);
    QFETCH(bool, needsJis);
    QCOMPARE(mailenc::NormalizeText(in), needsJis);
    QCOMPARE(in, out);
}

void TestMailEncoding::sjisToJis_data() {
    QTest::addColumn<int>("lead");
    QTest::addColumn<int>("trail");
    QTest::addColumn<int>("jis");
    QTest::newRow("hiragana a 82A0") << 0x82 << 0xA0 << 0x2422;
    QTest::newRow("first kanji 889F") << 0x88 << 0x9F << 0x3021;
    QTest::newRow("upper block EAA4") << 0xEA << 0xA4 << 0x7426;
    QTest::newRow("ideographic space 8140") << 0x81 << 0x40 << 0x2121;
    QTest::newRow("trail 0x80 skips 0x7F") << 0x81 << 0x80 << 0x2160;
    QTest::newRow("last of the lower block 9FFC") << 0x9F << 0xFC << 0x5E7E;
    QTest::newRow("first of the upper block E040") << 0xE0 << 0x40 << 0x5F21;
    QTest::newRow("geta mark 81AC") << 0x81 << 0xAC << 0x222E;
    QTest::newRow("user-defined lead F040") << 0xF0 << 0x40 << 0;
    QTest::newRow("vendor lead FBFC") << 0xFB << 0xFC << 0;
    QTest::newRow("lead A0") << 0xA0 << 0x40 << 0;
    QTest::newRow("trail 7F") << 0x81 << 0x7F << 0;
    QTest::newRow("trail 3F") << 0x81 << 0x3F << 0;
    QTest::newRow("trail FD") << 0x81 << 0xFD << 0;
}

void TestMailEncoding::sjisToJis() {
    QFETCH(int, lead);
    QFETCH(int, trail);
    QFETCH(int, jis);
    auto h = static_cast<unsigned char>(lead);
    auto l = static_cast<unsigned char>(trail);
    mailenc::SjisToJis(h, l);
    QCOMPARE(h * 256 + l, jis);
}

void TestMailEncoding::convertToJis_data() {
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("ascii unchanged") << QByteArray("Server down\r\n") << QByteArray("Server down\r\n");
    QTest::newRow("a, hiragana, b") << Sjis("aあb") << "a" + kJis + "$\"" + kAscii + "b";
    QTest::newRow("ends in ascii after kanji") << Sjis("亜") << kJis + "0!" + kAscii;
    QTest::newRow("each line back to ascii before CR LF")
        << Sjis("あ\r\nい\r\n") << kJis + "$\"" + kAscii + "\r\n" + kJis + "$$" + kAscii + "\r\n";
    QTest::newRow("one run, one escape pair") << Sjis("監視") << kJis + "4F;k" + kAscii;
    // 髙 is an IBM extension (FBFC): its arithmetic gives 0, 0 and would put NUL bytes
    // into the mail; it goes out as the geta mark instead.
    QTest::newRow("no JIS row becomes geta") << Sjis("x髙y") << "x" + kJis + "\"." + kAscii + "y";
    QTest::newRow("user-defined character") << QByteArray("\xF0\x40") << kJis + "\"." + kAscii;
}

void TestMailEncoding::convertToJis() {
    QFETCH(QByteArray, in);
    QFETCH(QByteArray, out);
    const QByteArray jis = mailenc::ConvertToJis(in);
    QCOMPARE(jis, out);
    QVERIFY(!jis.contains('\0'));
}

void TestMailEncoding::encodeHeaderWords_data() {
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("pure ascii unchanged")
        << QByteArray("From: \"Vantoro\" <alarm@example.test>\r\n")
        << QByteArray("From: \"Vantoro\" <alarm@example.test>\r\n");
    QTest::newRow("the alarm subject")
        << Sjis("Subject: コンピュータ監視の警報\r\n")
        << QByteArray("Subject:  =?ISO-2022-JP?B?GyRCJTMlcyVUJWUhPCU/NEY7ayRON1lKcxsoQg==?= \r\n");
    // 19 characters: the word-length rule cuts after 18 (a 74-character word).
    QTest::newRow("19 kanji give words of 18 and 1")
        << Sjis("監視警報装置異常発生通知連絡網管理者各")
        << QByteArray(" =?ISO-2022-JP?B?GyRCNEY7azdZSnNBdUNWMFs+b0gvQDhETENOTyJNbUxWNElNfTxUGyhC?= "
                      "=?ISO-2022-JP?B?GyRCM0YbKEI=?= ");
    QTest::newRow("ascii between two runs") << Sjis("あ-い")
        << QByteArray(" =?ISO-2022-JP?B?GyRCJCIbKEI=?= - =?ISO-2022-JP?B?GyRCJCQbKEI=?= ");
}

void TestMailEncoding::encodeHeaderWords() {
    QFETCH(QByteArray, in);
    QFETCH(QByteArray, out);
    QCOMPARE(mailenc::EncodeHeaderWords(in), out);
}

void TestMailEncoding::everyEncodedWordFitsOnALine() {
    const QString kanji = QStringLiteral("監視警報").repeated(15);
    const QByteArray encoded = mailenc::EncodeHeaderWords(Sjis(kanji));
    const QList<QByteArray> words = encoded.trimmed().split(' ');
    QCOMPARE(words.size(), 4);  // 18 + 18 + 18 + 6
    for (const QByteArray& w : words) {
        QVERIFY2(w.size() <= 74, w.constData());
        QVERIFY(w.startsWith("=?ISO-2022-JP?B?") && w.endsWith("?="));
    }
    QCOMPARE(words.last().size(), 16 + 24 + 2);  // 6 characters: 18 bytes, 24 digits
}

void TestMailEncoding::foldHeaderLines_data() {
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QByteArray>("out");
    QTest::newRow("short line unchanged") << QByteArray("To: a@b\r\n") << QByteArray("To: a@b\r\n");
    QTest::newRow("last piece without CR LF gets one") << QByteArray("A: b") << QByteArray("A: b\r\n");
    const QByteArray w9 = "123456789";  // 8 words of 9 plus 7 spaces = 79 characters
    QByteArray line = w9;
    for (int i = 0; i < 7; ++i) line += " " + w9;
    QTest::newRow("folds before the word that passes 75")
        << line + "\r\n" << line.left(69) + "\r\n " + w9 + "\r\n";
    const QByteArray word80(80, 'x');
    QTest::newRow("a long word alone is not cut")
        << "Subject: " + word80 + "\r\n" << "Subject:\r\n " + word80 + "\r\n";
    QTest::newRow("exactly 75 stays") << QByteArray(70, 'a') + " bbbb\r\n" << QByteArray(70, 'a') + " bbbb\r\n";
    QTest::newRow("76 folds") << QByteArray(70, 'a') + " bbbbb\r\n" << QByteArray(70, 'a') + "\r\n bbbbb\r\n";
}

void TestMailEncoding::foldHeaderLines() {
    QFETCH(QByteArray, in);
    QFETCH(QByteArray, out);
    QCOMPARE(mailenc::FoldHeaderLines(in), out);
}

void TestMailEncoding::foldingUnfoldsToTheOriginal() {
    // A 100-character line of words, one with doubled spaces, and a second line.
    QByteArray first = "X-Long:";
    while (first.size() < 100) first += " w" + QByteArray::number(first.size());
    first = first.left(100);
    first.replace(30, 1, "  ");
    const QByteArray block = first + "\r\nSecond: short\r\n";
    const QByteArray folded = mailenc::FoldHeaderLines(block);
    const QList<QByteArray> lines = folded.split('\n');
    QVERIFY(lines.size() > 3);
    QVERIFY(lines[0].chopped(1).size() <= 75);
    QVERIFY(lines[1].startsWith(' '));
    for (const QByteArray& l : lines)
        if (!l.isEmpty()) QVERIFY(l.endsWith('\r') && l.chopped(1).size() <= 76);
    QByteArray unfolded = folded;
    unfolded.replace("\r\n ", " ");
    QCOMPARE(unfolded, block);
}

void TestMailEncoding::base64_data() {
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QByteArray>("out");
    // The test vectors of RFC 4648, section 10.
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("f") << QByteArray("f") << QByteArray("Zg==");
    QTest::newRow("fo") << QByteArray("fo") << QByteArray("Zm8=");
    QTest::newRow("foo") << QByteArray("foo") << QByteArray("Zm9v");
    QTest::newRow("foob") << QByteArray("foob") << QByteArray("Zm9vYg==");
    QTest::newRow("fooba") << QByteArray("fooba") << QByteArray("Zm9vYmE=");
    QTest::newRow("foobar") << QByteArray("foobar") << QByteArray("Zm9vYmFy");
    QTest::newRow("high bits, + and /") << QByteArray("\xFB\xFF\xBF") << QByteArray("+/+/");
    QTest::newRow("zero bytes") << QByteArray(2, '\0') << QByteArray("AAA=");
    // 60 bytes give 80 digits, past the 76 at which a MIME body encoder would break the line.
    QTest::newRow("no line breaks") << QByteArray(60, 'z') << QByteArray("enp6").repeated(20);
}

void TestMailEncoding::base64() {
    QFETCH(QByteArray, in);
    QFETCH(QByteArray, out);
    QCOMPARE(mailenc::Base64Encode(in), out);
}

void TestMailEncoding::encodeMimePhrase_data() {
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QByteArray>("out");
    // The space stays inside the word, so the name reads back with it.
    QTest::newRow("name with a space") << Sjis("山田 太郎")
                                       << QByteArray("=?ISO-2022-JP?B?GyRCOzNFRBsoQiAbJEJCQE86GyhC?=");
}

void TestMailEncoding::encodeMimePhrase() {
    QFETCH(QByteArray, in);
    QFETCH(QByteArray, out);
    QCOMPARE(mailenc::EncodeMimePhrase(in), out);
}

VANTORO_TEST_MAIN(TestMailEncoding)
#include "tst_mailencoding.moc"
