#include "plugins/common/PluginObject.h"

#include "alarms/EventWait.h"

#include "plugins/common/SettingsWindow.h"


#include <algorithm>

namespace plugin {

namespace {
int gLive = 0;  // one count per library: each plug-in links its own copy

class BusyScope {
public:
    explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& flag_;
};
}  // namespace

ClsVantoroBase::ClsVantoroBase(PluginKind kind)
    : format_(FormatOf(kind)), values_(Defaults(format_)), proc_(QStringLiteral("I")) {
    ++gLive;
}

ClsVantoroBase::~ClsVantoroBase() { --gLive; }

int ClsVantoroBase::LiveObjects() { return gLive; }

void ClsVantoroBase::setProc(const QString& proc) {
    proc_ = proc;
    lastError_ = ErrNone;
}

QString ClsVantoroBase::Parameter() const { return BuildParameter(format_, values_); }

void ClsVantoroBase::setParameter(const QString& s) {
    values_ = Defaults(format_);
    proc_ = QStringLiteral("I");
    lastError_ = ParseParameter(format_, s, values_);
}

QVariant ClsVantoroBase::Value(const QString& name) const {
    const int i = format_.indexOf(name);
    return i < 0 ? QVariant() : values_[static_cast<size_t>(i)];
}

int ClsVantoroBase::PutValue(const QString& name, const QVariant& v) {
    const int i = format_.indexOf(name);
    if (i < 0) {
        lastError_ = ErrInvalidCall;
        return lastError_;
    }
    QVariant stored;
    lastError_ = PutRule(format_, i, v, stored);
    if (lastError_ == ErrNone) values_[static_cast<size_t>(i)] = stored;
    return lastError_;
}

int ClsVantoroBase::TimeOutSeconds() const { return std::max(1, Number(QStringLiteral("TimeOut"))); }

bool ClsVantoroBase::FromShow() {
    if (busy_) return false;
    BusyScope busy(busy_);
    try {
        std::unique_ptr<SettingsWindow> window = CreateWindow();
        if (!window) return false;
        window->Load(*this);
        window->Run();
        if (!window->Confirmed()) return false;
        window->CopyConfirmed(*this);
        return true;
    } catch (...) {
        return false;
    }
}

bool ClsVantoroBase::Check(int pCall) {
    if (busy_) return false;
    BusyScope busy(busy_);
    attempts_ = 0;
    for (int call = pCall;; ++call) {
        ++attempts_;
        Attempt result = Attempt::Abort;
        try {
            result = AttemptOnce();
        } catch (...) {
            result = Attempt::Abort;
        }
        if (result == Attempt::Passed) return true;
        if (result == Attempt::Abort || !format_.retries) return false;
        if (call >= Number(QStringLiteral("Retry"))) return false;
        // The wait between attempts keeps the host's event loop running, so its window and
        // timers go on (a host keeps an object in a check from other uses meanwhile).
        const int wait = std::max(0, Number(QStringLiteral("WaitTime")));
        if (wait > 0) events::ProcessEventsUntil([] { return false; }, qint64(wait) * 1000);
    }
}

}  // namespace plugin
