// The FTP and web checks given a host name, against a name server of the test's own: the
// name is looked up, and the transfer made, with the event loop running; a name that
// answers late still reaches the server, and a name server that never answers ends the
// check within its time-out and leaves nothing of the plug-in running.
#include "PrivateDns.h"
#include "TestSupport.h"
#include "WebFixture.h"

#include "plugins/host/ClassFactory.h"
#include "plugins/host/LateBound.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <memory>

using namespace plugin;

class TransferNamesTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<vtest::ServerProcess> dns_, http_, ftp_;

private slots:
    void initTestCase() {
        dns_ = vtest::PrivateDns::StartServer();
        if (!dns_) QSKIP(qPrintable(vtest::PrivateDns::Failure()));
        vtest::NoProxies();
        QVERIFY(dir_.isValid());
        const QString d = dir_.path();
        QVERIFY(QDir(d).mkpath(QStringLiteral("www")) && QDir(d).mkpath(QStringLiteral("anon")));
        QVERIFY(vtest::WriteFile(d + "/www/page.html", "<html><body>up and running</body></html>"));
        QVERIFY(vtest::WriteFile(d + "/anon/readme.txt", "hello\n"));
        http_ = std::make_unique<vtest::ServerProcess>("http_pages.py",
                                                       QStringList{"--root", d + "/www", "--log", d + "/requests.log"});
        ftp_ = std::make_unique<vtest::ServerProcess>(
            "ftp_server.py", QStringList{"--anon", d + "/anon", "--user", "bob", "--password", "s3cret", "--home", d});
        QVERIFY2(http_->port(), qPrintable(http_->errors()));
        QVERIFY2(ftp_->port(), qPrintable(ftp_->errors()));
    }

    // %1 is the host part: a name of the row's own and the port of its server.
    void nameLookedUpWithTheLoopRunning_data() {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("passes");
        QTest::addColumn<int>("minMs");
        QTest::addColumn<int>("maxMs");
        QTest::newRow("web, slow name") << "Vantorwww" << "%1/page.html|2|0|1|4||" << "w.127-0-0-1.700.test" << true
                                        << 600 << 2000;
        QTest::newRow("content check, slow name")
            << "Vantorwww2" << "%1/page.html|2|0|1" << "c.127-0-0-1.700.test" << true << 600 << 2000;
        QTest::newRow("FTP, slow name") << "Vantorftp" << "%1|2|0|1|anonymous|" << "f.127-0-0-1.700.test" << true
                                        << 600 << 2000;
        // The system's resolver waits longer for a silent name server (2 s) than these checks
        // may (1 s): the check ends at its own time-out, not at the resolver's.
        QTest::newRow("web, silent name server")
            << "Vantorwww" << "%1/page.html|1|0|1|4||" << "w.silent.0.test" << false << 900 << 1800;
        QTest::newRow("content check, silent name server")
            << "Vantorwww2" << "%1/page.html|1|0|1" << "c.silent.0.test" << false << 900 << 1800;
        QTest::newRow("FTP, silent name server")
            << "Vantorftp" << "%1|1|0|1|anonymous|" << "f.silent.0.test" << false << 900 << 1800;
    }
    void nameLookedUpWithTheLoopRunning() {
        QFETCH(QString, className);
        QFETCH(QString, parameter);
        QFETCH(QString, name);
        QFETCH(bool, passes);
        QFETCH(int, minMs);
        QFETCH(int, maxMs);
        const quint16 port = className == QLatin1String("Vantorftp") ? ftp_->port() : http_->port();
        const QString library = QStringLiteral(VANTORO_PROGRAM_DIR "/") + className + QStringLiteral(".so");
        {
            ObjectPtr check = CreateObject(className + ".ClsVantoro", QStringLiteral(VANTORO_PROGRAM_DIR));
            QVERIFY(check);
            QCOMPARE(Put(check, "Parameter", parameter.arg(QStringLiteral("%1:%2").arg(name).arg(port))), 0);
            QElapsedTimer clock;
            clock.start();
            vtest::GapMeter meter;
            QCOMPARE(CallBool(check, "Check"), passes);
            const qint64 took = clock.elapsed();
            QVERIFY2(took >= minMs && took < maxMs, qPrintable(QString::number(took)));
            QVERIFY2(meter.LongestGapMs() < 400, qPrintable(QString::number(meter.LongestGapMs())));
        }
        // Nothing of the transfer goes on once the check has given its answer.
        QTRY_COMPARE_WITH_TIMEOUT(CanUnloadNow(library), 0, 3000);
    }

    void cleanupTestCase() {
        ftp_.reset();
        http_.reset();
        dns_.reset();
    }
};

VANTORO_TEST_MAIN_PRIVATE_DNS(TransferNamesTest)
#include "tst_transfernames.moc"
