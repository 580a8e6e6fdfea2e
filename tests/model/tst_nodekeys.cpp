// The number a node key carries after its "@", as the tree's commands read it: the whole
// text after it as a number.
#include "TestSupport.h"

#include "model/NodeKeys.h"

class NodeKeysTest : public QObject {
    Q_OBJECT

private slots:
    void keyNumber_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("hasAt");
        QTest::addColumn<qint64>("whole");
        // The keys the loader and the dialogs write.
        QTest::newRow("port") << "$10.0.0.1@8080" << true << qint64(8080);
        QTest::newRow("row number, leading zeros") << "%10.0.0.1@002" << true << qint64(2);
        QTest::newRow("row number of four digits") << "?10.0.0.1@1000" << true << qint64(1000);
        QTest::newRow("largest 32-bit number") << "$10.0.0.1@2147483647" << true << qint64(2147483647);
        // A negative row number a hand-edited database can hold.
        QTest::newRow("negative row number") << "%10.0.0.1@-001" << true << qint64(-1);
        // Keys without a number.
        QTest::newRow("computer key, no @") << "#10.0.0.1" << false << qint64(0);
        QTest::newRow("nothing after @") << "$10.0.0.1@" << true << qint64(0);
        // Texts no key of the program holds.
        QTest::newRow("letters after the digits") << "$10.0.0.1@80x" << true << qint64(0);
        QTest::newRow("blanks around") << "$10.0.0.1@ 80 " << true << qint64(80);
        QTest::newRow("full-width blank before") << u"$10.0.0.1@\u300080"_qs << true << qint64(80);
        QTest::newRow("plus sign") << "$10.0.0.1@+80" << true << qint64(80);
        QTest::newRow("full-width digits") << u"$10.0.0.1@８０"_qs << true << qint64(0);
        QTest::newRow("@ in the address: the first one counts") << "$a@1@80" << true << qint64(0);
        // Past 32 bits: no number at all, so it can never equal a 32-bit row number.
        QTest::newRow("just past 32 bits") << "$10.0.0.1@2147483648" << true << qint64(0);
        QTest::newRow("eleven digits") << "$10.0.0.1@99999999999" << true << qint64(0);
    }
    void keyNumber() {
        QFETCH(QString, key);
        QFETCH(bool, hasAt);
        QFETCH(qint64, whole);
        const auto w = KeyNumber(key);
        QCOMPARE(w.has_value(), hasAt);
        if (!hasAt) return;
        QCOMPARE(*w, whole);
    }
};

VANTORO_TEST_MAIN(NodeKeysTest)
#include "tst_nodekeys.moc"
