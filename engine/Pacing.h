#pragma once
// The check timer: long intervals are paced in ticks of at most one minute, and a round
// runs when the configured interval has run out.

#include <QString>
#include <QtGlobal>

// The three status texts of the check cycle.
namespace status {
inline const QString kRunning = QStringLiteral("接続確認チェック　稼動中！");
inline const QString kWaiting = QStringLiteral("接続確認チェック　待機中！");
inline const QString kStopped = QStringLiteral("接続確認チェック　非稼動中");
}  // namespace status

class Monitor;

// Milliseconds accumulated since the last round.
extern qint32 gTimerElapsed;

// The longest tick the check timer is ever armed with.
constexpr qint32 kMaxTimerSlice = 60000;

// Adds the tick that just ended to gTimerElapsed, re-arms the timer's interval with the
// next slice, and answers whether a round is due now.
bool SetPingTimer(Monitor& monitor);

// The check timer's tick handler.
void TimerPing_Timer(Monitor& monitor);
