// The web page content check against python's http.server on loopback, with its error-text
// file written beside a copy of the plug-in in a folder of the test's own (the file is
// always the one beside the plug-in's library). Pages with and without the listed texts,
// how the list is read and where it ends, a match across the first 256 bytes, the request's
// user agent and no-cache header, the file being read afresh for every check, and pages in
// Shift_JIS (CP932) or another charset, declared by the server, by the page or not at all.
#include "ServerProcess.h"
#include "TestSupport.h"
#include "WebFixture.h"

#include "alarms/Cp932.h"
#include "plugins/host/ClassFactory.h"
#include "plugins/host/LateBound.h"

#include <QTemporaryDir>

#include <memory>

using namespace plugin;

namespace {
const QByteArray kNoFile = QByteArrayLiteral("<no file>");
}

class ContentCheckTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString plugins_, www_, log_, ini_;
    std::unique_ptr<vtest::ServerProcess> http_;
    int pages_ = 0;

    ObjectPtr create() { return CreateObject(QStringLiteral("Vantorwww2.ClsVantoro"), plugins_); }

    // A new page with body; its URL as the check wants it (no scheme).
    QString page(const QByteArray& body) {
        const QString name = QStringLiteral("/p%1.html").arg(++pages_);
        if (!vtest::WriteFile(www_ + name, body)) return QString();
        return QStringLiteral("127.0.0.1:%1%2").arg(http_->port()).arg(name);
    }
    void writeIni(const QByteArray& text) {
        QFile::remove(ini_);
        if (text != kNoFile) QVERIFY(vtest::WriteFile(ini_, text));
    }

private slots:
    void initTestCase() {
        vtest::NoProxies();
        QVERIFY(dir_.isValid());
        plugins_ = dir_.path() + "/program";
        www_ = dir_.path() + "/www";
        log_ = dir_.path() + "/requests.log";
        ini_ = plugins_ + "/Vantorwww2.ini";
        QVERIFY(QDir().mkpath(plugins_) && QDir().mkpath(www_));
        QVERIFY(QFile::copy(QStringLiteral(VANTORO_PROGRAM_DIR "/Vantorwww2.so"), plugins_ + "/Vantorwww2.so"));
        http_ = std::make_unique<vtest::ServerProcess>("http_pages.py", QStringList{"--root", www_, "--log", log_});
        QVERIFY2(http_->port(), qPrintable(http_->errors()));
    }

    void iniBesideThePlugin() {
        ObjectPtr check = create();
        QVERIFY(check);
        QCOMPARE(GetText(check, "IniPath"), ini_);
    }

    void pages_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("passes");
        const QByteArray one = "[ErrMsg]\n01_Msg=database error\n";
        QTest::newRow("no file, a page") << QByteArray("<p>all is well</p>") << kNoFile << true;
        QTest::newRow("listed text in capitals") << QByteArray("<p>DATABASE ERROR</p>") << one << false;
        QTest::newRow("listed text in mixed case") << QByteArray("<p>A Database Error occurred</p>") << one << false;
        QTest::newRow("text not on the page") << QByteArray("<p>database is fine</p>") << one << true;
        QTest::newRow("key 01 missing: no texts")
            << QByteArray("error") << QByteArray("[ErrMsg]\n02_Msg=error\n03_Msg=error\n") << true;
        QTest::newRow("second text")
            << QByteArray("<b>BETA</b>") << QByteArray("[ErrMsg]\n01_Msg=alpha\n02_Msg=beta\n") << false;
        QTest::newRow("an empty key ends the list")
            << QByteArray("beta") << QByteArray("[ErrMsg]\n01_Msg=alpha\n02_Msg=\n03_Msg=beta\n") << true;
        QTest::newRow("match across the first 256 bytes")
            << QByteArray(250, 'x') + "Fatal Error" + QByteArray(300, 'y') << QByteArray("[ErrMsg]\n01_Msg=fatal ERROR\n")
            << false;
        QTest::newRow("match near the end of a long page")
            << QByteArray(5000, 'x') + "Fatal Error" << QByteArray("[ErrMsg]\n01_Msg=fatal error\n") << false;
        QTest::newRow("error marker, no file") << QStringLiteral("ｴﾗｰ: down").toUtf8() << kNoFile << false;
        QTest::newRow("empty page") << QByteArray() << kNoFile << false;
        QTest::newRow("Japanese error text")
            << QStringLiteral("<p>只今障害発生中です</p>").toUtf8() << QStringLiteral("[ErrMsg]\n01_Msg=障害発生\n").toUtf8()
            << false;
        QTest::newRow("section and key in other case")
            << QByteArray("OOPS") << QByteArray("[errmsg]\r\n01_msg = oops\r\n") << false;
        QTest::newRow("quoted text") << QByteArray("SERVICE NOT AVAILABLE")
                                     << QByteArray("[ErrMsg]\n01_Msg=\"not available\"\n") << false;
        QTest::newRow("text of another section") << QByteArray("oops") << QByteArray("[Other]\n01_Msg=oops\n") << true;
        QTest::newRow("file starting with a byte order mark")
            << QByteArray("oops") << QByteArray("\xEF\xBB\xBF[ErrMsg]\n01_Msg=oops\n") << false;
        QTest::newRow("only 1023 bytes of a text count")
            << QByteArray(1023, 'A') << "[ErrMsg]\n01_Msg=" + QByteArray(1023, 'A') + QByteArray(10, 'B') + "\n" << false;
    }
    void pages() {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, ini);
        QFETCH(bool, passes);
        writeIni(ini);
        ObjectPtr check = create();
        QVERIFY(check);
        QCOMPARE(Put(check, "Parameter", page(body) + "|5|0|1"), 0);
        QCOMPARE(CallBool(check, "Check"), passes);
    }

    // The page is read in the charset the server declares, else the one its meta tag
    // declares, else as UTF-8 when it is valid UTF-8, else as CP932. "charset" is what the
    // server's Content-Type names ("-": utf-8, the server's default; "": no charset at all).
    void encodings_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("charset");
        QTest::addColumn<bool>("passes");
        const auto sjis = [](const QString& text) { return cp932::FromUnicode(text); };
        const QString failing = QStringLiteral("<html><body><p>只今障害発生中です</p></body></html>");
        const QString healthy = QStringLiteral("<html><body><p>正常に稼動しています</p></body></html>");
        const QString metaCharset = QStringLiteral("<html><head><meta charset=\"Shift_JIS\"></head><body>障害発生</body>");
        const QString metaHttpEquiv = QStringLiteral(
            "<HTML><HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\"></HEAD>"
            "<BODY>障害発生</BODY></HTML>");
        QTest::newRow("CP932, declared by the server") << sjis(failing) << "Shift_JIS" << false;
        QTest::newRow("CP932, quoted label") << sjis(failing) << "\"windows-31j\"" << false;
        QTest::newRow("CP932, nothing declared") << sjis(failing) << "" << false;
        QTest::newRow("CP932, meta charset") << sjis(metaCharset) << "" << false;
        QTest::newRow("CP932, meta http-equiv") << sjis(metaHttpEquiv) << "" << false;
        QTest::newRow("CP932 marker, nothing declared") << sjis(QStringLiteral("ｴﾗｰ: 停止中")) << "" << false;
        QTest::newRow("CP932, healthy page") << sjis(healthy) << "" << true;
        QTest::newRow("CP932, healthy, declared") << sjis(healthy) << "shift_jis" << true;
        QTest::newRow("UTF-8, nothing declared") << failing.toUtf8() << "" << false;
        QTest::newRow("UTF-8, healthy") << healthy.toUtf8() << "-" << true;
        // The server's word counts before the page's own.
        QTest::newRow("server's UTF-8 over the page's meta") << metaCharset.toUtf8() << "-" << false;
        QTest::newRow("EUC-JP, declared by the server")
            << QByteArray("<p>\xBE\xE3\xB3\xB2\xC8\xAF\xC0\xB8</p>") << "EUC-JP" << false;
        QTest::newRow("UTF-8 marker after a byte order mark")
            << QByteArray("\xEF\xBB\xBF") + QStringLiteral("ｴﾗｰ").toUtf8() << "-" << false;
    }
    void encodings() {
        QFETCH(QByteArray, body);
        QFETCH(QString, charset);
        QFETCH(bool, passes);
        writeIni(QStringLiteral("[ErrMsg]\n01_Msg=障害発生\n").toUtf8());
        ObjectPtr check = create();
        QVERIFY(check);
        const QString query = charset == QLatin1String("-") ? QString() : QStringLiteral("?charset=") + charset;
        QCOMPARE(Put(check, "Parameter", page(body) + query + "|5|0|1"), 0);
        QCOMPARE(CallBool(check, "Check"), passes);
    }

    void requestAsksForAFreshCopy() {
        writeIni(kNoFile);
        ObjectPtr check = create();
        const QString url = page("fresh");
        QCOMPARE(Put(check, "Parameter", url + "|5|0|1"), 0);
        QVERIFY(CallBool(check, "Check"));
        const QList<QJsonObject> all = vtest::LoggedRequests(log_);
        QVERIFY(!all.isEmpty());
        const QJsonObject last = all.last();
        QCOMPARE(last.value("path").toString(), url.mid(url.indexOf(u'/')));
        const QJsonObject headers = last.value("headers").toObject();
        QCOMPARE(headers.value("User-Agent").toString(), QStringLiteral("vb wininet"));
        QCOMPARE(headers.value("Pragma").toString(), QStringLiteral("no-cache"));
        QCOMPARE(headers.value("Cache-Control").toString(), QStringLiteral("no-cache"));
        QVERIFY(!headers.contains("If-Modified-Since") && !headers.contains("If-None-Match"));
    }

    // The list is read for every check: an edit takes effect at the next one.
    void fileReadAfresh() {
        writeIni(kNoFile);
        ObjectPtr check = create();
        QCOMPARE(Put(check, "Parameter", page("maintenance mode") + "|5|0|1"), 0);
        QVERIFY(CallBool(check, "Check"));
        writeIni("[ErrMsg]\n01_Msg=Maintenance\n");
        QVERIFY(!CallBool(check, "Check"));
        writeIni(kNoFile);
        QVERIFY(CallBool(check, "Check"));
    }

    // A page with an error text is a failed attempt like any other: retried.
    void errorTextIsRetried() {
        writeIni("[ErrMsg]\n01_Msg=broken\n");
        ObjectPtr check = create();
        const QString url = page("broken");
        QCOMPARE(Put(check, "Parameter", url + "|5|0|3"), 0);
        QVERIFY(!CallBool(check, "Check"));
        QCOMPARE(Get(check, "Attempts")->toInt(), 3);
        QCOMPARE(vtest::RequestsFor(log_, url.mid(url.indexOf(u'/'))), 3);
    }

    void cleanupTestCase() { http_.reset(); }
};

VANTORO_TEST_MAIN(ContentCheckTest)
#include "tst_contentcheck.moc"
