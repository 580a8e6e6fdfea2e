// The database checks of the loaded plug-ins through unixODBC. The test's own odbcinst.ini
// (ODBCSYSINI) registers the SQLite ODBC driver under the name "SQL Server", so VantorDB's
// connection string logs in to a SQLite file named as its database, and odbc.ini (ODBCINI)
// gives VantorDB2 a data source on the same file; a FreeTDS data source on a listener that
// never answers shows the login time-out. Error boxes go through the plug-ins' message seam.
#include "TestSupport.h"
#include "WebFixture.h"

#include "plugins/common/OdbcSession.h"
#include "plugins/host/ClassFactory.h"
#include "plugins/host/LateBound.h"
#include "plugins/host/PluginUiSeams.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>

using namespace plugin;

namespace {

struct Shown {
    QString prompt;
    int style;
    QString title;
};

}  // namespace

class DatabaseChecksTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString db_;
    vtest::SilentListener silent_;
    std::unique_ptr<PluginMessageBoxSeam> seam_;
    QList<Shown> boxes_;

    static ObjectPtr create(const QString& className) {
        return CreateObject(className + ".ClsVantoro", QStringLiteral(VANTORO_PROGRAM_DIR));
    }
    ObjectPtr db2(const QString& dsn, const QString& sql, const QString& user = "u", const QString& password = "p",
                  int timeOut = 5) {
        ObjectPtr check = create("VantorDB2");
        if (!check) return nullptr;
        Put(check, "DSN", dsn);
        Put(check, "SQL", sql);
        Put(check, "UserName", user);
        Put(check, "Password", password);
        Put(check, "TimeOut", timeOut);
        return check;
    }
    ObjectPtr sqlServer(const QString& dbName, const QString& sql, const QString& password = QString()) {
        ObjectPtr check = create("VantorDB");
        if (!check) return nullptr;
        Put(check, "Address", "127.0.0.1");
        Put(check, "DBName", dbName);
        Put(check, "SQL", sql);
        Put(check, "UserName", "sa");
        Put(check, "Password", password);
        return check;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        const QString sqlite = vtest::FindDriver("libsqlite3odbc.so");
        const QString tds = vtest::FindDriver("libtdsodbc.so");
        QVERIFY2(!sqlite.isEmpty(), "the SQLite ODBC driver (libsqliteodbc) is not installed");
        db_ = dir_.path() + "/check.db";
        QVERIFY(vtest::RunTool("sqlite3", {db_, "create table hosts(name text); insert into hosts values('pc1');"},
                               dir_.path()));
        QByteArray drivers = "[SQL Server]\nDescription=SQLite standing in for the SQL Server driver\nDriver=" +
                             sqlite.toUtf8() + "\n\n[SQLite3]\nDriver=" + sqlite.toUtf8() + "\n";
        if (!tds.isEmpty()) drivers += "\n[FreeTDS]\nDriver=" + tds.toUtf8() + "\n";
        QVERIFY(vtest::WriteFile(dir_.path() + "/odbcinst.ini", drivers));
        QVERIFY(silent_.port());
        QVERIFY(vtest::WriteFile(dir_.path() + "/odbc.ini",
                                 "[VantoroTest]\nDriver=SQLite3\nDatabase=" + db_.toUtf8() +
                                     "\n\n[Silent]\nDriver=FreeTDS\nServer=127.0.0.1\nPort=" +
                                     QByteArray::number(silent_.port()) + "\nTDS_Version=7.3\n"));
        qputenv("ODBCSYSINI", dir_.path().toLocal8Bit());
        qputenv("ODBCINI", (dir_.path() + "/odbc.ini").toLocal8Bit());
        seam_ = std::make_unique<PluginMessageBoxSeam>([this](const QString& p, int s, const QString& t) {
            boxes_ << Shown{p, s, t};
            return 1;
        });
    }
    void init() { boxes_.clear(); }

    void throughDsn_data() {
        QTest::addColumn<QString>("dsn");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("passes");
        QTest::newRow("select 1") << "VantoroTest" << "select 1" << "u" << "p" << true;
        QTest::newRow("rows of a table") << "VantoroTest" << "select * from hosts" << "u" << "p" << true;
        QTest::newRow("no rows is still a run") << "VantoroTest" << "select * from hosts where 0" << "u" << "p" << true;
        QTest::newRow("bad SQL") << "VantoroTest" << "selec 1" << "u" << "p" << false;
        QTest::newRow("missing table") << "VantoroTest" << "select * from nothere" << "u" << "p" << false;
        QTest::newRow("unknown data source") << "NoSuchSource" << "select 1" << "u" << "p" << false;
        QTest::newRow("empty password") << "VantoroTest" << "select 1" << "u" << "" << true;
        QTest::newRow("password with ;") << "VantoroTest" << "select 1" << "u" << "p;w" << true;
        QTest::newRow("password with } and ;") << "VantoroTest" << "select 1" << "u" << "a}b;c" << true;
        // Pasted in raw, the user name would name a driver before the data source does.
        QTest::newRow("user name carrying a driver") << "VantoroTest" << "select 1" << "x;DRIVER=Bogus" << "p" << true;
    }
    void throughDsn() {
        QFETCH(QString, dsn);
        QFETCH(QString, sql);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, passes);
        ObjectPtr check = db2(dsn, sql, user, password);
        QVERIFY(check);
        QCOMPARE(CallBool(check, "Check"), passes);
        QVERIFY(boxes_.isEmpty());
        QCOMPARE(Get(check, "Attempts")->toInt(), 1);
    }

    void sqlServerString() {
        ObjectPtr check = sqlServer(db_, "select count(*) from hosts");
        QVERIFY(check);
        QCOMPARE(GetText(check, "ConnectionString"),
                 "uid=sa;pwd=;server=127.0.0.1;driver={SQL Server};database=" + db_ + ";connection=adConnectAsync");
        QVERIFY(CallBool(check, "Check"));
    }

    void sqlServer_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("passes");
        QTest::newRow("password with ;") << "p;w" << "select 1" << true;
        QTest::newRow("password ending in }") << "p}" << "select 1" << true;
        // Pasted in raw, the password would name a data source before the driver is named.
        QTest::newRow("password carrying a data source") << "x;DSN=NoSuchSource" << "select 1" << true;
        QTest::newRow("statement refused") << "" << "select * from nothere" << false;
    }
    void sqlServer() {
        QFETCH(QString, password);
        QFETCH(QString, sql);
        QFETCH(bool, passes);
        ObjectPtr check = sqlServer(db_, sql, password);
        QVERIFY(check);
        QCOMPARE(CallBool(check, "Check"), passes);
    }

    // With kakunin each error of a failure is one box, OK only, no icon, the plug-in's name
    // as title, the number directly followed by the text; every Check clears kakunin.
    void errorBoxes_data() {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("kakunin");
        QTest::addColumn<QString>("text");  // what the first box says after its number; "" = no box
        QTest::newRow("statement fails, kakunin") << "VantorDB2" << "VantoroTest" << "selec 1" << true << "syntax error";
        QTest::newRow("no such source, kakunin")
            << "VantorDB2" << "NoSuchSource" << "select 1" << true << "Data source name not found";
        QTest::newRow("SQL Server statement fails, kakunin")
            << "VantorDB" << "" << "select * from nothere" << true << "no such table";
        QTest::newRow("statement fails, no kakunin") << "VantorDB2" << "VantoroTest" << "selec 1" << false << "";
        QTest::newRow("passes, kakunin") << "VantorDB2" << "VantoroTest" << "select 1" << true << "";
    }
    void errorBoxes() {
        QFETCH(QString, className);
        QFETCH(QString, target);
        QFETCH(QString, sql);
        QFETCH(bool, kakunin);
        QFETCH(QString, text);
        ObjectPtr check = className == QLatin1String("VantorDB") ? sqlServer(db_, sql) : db2(target, sql);
        QVERIFY(check);
        QCOMPARE(Put(check, "kakunin", kakunin), 0);
        QCOMPARE(Get(check, "kakunin")->toBool(), kakunin);
        CallBool(check, "Check");
        QCOMPARE(Get(check, "kakunin")->toBool(), false);
        if (text.isEmpty()) {
            QVERIFY(boxes_.isEmpty());
            return;
        }
        QVERIFY(!boxes_.isEmpty());
        static const QRegularExpression numberThenText(QStringLiteral("^-?[0-9]+\\D"));
        for (const Shown& b : boxes_) {
            QVERIFY2(numberThenText.match(b.prompt).hasMatch(), qPrintable(b.prompt));
            QCOMPARE(b.style, 0);
            QCOMPARE(b.title, className);
        }
        QVERIFY2(boxes_.first().prompt.contains(text), qPrintable(boxes_.first().prompt));
        // kakunin is gone: the same failure again shows nothing.
        boxes_.clear();
        CallBool(check, "Check");
        QVERIFY(boxes_.isEmpty());
    }

    // A server that takes the connection and never answers the login: the login time-out
    // ends it, and 0 is 1 s rather than no limit.
    void loginTimeOut_data() {
        QTest::addColumn<int>("timeOut");
        QTest::newRow("1 s") << 1;
        QTest::newRow("0 counts as 1 s") << 0;
    }
    void loginTimeOut() {
        QFETCH(int, timeOut);
        if (vtest::FindDriver("libtdsodbc.so").isEmpty()) QSKIP("FreeTDS (tdsodbc) is not installed");
        ObjectPtr check = db2("Silent", "select 1", "sa", "pw", timeOut);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!CallBool(check, "Check"));
        const qint64 took = clock.elapsed();
        QVERIFY2(took >= 900 && took < 5000, qPrintable(QString::number(took)));
    }

    void connectionValues_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << "sa" << "sa";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("path") << "/var/lib/x.db" << "/var/lib/x.db";
        QTest::newRow("semicolon") << "p;w" << "{p;w}";
        QTest::newRow("attribute smuggled in") << "x;DSN=other" << "{x;DSN=other}";
        QTest::newRow("closing brace doubled") << "a}b" << "{a}}b}";
        QTest::newRow("opening brace") << "{x" << "{{x}";
        QTest::newRow("outer blank kept") << " p " << "{ p }";
    }
    void connectionValues() {
        QFETCH(QString, value);
        QFETCH(QString, written);
        QCOMPARE(ConnectionValue(value), written);
        QCOMPARE(ConnectionAttribute("pwd", value), "pwd=" + written);
    }

    void cleanupTestCase() { seam_.reset(); }
};

VANTORO_TEST_MAIN(DatabaseChecksTest)
#include "tst_databasechecks.moc"
