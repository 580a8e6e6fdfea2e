#include "plugins/common/DatabaseCheck.h"

#include "plugins/common/BackgroundCall.h"
#include "alarms/EventWait.h"
#include "plugins/common/OdbcSession.h"
#include "plugins/common/PluginObject.h"
#include "plugins/common/PluginUi.h"

#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

namespace plugin {

namespace {

enum Stage { kLoggingIn, kRunning, kFinished };

// One login and statement, shared by the check that waits for it and the thread that runs
// it. Whichever lets go last frees it, so a call the check stopped waiting for writes only
// into its own state when it returns at last.
struct DatabaseCall {
    QString connectionString;
    QString sql;
    int loginTimeout = 1;
    quint64 ticket = 0;
    std::atomic<int> stage{kLoggingIn};
    // Written by the thread before it sets kFinished.
    bool passed = false;
    bool hadConnection = false;
    std::vector<DbError> errors;
};

// A login that hangs is tried again after ten minutes, so a target is seen again once it
// answers, even when the driver never gives the hanging call back; a few dozen such calls
// at most, so a server silent for days cannot use up the program's threads and files.
// Never destroyed: a thread left running may give its target back while the process ends.
TargetSlots& targetSlots() {
    static auto* targets = new TargetSlots(10 * 60 * 1000, 32);
    return *targets;
}

qint64 monotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// On the call's own thread: everything of the driver is made, used and freed here.
void runCall(DatabaseCall& call) {
    {
        OdbcSession session;
        bool ok = session.Open(call.connectionString, call.loginTimeout);
        if (ok) {
            call.stage.store(kRunning, std::memory_order_release);
            ok = session.Execute(call.sql, kStatementTimeoutSeconds);
        }
        call.passed = ok;
        call.hadConnection = session.HasConnection();
        call.errors = session.Errors();
        call.stage.store(kFinished, std::memory_order_release);
    }  // logs out
    targetSlots().GiveBack(call.connectionString, call.ticket);
}

DbError notAnswered(const QString& what) {
    DbError e;
    e.state = QStringLiteral("HYT00");
    e.description = QStringLiteral("[Vantoro]") + what;
    return e;
}

}  // namespace

bool RunDatabaseCheck(const ClsVantoroBase& check, const QString& connectionString, const QString& sql,
                      bool showErrors) {
    const QString title = check.Format().fileBase;
    const int loginTimeout = std::max(1, check.Number(QStringLiteral("TimeOut")));
    const qint64 loginBound = loginTimeout * 1000LL + kDriverGraceMs;
    const auto show = [&](const std::vector<DbError>& errors) {
        if (!showErrors) return;
        for (const DbError& e : errors) MsgBox(QString::number(e.number) + e.description, vbOKOnly, title);
    };
    QElapsedTimer clock;
    clock.start();

    auto call = std::make_shared<DatabaseCall>();
    call->connectionString = connectionString;
    call->sql = sql;
    call->loginTimeout = loginTimeout;
    const auto take = [&] { return (call->ticket = targetSlots().TryTake(connectionString, monotonicMs())) != 0; };
    if (!events::ProcessEventsUntil(take, loginBound)) {
        show({notAnswered(QStringLiteral("前回のログインがまだ終わっていません（サーバが応答しません）"))});
        return false;
    }
    try {
        StartBackgroundCall([call] { runCall(*call); });
    } catch (...) {
        targetSlots().GiveBack(connectionString, call->ticket);
        throw;
    }

    const auto stage = [&call] { return call->stage.load(std::memory_order_acquire); };
    events::ProcessEventsUntil([&] { return stage() != kLoggingIn; }, loginBound - clock.elapsed());
    if (stage() == kLoggingIn) {
        show({notAnswered(QStringLiteral("ログインが%1秒以内に終わりませんでした（サーバが応答しません）").arg(loginTimeout))});
        return false;
    }
    events::ProcessEventsUntil([&] { return stage() == kFinished; }, kStatementTimeoutSeconds * 1000LL + kDriverGraceMs);
    if (stage() != kFinished) {
        show({notAnswered(
            QStringLiteral("SQL文が%1秒以内に終わりませんでした（サーバが応答しません）").arg(kStatementTimeoutSeconds))});
        return false;
    }
    if (call->passed) return true;
    if (call->hadConnection) show(call->errors);
    return false;
}

}  // namespace plugin
