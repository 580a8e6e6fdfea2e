#pragma once
// The settings window of the two database checks: "SQL Server情報" (server address and
// database name) or "UDB2 情報" (data source name), then login, password, statement and the
// login time-out. No retry frame: the database checks make one attempt.

#include "plugins/common/SettingsWindow.h"

namespace plugin {

class FrmDB final : public SettingsWindow {
    Q_OBJECT
public:
    explicit FrmDB(const ClsVantoroBase& owner);
};

}  // namespace plugin
