// The target loader: tree, target list and person list rebuilt from one small database.
#include "TestSupport.h"

#include "model/Database.h"
#include "model/DllObjects.h"
#include "model/Encipherment.h"
#include "model/EventLog.h"
#include "model/Globals.h"
#include "model/Loader.h"
#include "model/TreeNodes.h"
#include "model/UserList.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>

#include <memory>

namespace {

const QDate kToday(2026, 6, 15);  // the purge keeps 1 January 2025 and later

// Groups G0 (empty), G1 (on) and G2 (off); a computer of an unknown group; a switched-off
// computer of G1 with a recipient; plug-in rows of a loaded, an unknown and a
// wrongly-cased plug-in; old and kept dated windows; recipients of a missing person and
// of a missing group; a computer and a recipient whose group code is written in another
// letter case.
QString MakeFixture() {
    const QString db = vtest::FreshDatabase();
    auto x = [&db](const char* sql, std::initializer_list<QVariant> v = {}) { QVERIFY(vtest::Exec(db, sql, v)); };
    x("INSERT INTO TBL_Group (グループ,表示名,診断有無) VALUES ('G0','空',-1),('G1','本社',-1),('G2','支店',0)");
    x("INSERT INTO TBL_Computer (アドレス,グループ,コンピュータ名,種類,表示名,診断有無,異常判断回数,異常音再生,"
      "タイムアウト,Ping有無,カレンダー名称) VALUES "
      "('10.0.0.1','G1','ALPHA','ｸﾗｲｱﾝﾄ','受付',-1,5,0,5000,-1,NULL),"
      "('10.0.0.2','G1','srv02','ｻｰﾊﾞｰ','経理',-1,3,1,2000,0,'本社暦'),"
      "('10.0.0.10','G1','pc10','ｸﾗｲｱﾝﾄ','倉庫',0,5,-1,5000,-1,NULL),"
      "('10.1.0.1','G2','branch','ｻｰﾊﾞｰ','支店サーバ',-1,5,-1,5000,-1,NULL),"
      "('10.9.9.9','GX','lost','ｻｰﾊﾞｰ','迷子',-1,5,-1,5000,-1,NULL),"
      "('10.0.0.3','g1','beta','ｸﾗｲｱﾝﾄ','予備',-1,5,-1,5000,-1,NULL)");
    x("INSERT INTO TBL_PortCheck (アドレス,ポート番号,サービス名) VALUES "
      "('10.0.0.2',80,'HTTP'),('10.0.0.2',21,'FTP'),('10.9.9.9',22,'SSH')");
    x("INSERT INTO TBL_DLL (アドレス,連番,DLL名,引数) VALUES (?,1,'VantorPort.so',?),"
      "('10.0.0.2',2,'Unknown.so','x'),('10.0.0.2',3,'vantorport.so','y')",
      {"10.0.0.2", Encipherment(QString::fromLatin1(kParameterKey), QStringLiteral("10.0.0.2|8080"))});
    x("INSERT INTO TBL_NoCheck (アドレス,連番,開始時刻,終了時刻,曜日) VALUES "
      "('10.0.0.2',2,2200,2630,'0111110'),('10.0.0.2',1,800,900,'1000001')");
    x("INSERT INTO TBL_CalenderNoCheck (アドレス,日付,開始時刻,終了時刻) VALUES "
      "('10.0.0.2','2024-12-31',0,2359),('10.0.0.2','2025-01-01',0,2359),('10.0.0.2','2026-07-01',900,1700),"
      "('10.0.0.1','2020-05-05',0,100),('10.0.0.10','2024-01-01',0,100)");
    x("INSERT INTO TBL_User (職番,氏名,所属名,連絡先,アドレス,警報種別,メール1,メール2) VALUES "
      "('002','佐藤 花子','情報部','',NULL,'1','s@example.test',NULL),"
      "('001','山田 太郎','総務部','内線100','127.0.0.1','0','y@example.test','y2@example.test'),"
      "('003','鈴木 一郎','営業部','内線300','127.0.0.3','0','z@example.test','')");
    x("INSERT INTO TBL_MsgSend (グループ,アドレス,職番) VALUES "
      "('G1',NULL,'001'),('G1','10.0.0.2','002'),('G1','10.0.0.10','001'),('G1','10.0.0.2','999'),"
      "('G2',NULL,'002'),('GZ',NULL,'001'),('g1',NULL,'003')");
    return db;
}

void Dump(const TreeNode* node, int depth, QStringList& out) {
    out << QString(depth * 2, QLatin1Char(' ')) + node->Key() + QLatin1Char('|') + node->Text() + QLatin1Char('|') +
               node->Image();
    for (const TreeNode* child : node->Children()) Dump(child, depth + 1, out);
}
QStringList TreeDump(const TreeNodes& tree) {
    QStringList out;
    for (const TreeNode* root : tree.Roots()) Dump(root, 0, out);
    return out;
}

QStringList ModelDump() {
    QStringList out;
    for (int i = 1; i <= gPingDatas.ListCount(); ++i) {
        ClsPingData& d = *gPingDatas.Item(i);
        QStringList ports, dlls, waits, days;
        for (const auto& p : d.PortData()) ports << QStringLiteral("%1:%2").arg(p->PortNo).arg(p->PortService);
        for (const auto& p : d.DllData()) dlls << QStringLiteral("%1:%2:%3").arg(p->SubNo).arg(p->DllName, p->Parameter);
        for (const auto& w : d.WaitTime())
            waits << QStringLiteral("%1:%2-%3:%4").arg(w->SubNo).arg(w->TimeStart).arg(w->TimeEnd).arg(w->TimeDay);
        for (const auto& w : d.WaitDayTime())
            days << QStringLiteral("%1:%2-%3").arg(w->WaitDate.toString(Qt::ISODate)).arg(w->TimeStart).arg(w->TimeEnd);
        out << QStringList{d.IPAddress, d.Computer, d.Group, QString::number(d.WrongCount), QString::number(d.Sound),
                           QString::number(d.Timeout), QString::number(d.NoCheckGrp), QString::number(d.NoCheckSrv),
                           QString::number(d.NoCheckPing), d.Calendar, ports.join(','), dlls.join(','),
                           waits.join(','), days.join(',')}
                   .join(QStringLiteral(" / "));
    }
    return out;
}

QStringList ListDump(const UserList& list) {
    QStringList out;
    for (const auto& row : list.Rows()) out << row->Columns().join(QLatin1Char('|')) + QLatin1Char('|') + row->Image();
    return out;
}

// Every node is in the registry under its key, every computer node is its model entry and
// the other way round, and the reset brackets are closed.
void CheckConsistent(const TreeNodes& nodes, const UserList& list) {
    int items = 0;
    int computers = 0;
    std::function<void(const TreeNode*)> walk = [&](const TreeNode* it) {
        ++items;
        QCOMPARE(nodes.Item(it->Key()), it);
        if (it->Key().startsWith(QLatin1Char('#'))) {
            ++computers;
            const qint32 at = gPingDatas.GetItemNo(it->Key().mid(1));
            QVERIFY2(at > 0, qPrintable(it->Key()));
            QCOMPARE(static_cast<const TreeNode*>(gPingDatas.Item(at).get()), it);
        }
        for (const TreeNode* child : it->Children()) walk(child);
    };
    for (const TreeNode* root : nodes.Roots()) walk(root);
    QCOMPARE(nodes.Count(), items);
    QCOMPARE(gPingDatas.ListCount(), computers);
    QVERIFY(!nodes.Resetting());
    Q_UNUSED(list);
}

// What a view sees of the model during one load: one reset of the tree (and of the person
// list, once the persons are read), no node or row one by one.
struct ResetSpy {
    explicit ResetSpy(TreeNodes& nodes, UserList& list)
        : treeStart(&nodes, &TreeNodes::aboutToReset), treeEnd(&nodes, &TreeNodes::resetDone),
          added(&nodes, &TreeNodes::nodeAdded), listEnd(&list, &UserList::resetDone),
          rowAdded(&list, &UserList::rowAdded) {}
    void Expect(int listResets) {
        QCOMPARE(treeStart.count(), 1);
        QCOMPARE(treeEnd.count(), 1);
        QCOMPARE(added.count(), 0);
        QCOMPARE(listEnd.count(), listResets);
        QCOMPARE(rowAdded.count(), 0);
    }
    QSignalSpy treeStart, treeEnd, added, listEnd, rowAdded;
};

}  // namespace

class LoaderTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        auto plugin = std::make_shared<QObject>();
        plugin->setProperty("Title", QStringLiteral("ポート監視"));
        gDllObjects = {{QStringLiteral("VantorPort.so"), plugin}};
    }
    void cleanupTestCase() { gDllObjects.clear(); }
    void cleanup() { gOptNoCheck = false; }

    void load_data() {
        QTest::addColumn<bool>("noCheck");
        QTest::addColumn<QStringList>("tree");
        QTest::addColumn<QStringList>("model");
        QTest::addColumn<int>("datedRowsLeft");

        const QStringList srv02{
            "  #10.0.0.2|経理　【srv02：ｻｰﾊﾞｰ】|Nomal",
            "    $10.0.0.2@21|FTP  【21】|SStart",
            "    $10.0.0.2@80|HTTP  【80】|SStart",
            "    %10.0.0.2@001|ポート監視001|SStart",
            "    ?10.0.0.2@001|08時00分～09時00分  【日・土】|Wait",
            "    ?10.0.0.2@002|22時00分～26時30分  【月・火・水・木・金】|Wait",
            "    =10.0.0.2@非稼動カレンダー|非稼動カレンダー|Calendar",
            "    \\10.0.0.2@002|佐藤 花子　【情報部】|User"};
        const QString m1 = "10.0.0.1 / ALPHA / G1 / 5 / 0 / 5000 / 1 / 1 / 1 /  /  /  /  / ";
        const QString m3 = "10.0.0.3 / BETA / G1 / 5 / -1 / 5000 / 1 / 1 / 1 /  /  /  /  / ";
        const QString m2 = "10.0.0.2 / SRV02 / G1 / 3 / -1 / 2000 / 1 / 1 / 0 / 本社暦 / 21:FTP,80:HTTP / "
                           "1:VantorPort.so:10.0.0.2|8080 / 1:800-900:1000001,2:2200-2630:0111110 / "
                           "2025-01-01:0-2359,2026-07-01:900-1700";

        QTest::newRow("switched-off entries left out")
            << false
            << QStringList{"!G0|空|Group", "!G1|本社|Group", "  #10.0.0.1|受付　【ALPHA：ｸﾗｲｱﾝﾄ】|Nomal",
                           "  #10.0.0.3|予備　【beta：ｸﾗｲｱﾝﾄ】|Nomal"} + srv02 +
                   QStringList{"  *G1@001|山田 太郎　【総務部】|User",
                           "  *G1@003|鈴木 一郎　【営業部】|User"}
            << QStringList{m1, m2, m3}
            // 10.0.0.2 keeps two, the switched-off computer's old row is not touched.
            << 3;

        QTest::newRow("switched-off entries drawn as such")
            << true
            << QStringList{"!G0|空|Group", "!G1|本社|Group", "  #10.0.0.1|受付　【ALPHA：ｸﾗｲｱﾝﾄ】|Nomal",
                           "  #10.0.0.3|予備　【beta：ｸﾗｲｱﾝﾄ】|Nomal",
                           "  #10.0.0.10|倉庫　【pc10：ｸﾗｲｱﾝﾄ】|NoCheck",
                           "    \\10.0.0.10@001|山田 太郎　【総務部】|User"} +
                   srv02 +
                   QStringList{"  *G1@001|山田 太郎　【総務部】|User",
                           "  *G1@003|鈴木 一郎　【営業部】|User", "!G2|支店|NoCheck",
                               "  #10.1.0.1|支店サーバ　【branch：ｻｰﾊﾞｰ】|Nomal", "  *G2@002|佐藤 花子　【情報部】|User"}
            << QStringList{m1, "10.0.0.10 / PC10 / G1 / 5 / -1 / 5000 / 1 / 0 / 1 /  /  /  /  / ", m2, m3,
                           "10.1.0.1 / BRANCH / G2 / 5 / -1 / 5000 / 0 / 1 / 1 /  /  /  /  / "}
            << 2;
    }
    void load() {
        QFETCH(bool, noCheck);
        QFETCH(QStringList, tree);
        QFETCH(QStringList, model);
        QFETCH(int, datedRowsLeft);
        const QString db = MakeFixture();
        gOptNoCheck = noCheck;
        TreeNodes nodes;
        UserList list;

        {
            ResetSpy spy(nodes, list);
            QVERIFY(LoadComputerTree(nodes, list, {kToday}));
            spy.Expect(1);
        }
        QCOMPARE(TreeDump(nodes), tree);
        QCOMPARE(ModelDump(), model);
        CheckConsistent(nodes, list);
        QCOMPARE(vtest::Scalar(db, "SELECT count(*) FROM TBL_CalenderNoCheck").toInt(), datedRowsLeft);
        // Rows of plug-ins that are not loaded stay in the database.
        QCOMPARE(vtest::Scalar(db, "SELECT count(*) FROM TBL_DLL").toInt(), 3);

        // The person list: seven columns, every person whatever the switch says.
        QCOMPARE(UserListCaptions().size(), 7);
        QCOMPARE(UserListCaptions().at(6), QStringLiteral("EMail"));
        QCOMPARE(ListDump(list),
                 (QStringList{"001|山田 太郎|総務部|内線100|127.0.0.1|ﾎﾟｯﾌﾟｱｯﾌﾟﾒｯｾｰｼﾞ|○|User",
                              "002|佐藤 花子|情報部|||ﾒｯｾｰｼﾞ君||User",
                              "003|鈴木 一郎|営業部|内線300|127.0.0.3|ﾎﾟｯﾌﾟｱｯﾌﾟﾒｯｾｰｼﾞ||User"}));
        QCOMPARE(list.Current(), list.Rows().front().get());

        // A second load finds the same and purges nothing more.
        QVERIFY(LoadComputerTree(nodes, list, {kToday}));
        QCOMPARE(TreeDump(nodes), tree);
        QCOMPARE(ModelDump(), model);
        QCOMPARE(list.Count(), 3);
        QCOMPARE(nodes.Count(), tree.size());
        QCOMPARE(vtest::Scalar(db, "SELECT count(*) FROM TBL_CalenderNoCheck").toInt(), datedRowsLeft);
    }

    // A check or window row belongs to the computer whose address it names in any letter
    // case, as the address column compares; never to a computer whose address only begins
    // alike. Its rows keep their order (ports by number, windows by start time).
    void childRowsFindTheirComputerInAnyCase() {
        const QString db = vtest::FreshDatabase();
        auto x = [&db](const char* sql) { QVERIFY(vtest::Exec(db, sql)); };
        x("INSERT INTO TBL_Group (グループ,表示名,診断有無) VALUES ('G','G',-1)");
        x("INSERT INTO TBL_Computer (アドレス,グループ,コンピュータ名,種類,表示名) VALUES "
          "('Host-A','G','a','t','A'),('Host-AB','G','ab','t','AB'),('host-b','G','b','t','B')");
        x("INSERT INTO TBL_PortCheck (アドレス,ポート番号,サービス名) VALUES "
          "('HOST-A',443,'HTTPS'),('host-a',21,'FTP'),('Host-A',80,'HTTP'),('HOST-AB',22,'SSH')");
        x("INSERT INTO TBL_NoCheck (アドレス,連番,開始時刻,終了時刻,曜日) VALUES "
          "('host-a',1,900,1000,'1000000'),('HOST-A',2,800,830,'0100000')");
        x("INSERT INTO TBL_CalenderNoCheck (アドレス,日付,開始時刻,終了時刻) VALUES ('HOST-B','2026-07-01',0,100)");
        TreeNodes nodes;
        UserList list;
        QVERIFY(LoadComputerTree(nodes, list, {kToday}));
        QCOMPARE(TreeDump(nodes), (QStringList{
                                      "!G|G|Group",
                                      "  #Host-A|A　【a：t】|Nomal",
                                      "    $Host-A@21|FTP  【21】|SStart",
                                      "    $Host-A@80|HTTP  【80】|SStart",
                                      "    $Host-A@443|HTTPS  【443】|SStart",
                                      "    ?Host-A@002|08時00分～08時30分  【月】|Wait",
                                      "    ?Host-A@001|09時00分～10時00分  【日】|Wait",
                                      "  #Host-AB|AB　【ab：t】|Nomal",
                                      "    $Host-AB@22|SSH  【22】|SStart",
                                      "  #host-b|B　【b：t】|Nomal",
                                      "    =host-b@非稼動カレンダー|非稼動カレンダー|Calendar",
                                  }));
        QCOMPARE(ModelDump(), (QStringList{
                                  "Host-A / A / G / 5 / -1 / 5000 / 1 / 1 / 1 /  / 21:FTP,80:HTTP,443:HTTPS /  / "
                                  "2:800-830:0100000,1:900-1000:1000000 / ",
                                  "Host-AB / AB / G / 5 / -1 / 5000 / 1 / 1 / 1 /  / 22:SSH /  /  / ",
                                  "host-b / B / G / 5 / -1 / 5000 / 1 / 1 / 1 /  /  /  /  / 2026-07-01:0-100",
                              }));
    }

    void emptyDatabaseGivesEmptyLists() {
        vtest::FreshDatabase();
        TreeNodes nodes;
        UserList list;
        list.Add(QStringList{"stale"});
        QVERIFY(LoadComputerTree(nodes, list));
        QVERIFY(nodes.Roots().empty());
        QCOMPARE(nodes.Count(), 0);
        QCOMPARE(gPingDatas.ListCount(), 0);
        QCOMPARE(list.Count(), 0);
    }

    void failingStepStopsCleanly_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("computersLeft");
        QTest::addColumn<int>("personsLeft");
        QTest::newRow("database missing") << "missing" << 0 << 1;
        QTest::newRow("recipient table damaged") << "ALTER TABLE TBL_MsgSend RENAME COLUMN 職番 TO X" << 3 << 1;
        QTest::newRow("window table damaged") << "ALTER TABLE TBL_NoCheck RENAME COLUMN 曜日 TO X" << 0 << 1;
    }
    void failingStepStopsCleanly() {
        QFETCH(QString, damage);
        QFETCH(int, computersLeft);
        QFETCH(int, personsLeft);
        const QString db = MakeFixture();
        TreeNodes nodes;
        UserList list;
        QVERIFY(LoadComputerTree(nodes, list, {kToday}));
        list.Clear();
        list.Add(QStringList{"earlier"});
        if (damage == QLatin1String("missing")) gOptDatabasePath = db + QStringLiteral(".gone");
        else QVERIFY(vtest::Exec(db, damage));

        {
            // A view is shown what was loaded, also when the load ends early: the tree's
            // reset is closed; the person list is not touched before its own step.
            ResetSpy spy(nodes, list);
            QVERIFY(!LoadComputerTree(nodes, list, {kToday}));
            spy.Expect(0);
        }
        QCOMPARE(gPingDatas.ListCount(), computersLeft);
        QCOMPARE(list.Count(), personsLeft);
        CheckConsistent(nodes, list);
        if (computersLeft > 0) QCOMPARE(gPingDatas.Item(1)->IPAddress, QStringLiteral("10.0.0.1"));  // sorted
    }

    // Another program that only reads the database holds a read transaction: the purge
    // of old dated windows cannot commit. It is skipped for this load (one log line), and
    // every computer, recipient and person is still loaded.
    void outsideReaderDoesNotStopTheLoad() {
        const QString db = MakeFixture();
        QDir(LogFolder()).removeRecursively();
        TreeNodes nodes;
        UserList list;
        {
            auto reader = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("outside-reader"));
            reader.setDatabaseName(db);
            QVERIFY(reader.open());
            QSqlQuery q(reader);
            QVERIFY(q.exec(QStringLiteral("BEGIN")));
            QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM TBL_Computer")));
            QVERIFY(q.next());
            q.finish();

            QString error;
            QVERIFY2(LoadComputerTree(nodes, list, {kToday}, &error), qPrintable(error));
            QVERIFY(q.exec(QStringLiteral("ROLLBACK")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("outside-reader"));
        QCOMPARE(gPingDatas.ListCount(), 3);
        QCOMPARE(list.Count(), 3);
        QVERIFY(nodes.Item(QStringLiteral("*G1@003")) != nullptr);  // the recipients, last of the tree
        CheckConsistent(nodes, list);
        // Nothing was purged; the old rows are still in use by nobody and go next time.
        QCOMPARE(vtest::Scalar(db, "SELECT count(*) FROM TBL_CalenderNoCheck").toInt(), 5);
        const QStringList logs = QDir(LogFolder()).entryList(QDir::Files);
        QCOMPARE(logs.size(), 1);
        QFile log(LogFolder() + QLatin1Char('/') + logs.first());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll().count("\r\n"), 1);

        // Without the reader the next load purges as usual.
        QVERIFY(LoadComputerTree(nodes, list, {kToday}));
        QCOMPARE(vtest::Scalar(db, "SELECT count(*) FROM TBL_CalenderNoCheck").toInt(), 3);
    }

    // A load that ends early says why, in words the operator can act on: a file that is
    // no monitoring database is called so, not by the first table it lacks.
    void failingLoadSaysWhy_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("said");
        QTest::newRow("a column renamed") << "column" << QStringList{"曜日"};
        QTest::newRow("the file gone") << "gone" << QStringList{".gone"};
        QTest::newRow("an empty file") << "empty" << QStringList{dbmsg::kForeign, "監視用のテーブルがありません"};
        QTest::newRow("a text file") << "text" << QStringList{dbmsg::kForeign, "SQLite"};
        QTest::newRow("a table dropped") << "dropped" << QStringList{dbmsg::kForeign, "TBL_Group"};
    }
    void failingLoadSaysWhy() {
        QFETCH(QString, fault);
        QFETCH(QStringList, said);
        const QString db = MakeFixture();
        if (fault == QLatin1String("column"))
            QVERIFY(vtest::Exec(db, "ALTER TABLE TBL_NoCheck RENAME COLUMN 曜日 TO X"));
        if (fault == QLatin1String("dropped")) QVERIFY(vtest::Exec(db, "DROP TABLE TBL_Group"));
        if (fault == QLatin1String("gone")) gOptDatabasePath = db + QStringLiteral(".gone");
        if (fault == QLatin1String("empty") || fault == QLatin1String("text")) {
            QFile f(db);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            if (fault == QLatin1String("text")) f.write("グループ,表示名\r\nG1,本社\r\n");
        }
        const QByteArray before = vtest::FileBytes(db);
        TreeNodes nodes;
        UserList list;
        QString error;
        QVERIFY(!LoadComputerTree(nodes, list, {kToday}, &error));
        for (const QString& part : said) QVERIFY2(error.contains(part), qPrintable(error));
        QCOMPARE(gPingDatas.ListCount(), 0);
        // Nothing is purged from a file that is not the program's.
        if (said.contains(dbmsg::kForeign)) QCOMPARE(vtest::FileBytes(db), before);
    }

    void loadDuringALoadIsRefused() {
        MakeFixture();
        TreeNodes nodes;
        UserList list;
        int nested = -1;
        // Runs in the load's own event processing, as a menu command could.
        QTimer::singleShot(0, [&] { nested = LoadComputerTree(nodes, list) ? 1 : 0; });
        QVERIFY(LoadComputerTree(nodes, list, {kToday}));
        QCOMPARE(nested, 0);
        QCOMPARE(gPingDatas.ListCount(), 3);
        CheckConsistent(nodes, list);
    }

    void rowNumbers_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("one") << 1 << "001";
        QTest::newRow("three digits") << 999 << "999";
        QTest::newRow("more digits") << 1234 << "1234";
        QTest::newRow("zero") << 0 << "000";
        QTest::newRow("negative") << -5 << "-005";
    }
    void rowNumbers() {
        QFETCH(int, number);
        QFETCH(QString, text);
        QCOMPARE(FormatRowNumber(number), text);
    }
};

VANTORO_TEST_MAIN(LoaderTest)
#include "tst_loader.moc"
