#include "plugins/VantorDB/ClsVantoro.h"

#include "plugins/common/DatabaseCheck.h"
#include "plugins/common/FrmDB.h"
#include "plugins/common/OdbcSession.h"
#include "plugins/common/PluginExports.h"

VANTORO_PLUGIN_EXPORTS(ClsVantoro)

std::unique_ptr<plugin::ClsVantoroBase> ClsVantoro::CreateSibling() const { return std::make_unique<ClsVantoro>(); }

std::unique_ptr<plugin::SettingsWindow> ClsVantoro::CreateWindow() { return std::make_unique<plugin::FrmDB>(*this); }

// The driver is named, not a data source. The empty DSN='' that used to follow it made
// the usual "SQL Server" driver on Linux (FreeTDS) refuse every login, since it takes a
// server and a DSN together as a contradiction; without it the string means the same.
QString ClsVantoro::ConnectionString() const {
    using plugin::ConnectionAttribute;
    return ConnectionAttribute(QStringLiteral("uid"), UserName()) + u';' +
           ConnectionAttribute(QStringLiteral("pwd"), Password()) + u';' +
           ConnectionAttribute(QStringLiteral("server"), Address()) + u';' + QStringLiteral("driver={SQL Server};") +
           ConnectionAttribute(QStringLiteral("database"), DBName()) + u';' +
           QStringLiteral("connection=adConnectAsync");
}

ClsVantoro::Attempt ClsVantoro::AttemptOnce() {
    struct ClearKakunin {
        ClsVantoro& self;
        ~ClearKakunin() { self.setKakunin(false); }
    } clear{*this};
    return plugin::RunDatabaseCheck(*this, ConnectionString(), SQL(), kakunin()) ? Attempt::Passed : Attempt::Failed;
}
