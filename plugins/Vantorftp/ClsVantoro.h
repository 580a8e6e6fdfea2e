#pragma once
// The FTP check: can the server be logged in to within TimeOut seconds, and does it give a
// listing of the folder named by URL ("host", "host:port", "host/folder/" or "host/folder")
// or the content of the file it names. An empty listing or file fails, as does a refused
// login.

#include "plugins/common/PluginObject.h"

class ClsVantoro final : public plugin::ClsVantoroBase {
    Q_OBJECT
    Q_PROPERTY(QString URL READ URL WRITE setURL)
    Q_PROPERTY(QString Password READ Password WRITE setPassword)
    Q_PROPERTY(QString UserName READ UserName WRITE setUserName)
    Q_PROPERTY(int TimeOut READ TimeOut WRITE setTimeOut)
    Q_PROPERTY(int WaitTime READ WaitTime WRITE setWaitTime)
    Q_PROPERTY(int Retry READ Retry WRITE setRetry)

public:
    static constexpr plugin::PluginKind kKind = plugin::PluginKind::Ftp;
    ClsVantoro() : ClsVantoroBase(kKind) {}

    std::unique_ptr<plugin::ClsVantoroBase> CreateSibling() const override;

protected:
    Attempt AttemptOnce() override;
    std::unique_ptr<plugin::SettingsWindow> CreateWindow() override;
};
