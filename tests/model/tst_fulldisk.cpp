// Writes that meet a full disk: the daily log, the 稼動 mark and the exit backup, on a
// small file system of the test's own that holds the program's data folder.
#include "SmallDisk.h"
#include "TestSupport.h"

#include "model/CheckStatus.h"
#include "model/Database.h"
#include "model/EventLog.h"
#include "model/Globals.h"
#include "model/WriteFailures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>

namespace {

std::unique_ptr<vtest::SmallDisk> gDisk;

}  // namespace

class FullDiskTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        if (!gDisk->Ready()) QSKIP(qPrintable(gDisk->Why()));
        gDisk->Free();
        writefailures::Reset();
        eventlog::SetClock([] { return QDateTime(QDate(2026, 3, 15), QTime(9, 0, 0)); });
    }
    void cleanup() {
        gDisk->Free();
        eventlog::SetClock({});
    }

    // A line that does not fit is not cut: the day file keeps its earlier lines whole and
    // never ends in half a line or half a character. The operator sees the failure once,
    // not once a line, and again only after the log has written since.
    void logLineIsWholeOrNotThere() {
        QDir(LogFolder()).removeRecursively();
        vtest::RecordingStatus status;
        QVERIFY(WriteErrLog(QStringLiteral("本社"), QStringLiteral("10.0.0.1"), QStringLiteral("経理"),
                            QStringLiteral("接続OK!")));
        const QString day = LogFolder() + QStringLiteral("/20260315.LOG");
        const QByteArray first = vtest::FileBytes(day);
        QVERIFY(first.endsWith("\r\n"));

        gDisk->Fill();
        // Longer than the room left in the file's last block, and made of three-byte
        // characters, so a cut would fall inside the line and likely inside a character.
        const QString longText = QString(3000, QChar(0x5fdc));
        const bool written =
            WriteErrLog(QStringLiteral("本社"), QStringLiteral("10.0.0.2"), QStringLiteral("倉庫"), longText);
        QCOMPARE(vtest::FileBytes(day), first);
        QVERIFY(!written);
        QVERIFY(!WriteErrLog(QStringLiteral("本社"), QStringLiteral("10.0.0.3"), QStringLiteral("工場"), longText));
        QCOMPARE(vtest::FileBytes(day), first);
        QCOMPARE(status.texts.size(), 1);
        QVERIFY2(status.texts.first().startsWith(QStringLiteral("ログファイルに書き込めませんでした")),
                 qPrintable(status.texts.first()));
        QVERIFY2(status.texts.first().contains(writefailures::DiskFullText()), qPrintable(status.texts.first()));

        // Room again: the next line is written whole after the earlier ones.
        gDisk->Free();
        QVERIFY(WriteErrLog(QStringLiteral("本社"), QStringLiteral("10.0.0.2"), QStringLiteral("倉庫"), longText));
        const QByteArray now = vtest::FileBytes(day);
        QVERIFY(now.startsWith(first));
        QCOMPARE(now.mid(first.size()).count('\n'), 1);
        QVERIFY(now.endsWith(longText.toUtf8() + "\r\n"));

        // Full once more: shown again.
        gDisk->Fill();
        QVERIFY(!WriteErrLog(QStringLiteral("本社"), QStringLiteral("10.0.0.3"), QStringLiteral("工場"), longText));
        QCOMPARE(vtest::FileBytes(day), now);
        QCOMPARE(status.texts.size(), 2);
        QCOMPARE(writefailures::Reported().size(), 1);
    }

    // The exit on a full disk: the mark and the backups cannot be written. The database
    // and the last backup stay whole, and both failures are said on the status line and
    // in the text of the box at exit.
    void exitOnAFullDiskIsReported() {
        vtest::RecordingStatus status;
        const QString db = vtest::FreshDatabase();
        vtest::Exec(db, "INSERT INTO TBL_Group (グループ,表示名,診断有無) VALUES ('G1','本社',-1)");
        MarkMonitorRunning(true);
        QCOMPARE(vtest::RunningMark(db), QStringLiteral("稼動中"));
        QVERIFY(BackupDatabase());
        const QString backup = db + QStringLiteral("_BK");
        const QByteArray lastBackup = vtest::FileBytes(backup);
        QVERIFY(!lastBackup.isEmpty());
        QCOMPARE(writefailures::Reported(), QStringList());
        const QByteArray before = vtest::FileBytes(db);

        gDisk->Fill();
        MarkMonitorRunning(false);
        QVERIFY(!BackupDatabase());

        QCOMPARE(vtest::RunningMark(db), QStringLiteral("稼動中"));
        QCOMPARE(vtest::FileBytes(db), before);
        QCOMPARE(vtest::FileBytes(backup), lastBackup);
        QCOMPARE(QDir(vtest::HomeDir()).entryList({QStringLiteral("*_BK.*")}, QDir::Files), QStringList());
        QCOMPARE(status.texts.size(), 2);
        const QStringList told = writefailures::Reported();
        QCOMPARE(told.size(), 2);
        QVERIFY2(told.at(0).startsWith(QStringLiteral("管理DBに稼動状況「非稼動中」を書き込めませんでした")),
                 qPrintable(told.at(0)));
        QVERIFY2(told.at(1).startsWith(QStringLiteral("管理DBのバックアップを作成できませんでした")),
                 qPrintable(told.at(1)));
        for (const QString& line : told) QVERIFY2(line.contains(writefailures::DiskFullText()), qPrintable(line));
        const QString summary = writefailures::ExitSummary();
        QVERIFY(summary.contains(told.at(0)) && summary.contains(told.at(1)));
        QCOMPARE(summary.count(writefailures::DiskFullText()), 2);

        // With room again the exit goes through.
        gDisk->Free();
        MarkMonitorRunning(false);
        QVERIFY(BackupDatabase());
        QCOMPARE(vtest::RunningMark(db), QStringLiteral("非稼動中"));
    }

    // A backup that meets the full disk part-way through a copy names the cause, in the
    // same words as every other write that found no room, and leaves no part of the
    // copy behind.
    void backupCutShortNamesTheFullDisk() {
        vtest::RecordingStatus status;
        const QString db = vtest::FreshDatabase();
        vtest::Exec(db, "CREATE TABLE Bulk (b BLOB)");
        vtest::Exec(db, "INSERT INTO Bulk VALUES (?)", {QByteArray(300000, 'x')});
        QVERIFY(BackupDatabase());
        const QString backup = db + QStringLiteral("_BK");
        const QByteArray lastBackup = vtest::FileBytes(backup);
        const QByteArray before = vtest::FileBytes(db);

        // Room for half a copy.
        const QString filler = gDisk->Fill();
        QVERIFY(QFile::resize(filler, QFileInfo(filler).size() - 150000));
        QVERIFY(!BackupDatabase());

        QCOMPARE(vtest::FileBytes(db), before);
        QCOMPARE(vtest::FileBytes(backup), lastBackup);
        QCOMPARE(QDir(vtest::HomeDir()).entryList({QStringLiteral("*_BK.*")}, QDir::Files), QStringList());
        const QStringList told = writefailures::Reported();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.at(0).startsWith(QStringLiteral("管理DBのバックアップを作成できませんでした（") +
                                       writefailures::DiskFullText() + QStringLiteral("）")),
                 qPrintable(told.at(0)));
        QCOMPARE(status.texts, told);
        QVERIFY(writefailures::ExitSummary().contains(told.at(0)));
    }
};

int main(int argc, char** argv) {
    vtest::PrepareEnvironment();
    // As on a Japanese desktop: the system's own texts for a full disk are Japanese
    // (where the system has them), the file layer's stay English.
    qputenv("LC_ALL", "C.UTF-8");
    qputenv("LANGUAGE", "ja");
    // Before anything starts a thread: the data folder becomes a file system of 2 MiB.
    gDisk = std::make_unique<vtest::SmallDisk>(vtest::HomeDir(), "2m");
    VANTORO_TEST_APPLICATION app(argc, argv);
    FullDiskTest tc;
    QTEST_SET_MAIN_SOURCE_PATH
    const int code = QTest::qExec(&tc, argc, argv);
    gDisk.reset();
    return code;
}
#include "tst_fulldisk.moc"
