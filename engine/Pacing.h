#pragma once
// The check timer: long intervals are paced in ticks of at most one minute, and a round
// runs when the configured interval has run out.

#include <QtGlobal>

class CheckForm;

// Milliseconds accumulated since the last round.
extern qint32 gTimerElapsed;

// The longest tick the check timer is ever armed with.
constexpr qint32 kMaxTimerSlice = 60000;

// Adds the tick that just ended to gTimerElapsed, re-arms the timer's interval with the
// next slice, and answers whether a round is due now.
bool SetPingTimer(CheckForm& form);

// The check timer's tick handler.
void TimerPing_Timer(CheckForm& form);
