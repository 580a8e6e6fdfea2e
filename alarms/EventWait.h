#pragma once
// Waiting with the event loop running: the program's one way to wait (an echo, a port, a
// name, the siren's first moments, a plug-in's connection or database call), so the
// window, its timers and its commands go on meanwhile. A library of its own (Qt Core
// only), shared with the plug-ins, which must not pull in the program's globals.

#include <QtGlobal>

#include <functional>

namespace events {

// Processes events until done() is true or limitMs have passed since the call. There is
// always at least one pass of event processing, so a limit of 0 or less still sees what
// was already due (a connection made by then). Returns done() as it last answered.
bool ProcessEventsUntil(const std::function<bool()>& done, qint64 limitMs);

}  // namespace events
