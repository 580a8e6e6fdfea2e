// The log viewer over real day files in the test's own Log folder: the day list, the event
// table, the line splitting, the sort flip per header click, the detail box and the
// no-files path.
#include "TestSupport.h"

#include "console/FrmDisplayLog.h"
#include "model/EventLog.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QTreeWidget>

namespace {

void WriteFile(const QString& name, const QByteArray& bytes) {
    QDir().mkpath(LogFolder());
    QFile f(LogFolder() + QLatin1Char('/') + name);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QStringList Column(const QTreeWidget* list, int column) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(column);
    return out;
}

QStringList Row(const QTreeWidget* list, int row) {
    QStringList out;
    const QTreeWidgetItem* item = list->topLevelItem(row);
    if (!item) return out;
    for (int c = 0; c < list->columnCount(); ++c) out << item->text(c);
    return out;
}

QStringList Headers(const QTreeWidget* list) {
    QStringList out;
    for (int c = 0; c < list->columnCount(); ++c) out << list->headerItem()->text(c);
    return out;
}

void ClickHeader(QTreeWidget* list, int column) {
    QHeaderView* header = list->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

void ClickItem(QTreeWidget* list, QTreeWidgetItem* item, bool twice = false) {
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    // A double click is a press and release followed by the double-click event.
    if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

}  // namespace

class TestLogViewer : public QObject {
    Q_OBJECT

private slots:
    void init() { QDir(LogFolder()).removeRecursively(); }

    void splitLine_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("five fields") << "10:00:01,G01,10.0.0.1,サーバ,接続OK!"
                                     << QStringList{"10:00:01", "G01", "10.0.0.1", "サーバ", "接続OK!"};
        QTest::newRow("comma in the content stays in the content")
            << "10:00:01,G01,10.0.0.1,web,ﾎﾟｰﾄ80,応答なし,再試行"
            << QStringList{"10:00:01", "G01", "10.0.0.1", "web", "ﾎﾟｰﾄ80,応答なし,再試行"};
        QTest::newRow("CR LF ending") << "10:00:01,G01,10.0.0.1,a,b\r"
                                      << QStringList{"10:00:01", "G01", "10.0.0.1", "a", "b"};
        QTest::newRow("short line fills empty fields")
            << "10:00:01,G01" << QStringList{"10:00:01", "G01", "", "", ""};
        QTest::newRow("empty fields kept") << ",,,," << QStringList{"", "", "", "", ""};
        QTest::newRow("content ends with comma") << "t,g,a,n,c," << QStringList{"t", "g", "a", "n", "c,"};
    }

    void splitLine() {
        QFETCH(QString, line);
        QFETCH(QStringList, fields);
        QCOMPARE(SplitLogLine(line), fields);
    }

    void daysAndEvents() {
        WriteFile(QStringLiteral("20261015.LOG"),
                  QByteArrayLiteral("09:00:00,G01,127.0.0.1,本社サーバ,接続OK!\r\n"
                                    "09:05:00,G01,127.0.0.2,web,ﾎﾟｰﾄ80,応答なし\r\n"));
        // LF endings, a blank line and a short last line without an ending.
        WriteFile(QStringLiteral("20261016.log"), QByteArrayLiteral("10:00:00,G02,10.0.0.9,db,ﾀｲﾑｱｳﾄ!\n"
                                                                    "\n"
                                                                    "10:01:00,G02"));
        WriteFile(QStringLiteral("x.txt"), QByteArrayLiteral("1,2,3,4,5\r\n"));
        WriteFile(QStringLiteral("abc.log"), QByteArrayLiteral("1,2,3,4,5\r\n"));

        vtest::RecordingMessageBox boxes;
        FrmDisplayLog viewer;
        QCOMPARE(viewer.windowTitle(), QStringLiteral("ログ確認"));
        QVERIFY(viewer.Load());
        QVERIFY(boxes.shown.isEmpty());
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));

        QCOMPARE(Headers(viewer.LstFileName()), QStringList{"日付"});
        QCOMPARE(Headers(viewer.LstViewLog()),
                 (QStringList{"時間", "グループ", "ＩＰアドレス", "名称", "内容"}));
        QStringList days = Column(viewer.LstFileName(), 0);
        QStringList sorted = days;
        sorted.sort();
        QCOMPARE(sorted, (QStringList{"2026/10/15", "2026/10/16"}));

        const QMap<QString, QList<QStringList>> expected{
            {QStringLiteral("2026/10/15"),
             {{"09:00:00", "G01", "127.0.0.1", "本社サーバ", "接続OK!"},
              {"09:05:00", "G01", "127.0.0.2", "web", "ﾎﾟｰﾄ80,応答なし"}}},
            {QStringLiteral("2026/10/16"),
             {{"10:00:00", "G02", "10.0.0.9", "db", "ﾀｲﾑｱｳﾄ!"}, {"10:01:00", "G02", "", "", ""}}},
        };
        auto shown = [&] {
            QList<QStringList> rows;
            for (int i = 0; i < viewer.LstViewLog()->topLevelItemCount(); ++i) rows << Row(viewer.LstViewLog(), i);
            return rows;
        };
        // The first day listed is shown at once, with its first row selected.
        QCOMPARE(viewer.LstFileName()->currentItem(), viewer.LstFileName()->topLevelItem(0));
        QCOMPARE(shown(), expected.value(days.first()));
        QVERIFY(viewer.LstViewLog()->topLevelItem(0)->isSelected());

        // A click on each day shows that day, whatever the case of its extension.
        for (int i = days.size() - 1; i >= 0; --i) {
            ClickItem(viewer.LstFileName(), viewer.LstFileName()->topLevelItem(i));
            QCOMPARE(shown(), expected.value(days.at(i)));
        }
        // The public read by date text, and a day without a file keeps the table.
        viewer.ReadErrLog(QStringLiteral("2026/10/16"));
        QCOMPARE(shown(), expected.value(QStringLiteral("2026/10/16")));
        viewer.ReadErrLog(QStringLiteral("2026/10/17"));
        QCOMPARE(shown(), expected.value(QStringLiteral("2026/10/16")));
    }

    void dayNotListedIsFoundInFolder() {
        WriteFile(QStringLiteral("20261015.LOG"), QByteArrayLiteral("a,b,c,d,e\r\n"));
        FrmDisplayLog viewer;
        QVERIFY(viewer.Load());
        WriteFile(QStringLiteral("20261101.log"), QByteArrayLiteral("f,g,h,i,j\n"));
        viewer.ReadErrLog(QStringLiteral("2026/11/01"));
        QCOMPARE(Row(viewer.LstViewLog(), 0), (QStringList{"f", "g", "h", "i", "j"}));
    }

    void emptyDayFile() {
        WriteFile(QStringLiteral("20261015.LOG"), QByteArray());
        vtest::RecordingMessageBox boxes;
        FrmDisplayLog viewer;
        QVERIFY(viewer.Load());
        QCOMPARE(viewer.LstViewLog()->topLevelItemCount(), 0);
        QVERIFY(boxes.shown.isEmpty());
    }

    void nothingToShow_data() {
        QTest::addColumn<bool>("makeFolder");
        QTest::newRow("no folder") << false;
        QTest::newRow("folder without day files") << true;
    }

    void nothingToShow() {
        QFETCH(bool, makeFolder);
        if (makeFolder) WriteFile(QStringLiteral("x.txt"), QByteArrayLiteral("a,b,c,d,e\r\n"));
        QVERIFY(QDir(LogFolder()).exists() == makeFolder);

        vtest::RecordingMessageBox boxes;
        FrmDisplayLog viewer;
        QVERIFY(!viewer.Load());
        QVERIFY(QDir(LogFolder()).exists());
        QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("ログ情報が存在しません")});
        QCOMPARE(boxes.shown.first().style, vb::vbOKOnly | vb::vbQuestion);
        QVERIFY(!viewer.isVisible());
    }

    void headerClicksFlipTheListsOrder() {
        WriteFile(QStringLiteral("20261015.LOG"),
                  QByteArrayLiteral("09:00:00,G02,10.0.0.3,b,x\r\n"
                                    "08:00:00,G01,10.0.0.1,c,y\r\n"
                                    "10:00:00,G03,10.0.0.2,a,z\r\n"));
        WriteFile(QStringLiteral("20261014.LOG"), QByteArrayLiteral("07:00:00,G09,10.0.0.9,q,w\r\n"));
        WriteFile(QStringLiteral("20261016.LOG"), QByteArrayLiteral("06:00:00,G08,10.0.0.8,r,v\r\n"));
        FrmDisplayLog viewer;
        QVERIFY(viewer.Load());
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        viewer.ReadErrLog(QStringLiteral("2026/10/15"));
        QTreeWidget* log = viewer.LstViewLog();

        // The first click reverses the list's initial ascending order.
        ClickHeader(log, 0);
        QCOMPARE(Column(log, 0), (QStringList{"10:00:00", "09:00:00", "08:00:00"}));
        ClickHeader(log, 0);
        QCOMPARE(Column(log, 0), (QStringList{"08:00:00", "09:00:00", "10:00:00"}));
        // Another column reverses the direction again: the order belongs to the list.
        ClickHeader(log, 3);
        QCOMPARE(Column(log, 3), (QStringList{"c", "b", "a"}));
        ClickHeader(log, 2);
        QCOMPARE(Column(log, 2), (QStringList{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));

        // The day list keeps an order of its own.
        ClickHeader(viewer.LstFileName(), 0);
        QCOMPARE(Column(viewer.LstFileName(), 0), (QStringList{"2026/10/16", "2026/10/15", "2026/10/14"}));
        ClickHeader(viewer.LstFileName(), 0);
        QCOMPARE(Column(viewer.LstFileName(), 0), (QStringList{"2026/10/14", "2026/10/15", "2026/10/16"}));

        // A day read while the event list is sorted comes in sorted.
        ClickItem(viewer.LstFileName(), viewer.LstFileName()->topLevelItem(1));
        QCOMPARE(Column(log, 2), (QStringList{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
        QVERIFY(log->topLevelItem(0)->isSelected());
    }

    void detailBoxOnDoubleClick() {
        WriteFile(QStringLiteral("20261015.LOG"),
                  QByteArrayLiteral("09:00:00,G01,127.0.0.1,本社サーバ,接続OK!\r\n"
                                    "09:05:00,G01,127.0.0.2,web,ﾎﾟｰﾄ80,応答なし\r\n"));
        vtest::RecordingMessageBox boxes;
        FrmDisplayLog viewer;
        QVERIFY(viewer.Load());
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QTreeWidget* log = viewer.LstViewLog();
        ClickItem(log, log->topLevelItem(1), true);
        QCOMPARE(boxes.prompts(), QStringList{QStringLiteral("時刻\t09:05:00\r\nｸﾞﾙｰﾌﾟ\tG01\r\nIPｱﾄﾞﾚｽ\t127.0.0.2\r\n"
                                                             "名称\tweb\r\n内容\tﾎﾟｰﾄ80,応答なし")});
        QCOMPARE(boxes.shown.first().style, vb::vbOKOnly | vb::vbInformation);
    }

    void viewerReadsWhatTheLogWrites() {
        eventlog::SetClock([] { return QDateTime(QDate(2026, 12, 1), QTime(8, 30, 5)); });
        WriteErrLog(QStringLiteral("G01"), QStringLiteral("127.0.0.1"), QStringLiteral("ルータ"),
                    QStringLiteral("応答なし, 再試行"));
        eventlog::SetClock({});
        FrmDisplayLog viewer;
        QVERIFY(viewer.Load());
        QCOMPARE(Column(viewer.LstFileName(), 0), QStringList{"2026/12/01"});
        QCOMPARE(Row(viewer.LstViewLog(), 0),
                 (QStringList{"08:30:05", "G01", "127.0.0.1", "ルータ", "応答なし, 再試行"}));
    }
};

VANTORO_TEST_MAIN(TestLogViewer)
#include "tst_logviewer.moc"
