#pragma once
// What the no-check schedule tests share: a fresh database with one group and one watched
// computer, and the tree and target list the loader builds from it.

#include "TestSupport.h"

#include "model/Globals.h"
#include "model/Loader.h"
#include "model/TreeNodes.h"
#include "model/UserList.h"


namespace vtest {

// One checked group "G1" with the computer at address (named calendar: calendar, or none).
inline void AddWatchedComputer(const QString& db, const QString& address, const QString& calendar = QString()) {
    Exec(db, "INSERT INTO TBL_Group (グループ,表示名,診断有無) VALUES ('G1','G1',-1)");
    Exec(db,
         "INSERT INTO TBL_Computer (アドレス,グループ,コンピュータ名,種類,表示名,診断有無,異常判断回数,"
         "異常音再生,タイムアウト,状況,Ping有無,カレンダー名称) VALUES (?,'G1','PC1','ｻｰﾊﾞｰ','ＰＣ１',-1,3,0,1000,'Nomal',-1,?)",
         {address, calendar.isEmpty() ? QVariant() : QVariant(calendar)});
}

struct ScheduleRig {
    TreeNodes nodes;
    UserList users;
    QString db;
    QString address;
    explicit ScheduleRig(const QString& computer, const QString& calendar = QString()) : address(computer) {
        db = FreshDatabase();
        AddWatchedComputer(db, address, calendar);
        reload();
    }
    void reload() { QVERIFY(LoadComputerTree(nodes, users)); }
    ClsPingData& computer() { return *gPingDatas.Item(gPingDatas.GetItemNo(address)); }
};

}  // namespace vtest
