// The daily event log: file name, exact line bytes, folder creation and pruning by name.
#include "TestSupport.h"

#include "model/EventLog.h"
#include "model/Globals.h"

#include <QDir>
#include <QFile>

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
    void init() { QDir(LogFolder()).removeRecursively(); }
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

    void unwritableFolderLosesTheLineQuietly() {
        // A plain file where the folder should be: neither folder nor line can be made.
        Touch(LogFolder());
        WriteErrLog(QStringLiteral("G"), QStringLiteral("10.0.0.1"), QStringLiteral("n"), QStringLiteral("x"));
        QVERIFY(QFileInfo(LogFolder()).isFile());
        QFile::remove(LogFolder());
        DeleteOldLog();  // no folder: nothing happens
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
