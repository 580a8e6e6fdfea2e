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

    QString URL() const { return Text(QStringLiteral("URL")); }
    void setURL(const QString& v) { PutValue(QStringLiteral("URL"), v); }
    QString Password() const { return Text(QStringLiteral("Password")); }
    void setPassword(const QString& v) { PutValue(QStringLiteral("Password"), v); }
    QString UserName() const { return Text(QStringLiteral("UserName")); }
    void setUserName(const QString& v) { PutValue(QStringLiteral("UserName"), v); }
    int TimeOut() const { return Number(QStringLiteral("TimeOut")); }
    void setTimeOut(int v) { PutValue(QStringLiteral("TimeOut"), v); }
    int Protocol() const { return Number(QStringLiteral("Protocol")); }
    void setProtocol(int v) { PutValue(QStringLiteral("Protocol"), v); }
    int WaitTime() const { return Number(QStringLiteral("WaitTime")); }
    void setWaitTime(int v) { PutValue(QStringLiteral("WaitTime"), v); }
    int Retry() const { return Number(QStringLiteral("Retry")); }
    void setRetry(int v) { PutValue(QStringLiteral("Retry"), v); }

    std::unique_ptr<plugin::ClsVantoroBase> CreateSibling() const override;

protected:
    Attempt AttemptOnce() override;
    std::unique_ptr<plugin::SettingsWindow> CreateWindow() override;
};
