// The CP932 conversion shared by the mail encoder and the LAN messenger payloads.

#include "TestSupport.h"
#include "alarms/Cp932.h"

class TestCp932 : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void unrepresentableBecomesQuestionMark();
    void invalidBytesDecodeToReplacement_data();
    void invalidBytesDecodeToReplacement();
};

void TestCp932::roundTrip_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QStringLiteral("abc 123") << QByteArray("abc 123");
    QTest::newRow("hiragana") << QStringLiteral("あ") << QByteArray("\x82\xA0");
    QTest::newRow("half-width ka") << QStringLiteral("ｶ") << QByteArray("\xB6");
    QTest::newRow("wave dash, not in SHIFT_JIS") << QStringLiteral("～") << QByteArray("\x81\x60");
    QTest::newRow("IBM extension") << QStringLiteral("髙") << QByteArray("\xFB\xFC");
    QTest::newRow("mixed") << QStringLiteral("a監視b") << QByteArray("a\x8A\xC4\x8E\x8B" "b");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestCp932::roundTrip() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    int replaced = -1;
    QCOMPARE(cp932::FromUnicode(text, &replaced), bytes);
    QCOMPARE(replaced, 0);
    QCOMPARE(cp932::ToUnicode(bytes, &replaced), text);
    QCOMPARE(replaced, 0);
}

void TestCp932::unrepresentableBecomesQuestionMark() {
    int replaced = 0;
    QString lacking = QStringLiteral("old");
    // The euro sign and an emoji (outside the BMP) have no CP932 form; one "?" each, and
    // the characters themselves are told in order. A "?" of the text is no replacement.
    QCOMPARE(cp932::FromUnicode(QStringLiteral("a€b?\U0001F600c"), &replaced, &lacking), QByteArray("a?b??c"));
    QCOMPARE(replaced, 2);
    QCOMPARE(lacking, QStringLiteral("€\U0001F600"));
    QCOMPARE(cp932::FromUnicode(QStringLiteral("監視"), nullptr, &lacking), QByteArray("\x8A\xC4\x8E\x8B"));
    QCOMPARE(lacking, QString());
}

void TestCp932::invalidBytesDecodeToReplacement_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("stray 0x80") << QByteArray("a\x80" "b") << QStringLiteral("a\uFFFDb");
    QTest::newRow("lead byte cut off") << QByteArray("ab\x82") << QStringLiteral("ab\uFFFD");
    QTest::newRow("bad then good") << QByteArray("\xFF\x82\xA0") << QStringLiteral("\uFFFDあ");
}

void TestCp932::invalidBytesDecodeToReplacement() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(cp932::ToUnicode(bytes), text);
}

VANTORO_TEST_MAIN(TestCp932)
#include "tst_cp932.moc"
