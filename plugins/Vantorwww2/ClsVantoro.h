#pragma once
// The web page content check: fetches "http://" + URL from the server itself (no cached
// copy anywhere on the way) and passes when the page is not empty, does not begin with
// the error marker and holds none of the error texts listed beside the plug-in in
// "<plug-in base name>.ini", section "ErrMsg", keys "01_Msg".."99_Msg" (the list ends at
// the first key that is missing or empty; case does not matter in the match).

#include "plugins/common/PluginObject.h"

class ClsVantoro final : public plugin::ClsVantoroBase {
    Q_OBJECT
    Q_PROPERTY(QString URL READ URL WRITE setURL)
    Q_PROPERTY(int TimeOut READ TimeOut WRITE setTimeOut)
    Q_PROPERTY(int WaitTime READ WaitTime WRITE setWaitTime)
    Q_PROPERTY(int Retry READ Retry WRITE setRetry)
    Q_PROPERTY(QString IniPath READ IniPath)

public:
    static constexpr plugin::PluginKind kKind = plugin::PluginKind::Www2;
    ClsVantoro();

    // The error-text file, fixed when the object is made: beside the plug-in's own file.
    QString IniPath() const { return iniPath_; }

    // The error texts the file lists right now, in key order.
    QStringList ErrorTexts() const;

    std::unique_ptr<plugin::ClsVantoroBase> CreateSibling() const override;

protected:
    Attempt AttemptOnce() override;
    std::unique_ptr<plugin::SettingsWindow> CreateWindow() override;

private:
    QString iniPath_;
};
