#include "plugins/common/DatabaseCheck.h"

#include "plugins/common/OdbcSession.h"
#include "plugins/common/PluginObject.h"
#include "plugins/common/PluginUi.h"

#include <algorithm>

namespace plugin {

bool RunDatabaseCheck(const ClsVantoroBase& check, const QString& connectionString, const QString& sql,
                      bool showErrors) {
    OdbcSession session;
    const int loginTimeout = std::max(1, check.Number(QStringLiteral("TimeOut")));
    if (session.Open(connectionString, loginTimeout) && session.Execute(sql, kStatementTimeoutSeconds)) return true;
    if (showErrors && session.HasConnection()) {
        for (const DbError& e : session.Errors())
            MsgBox(QString::number(e.number) + e.description, vbOKOnly, check.Format().fileBase);
    }
    return false;
}

}  // namespace plugin
