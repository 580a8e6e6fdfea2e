#pragma once
// The SQL Server check: log in to the database DBName on the server Address through the
// ODBC driver the installation registers as "SQL Server", and run SQL. One attempt; the
// rows are not looked at. With kakunin set, the errors of a failure are shown (the settings
// window's test does that); every Check clears kakunin again.

#include "plugins/common/PluginObject.h"

class ClsVantoro final : public plugin::ClsVantoroBase {
    Q_OBJECT
    Q_PROPERTY(QString Address READ Address WRITE setAddress)
    Q_PROPERTY(QString DBName READ DBName WRITE setDBName)
    Q_PROPERTY(QString SQL READ SQL WRITE setSQL)
    Q_PROPERTY(QString Password READ Password WRITE setPassword)
    Q_PROPERTY(QString UserName READ UserName WRITE setUserName)
    Q_PROPERTY(int TimeOut READ TimeOut WRITE setTimeOut)
    Q_PROPERTY(bool kakunin READ kakunin WRITE setKakunin)
    Q_PROPERTY(QString ConnectionString READ ConnectionString)

public:
    static constexpr plugin::PluginKind kKind = plugin::PluginKind::DB;
    ClsVantoro() : ClsVantoroBase(kKind) {}

    QString Address() const { return Text(QStringLiteral("Address")); }
    void setAddress(const QString& v) { PutValue(QStringLiteral("Address"), v); }
    QString DBName() const { return Text(QStringLiteral("DBName")); }
    void setDBName(const QString& v) { PutValue(QStringLiteral("DBName"), v); }

    // What the login hands the driver manager; every member value braced where it must be.
    QString ConnectionString() const;

    std::unique_ptr<plugin::ClsVantoroBase> CreateSibling() const override;

protected:
    Attempt AttemptOnce() override;
    std::unique_ptr<plugin::SettingsWindow> CreateWindow() override;
};
