#pragma once
// A check plug-in for tests, entered in the plug-in table (gDllObjects) for the life of
// the object.

#include "model/DllObjects.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace vtest {

// A plug-in entered in the plug-in table for the life of the object, whose check does what
// the test says (raise, say, or run a command the way one can inside a plug-in's wait). Its
// settings window (as UpdateDllCheck opens it) runs inWindow and then edits the parameter;
// a parameter changed under a running check is counted.
class FakePlugin final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Parameter READ Parameter WRITE setParameter)
    Q_PROPERTY(QString Proc READ Proc WRITE setProc)
    Q_PROPERTY(QString Title READ Title)

public:
    FakePlugin(const QString& fileName, std::function<bool()> check) : name_(fileName), check_(std::move(check)) {
        gDllObjects.push_back({name_, std::shared_ptr<QObject>(this, [](QObject*) {})});
    }
    ~FakePlugin() override {
        std::erase_if(gDllObjects, [this](const DllObject& o) { return o.Object.get() == this; });
    }
    QString Parameter() const { return parameter_; }
    void setParameter(const QString& p) {
        parameter_ = p;
        proc_ = QStringLiteral("I");
    }
    QString Proc() const { return proc_; }
    void setProc(const QString& p) { proc_ = p; }
    QString Title() const { return name_.section(QLatin1Char('.'), 0, 0); }
    Q_INVOKABLE bool Check() {
        ++checks;
        const QString mine = parameter_;
        const bool passed = check_();
        if (parameter_ != mine) ++resetInCheck;
        return passed;
    }
    Q_INVOKABLE bool FromShow() {
        ++windows;
        if (inWindow) inWindow();
        parameter_ = QStringLiteral("edited");
        return true;
    }
    std::function<void()> inWindow;
    int checks = 0;
    int windows = 0;
    int resetInCheck = 0;

private:
    QString name_;
    std::function<bool()> check_;
    QString parameter_;
    QString proc_;
};

}  // namespace vtest
