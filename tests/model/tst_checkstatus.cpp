// Status columns and the control table for outside readers, and the exit backup.
#include "TestSupport.h"

#include "model/CheckStatus.h"
#include "model/Database.h"
#include "model/Globals.h"
#include "model/WriteFailures.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>

namespace {

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString States(const QString& db, const QString& sql) {
    QStringList out;
    auto d = Database::Open(db);
    if (!d) return QStringLiteral("<no database>");
    {
        auto q = d->Query(sql);
        while (q && q->next()) out << q->value(0).toString();
    }
    return out.join(QLatin1Char(' '));
}

QString ComputerStates(const QString& db) {
    return States(db, QStringLiteral("SELECT 状況 FROM TBL_Computer ORDER BY アドレス"));
}
QString PortStates(const QString& db) {
    return States(db, QStringLiteral("SELECT 状況 FROM TBL_PortCheck ORDER BY アドレス, ポート番号"));
}

// Three computers' worth of rows, then a large block of rows deleted again, so the file
// has free pages for the compaction to drop.
void FillForBackup(const QString& db) {
    vtest::Exec(db, "INSERT INTO TBL_Group (グループ,表示名,診断有無) VALUES ('G1','本社',-1)");
    for (int i = 1; i <= 3; ++i) {
        vtest::Exec(db, "INSERT INTO TBL_Computer (アドレス,グループ,コンピュータ名,表示名) VALUES (?,?,?,?)",
                    {QStringLiteral("10.0.0.%1").arg(i), "G1", QStringLiteral("PC%1").arg(i), "端末"});
        vtest::Exec(db, "INSERT INTO TBL_PortCheck (アドレス,ポート番号,サービス名) VALUES (?,80,'HTTP')",
                    {QStringLiteral("10.0.0.%1").arg(i)});
    }
    vtest::Exec(db, "CREATE TABLE Filler (x BLOB)");
    vtest::Exec(db, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<300) "
                    "INSERT INTO Filler SELECT randomblob(1000) FROM n");
    vtest::Exec(db, "INSERT INTO TBL_Meisho (区分,種類) SELECT 'filler', hex(randomblob(500)) FROM Filler");
    vtest::Exec(db, "DELETE FROM TBL_Meisho WHERE 区分='filler'");
}

int Rows(const QString& db, const char* table) {
    return vtest::Scalar(db, QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))).toInt();
}

QStringList Leftovers(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.compact-*"), QStringLiteral("*_BK.*")}, QDir::Files);
}

// Another program's connection to the database, closed and removed with the object.
class OtherProgram {
public:
    explicit OtherProgram(const QString& db, const QString& name = QStringLiteral("other-program")) : name_(name) {
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        c.setDatabaseName(db);
        c.open();
    }
    ~OtherProgram() {
        QSqlDatabase::database(name_).close();
        QSqlDatabase::removeDatabase(name_);
    }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;
    // Runs sql; the first column of its first row ("" when none), or "<error: ...>".
    QString Run(const QString& sql) {
        QSqlQuery q(QSqlDatabase::database(name_));
        if (!q.exec(sql)) return QStringLiteral("<error: %1>").arg(q.lastError().text());
        return q.next() ? q.value(0).toString() : QString();
    }

private:
    QString name_;
};

// The child of killedBackupLeavesAnIntactDatabase: backs the database up again and again
// until it is killed.
constexpr char kBackupChildVariable[] = "VANTORO_TEST_BACKUP_CHILD";
int RunBackupChild() {
    gOptDatabasePath = qEnvironmentVariable(kBackupChildVariable);
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (;;) BackupDatabase();
}

}  // namespace

class CheckStatusTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { gOptWebInfo = false; }

    void statusColumns_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("computerStatus");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("portStatus");
        QTest::addColumn<bool>("webInfo");
        QTest::addColumn<QString>("computers");  // 10.0.0.1 10.0.0.2
        QTest::addColumn<QString>("ports");      // .1:80 .1:8080 .2:8080
        QTest::newRow("start-up reset with WebInfo off")
            << "" << "Nomal" << 0 << "SStart" << false << "Nomal Nomal" << "SStart SStart SStart";
        QTest::newRow("one port of one computer")
            << "10.0.0.1" << "Critical" << 8080 << "SStart" << true << "Stop Stop" << "SStop SStart SStop";
        QTest::newRow("one computer") << "10.0.0.2" << "Critical" << 0 << "SStart" << true << "Stop Critical"
                                      << "SStop SStop SStop";
        QTest::newRow("WebInfo off writes nothing")
            << "10.0.0.2" << "Critical" << 0 << "SStart" << false << "Stop Stop" << "SStop SStop SStop";
        QTest::newRow("quote in the address is only a value")
            << "10.0.0.1' OR '1'='1" << "Critical" << 0 << "SStart" << true << "Stop Stop" << "SStop SStop SStop";
    }
    void statusColumns() {
        QFETCH(QString, address);
        QFETCH(QString, computerStatus);
        QFETCH(int, port);
        QFETCH(QString, portStatus);
        QFETCH(bool, webInfo);
        QFETCH(QString, computers);
        QFETCH(QString, ports);
        const QString db = vtest::FreshDatabase();
        for (const char* a : {"10.0.0.1", "10.0.0.2"})
            vtest::Exec(db, "INSERT INTO TBL_Computer (アドレス,グループ,状況) VALUES (?,'G','Stop')", {a});
        vtest::Exec(db, "INSERT INTO TBL_PortCheck (アドレス,ポート番号,状況) VALUES "
                        "('10.0.0.1',80,'SStop'),('10.0.0.1',8080,'SStop'),('10.0.0.2',8080,'SStop')");
        gOptWebInfo = webInfo;
        UpdateCheckStatus(address, computerStatus, port, portStatus);
        QCOMPARE(ComputerStates(db), computers);
        QCOMPARE(PortStates(db), ports);
    }

    void controlTable() {
        const QString db = vtest::FreshDatabase();
        UpdateControlTable(QStringLiteral("稼動"), QStringLiteral("稼動中"));
        QVERIFY(!UpdateControlTable(QStringLiteral("Unknown"), QStringLiteral("x")));  // no such row
        QCOMPARE(States(db, "SELECT 区分 || '=' || 処理 FROM TBL_Control ORDER BY 区分"),
                 QStringLiteral("Web情報提供=無 稼動=稼動中"));
        // No database: nothing happens and no file appears.
        gOptDatabasePath = vtest::HomeDir() + QStringLiteral("/missing.MDB");
        UpdateControlTable(QStringLiteral("稼動"), QStringLiteral("非稼動中"));
        UpdateCheckStatus(QString(), QStringLiteral("Nomal"), 0, QStringLiteral("SStart"));
        QVERIFY(!QFile::exists(gOptDatabasePath));
    }

    // A status write of a round that meets another program's lock gives up soon: the
    // value may be lost, the window does not freeze.
    void roundWriteUnderALockWaitsBriefly() {
        const QString db = vtest::FreshDatabase();
        vtest::Exec(db, "INSERT INTO TBL_Computer (アドレス,グループ,状況) VALUES ('10.0.0.1','G','Stop')");
        gOptWebInfo = true;
        OtherProgram reader(db);
        QCOMPARE(reader.Run(QStringLiteral("BEGIN")), QString());
        QCOMPARE(reader.Run(QStringLiteral("SELECT 状況 FROM TBL_Computer")), QStringLiteral("Stop"));
        QElapsedTimer t;
        t.start();
        UpdateCheckStatus(QStringLiteral("10.0.0.1"), QStringLiteral("Critical"), 0, QString());
        const qint64 waited = t.elapsed();
        reader.Run(QStringLiteral("ROLLBACK"));
        QVERIFY2(waited < 1000, qPrintable(QString::number(waited)));
        // Without the lock the write goes through.
        UpdateCheckStatus(QStringLiteral("10.0.0.1"), QStringLiteral("Critical"), 0, QString());
        QCOMPARE(ComputerStates(db), QStringLiteral("Critical"));
    }

    // Another program that keeps its connection across the backup keeps reading and
    // writing the live database: the file is compacted in place, never swapped.
    void connectionKeptAcrossTheBackupSeesTheNextRun() {
        const QString db = vtest::FreshDatabase();
        FillForBackup(db);
        OtherProgram reader(db);
        UpdateControlTable(QStringLiteral("稼動"), QStringLiteral("非稼動中"));
        QCOMPARE(reader.Run(QStringLiteral("SELECT 処理 FROM TBL_Control WHERE 区分='稼動'")),
                 QStringLiteral("非稼動中"));
        const qint64 before = QFileInfo(db).size();

        QVERIFY(BackupDatabase());
        QVERIFY(QFileInfo(db).size() < before);  // compacted all the same

        // The next run starts.
        UpdateControlTable(QStringLiteral("稼動"), QStringLiteral("稼動中"));
        QCOMPARE(reader.Run(QStringLiteral("SELECT 処理 FROM TBL_Control WHERE 区分='稼動'")),
                 QStringLiteral("稼動中"));
        QCOMPARE(reader.Run(QStringLiteral("UPDATE TBL_Computer SET 状況='Stop' WHERE アドレス='10.0.0.1'")),
                 QString());
        QCOMPARE(ComputerStates(db), QStringLiteral("Stop Nomal Nomal"));
    }

    // A reader in the middle of a transaction at exit: the backup stops and the file
    // stays byte for byte as it was.
    void readerHoldingATransactionStopsTheBackup() {
        const QString db = vtest::FreshDatabase();
        FillForBackup(db);
        const QByteArray before = Bytes(db);
        OtherProgram reader(db);
        QCOMPARE(reader.Run(QStringLiteral("BEGIN")), QString());
        QCOMPARE(reader.Run(QStringLiteral("SELECT count(*) FROM TBL_Computer")), QStringLiteral("3"));

        QVERIFY(!BackupDatabase());

        QCOMPARE(reader.Run(QStringLiteral("SELECT count(*) FROM TBL_Computer")), QStringLiteral("3"));
        reader.Run(QStringLiteral("COMMIT"));
        QVERIFY(Bytes(db) == before);
        QCOMPARE(vtest::Scalar(db, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));
    }

    // The backup killed at any point leaves a whole database (and whole backups).
    void killedBackupLeavesAnIntactDatabase() {
        const QString db = vtest::FreshDatabase();
        FillForBackup(db);
        const QString first = db + QStringLiteral("_BK");
        QElapsedTimer total;
        total.start();
        int kills = 0;
        for (int round = 0; round < 30 && total.elapsed() < 8000; ++round) {
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QString::fromLatin1(kBackupChildVariable), db);
            child.setProcessEnvironment(env);
            child.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(child.waitForReadyRead(5000));
            QTest::qSleep(QRandomGenerator::global()->bounded(1, 60));
            child.kill();
            QVERIFY(child.waitForFinished(5000));
            ++kills;
            QCOMPARE(vtest::Scalar(db, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));
            QCOMPARE(Rows(db, "TBL_Computer"), 3);
            QCOMPARE(Rows(db, "Filler"), 300);
            if (QFile::exists(first)) QCOMPARE(vtest::Scalar(first, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));
        }
        QVERIFY(kills >= 10);
        // A copy cut short leaves its temporary file behind, never a damaged backup.
        for (const QString& name : Leftovers(QFileInfo(db).absolutePath()))
            QFile::remove(QFileInfo(db).absolutePath() + QLatin1Char('/') + name);
    }

    void backup_data() {
        QTest::addColumn<QString>("relativePath");
        QTest::newRow("default path: both backups are one file") << "Vantoro.MDB";
        QTest::newRow("database elsewhere: two backups") << "data/監視.MDB";
    }
    void backup() {
        QFETCH(QString, relativePath);
        const QString home = vtest::HomeDir();
        QFile::remove(home + QStringLiteral("/Vantoro.MDB_BK"));
        QDir().mkpath(home + QStringLiteral("/data"));
        const QString db = vtest::FreshDatabase(home + QLatin1Char('/') + relativePath);
        FillForBackup(db);
        const QString first = db + QStringLiteral("_BK");
        const QString second = home + QStringLiteral("/Vantoro.MDB_BK");
        {
            QFile old(first);  // an earlier run's backup is replaced
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old backup");
        }
        const QByteArray before = Bytes(db);
        const QFile::Permissions perms = QFile::permissions(db);

        QVERIFY(BackupDatabase());

        QCOMPARE(Bytes(first), before);
        QCOMPARE(Bytes(second), before);
        const QByteArray after = Bytes(db);
        QVERIFY2(after.size() < before.size(), qPrintable(QStringLiteral("%1 >= %2").arg(after.size()).arg(before.size())));
        QCOMPARE(QFile::permissions(db), perms);
        QCOMPARE(vtest::Scalar(db, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));
        QCOMPARE(Rows(db, "TBL_Computer"), 3);
        QCOMPARE(Rows(db, "TBL_PortCheck"), 3);
        QCOMPARE(Rows(db, "Filler"), 300);
        QCOMPARE(Rows(db, "TBL_Control"), 2);
        QCOMPARE(vtest::Scalar(db, "SELECT 表示名 FROM TBL_Group WHERE グループ='G1'").toString(), QStringLiteral("本社"));
        QCOMPARE(vtest::Scalar(db, "PRAGMA journal_mode").toString(), QStringLiteral("delete"));
        QCOMPARE(Leftovers(QFileInfo(db).absolutePath()), QStringList());
    }

    // Whatever stops the backup, the database stays byte for byte as it was, the last
    // backups survive, and the operator is told why.
    void failedBackupKeepsTheDatabase_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reported");
        QTest::newRow("held locked by another program") << "locked"
                                                        << "管理DBのバックアップを作成できませんでした";
        // Copying it would replace the last sound copy with a damaged one.
        QTest::newRow("a damaged page") << "damaged" << dbmsg::kDamaged;
        QTest::newRow("a folder where the backup goes") << "folder"
                                                        << "管理DBのバックアップを作成できませんでした";
    }
    void failedBackupKeepsTheDatabase() {
        QFETCH(QString, fault);
        QFETCH(QString, reported);
        writefailures::Reset();
        const QString home = vtest::HomeDir();
        QDir().mkpath(home + QStringLiteral("/data"));
        const QString db = vtest::FreshDatabase(home + QStringLiteral("/data/Mon.MDB"));
        FillForBackup(db);
        const QString first = db + QStringLiteral("_BK");
        const QString second = home + QStringLiteral("/Vantoro.MDB_BK");
        QDir(first).removeRecursively();
        QFile::remove(first);
        for (const QString& bk : {first, second}) {
            if (fault == QLatin1String("folder") && bk == first) {
                QVERIFY(QDir().mkpath(first));
                continue;
            }
            QFile old(bk);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old backup");
        }

        const QString other = QStringLiteral("other-program");
        {
            QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), other);
            holder.setDatabaseName(db);
        }
        if (fault == QLatin1String("locked")) {
            QSqlDatabase holder = QSqlDatabase::database(other);
            QVERIFY(holder.isOpen());
            QSqlQuery q(holder);
            QVERIFY2(q.exec(QStringLiteral("BEGIN EXCLUSIVE")), qPrintable(q.lastError().text()));
        } else if (fault == QLatin1String("damaged")) {
            // Overwrite the top page of the filler table: the schema on page 1 still
            // reads, copying the file works, but reading every row does not.
            const int page = vtest::Scalar(db, "PRAGMA page_size").toInt();
            const int root = vtest::Scalar(db, "SELECT rootpage FROM sqlite_master WHERE name='Filler'").toInt();
            QVERIFY(root > 1);
            QFile f(db);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.seek(qint64(root - 1) * page));
            f.write(QByteArray(page, '\xFF'));
        }
        const QByteArray before = Bytes(db);

        QVERIFY(!BackupDatabase());

        if (fault == QLatin1String("locked")) {
            QSqlQuery(QSqlDatabase::database(other)).exec(QStringLiteral("ROLLBACK"));
        }
        QSqlDatabase::database(other).close();
        QSqlDatabase::removeDatabase(other);

        QCOMPARE(Bytes(db), before);
        QCOMPARE(Rows(db, "TBL_Computer"), 3);
        QCOMPARE(vtest::Scalar(db, "SELECT 表示名 FROM TBL_Group WHERE グループ='G1'").toString(), QStringLiteral("本社"));
        if (fault != QLatin1String("folder")) QCOMPARE(Bytes(first), QByteArray("old backup"));
        QCOMPARE(Bytes(second), QByteArray("old backup"));
        QCOMPARE(Leftovers(home + QStringLiteral("/data")), QStringList());
        const QStringList told = writefailures::Reported();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().startsWith(reported), qPrintable(told.first()));
        QVERIFY2(told.first().contains(fault == QLatin1String("damaged") ? db : first), qPrintable(told.first()));
        QDir(first).removeRecursively();
    }

    // A file that is no monitoring database is neither copied nor compacted, and no
    // backup is written: it is not ours.
    void foreignFileIsLeftAlone_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("text") << QByteArray("hello, this is no database\n");
        QTest::newRow("another program's SQLite file") << QByteArray("sqlite");
    }
    void foreignFileIsLeftAlone() {
        QFETCH(QByteArray, content);
        writefailures::Reset();
        const QString db = vtest::HomeDir() + QStringLiteral("/foreign.MDB");
        QFile::remove(db);
        QFile::remove(vtest::HomeDir() + QStringLiteral("/Vantoro.MDB_BK"));
        if (content == "sqlite") {
            QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
            c.setDatabaseName(db);
            QVERIFY(c.open());
            QSqlQuery(c).exec(QStringLiteral("CREATE TABLE notes (t TEXT)"));
            QSqlQuery(c).exec(QStringLiteral("INSERT INTO notes VALUES ('x')"));
            c.close();
            c = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("maker"));
        } else {
            QFile f(db);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        gOptDatabasePath = db;
        const QByteArray before = Bytes(db);

        MarkMonitorRunning(false);
        QVERIFY(!BackupDatabase());

        QCOMPARE(Bytes(db), before);
        QVERIFY(!QFile::exists(db + QStringLiteral("_BK")));
        QVERIFY(!QFile::exists(vtest::HomeDir() + QStringLiteral("/Vantoro.MDB_BK")));
        QCOMPARE(writefailures::Reported(), QStringList());
        QCOMPARE(int(InspectDatabase(db).state), int(DatabaseState::Foreign));
    }

    void missingDatabaseMakesNoFiles() {
        gOptDatabasePath = vtest::HomeDir() + QStringLiteral("/gone/Vantoro.MDB");
        QFile::remove(vtest::HomeDir() + QStringLiteral("/Vantoro.MDB_BK"));
        QVERIFY(!BackupDatabase());
        QVERIFY(!QFile::exists(gOptDatabasePath));
        QVERIFY(!QFile::exists(gOptDatabasePath + QStringLiteral("_BK")));
        QVERIFY(!QFile::exists(vtest::HomeDir() + QStringLiteral("/Vantoro.MDB_BK")));
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet(kBackupChildVariable)) {
        QCoreApplication app(argc, argv);
        return RunBackupChild();
    }
    vtest::PrepareEnvironment();
    VANTORO_TEST_APPLICATION app(argc, argv);
    CheckStatusTest tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_checkstatus.moc"
