// The database checks against servers that never answer, through the real drivers: FreeTDS
// registered as "SQL Server" (this test's own odbcinst.ini, through ODBCSYSINI), addressed
// in the "host,port" form that makes it ignore its login time-out, on a loopback listener
// that takes the connection and never says a word; and, for the data source check, the
// SQLite driver on a file another process holds locked, which waits far past every time-out
// of the check. The check must give up at its own bound while the event loop keeps
// running, and the call it leaves behind must keep its library loaded until it ends.
#include "TestSupport.h"
#include "WebFixture.h"

#include "plugins/common/BackgroundCall.h"
#include "plugins/host/ClassFactory.h"
#include "plugins/host/LateBound.h"
#include "plugins/host/PluginUiSeams.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

using namespace plugin;

namespace {

// Ends the test program when a check has not returned in time: a check that blocks the
// thread cannot be stopped by anything running on it.
class Watchdog {
public:
    explicit Watchdog(int ms) : thread_([this, ms] {
        std::unique_lock lock(mutex_);
        if (!wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return done_; }))
            qFatal("a database check blocked the thread for more than %d ms", ms);
    }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

struct Timed {
    bool passed = false;
    qint64 ms = 0;
    int ticks = 0;  // of a 50 ms timer running meanwhile
};

// One Check with a timer ticking beside it and the watchdog watching.
Timed timedCheck(const ObjectPtr& check) {
    Timed t;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&t] { ++t.ticks; });
    tick.start(50);
    Watchdog watchdog(60000);
    QElapsedTimer clock;
    clock.start();
    t.passed = CallBool(check, "Check");
    t.ms = clock.elapsed();
    return t;
}

}  // namespace

class DatabaseSilentTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString db_;
    std::unique_ptr<PluginMessageBoxSeam> seam_;
    QStringList boxes_;

    static ObjectPtr create(const QString& className) {
        return CreateObject(className + ".ClsVantoro", QStringLiteral(VANTORO_PROGRAM_DIR));
    }
    // A "SQL Server" check of address as the user; each case logs in as a user of its own,
    // so it never meets the login of another case that still hangs.
    static ObjectPtr sqlServer(const QString& address, const QString& user, int timeOut) {
        ObjectPtr check = create("VantorDB");
        if (!check) return nullptr;
        Put(check, "Parameter", QStringLiteral("%1|%2|%3|pw|master|select 1").arg(address).arg(timeOut).arg(user));
        return check;
    }
    static QString hostPort(const vtest::SilentListener& silent) {
        return QStringLiteral("127.0.0.1,%1").arg(silent.port());
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        const QString tds = vtest::FindDriver("libtdsodbc.so");
        const QString sqlite = vtest::FindDriver("libsqlite3odbc.so");
        if (tds.isEmpty() || sqlite.isEmpty()) QSKIP("FreeTDS (tdsodbc) or the SQLite ODBC driver is not installed");
        db_ = dir_.path() + "/locked.db";
        QVERIFY(vtest::RunTool("sqlite3", {db_, "create table hosts(name text); insert into hosts values('pc1');"},
                               dir_.path()));
        QVERIFY(vtest::WriteFile(dir_.path() + "/odbcinst.ini", "[SQL Server]\nDriver=" + tds.toUtf8() +
                                                                    "\n\n[FreeTDS]\nDriver=" + tds.toUtf8() +
                                                                    "\n\n[SQLite3]\nDriver=" + sqlite.toUtf8() + "\n"));
        // The SQLite driver waits up to its Timeout (ms) for a lock: ten minutes.
        QVERIFY(vtest::WriteFile(dir_.path() + "/odbc.ini",
                                 "[Good]\nDriver=SQLite3\nDatabase=" + db_.toUtf8() +
                                     "\n\n[Locked]\nDriver=SQLite3\nTimeout=600000\nDatabase=" + db_.toUtf8() + "\n"));
        qputenv("ODBCSYSINI", dir_.path().toLocal8Bit());
        qputenv("ODBCINI", (dir_.path() + "/odbc.ini").toLocal8Bit());
        seam_ = std::make_unique<PluginMessageBoxSeam>([this](const QString& p, int, const QString&) {
            boxes_ << p;
            return 1;
        });
    }
    void init() { boxes_.clear(); }

    // The login ends at TimeOut (0 counts as 1 s) plus a second's grace for the driver's own
    // answer, whatever the driver does, and the event loop runs all the while.
    void silentLogin_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("timeOut");
        QTest::addColumn<int>("boundSeconds");
        QTest::newRow("1 s") << "one" << 1 << 1;
        QTest::newRow("0 counts as 1 s") << "zero" << 0 << 1;
        QTest::newRow("3 s") << "three" << 3 << 3;
    }
    void silentLogin() {
        QFETCH(QString, user);
        QFETCH(int, timeOut);
        QFETCH(int, boundSeconds);
        vtest::SilentListener silent;
        QVERIFY(silent.port());
        ObjectPtr check = sqlServer(hostPort(silent), user, timeOut);
        QVERIFY(check);
        const Timed t = timedCheck(check);
        QVERIFY(!t.passed);
        QVERIFY2(t.ms >= boundSeconds * 1000 - 100 && t.ms < boundSeconds * 1000 + 2500, qPrintable(QString::number(t.ms)));
        QVERIFY2(t.ticks >= t.ms / 50 / 2, qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(t.ticks).arg(t.ms)));
        QVERIFY(boxes_.isEmpty());
    }

    // A data source whose file another process holds locked: the login waits for the lock
    // (an exclusive one) and ends at TimeOut plus the grace; a statement that writes waits
    // for the write lock and ends at the statement limit (30 s) plus the grace. When the
    // lock goes, the call left behind ends, and only then may the library be unloaded.
    void lockedDataSource_data() {
        QTest::addColumn<QByteArray>("lock");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("timeOut");
        QTest::addColumn<int>("boundMs");
        QTest::newRow("login") << QByteArray("begin exclusive;") << "select * from hosts" << 1 << 1000;
        QTest::newRow("statement") << QByteArray("begin immediate; insert into hosts values('held');")
                                   << "insert into hosts values('check')" << 5 << 30000;
    }
    void lockedDataSource() {
        QFETCH(QByteArray, lock);
        QFETCH(QString, sql);
        QFETCH(int, timeOut);
        QFETCH(int, boundMs);
        const QString library = QStringLiteral(VANTORO_PROGRAM_DIR "/VantorDB2.so");
        QProcess holder;  // holds the lock until its input ends
        holder.start(QStringLiteral("sqlite3"), {db_});
        QVERIFY(holder.waitForStarted(5000));
        holder.write(lock + "\nselect 'locked';\n");
        QVERIFY(holder.waitForReadyRead(5000));
        ObjectPtr check = create("VantorDB2");
        QVERIFY(check);
        QCOMPARE(Put(check, "Parameter", QStringLiteral("Locked|%1|u|pw|%2").arg(timeOut).arg(sql)), 0);
        const Timed t = timedCheck(check);
        check.reset();
        const int unloadWhileLocked = CanUnloadNow(library);
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(5000));
        QVERIFY(!t.passed);
        QVERIFY2(t.ms >= boundMs && t.ms < boundMs + 2500, qPrintable(QString::number(t.ms)));
        QVERIFY(t.ticks >= t.ms / 50 / 2);
        QCOMPARE(unloadWhileLocked, 1);
        QTRY_COMPARE_WITH_TIMEOUT(CanUnloadNow(library), 0, 10000);
    }

    // The settings window's test shows why the check gave up.
    void silentLoginExplained() {
        vtest::SilentListener silent;
        ObjectPtr check = sqlServer(hostPort(silent), "explained", 1);
        QCOMPARE(Put(check, "kakunin", true), 0);
        QVERIFY(!timedCheck(check).passed);
        QCOMPARE(boxes_.size(), 1);
        QVERIFY2(boxes_.first().startsWith(QStringLiteral("0[Vantoro]")), qPrintable(boxes_.first()));
        QVERIFY2(boxes_.first().contains(QStringLiteral("1秒")), qPrintable(boxes_.first()));
        QCOMPARE(Get(check, "kakunin")->toBool(), false);
    }

    // The login left behind goes on in the background (this driver never gives it back).
    // The same target is not asked again while it hangs (each check would leave one more
    // thread and socket behind): the next check waits for it within its own bound and
    // fails. Other targets are not held up, and the library reports that it cannot be
    // unloaded, its objects gone.
    void abandonedLogin() {
        vtest::SilentListener silent;
        ObjectPtr first = sqlServer(hostPort(silent), "abandoned", 1);
        QVERIFY(!timedCheck(first).passed);

        ObjectPtr again = sqlServer(hostPort(silent), "abandoned", 1);
        QCOMPARE(Put(again, "kakunin", true), 0);
        const Timed t = timedCheck(again);
        QVERIFY(!t.passed);
        QVERIFY2(t.ms >= 900 && t.ms < 3500, qPrintable(QString::number(t.ms)));
        QCOMPARE(boxes_.size(), 1);
        QVERIFY2(boxes_.first().startsWith(QStringLiteral("0[Vantoro]前回のログイン")), qPrintable(boxes_.first()));

        ObjectPtr other = create("VantorDB2");
        QCOMPARE(Put(other, "Parameter", QStringLiteral("Good|1|u|pw|select * from hosts")), 0);
        QVERIFY(timedCheck(other).passed);

        first.reset();
        again.reset();
        QCOMPARE(CanUnloadNow(QStringLiteral(VANTORO_PROGRAM_DIR "/VantorDB.so")), 1);
    }

    // A target gets a new call only when its last one has ended, or has run long enough
    // to be written off, and only a few written-off calls may run at once.
    void targetSlots() {
        TargetSlots targets(1000, 1);
        const quint64 a = targets.TryTake("a", 0);
        QVERIFY(a != 0);
        QCOMPARE(targets.TryTake("a", 999), quint64(0));
        const quint64 b = targets.TryTake("b", 0);
        QVERIFY(b != 0 && b != a);
        targets.GiveBack("b", b);
        QVERIFY(targets.TryTake("b", 10) != 0);  // ended: free at once

        const quint64 a2 = targets.TryTake("a", 1000);  // a's call written off
        QVERIFY(a2 != 0 && a2 != a);
        QCOMPARE(targets.WrittenOff(), 1);
        QCOMPARE(targets.TryTake("b", 5000), quint64(0));  // no second write-off at once
        targets.GiveBack("a", a);  // the written-off call ends after all: a2 still runs
        QCOMPARE(targets.WrittenOff(), 0);
        QCOMPARE(targets.TryTake("a", 1500), quint64(0));
        QVERIFY(targets.TryTake("b", 5000) != 0);
        targets.GiveBack("a", a2);
        QVERIFY(targets.TryTake("a", 1600) != 0);
    }

    void cleanupTestCase() { seam_.reset(); }
};

VANTORO_TEST_MAIN(DatabaseSilentTest)
#include "tst_databasesilent.moc"
