// The trim of the alarm texts, the mail addresses and the plug-ins' parameter fields.
#include "TestSupport.h"

#include "model/text/TrimSpaces.h"

class TrimSpacesTest : public QObject {
    Q_OBJECT

private slots:
    void trimSpaces_data() {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("address from a padded field") << " sato2@example.test " << "sato2@example.test";
        QTest::newRow("parameter field") << "  bob  " << "bob";
        QTest::newRow("spaces inside stay") << " 接続 NG! " << "接続 NG!";
        QTest::newRow("only spaces") << "   " << "";
        QTest::newRow("empty") << "" << "";
        // Only U+0020: a line break must survive to be refused, and the other blanks are
        // part of the text.
        QTest::newRow("CR LF stays") << " a@x\r\n " << "a@x\r\n";
        QTest::newRow("tab stays") << "\ta@x " << "\ta@x";
        QTest::newRow("full-width space stays") << u"\u3000警報 "_qs << u"\u3000警報"_qs;
    }
    void trimSpaces() {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(TrimSpaces(in), out);
    }
};

VANTORO_TEST_MAIN(TrimSpacesTest)
#include "tst_trimspaces.moc"
