#pragma once
// The web server check: does a request for URL over HTTP (Protocol 4) or HTTPS (5) bring a
// page back within TimeOut seconds. An empty page, a page that begins with the error marker,
// an HTTP error status or any transfer error fails the attempt.

#include "plugins/common/PluginObject.h"

class ClsVantoro final : public plugin::ClsVantoroBase {
    Q_OBJECT
    Q_PROPERTY(QString URL READ URL WRITE setURL)
    Q_PROPERTY(QString Password READ Password WRITE setPassword)
    Q_PROPERTY(QString UserName READ UserName WRITE setUserName)
    Q_PROPERTY(int TimeOut READ TimeOut WRITE setTimeOut)
    Q_PROPERTY(int Protocol READ Protocol WRITE setProtocol)
    Q_PROPERTY(int WaitTime READ WaitTime WRITE setWaitTime)
    Q_PROPERTY(int Retry READ Retry WRITE setRetry)

public:
    static constexpr plugin::PluginKind kKind = plugin::PluginKind::Www;
    ClsVantoro() : ClsVantoroBase(kKind) {}

    int Protocol() const { return Number(QStringLiteral("Protocol")); }
    void setProtocol(int v) { PutValue(QStringLiteral("Protocol"), v); }

    std::unique_ptr<plugin::ClsVantoroBase> CreateSibling() const override;

protected:
    Attempt AttemptOnce() override;
    std::unique_ptr<plugin::SettingsWindow> CreateWindow() override;
};
