// The shipped empty database and the open-per-operation connection.
#include "TestSupport.h"

#include "model/Database.h"
#include "model/RowNumbers.h"
#include "model/TreeNodes.h"

#include <QFile>

class DatabaseTest : public QObject {
    Q_OBJECT

private slots:
    void emptyDatabaseHasTheTables() {
        const QString db = vtest::FreshDatabase();
        const QStringList tables{"TBL_Group",   "TBL_Computer", "TBL_PortCheck", "TBL_DLL",
                                 "TBL_NoCheck", "TBL_CalenderNoCheck", "TBL_Calender", "TBL_User",
                                 "TBL_MsgSend", "TBL_Service",  "TBL_Meisho",    "TBL_Control"};
        for (const QString& t : tables)
            QCOMPARE(vtest::Scalar(db, "SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?", {t}).toInt(), 1);
        QCOMPARE(vtest::Scalar(db, "SELECT count(*) FROM sqlite_master WHERE type='table'").toInt(), 12);
        QCOMPARE(vtest::Scalar(db, "SELECT 処理 FROM TBL_Control WHERE 区分='稼動'").toString(), QStringLiteral("非稼動中"));
        QCOMPARE(vtest::Scalar(db, "SELECT 処理 FROM TBL_Control WHERE 区分='Web情報提供'").toString(), QStringLiteral("無"));
        QVERIFY(vtest::Scalar(db, "SELECT count(*) FROM TBL_Service").toInt() > 0);
        QVERIFY(vtest::Scalar(db, "SELECT count(*) FROM TBL_Meisho WHERE 区分='種類'").toInt() > 0);
        QCOMPARE(vtest::Scalar(db, "PRAGMA journal_mode").toString(), QStringLiteral("delete"));
        for (const char* t : {"TBL_Group", "TBL_Computer", "TBL_User", "TBL_MsgSend", "TBL_DLL"})
            QCOMPARE(vtest::Scalar(db, QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(t))).toInt(), 0);
    }

    // Every reader and writer names these columns; the names are the system's own.
    void tablesHaveTheirColumns_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("columns");
        QTest::newRow("groups") << "TBL_Group" << QStringList{"グループ", "表示名", "説明", "診断有無"};
        QTest::newRow("computers") << "TBL_Computer"
                                   << QStringList{"アドレス", "グループ", "コンピュータ名", "種類", "表示名",
                                                  "説明", "診断有無", "異常判断回数", "異常音再生", "タイムアウト",
                                                  "状況", "Ping有無", "カレンダー名称"};
        QTest::newRow("port checks") << "TBL_PortCheck" << QStringList{"アドレス", "ポート番号", "サービス名", "状況"};
        QTest::newRow("plug-ins") << "TBL_DLL" << QStringList{"アドレス", "連番", "DLL名", "引数"};
        QTest::newRow("weekly windows") << "TBL_NoCheck"
                                        << QStringList{"アドレス", "連番", "開始時刻", "終了時刻", "曜日"};
        QTest::newRow("dated windows") << "TBL_CalenderNoCheck"
                                       << QStringList{"アドレス", "日付", "開始時刻", "終了時刻"};
        QTest::newRow("calendars") << "TBL_Calender"
                                   << QStringList{"名称", "年度", "01", "02", "03", "04", "05", "06", "07", "08",
                                                  "09", "10", "11", "12"};
        QTest::newRow("persons") << "TBL_User"
                                 << QStringList{"職番", "氏名", "所属名", "連絡先", "アドレス", "警報種別",
                                                "メール送信有無", "メール1", "メール2"};
        QTest::newRow("recipients") << "TBL_MsgSend" << QStringList{"グループ", "アドレス", "職番"};
        QTest::newRow("services") << "TBL_Service" << QStringList{"サービス名", "ポート番号"};
        QTest::newRow("names") << "TBL_Meisho" << QStringList{"区分", "種類"};
        QTest::newRow("control") << "TBL_Control" << QStringList{"区分", "処理"};
    }
    void tablesHaveTheirColumns() {
        QFETCH(QString, table);
        QFETCH(QStringList, columns);
        auto db = Database::Open(vtest::FreshDatabase());
        QVERIFY(db);
        auto q = db->Query(QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"), {table});
        QVERIFY(q);
        QStringList got;
        while (q->next()) got << q->value(0).toString();
        QCOMPARE(got, columns);
    }

    // The build puts a database into the program folder (kept there once made, so it
    // may hold rows by now): the program itself never makes one.
    void programFolderHasADatabase() {
        const QString shipped = QStringLiteral(VANTORO_PROGRAM_DIR "/Vantoro.MDB");
        QVERIFY(QFile::exists(shipped));
        QCOMPARE(vtest::Scalar(shipped, "SELECT count(*) FROM sqlite_master WHERE type='table' AND name LIKE 'TBL_%'")
                     .toInt(),
                 12);
    }

    void openNeverCreatesAFile() {
        const QString missing = vtest::HomeDir() + QStringLiteral("/nothing-here.MDB");
        QString error;
        QVERIFY(!Database::Open(missing, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(missing));
        QVERIFY(!Database::Open(QString()));
    }

    void keysAreUnique_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("secondAccepted");
        QTest::newRow("group, other case") << "INSERT INTO TBL_Group (グループ) VALUES ('Office')"
                                           << "INSERT INTO TBL_Group (グループ) VALUES ('OFFICE')" << false;
        QTest::newRow("port twice") << "INSERT INTO TBL_PortCheck (アドレス,ポート番号) VALUES ('10.0.0.1',80)"
                                    << "INSERT INTO TBL_PortCheck (アドレス,ポート番号) VALUES ('10.0.0.1',80)" << false;
        QTest::newRow("port on another computer")
            << "INSERT INTO TBL_PortCheck (アドレス,ポート番号) VALUES ('10.0.0.1',80)"
            << "INSERT INTO TBL_PortCheck (アドレス,ポート番号) VALUES ('10.0.0.2',80)" << true;
        QTest::newRow("group recipient twice") << "INSERT INTO TBL_MsgSend (グループ,職番) VALUES ('G','001')"
                                               << "INSERT INTO TBL_MsgSend (グループ,職番) VALUES ('G','001')" << false;
        QTest::newRow("group and computer recipient")
            << "INSERT INTO TBL_MsgSend (グループ,職番) VALUES ('G','001')"
            << "INSERT INTO TBL_MsgSend (グループ,アドレス,職番) VALUES ('G','10.0.0.1','001')" << true;
        QTest::newRow("computer recipient, host name in other case")
            << "INSERT INTO TBL_MsgSend (グループ,アドレス,職番) VALUES ('G','Host-A','001')"
            << "INSERT INTO TBL_MsgSend (グループ,アドレス,職番) VALUES ('g','HOST-a','001')" << false;
    }
    void keysAreUnique() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, secondAccepted);
        const QString db = vtest::FreshDatabase();
        auto d = Database::Open(db);
        QVERIFY(d);
        QVERIFY(d->Execute(first));
        QCOMPARE(d->Execute(second), secondAccepted);
    }

    void boundValuesKeepQuotes() {
        const QString db = vtest::FreshDatabase();
        QVERIFY(vtest::Exec(db, "INSERT INTO TBL_Group (グループ,表示名,診断有無) VALUES (?,?,?)",
                            {QStringLiteral("O'Brien"), QStringLiteral("it's"), -1}));
        QCOMPARE(vtest::Scalar(db, "SELECT 表示名 FROM TBL_Group WHERE グループ=?", {QStringLiteral("o'brien")}).toString(),
                 QStringLiteral("it's"));
    }

    void nextRowNumber() {
        const QString path = vtest::FreshDatabase();
        auto db = Database::Open(path);
        QVERIFY(db);
        QCOMPARE(NextRowNumber(*db, "TBL_DLL", "10.0.0.1"), std::optional<qint16>(1));
        QVERIFY(db->Execute("INSERT INTO TBL_DLL (アドレス,連番,DLL名,引数) VALUES ('10.0.0.1',1,'a','')"));
        QVERIFY(db->Execute("INSERT INTO TBL_DLL (アドレス,連番,DLL名,引数) VALUES ('10.0.0.1',4,'a','')"));
        QVERIFY(db->Execute("INSERT INTO TBL_DLL (アドレス,連番,DLL名,引数) VALUES ('10.0.0.2',9,'a','')"));
        QCOMPARE(NextRowNumber(*db, "TBL_DLL", "10.0.0.1"), std::optional<qint16>(5));  // freed numbers below stay free
        QCOMPARE(NextRowNumber(*db, "TBL_NoCheck", "10.0.0.1"), std::optional<qint16>(1));
        QCOMPARE(NextRowNumber(*db, "TBL_DLL", "10.0.0.1' OR '1'='1"), std::optional<qint16>(1));
        QCOMPARE(NextRowNumber(*db, "TBL_User", "10.0.0.1"), std::nullopt);
    }

    // The row numbers are 16-bit: past 32767 a new row is refused with a message, never
    // numbered -32768.
    void rowNumberPastTheLastIsRefused_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("highest");
        QTest::addColumn<int>("next");  // 0: refused
        QTest::newRow("plug-ins, room for one") << "TBL_DLL" << 32766 << 32767;
        QTest::newRow("plug-ins, full") << "TBL_DLL" << 32767 << 0;
        QTest::newRow("weekly windows, full") << "TBL_NoCheck" << 32767 << 0;
        QTest::newRow("weekly windows, stored past the last") << "TBL_NoCheck" << 40000 << 0;
    }
    void rowNumberPastTheLastIsRefused() {
        QFETCH(QString, table);
        QFETCH(int, highest);
        QFETCH(int, next);
        const QString path = vtest::FreshDatabase();
        auto db = Database::Open(path);
        QVERIFY(db);
        const QString insert = table == QLatin1String("TBL_DLL")
                                   ? QStringLiteral("INSERT INTO TBL_DLL (アドレス,連番,DLL名,引数) VALUES ('10.0.0.1',?,'a','')")
                                   : QStringLiteral("INSERT INTO TBL_NoCheck (アドレス,連番,開始時刻,終了時刻,曜日) "
                                                    "VALUES ('10.0.0.1',?,0,100,'1111111')");
        QVERIFY(db->Execute(insert, {highest}));
        vtest::RecordingMessageBox box;
        const std::optional<qint16> number = NextRowNumber(*db, table, QStringLiteral("10.0.0.1"));
        if (next == 0) {
            QCOMPARE(number, std::nullopt);
            QCOMPARE(box.prompts(), QStringList{kRowNumbersFull});
        } else {
            QCOMPARE(number, std::optional<qint16>(qint16(next)));
            QVERIFY(box.shown.isEmpty());
        }
        QCOMPARE(vtest::Scalar(path, QStringLiteral("SELECT count(*) FROM %1").arg(table)).toInt(), 1);
    }

    void deleteCascades() {
        const QString path = vtest::FreshDatabase();
        auto db = Database::Open(path);
        QVERIFY(db);
        for (const char* sql : {
                 "INSERT INTO TBL_Group (グループ) VALUES ('G1'),('G2')",
                 "INSERT INTO TBL_Computer (アドレス,グループ) VALUES ('a','G1'),('b','G1'),('c','G2')",
                 "INSERT INTO TBL_PortCheck (アドレス,ポート番号) VALUES ('a',80),('c',80)",
                 "INSERT INTO TBL_DLL (アドレス,連番) VALUES ('b',1),('c',1)",
                 "INSERT INTO TBL_NoCheck (アドレス,連番) VALUES ('a',1),('c',1)",
                 "INSERT INTO TBL_CalenderNoCheck (アドレス,日付) VALUES ('b','2026-12-10'),('c','2026-12-10')",
                 "INSERT INTO TBL_MsgSend (グループ,アドレス,職番) VALUES ('G1',NULL,'1'),('G1','a','2'),('G2','c','1')"})
            QVERIFY(db->Execute(QString::fromUtf8(sql)));
        auto count = [&](const char* table) {
            auto q = db->Query(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table)));
            return q && q->next() ? q->value(0).toInt() : -1;
        };
        QVERIFY(DeleteComputerRows(*db, "c"));
        for (const char* t : {"TBL_PortCheck", "TBL_DLL", "TBL_NoCheck", "TBL_CalenderNoCheck"}) QCOMPARE(count(t), 1);
        QCOMPARE(count("TBL_MsgSend"), 2);
        QCOMPARE(count("TBL_Computer"), 2);
        QVERIFY(DeleteGroupRows(*db, "G1"));
        for (const char* t : {"TBL_PortCheck", "TBL_DLL", "TBL_NoCheck", "TBL_CalenderNoCheck", "TBL_MsgSend", "TBL_Computer"})
            QCOMPARE(count(t), 0);
        QCOMPARE(count("TBL_Group"), 1);  // G2 stays
    }

    void treeNodeRegistry() {
        TreeNodes nodes;
        QVERIFY(nodes.Add({}, tvwLast, "!G1", "Group one", "Group"));
        QVERIFY(nodes.Add("!G1", tvwChild, "#10.0.0.1", "pc", "Nomal"));
        QVERIFY(nodes.Add("#10.0.0.1", tvwChild, "$10.0.0.1@80", "HTTP  【80】", "SStart"));
        QVERIFY(!nodes.Add({}, tvwLast, "!G1", "again", "Group"));           // key in use
        QVERIFY(!nodes.Add("#missing", tvwChild, "#x", "orphan", "Nomal"));  // no relative
        QVERIFY(nodes.Add({}, tvwLast, "!G2", "Group two", "NoCheck"));
        QCOMPARE(nodes.Count(), 4);
        QCOMPARE(nodes.Roots().size(), size_t(2));
        QCOMPARE(nodes.Index("$10.0.0.1@80"), 3);
        QCOMPARE(TreeNodes::Image(nodes.Item(4)), QStringLiteral("NoCheck"));
        QCOMPARE(TreeNodes::Key(nodes.Item("#10.0.0.1")->Parent()), QStringLiteral("!G1"));
        QVERIFY(nodes.Remove("#10.0.0.1"));  // takes its port node along
        QCOMPARE(nodes.Count(), 2);
        QVERIFY(!nodes.Item("$10.0.0.1@80"));
        QCOMPARE(nodes.Index("!G2"), 2);
        QVERIFY(!nodes.Remove("#10.0.0.1"));
        QVERIFY(nodes.Add("!G1", tvwNext, "!G1b", "between", "Group"));
        QCOMPARE(nodes.SiblingIndex(nodes.Item("!G1b")), 1);
        nodes.Clear();
        QCOMPARE(nodes.Count(), 0);
        QVERIFY(nodes.Roots().empty());
    }
};

VANTORO_TEST_MAIN(DatabaseTest)
#include "tst_database.moc"
