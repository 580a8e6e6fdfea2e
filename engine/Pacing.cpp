#include "engine/Pacing.h"

#include "engine/Monitor.h"
#include "engine/CheckRound.h"
#include "model/Globals.h"
#include "model/Seams.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>

qint32 gTimerElapsed = 0;

namespace {
// A timer interval of 0 would fire continuously; no slice is shorter than a second.
void arm(QTimer& timer, qint32 interval) { timer.setInterval(std::clamp(interval, 1000, kMaxTimerSlice)); }
}  // namespace

bool SetPingTimer(Monitor& monitor) {
    QTimer& timer = monitor.TimerPing();
    gTimerElapsed += timer.interval();
    if (gOptTimerInterval > gTimerElapsed) {
        arm(timer, gOptTimerInterval - gTimerElapsed);
        return false;
    }
    gTimerElapsed = 0;
    arm(timer, gOptTimerInterval);
    return true;
}

void TimerPing_Timer(Monitor& monitor) {
    // A tick that falls due while a round or an immediate check is under way (a command
    // run inside one of its yields re-armed the timer) starts nothing: the probes and the
    // target list are in use. The running round re-arms the timer when it ends.
    if (monitor.Session().Running()) return;
    QCoreApplication::processEvents();
    seams::Status().SetStatusText(status::kRunning);
    QTimer& timer = monitor.TimerPing();
    timer.stop();
    if (SetPingTimer(monitor)) CheckAllTargets(monitor, monitor.mPing());
    if (monitor.MenuConnectChecked()) timer.start();
    else timer.stop();
    if (timer.isActive()) seams::Status().SetStatusText(status::kWaiting);
    QCoreApplication::processEvents();
}
