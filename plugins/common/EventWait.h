#pragma once
// Waiting inside a check with the caller's event loop running, so the host's timers and
// windows go on while a connection is made or a database call runs elsewhere.

#include <QtGlobal>

#include <functional>

namespace plugin {

// Processes events until done() is true or limitMs have passed since the call. There is
// always at least one pass of event processing, so a limit of 0 or less still sees what
// was already due (a connection made by then). Returns done() as it last answered.
bool ProcessEventsUntil(const std::function<bool()>& done, qint64 limitMs);

}  // namespace plugin
