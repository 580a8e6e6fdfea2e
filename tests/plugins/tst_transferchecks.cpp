// The FTP and web server checks of the loaded plug-ins against real servers on loopback:
// pyftpdlib for FTP (anonymous and user logins), python's http.server for HTTP and, with a
// CA and certificate this test makes, HTTPS. Listings (folders named with or without their
// closing "/"), files, pages, empty replies, the error marker, HTTP error statuses, Basic
// authentication, the retry count as the server sees it, silent servers (with the event loop
// running meanwhile) and control characters in what would go on the wire.
#include "PrivateDns.h"
#include "ServerProcess.h"
#include "TestSupport.h"
#include "WebFixture.h"

#include "alarms/Cp932.h"
#include "plugins/common/BackgroundCall.h"
#include "plugins/common/CurlSession.h"
#include "plugins/host/ClassFactory.h"
#include "plugins/host/LateBound.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <memory>

using namespace plugin;

class TransferChecksTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString log_;
    std::unique_ptr<vtest::ServerProcess> http_, https_, ftp_;

    static ObjectPtr create(const char* className) {
        return CreateObject(QString::fromLatin1(className), QStringLiteral(VANTORO_PROGRAM_DIR));
    }
    QString host(const vtest::ServerProcess& s) const { return QStringLiteral("127.0.0.1:%1").arg(s.port()); }

    // A web check of path on server with protocol, one attempt, no wait.
    ObjectPtr web(const vtest::ServerProcess& server, const QString& path, int protocol, const QString& user = {},
                  const QString& password = {}) {
        ObjectPtr check = create("Vantorwww.ClsVantoro");
        if (!check) return nullptr;
        if (Put(check, "Parameter", QStringLiteral("%1%2|5|0|1|%3||").arg(host(server), path).arg(protocol)) != 0)
            return nullptr;
        Put(check, "UserName", user);
        Put(check, "Password", password);
        return check;
    }

private slots:
    void initTestCase() {
        vtest::NoProxies();
        QVERIFY(dir_.isValid());
        const QString d = dir_.path();
        for (const char* sub : {"www", "anon", "anon/empty", "anon/pub", "home", "tls"})
            QVERIFY(QDir(d).mkpath(QString::fromLatin1(sub)));
        QVERIFY(vtest::WriteFile(d + "/www/page.html", "<html><body>up and running</body></html>"));
        QVERIFY(vtest::WriteFile(d + "/www/empty.html", ""));
        QVERIFY(vtest::WriteFile(d + "/www/marker.html", QStringLiteral("ｴﾗｰ: the service is down").toUtf8()));
        QVERIFY(vtest::WriteFile(d + "/www/blank.html", " "));
        QVERIFY(vtest::WriteFile(d + "/www/marker-sjis.html", cp932::FromUnicode(QStringLiteral("ｴﾗｰ: 停止中"))));
        QVERIFY(vtest::WriteFile(d + "/anon/readme.txt", "hello\n"));
        QVERIFY(vtest::WriteFile(d + "/anon/pub/notes.txt", "notes\n"));
        QVERIFY(vtest::WriteFile(d + "/anon/pub/marker.txt", QStringLiteral("ｴﾗｰ: the service is down").toUtf8()));
        QVERIFY(vtest::WriteFile(d + "/anon/pub/blank.txt", ""));
        QVERIFY(vtest::WriteFile(d + "/home/mine.txt", "mine\n"));
        QVERIFY(vtest::MakeTestCertificates(d + "/tls"));
        qputenv(kCaFileVariable, (d + "/tls/ca.pem").toLocal8Bit());

        log_ = d + "/requests.log";
        const QStringList common{"--root", d + "/www", "--log", log_, "--user", "bob", "--password", "s3cret"};
        http_ = std::make_unique<vtest::ServerProcess>("http_pages.py", common);
        https_ = std::make_unique<vtest::ServerProcess>(
            "http_pages.py", common + QStringList{"--cert", d + "/tls/server.pem", "--key", d + "/tls/server.key"});
        ftp_ = std::make_unique<vtest::ServerProcess>(
            "ftp_server.py",
            QStringList{"--anon", d + "/anon", "--user", "bob", "--password", "s3cret", "--home", d + "/home"});
        QVERIFY2(http_->port(), qPrintable(http_->errors()));
        QVERIFY2(https_->port(), qPrintable(https_->errors()));
        QVERIFY2(ftp_->port(), qPrintable(ftp_->errors()));
    }

    void ftpLogin_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("passes");
        QTest::newRow("anonymous, folder with a file") << "" << "anonymous" << "" << true;
        QTest::newRow("no user name is anonymous") << "" << "" << "" << true;
        QTest::newRow("user login") << "" << "bob" << "s3cret" << true;
        QTest::newRow("wrong password") << "" << "bob" << "wrong" << false;
        QTest::newRow("unknown user") << "" << "carol" << "s3cret" << false;
    }
    void ftpLogin() {
        QFETCH(QString, path);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, passes);
        ObjectPtr check = create("Vantorftp.ClsVantoro");
        QVERIFY(check);
        QCOMPARE(Put(check, "Parameter", QStringLiteral("%1%2|5|0|1|x|y").arg(host(*ftp_), path)), 0);
        QCOMPARE(Put(check, "UserName", user), 0);
        QCOMPARE(Put(check, "Password", password), 0);
        QCOMPARE(CallBool(check, "Check"), passes);
        QCOMPARE(Get(check, "Attempts")->toInt(), 1);
    }

    // What the URL names on the server: a folder, with or without its closing "/", is judged
    // by its listing; a file by its content (an empty file or one holding the error marker
    // fails, never falling back to a listing). Empty and missing folders fail either way.
    void ftpPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("passes");
        QTest::newRow("bare host") << "" << true;
        QTest::newRow("folder with files") << "/pub" << true;
        QTest::newRow("folder with files, closing /") << "/pub/" << true;
        QTest::newRow("file") << "/readme.txt" << true;
        QTest::newRow("file in a folder") << "/pub/notes.txt" << true;
        QTest::newRow("file holding the error marker") << "/pub/marker.txt" << false;
        QTest::newRow("empty file") << "/pub/blank.txt" << false;
        QTest::newRow("empty folder") << "/empty" << false;
        QTest::newRow("empty folder, closing /") << "/empty/" << false;
        QTest::newRow("missing") << "/nothing" << false;
        QTest::newRow("missing, closing /") << "/nothing/" << false;
        QTest::newRow("missing, inside a folder") << "/pub/nothing" << false;
    }
    void ftpPath() {
        QFETCH(QString, path);
        QFETCH(bool, passes);
        ObjectPtr check = create("Vantorftp.ClsVantoro");
        QVERIFY(check);
        QCOMPARE(Put(check, "Parameter", QStringLiteral("%1%2|5|0|1|anonymous|").arg(host(*ftp_), path)), 0);
        QCOMPARE(CallBool(check, "Check"), passes);
        QCOMPARE(Get(check, "Attempts")->toInt(), 1);
    }

    // A folder named without "/" is asked for as a file before it is listed; both requests
    // share the attempt's one time-out. The slow server answers each of them after 0.7 s:
    // with 3 s both fit, with 1 s the listing is cut off where the time-out ends.
    void ftpFolderListingKeepsTheTimeOut_data() {
        QTest::addColumn<int>("timeOut");
        QTest::addColumn<bool>("passes");
        QTest::newRow("both requests fit") << 3 << true;
        QTest::newRow("the listing runs past the time-out") << 1 << false;
    }
    void ftpFolderListingKeepsTheTimeOut() {
        QFETCH(int, timeOut);
        QFETCH(bool, passes);
        const QString d = dir_.path();
        vtest::ServerProcess slow("ftp_server.py", QStringList{"--anon", d + "/anon", "--user", "bob", "--password",
                                                                "s3cret", "--home", d + "/home", "--delay", "0.7"});
        QVERIFY2(slow.port(), qPrintable(slow.errors()));
        ObjectPtr check = create("Vantorftp.ClsVantoro");
        QVERIFY(check);
        QCOMPARE(Put(check, "Parameter", QStringLiteral("%1/pub|%2|0|1|anonymous|").arg(host(slow)).arg(timeOut)), 0);
        QElapsedTimer clock;
        clock.start();
        vtest::GapMeter meter;
        QCOMPARE(CallBool(check, "Check"), passes);
        QVERIFY2(clock.elapsed() < timeOut * 1000 + kTransferGraceMs, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(meter.LongestGapMs() < 400, qPrintable(QString::number(meter.LongestGapMs())));
        QCOMPARE(Get(check, "Attempts")->toInt(), 1);
    }

    void ftpFailureIsRetried() {
        ObjectPtr check = create("Vantorftp.ClsVantoro");
        QCOMPARE(Put(check, "Parameter", QStringLiteral("%1/empty/|5|0|3|anonymous|").arg(host(*ftp_))), 0);
        QVERIFY(!CallBool(check, "Check"));
        QCOMPARE(Get(check, "Attempts")->toInt(), 3);
    }

    void webFetch_data() {
        QTest::addColumn<bool>("secure");   // which server
        QTest::addColumn<int>("protocol");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("passes");
        QTest::newRow("page over HTTP") << false << 4 << "/page.html" << "" << "" << true;
        QTest::newRow("page over HTTPS") << true << 5 << "/page.html" << "" << "" << true;
        QTest::newRow("one blank is a page") << false << 4 << "/blank.html" << "" << "" << true;
        QTest::newRow("empty body") << false << 4 << "/empty.html" << "" << "" << false;
        QTest::newRow("empty body over HTTPS") << true << 5 << "/empty.html" << "" << "" << false;
        QTest::newRow("error marker") << false << 4 << "/marker.html" << "" << "" << false;
        QTest::newRow("error marker in Shift_JIS, declared")
            << false << 4 << "/marker-sjis.html?charset=Shift_JIS" << "" << "" << false;
        QTest::newRow("error marker in Shift_JIS, undeclared") << false << 4 << "/marker-sjis.html?charset=" << "" << ""
                                                              << false;
        QTest::newRow("not found, with a body") << false << 4 << "/missing.html" << "" << "" << false;
        QTest::newRow("server error, with a body") << false << 4 << "/status/500" << "" << "" << false;
        QTest::newRow("Basic authentication") << false << 4 << "/auth/page.html" << "bob" << "s3cret" << true;
        QTest::newRow("Basic authentication over HTTPS") << true << 5 << "/auth/page.html" << "bob" << "s3cret" << true;
        QTest::newRow("wrong password") << false << 4 << "/auth/page.html" << "bob" << "nope" << false;
        QTest::newRow("no credentials") << false << 4 << "/auth/page.html" << "" << "" << false;
        QTest::newRow("HTTPS asked of a plain server") << false << 5 << "/page.html" << "" << "" << false;
        QTest::newRow("HTTP asked of a TLS server") << true << 4 << "/page.html" << "" << "" << false;
    }
    void webFetch() {
        QFETCH(bool, secure);
        QFETCH(int, protocol);
        QFETCH(QString, path);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, passes);
        ObjectPtr check = web(secure ? *https_ : *http_, path, protocol, user, password);
        QVERIFY(check);
        QCOMPARE(CallBool(check, "Check"), passes);
    }

    // The certificate is checked: the system's store does not know the test's CA.
    void httpsVerifiesTheCertificate() {
        const QByteArray saved = qgetenv(kCaFileVariable);
        qunsetenv(kCaFileVariable);
        ObjectPtr check = web(*https_, "/page.html", 5);
        const bool passed = CallBool(check, "Check");
        qputenv(kCaFileVariable, saved);
        QVERIFY(!passed);
        QVERIFY(CallBool(check, "Check"));  // the same request with the CA it was issued by
    }

    // A protocol other than 4 or 5 (only a parameter string can carry one) makes no request.
    void unknownProtocolFails() {
        ObjectPtr check = web(*http_, "/page.html?protocol9", 9);
        QCOMPARE(Get(check, "Protocol")->toInt(), 9);
        QVERIFY(!CallBool(check, "Check"));
        QCOMPARE(vtest::RequestsFor(log_, "/page.html?protocol9"), 0);
    }

    void retryCountsRequests_data() {
        QTest::addColumn<int>("retry");
        QTest::addColumn<int>("requests");
        QTest::newRow("three attempts") << 3 << 3;
        QTest::newRow("retry 1") << 1 << 1;
        QTest::newRow("retry 0 is one attempt") << 0 << 1;
    }
    void retryCountsRequests() {
        QFETCH(int, retry);
        QFETCH(int, requests);
        const QString path = QStringLiteral("/empty.html?retry=%1").arg(retry);
        ObjectPtr check = create("Vantorwww.ClsVantoro");
        QCOMPARE(Put(check, "Parameter", QStringLiteral("%1%2|5|0|%3|4||").arg(host(*http_), path).arg(retry)), 0);
        QVERIFY(!CallBool(check, "Check"));
        QCOMPARE(Get(check, "Attempts")->toInt(), requests);
        QCOMPARE(vtest::RequestsFor(log_, path), requests);
    }

    // Text that would end a request line, a header or an FTP command early never goes out:
    // refused without a request and without trying again.
    void controlCharactersRefused_data() {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("value");
        QTest::newRow("web user name") << "Vantorwww" << "UserName" << "bob\r\nX-Injected: 1";
        QTest::newRow("web password") << "Vantorwww" << "Password" << "s3cret\nX-Injected: 1";
        QTest::newRow("web URL") << "Vantorwww" << "URL" << "%1/page.html?crlf HTTP/1.0\r\nX: 1";
        QTest::newRow("content check URL") << "Vantorwww2" << "URL" << "%1/page.html?crlf\r\nX: 1";
        QTest::newRow("FTP user name") << "Vantorftp" << "UserName" << "anonymous\r\nDELE readme.txt";
        QTest::newRow("FTP password") << "Vantorftp" << "Password" << "x\r\nQUIT";
    }
    void controlCharactersRefused() {
        QFETCH(QString, className);
        QFETCH(QString, property);
        QFETCH(QString, value);
        const bool isFtp = className == QLatin1String("Vantorftp");
        const QString target = host(isFtp ? *ftp_ : *http_);
        ObjectPtr check = CreateObject(className + ".ClsVantoro", QStringLiteral(VANTORO_PROGRAM_DIR));
        QVERIFY(check);
        const QString base = className == QLatin1String("Vantorwww2") ? QStringLiteral("%1/page.html|5|0|3")
                             : isFtp ? QStringLiteral("%1|5|0|3|anonymous|")
                                     : QStringLiteral("%1/page.html?crlf|5|0|3|4||");
        QCOMPARE(Put(check, "Parameter", base.arg(target)), 0);
        const int before = vtest::LoggedRequests(log_).size();
        QCOMPARE(Put(check, property.toLatin1().constData(), value.contains("%1") ? value.arg(target) : value), 0);
        QVERIFY(!CallBool(check, "Check"));
        QCOMPARE(Get(check, "Attempts")->toInt(), 1);
        QCOMPARE(vtest::LoggedRequests(log_).size(), before);
        QVERIFY(QFile::exists(dir_.path() + "/anon/readme.txt"));
    }

    // A server that takes the connection and never answers: the attempt ends after its
    // time-out, and a time-out of 0 is 1 s rather than no limit at all. The window's timers
    // go on all the while: the transfer never holds the thread.
    void silentServerGivesUp_data() {
        QTest::addColumn<QString>("parameter");
        QTest::newRow("FTP, 1 s") << "Vantorftp.ClsVantoro|%1|1|0|1|anonymous|";
        QTest::newRow("FTP, 0 s") << "Vantorftp.ClsVantoro|%1|0|0|1|anonymous|";
        QTest::newRow("web, 1 s") << "Vantorwww.ClsVantoro|%1/|1|0|1|4||";
        QTest::newRow("web, 0 s") << "Vantorwww.ClsVantoro|%1/|0|0|1|4||";
        QTest::newRow("web over HTTPS, 1 s") << "Vantorwww.ClsVantoro|%1/|1|0|1|5||";
        QTest::newRow("content check, 1 s") << "Vantorwww2.ClsVantoro|%1/|1|0|1";
        QTest::newRow("content check, 0 s") << "Vantorwww2.ClsVantoro|%1/|0|0|1";
    }
    void silentServerGivesUp() {
        QFETCH(QString, parameter);
        vtest::SilentListener silent;
        QVERIFY(silent.port());
        const qsizetype bar = parameter.indexOf(u'|');
        ObjectPtr check = CreateObject(parameter.left(bar), QStringLiteral(VANTORO_PROGRAM_DIR));
        QVERIFY(check);
        QCOMPARE(Put(check, "Parameter", parameter.mid(bar + 1).arg(QStringLiteral("127.0.0.1:%1").arg(silent.port()))), 0);
        QElapsedTimer clock;
        clock.start();
        vtest::GapMeter meter;
        QVERIFY(!CallBool(check, "Check"));
        const qint64 took = clock.elapsed();
        QVERIFY2(took >= 900 && took < 5000, qPrintable(QString::number(took)));
        QVERIFY2(meter.LongestGapMs() < 400, qPrintable(QString::number(meter.LongestGapMs())));
    }

    // A server that keeps sending a byte now and then never holds a check for ever: the web
    // check's whole request is bounded by its time-out, the content check's by three; nor
    // does it hold the window's timers while it trickles.
    void tricklingServerIsCutOff_data() {
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<int>("boundMs");
        QTest::newRow("web") << "Vantorwww.ClsVantoro|%1/trickle?web|1|0|1|4||" << 2500;
        QTest::newRow("content check") << "Vantorwww2.ClsVantoro|%1/trickle?content|1|0|1" << 4500;
    }
    void tricklingServerIsCutOff() {
        QFETCH(QString, parameter);
        QFETCH(int, boundMs);
        const qsizetype bar = parameter.indexOf(u'|');
        ObjectPtr check = CreateObject(parameter.left(bar), QStringLiteral(VANTORO_PROGRAM_DIR));
        QVERIFY(check);
        QCOMPARE(Put(check, "Parameter", parameter.mid(bar + 1).arg(host(*http_))), 0);
        QElapsedTimer clock;
        clock.start();
        vtest::GapMeter meter;
        QVERIFY(!CallBool(check, "Check"));
        QVERIFY2(clock.elapsed() < boundMs, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(meter.LongestGapMs() < 400, qPrintable(QString::number(meter.LongestGapMs())));
        // The server notices the client has gone at its next byte and serves others again.
        ObjectPtr page = web(*http_, "/page.html", 4);
        QVERIFY(CallBool(page, "Check"));
    }

    // A transfer the caller stops waiting for is stopped too: its thread ends long before
    // curl's own limit would end it, and the session's next transfer gets a handle of its own.
    void abandonedTransferEnds() {
        vtest::SilentListener silent;
        CurlSession session;
        CurlRequest request;
        request.url = QStringLiteral("http://127.0.0.1:%1/").arg(silent.port());
        request.protocols = QStringLiteral("http");
        request.connectTimeoutMs = 30000;
        request.totalTimeoutMs = 30000;
        QElapsedTimer clock;
        clock.start();
        vtest::GapMeter meter;
        const CurlReply late = session.Perform(request, 300);
        QVERIFY2(clock.elapsed() >= 300 && clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(meter.LongestGapMs() < 400);
        QVERIFY(!late.completed);
        QVERIFY(!late.error.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(BackgroundCallsRunning(), 0, 5000);

        request.url = QStringLiteral("http://%1/page.html").arg(host(*http_));
        const CurlReply page = session.Perform(request);
        QVERIFY2(page.completed, qPrintable(page.error));
        QVERIFY(ReplyPasses(page, true));
    }

    void cleanupTestCase() {
        ftp_.reset();
        https_.reset();
        http_.reset();
    }
};

VANTORO_TEST_MAIN(TransferChecksTest)
#include "tst_transferchecks.moc"
