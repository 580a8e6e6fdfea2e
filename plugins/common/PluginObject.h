#pragma once
// The class every check plug-in exposes: a QObject whose members hosts set, get and call by
// name. The members all six share live here; a plug-in adds its own properties (as
// Q_PROPERTYs over Value/PutValue), one check attempt and its settings window.
//
// A property put cannot raise through the meta-object system, so every put records its
// outcome in LastError: 0 when it succeeded, else 5, 6 or 13. Hosts read it after each put.

#include "plugins/common/ParameterFormat.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

namespace plugin {

class SettingsWindow;

class ClsVantoroBase : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Proc READ Proc WRITE setProc)
    Q_PROPERTY(QString Parameter READ Parameter WRITE setParameter)
    Q_PROPERTY(QString Title READ Title)
    Q_PROPERTY(QString Version READ Version)
    Q_PROPERTY(QString Argument READ Argument)
    Q_PROPERTY(int LastError READ LastError)
    Q_PROPERTY(int Attempts READ Attempts)

public:
    explicit ClsVantoroBase(PluginKind kind);
    ~ClsVantoroBase() override;
    ClsVantoroBase(const ClsVantoroBase&) = delete;
    ClsVantoroBase& operator=(const ClsVantoroBase&) = delete;

    const ParameterFormat& Format() const { return format_; }

    // "I" on creation and after every Parameter put; stored unchanged. Its only effect is
    // the caption of the settings window's OK button.
    QString Proc() const { return proc_; }
    void setProc(const QString& proc);

    // The settings as the "|"-joined parameter string. The put resets every member to its
    // default (Proc to "I") and then reads the string; a failure keeps what was read so far.
    QString Parameter() const;
    void setParameter(const QString& s);

    QString Title() const { return format_.title; }
    QString Version() const { return format_.version; }
    QString Argument() const { return format_.argument; }

    // Error number of the last put (0 after one that succeeded).
    int LastError() const { return lastError_; }
    // Attempts the last Check made (its retry frame included).
    int Attempts() const { return attempts_; }

    // Shows the settings window modally over the current members; True when the person
    // confirmed with OK, the members then holding the confirmed values.
    Q_INVOKABLE bool FromShow();

    // One check of the target; pCall is the attempt number the frame starts from. Plug-ins
    // that retry make further attempts, WaitTime seconds apart, until Retry attempts have
    // failed. A check never raises: anything thrown inside counts as failed. An object
    // already inside Check or FromShow (re-entered through processed events) answers False.
    Q_INVOKABLE bool Check(int pCall = 1);

    // By field name, for the plug-ins' property accessors and the settings windows.
    QVariant Value(const QString& name) const;
    QString Text(const QString& name) const { return Value(name).toString(); }
    int Number(const QString& name) const { return Value(name).toInt(); }
    bool Flag(const QString& name) const { return Value(name).toBool(); }
    bool HasField(const QString& name) const { return format_.indexOf(name) >= 0; }
    // Stores v under the put rules; returns the error number, which also becomes LastError.
    int PutValue(const QString& name, const QVariant& v);

    // Accessors of the fields several plug-ins have. Each plug-in exposes, as Q_PROPERTYs,
    // only the ones its own parameter format holds.
    QString URL() const { return Text(QStringLiteral("URL")); }
    void setURL(const QString& v) { PutValue(QStringLiteral("URL"), v); }
    QString UserName() const { return Text(QStringLiteral("UserName")); }
    void setUserName(const QString& v) { PutValue(QStringLiteral("UserName"), v); }
    QString Password() const { return Text(QStringLiteral("Password")); }
    void setPassword(const QString& v) { PutValue(QStringLiteral("Password"), v); }
    QString SQL() const { return Text(QStringLiteral("SQL")); }
    void setSQL(const QString& v) { PutValue(QStringLiteral("SQL"), v); }
    int TimeOut() const { return Number(QStringLiteral("TimeOut")); }
    void setTimeOut(int v) { PutValue(QStringLiteral("TimeOut"), v); }
    int WaitTime() const { return Number(QStringLiteral("WaitTime")); }
    void setWaitTime(int v) { PutValue(QStringLiteral("WaitTime"), v); }
    int Retry() const { return Number(QStringLiteral("Retry")); }
    void setRetry(int v) { PutValue(QStringLiteral("Retry"), v); }
    bool kakunin() const { return Flag(QStringLiteral("kakunin")); }
    void setKakunin(bool v) { PutValue(QStringLiteral("kakunin"), v); }

    // A fresh object of the same plug-in (the settings window's test button uses one).
    virtual std::unique_ptr<ClsVantoroBase> CreateSibling() const = 0;

    // Objects of this library alive right now (DllCanUnloadNow).
    static int LiveObjects();

protected:
    enum class Attempt {
        Passed,
        Failed,  // retried by the frame
        Abort,   // False at once, no further attempt
    };
    virtual Attempt AttemptOnce() = 0;
    virtual std::unique_ptr<SettingsWindow> CreateWindow() = 0;

    // Seconds for one attempt: a time-out of 0 or less would never let a wait end, so it
    // counts as 1 s.
    int TimeOutSeconds() const;

private:
    const ParameterFormat& format_;
    FieldValues values_;
    QString proc_;
    int lastError_ = 0;
    int attempts_ = 0;
    bool busy_ = false;
};

}  // namespace plugin
