// Parameter scrambling and the plug-in title lookup.
#include "TestSupport.h"

#include "model/DllObjects.h"
#include "model/Encipherment.h"

#include <memory>

class EnciphermentTest : public QObject {
    Q_OBJECT

private slots:
    void knownVectors_data() {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("scrambled");
        QTest::newRow("letters") << "abcdef" << "fcbedo";
        QTest::newRow("ftp parameters") << "10.0.0.1|21|user|pass" << "61/1/9)0}30urrds}yfrr";
        QTest::newRow("empty") << "" << "";
    }
    void knownVectors() {
        QFETCH(QString, plain);
        QFETCH(QString, scrambled);
        const QString key = QString::fromLatin1(kParameterKey);
        QCOMPARE(Encipherment(key, plain), scrambled);
        QCOMPARE(Encipherment(key, scrambled), plain);
    }

    void printableAsciiRoundTrip() {
        QString all;
        for (char16_t c = 0x20; c < 0x7F; ++c) all += QChar(c);
        const QString key = QString::fromLatin1(kParameterKey);
        const QString scrambled = Encipherment(key, all);
        QCOMPARE(scrambled.size(), all.size());
        QVERIFY(scrambled != all);
        for (QChar c : scrambled) QVERIFY(c.unicode() < 0x80);  // single-byte stays single-byte
        QCOMPARE(Encipherment(key, scrambled), all);
    }

    void otherTextsRoundTrip_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("japanese") << "Korvia" << "ｻｰﾊﾞｰ室のDB接続";
        QTest::newRow("surrogate pair") << "Korvia" << QString::fromUtf8("\xF0\x9F\x94\x94 bell");
        QTest::newRow("key longer than text") << "abcdefghijk" << "xy";
        QTest::newRow("empty key leaves text") << "" << "unchanged";
    }
    void otherTextsRoundTrip() {
        QFETCH(QString, key);
        QFETCH(QString, text);
        const QString scrambled = Encipherment(key, text);
        QCOMPARE(scrambled.size(), text.size());
        QCOMPARE(Encipherment(key, scrambled), text);
        if (key.isEmpty()) QCOMPARE(scrambled, text);
        // A surrogate half never becomes a lone character of another kind.
        for (qsizetype i = 0; i < text.size(); ++i) {
            QCOMPARE(scrambled.at(i).isHighSurrogate(), text.at(i).isHighSurrogate());
            QCOMPARE(scrambled.at(i).isLowSurrogate(), text.at(i).isLowSurrogate());
        }
    }

    void titleByExactFileName_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("title");
        QTest::newRow("first") << "VantorPort.so" << "Port check";
        QTest::newRow("second") << "Vantorftp.so" << "FTP check";
        QTest::newRow("other letter case") << "vantorport.so" << "";
        QTest::newRow("unknown") << "Nothing.so" << "";
        QTest::newRow("empty") << "" << "";
    }
    void titleByExactFileName() {
        QFETCH(QString, fileName);
        QFETCH(QString, title);
        auto make = [](const char* t) {
            auto o = std::make_shared<QObject>();
            o->setProperty("Title", QString::fromUtf8(t));
            return o;
        };
        gDllObjects = {{QStringLiteral("VantorPort.so"), make("Port check")},
                       {QStringLiteral("Vantorftp.so"), make("FTP check")},
                       {QStringLiteral("VantorPort.so"), make("a later duplicate")}};
        QCOMPARE(GetDllTitle(fileName), title);
        gDllObjects.clear();
        QCOMPARE(GetDllTitle(QStringLiteral("VantorPort.so")), QString());
    }
};

VANTORO_TEST_MAIN(EnciphermentTest)
#include "tst_encipherment.moc"
