#pragma once
// The TCP port check: can a connection to URL:Port be opened within TimeOut seconds.
// Name is only a description for the person; the check does not use it.

#include "plugins/common/PluginObject.h"

class ClsVantoro final : public plugin::ClsVantoroBase {
    Q_OBJECT
    Q_PROPERTY(QString URL READ URL WRITE setURL)
    Q_PROPERTY(QString Name READ Name WRITE setName)
    Q_PROPERTY(int Port READ Port WRITE setPort)
    Q_PROPERTY(int TimeOut READ TimeOut WRITE setTimeOut)
    Q_PROPERTY(int WaitTime READ WaitTime WRITE setWaitTime)
    Q_PROPERTY(int Retry READ Retry WRITE setRetry)

public:
    static constexpr plugin::PluginKind kKind = plugin::PluginKind::Port;
    ClsVantoro() : ClsVantoroBase(kKind) {}

    QString Name() const { return Text(QStringLiteral("Name")); }
    void setName(const QString& v) { PutValue(QStringLiteral("Name"), v); }
    int Port() const { return Number(QStringLiteral("Port")); }
    void setPort(int v) { PutValue(QStringLiteral("Port"), v); }

    std::unique_ptr<plugin::ClsVantoroBase> CreateSibling() const override;

protected:
    Attempt AttemptOnce() override;
    std::unique_ptr<plugin::SettingsWindow> CreateWindow() override;
};
