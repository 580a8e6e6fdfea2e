#include "plugins/common/FrmDB.h"

#include "plugins/common/PluginObject.h"

#include <QLineEdit>

namespace plugin {

namespace {
bool throughDsn(const ClsVantoroBase& owner) { return owner.Format().kind == PluginKind::DB2; }
}  // namespace

FrmDB::FrmDB(const ClsVantoroBase& owner)
    : SettingsWindow(owner, throughDsn(owner) ? QStringLiteral("UDB2 情報") : QStringLiteral("SQL Server情報")) {
    QLineEdit* target = nullptr;
    QLineEdit* dbName = nullptr;
    if (throughDsn(owner)) {
        target = AddBox(QStringLiteral("TxtDSN"), QStringLiteral("DSN名"), QStringLiteral("DSN"), 20, BoxKind::Text);
    } else {
        target = AddBox(QStringLiteral("TxtAddress"), QStringLiteral("ｱﾄﾞﾚｽ"), QStringLiteral("Address"), 0,
                        BoxKind::Text);
        dbName = AddBox(QStringLiteral("TxtDBName"), QStringLiteral("DB名"), QStringLiteral("DBName"), 20, BoxKind::Text);
    }
    QLineEdit* user =
        AddBox(QStringLiteral("TxtUserName"), QStringLiteral("ﾛｸﾞｲﾝID"), QStringLiteral("UserName"), 20, BoxKind::Text);
    AddBox(QStringLiteral("TxtPassword"), QStringLiteral("ﾊﾟｽﾜｰﾄﾞ"), QStringLiteral("Password"), 30, BoxKind::Password);
    QLineEdit* sql = AddBox(QStringLiteral("TxtSQL"), QStringLiteral("SQL文"), QStringLiteral("SQL"), 200, BoxKind::Text);
    QLineEdit* timeOut = AddTimeOutBox(QStringLiteral("ﾀｲﾑｱｳﾄ"));

    AddRequired(target, throughDsn(owner) ? msg::DSN : msg::Address);
    if (dbName) AddRequired(dbName, msg::DBName);
    AddRequired(user, msg::LogonID);
    AddRequired(sql, msg::SQL);
    AddRequired(timeOut, msg::TimeOut1);
    SetZeroToOne(timeOut);
}

}  // namespace plugin
