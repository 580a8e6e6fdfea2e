#pragma once
// The immediate check of one computer (the tree's 今すぐ診断 command).

#include <QString>

class Monitor;
class ClsPing;

// Checks the computer at address now: from a clean failure state, whatever its switches,
// windows and back-off say, with a 10 s echo time-out. When a round's echo is in flight
// (this runs inside one of its yields) the check uses an echo probe of its own.
void CheckOneTarget(Monitor& monitor, ClsPing& ping, const QString& address);
