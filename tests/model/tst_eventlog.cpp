// The daily event log: file name, exact line bytes, folder creation and pruning by name.
#include "TestSupport.h"

#include "model/EventLog.h"
#include "model/Globals.h"
#include "model/WriteFailures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
void Touch(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}
}  // namespace

class EventLogTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QDir(LogFolder()).removeRecursively();
        QFile::remove(LogFolder());
    }
    void cleanup() {
        eventlog::SetClock({});
        gOptLogDelete = 10;
    }

    void folderIsBesideTheData() { QCOMPARE(LogFolder(), vtest::HomeDir() + QStringLiteral("/Log")); }

    void lineBytesAndDayFiles() {
        QDateTime now(QDate(2026, 3, 15), QTime(9, 5, 7));
        eventlog::SetClock([&now] { return now; });
        QVERIFY(!QDir(LogFolder()).exists());

        WriteErrLog(QStringLiteral("本社"), QStringLiteral("10.0.0.1"), QStringLiteral("経理サーバ　【SRV01：ｻｰﾊﾞｰ】"),
                    QStringLiteral("応答なし"));
        const QString day = LogFolder() + QStringLiteral("/20260315.LOG");
        QCOMPARE(ReadAll(day),
                 QByteArray("09:05:07,\xE6\x9C\xAC\xE7\xA4\xBE,10.0.0.1,"
                            "\xE7\xB5\x8C\xE7\x90\x86\xE3\x82\xB5\xE3\x83\xBC\xE3\x83\x90\xE3\x80\x80"
                            "\xE3\x80\x90SRV01\xEF\xBC\x9A\xEF\xBD\xBB\xEF\xBD\xB0\xEF\xBE\x8A\xEF\xBE\x9E"
                            "\xEF\xBD\xB0\xE3\x80\x91,\xE5\xBF\x9C\xE7\xAD\x94\xE3\x81\xAA\xE3\x81\x97\r\n"));

        // A comma inside a field is written as it is; the next event is appended.
        now = now.addSecs(60 * 60 * 14 + 54 * 60 + 52);  // 23:59:59
        WriteErrLog(QStringLiteral("G"), QStringLiteral("10.0.0.2"), QStringLiteral("n"), QStringLiteral("a,b"));
        const QList<QByteArray> lines = ReadAll(day).split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(1), QByteArray("23:59:59,G,10.0.0.2,n,a,b\r"));

        // The first event of the next day begins its own file; the folder is made again
        // when it was removed.
        QVERIFY(QDir(LogFolder()).removeRecursively());
        now = QDateTime(QDate(2026, 3, 16), QTime(0, 0, 1));
        WriteErrLog(QStringLiteral("G"), QStringLiteral("10.0.0.3"), QStringLiteral("n"), QStringLiteral("x"));
        QCOMPARE(ReadAll(LogFolder() + QStringLiteral("/20260316.LOG")), QByteArray("00:00:01,G,10.0.0.3,n,x\r\n"));
        QVERIFY(!QFile::exists(day));
    }

    // A log that cannot be written is said once on the status line, not once a line,
    // and the caller goes on.
    void unwritableFolderIsReportedOnce() {
        writefailures::Reset();
        vtest::RecordingStatus status;
        // A plain file where the folder should be: neither folder nor line can be made.
        Touch(LogFolder());
        QVERIFY(
            !WriteErrLog(QStringLiteral("G"), QStringLiteral("10.0.0.1"), QStringLiteral("n"), QStringLiteral("x")));
        QVERIFY(
            !WriteErrLog(QStringLiteral("G"), QStringLiteral("10.0.0.2"), QStringLiteral("n"), QStringLiteral("y")));
        QVERIFY(QFileInfo(LogFolder()).isFile());
        QCOMPARE(status.texts.size(), 1);
        QVERIFY2(status.texts.first().contains(QDir::toNativeSeparators(LogFolder())),
                 qPrintable(status.texts.first()));
        QCOMPARE(writefailures::Reported().size(), 1);
        QVERIFY(writefailures::ExitSummary().contains(status.texts.first()));
        QFile::remove(LogFolder());
        DeleteOldLog();  // no folder: nothing happens
        writefailures::Reset();
    }

    // A line break inside a name or a text would split the event over several lines,
    // which the log viewer reads as broken events: every control character of a field
    // is written as a space.
    void controlCharactersBecomeSpaces_data() {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("content");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("line feed in the display name")
            << "G"
            << "経理\nサーバ　【SRV01：PC】"
            << "x" << QByteArray("09:00:00,G,10.0.0.1,経理 サーバ　【SRV01：PC】,x\r\n");
        QTest::newRow("CR LF in the computer name")
            << "G"
            << "経理　【SRV\r\n01：PC】"
            << "x" << QByteArray("09:00:00,G,10.0.0.1,経理　【SRV  01：PC】,x\r\n");
        QTest::newRow("tab and CR in the content, NUL in the group")
            << QString::fromUtf8("G\0H", 3) << "n"
            << "a\tb\rc" << QByteArray("09:00:00,G H,10.0.0.1,n,a b c\r\n");
    }
    void controlCharactersBecomeSpaces() {
        QFETCH(QString, group);
        QFETCH(QString, name);
        QFETCH(QString, content);
        QFETCH(QByteArray, line);
        eventlog::SetClock([] { return QDateTime(QDate(2026, 3, 15), QTime(9, 0, 0)); });
        QVERIFY(WriteErrLog(group, QStringLiteral("10.0.0.1"), name, content));
        QCOMPARE(ReadAll(LogFolder() + QStringLiteral("/20260315.LOG")), line);
    }

    void pruning_data() {
        QTest::addColumn<int>("logDelete");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("kept");
        const QStringList days{"20260304.LOG", "20260305.LOG", "20260306.LOG", "20260315.LOG"};
        QTest::newRow("ten days keeps 6..15 March")
            << 10 << days << QStringList{"20260306.LOG", "20260315.LOG"};
        QTest::newRow("zero deletes today too") << 0 << days << QStringList{};
        QTest::newRow("extension in any case")
            << 10 << QStringList{"20260301.log", "20260302.Log", "20260303.LOG", "20260310.log"}
            << QStringList{"20260310.log"};
        QTest::newRow("other names compared as text")
            << 10 << QStringList{"1.Log", "abc.Log", "20260305.txt", "20260305.LOG.bak", "20260305"}
            << QStringList{"20260305", "20260305.LOG.bak", "20260305.txt", "abc.Log"};
        QTest::newRow("earlier months and years") << 10 << QStringList{"20251231.LOG", "20260101.LOG"}
                                       << QStringList{};
    }
    void pruning() {
        QFETCH(int, logDelete);
        QFETCH(QStringList, files);
        QFETCH(QStringList, kept);
        eventlog::SetClock([] { return QDateTime(QDate(2026, 3, 15), QTime(12, 0)); });
        gOptLogDelete = logDelete;
        QVERIFY(QDir().mkpath(LogFolder()));
        for (const QString& f : files) Touch(LogFolder() + QLatin1Char('/') + f);
        DeleteOldLog();
        QCOMPARE(QDir(LogFolder()).entryList(QDir::Files, QDir::Name), kept);
    }
};

VANTORO_TEST_MAIN(EventLogTest)
#include "tst_eventlog.moc"
