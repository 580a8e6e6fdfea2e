#include "plugins/common/BackgroundCall.h"

#include <atomic>
#include <mutex>
#include <thread>

#include <dlfcn.h>

namespace plugin {

namespace {

std::atomic<int> gRunning{0};  // one count per library: each plug-in links its own copy

// DllCanUnloadNow tells a host not to unload the library while a call runs, but the thread
// still runs a few instructions of this library after it has given its count back. Taking
// a reference that dlclose never gives up keeps the code mapped for good.
void keepLibraryLoaded() {
    static std::once_flag once;
    std::call_once(once, [] {
        Dl_info info{};
        if (dladdr(reinterpret_cast<const void*>(&keepLibraryLoaded), &info) != 0 && info.dli_fname)
            dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    });
}

}  // namespace

int BackgroundCallsRunning() { return gRunning.load(); }

void StartBackgroundCall(std::function<void()> work) {
    keepLibraryLoaded();
    ++gRunning;
    try {
        std::thread([work = std::move(work)]() mutable noexcept {
            try {
                work();
            } catch (...) {
                // Nobody may be waiting any more; the work reports through its own state.
            }
            work = nullptr;  // what it holds goes before the count is given back
            --gRunning;
        }).detach();
    } catch (...) {
        --gRunning;
        throw;
    }
}

quint64 TargetSlots::TryTake(const QString& target, qint64 nowMs) {
    std::lock_guard lock(mutex_);
    auto it = running_.find(target);
    if (it != running_.end()) {
        if (nowMs - it->second.since < retryAfterMs_ || writtenOff_ >= maxWrittenOff_) return 0;
        ++writtenOff_;
        running_.erase(it);
    }
    const quint64 ticket = ++lastTicket_;
    running_.emplace(target, Running{ticket, nowMs});
    return ticket;
}

void TargetSlots::GiveBack(const QString& target, quint64 ticket) {
    std::lock_guard lock(mutex_);
    auto it = running_.find(target);
    if (it != running_.end() && it->second.ticket == ticket)
        running_.erase(it);
    else
        --writtenOff_;  // a call that was written off has ended after all
}

int TargetSlots::WrittenOff() const {
    std::lock_guard lock(mutex_);
    return writtenOff_;
}

}  // namespace plugin
