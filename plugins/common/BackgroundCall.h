#pragma once
// Work a check hands to a thread of its own: a driver call or a transfer that may block
// far longer than the check may wait. The check waits for it with a bound and may stop waiting; the work
// then goes on alone, so it must own everything it touches (share its state by shared_ptr,
// never refer to the check's object or to anything of the window thread).

#include <QString>
#include <QtGlobal>

#include <functional>
#include <map>
#include <mutex>

namespace plugin {

// Starts work on a detached thread. From the first call on, this library stays loaded for
// the rest of the process, since a thread left running still executes its code. Throws
// (std::system_error) when no thread can be started.
void StartBackgroundCall(std::function<void()> work);

// Calls started by this library that have not ended yet (DllCanUnloadNow).
int BackgroundCallsRunning();

// Which targets have a background call running. A driver call that hangs may never return,
// and every check that started one more would leave one more thread and socket behind, so a
// target gets a new call only when its last one has ended, or has run for retryAfterMs
// (it is then written off, so the target can be seen again once it answers). At most
// maxWrittenOff written-off calls may still run at once. Thread-safe; times are
// milliseconds of one monotonic clock.
class TargetSlots {
public:
    TargetSlots(qint64 retryAfterMs, int maxWrittenOff) : retryAfterMs_(retryAfterMs), maxWrittenOff_(maxWrittenOff) {}

    // A ticket (never 0) for a new call to target, or 0 when its call must be waited for.
    quint64 TryTake(const QString& target, qint64 nowMs);
    // The call of that ticket has ended.
    void GiveBack(const QString& target, quint64 ticket);
    // Written-off calls that still run.
    int WrittenOff() const;

private:
    struct Running {
        quint64 ticket;
        qint64 since;
    };
    const qint64 retryAfterMs_;
    const int maxWrittenOff_;
    mutable std::mutex mutex_;
    std::map<QString, Running> running_;
    quint64 lastTicket_ = 0;
    int writtenOff_ = 0;
};

}  // namespace plugin
