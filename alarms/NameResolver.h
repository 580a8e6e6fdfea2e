#pragma once
// The program's one way to turn a host name into an address (and an address back into a
// name). The system resolver runs on Qt's look-up threads; the window thread either goes
// on at once and is called back (ResolveThen), or waits with the event loop running
// (Resolve, NameOf), so a slow or silent name server never freezes the window, the check
// rounds or the alarms. Every look-up ends within its time-out. A dotted or IPv6 literal
// is taken as it stands, without any look-up and without processing events.
//
// The socket classes' own connectToHost (the mail client, the port probe) looks names up
// through the same Qt resolver and is bounded by their connection waits.

#include <QHostAddress>
#include <QString>

#include <functional>
#include <optional>

class QObject;

namespace names {

// Bound of one look-up, milliseconds.
inline constexpr int kTimeoutMs = 5000;

// Which address of a name is wanted: IPv4 only, or any (an IPv4 one first).
enum class Family { IPv4, Any };

// The address a literal stands for (blanks around it trimmed); none for a name, for a
// blank text, or for an IPv6 literal when IPv4 is asked for.
std::optional<QHostAddress> Literal(const QString& host, Family family);

// Whether host is a name that Resolve and ResolveThen look up (not blank, not a literal).
bool NeedsLookup(const QString& host);

// The address of host: a literal at once, a name after a look-up that waits at most
// timeoutMs while other handlers of the program run (a time-out of 0 or less still lets
// the look-up start and ends at the next pass of the event loop). None when the name is
// unknown, the server does not answer in time, or the host is blank.
std::optional<QHostAddress> Resolve(const QString& host, Family family, int timeoutMs = kTimeoutMs);

using Resolved = std::function<void(const std::optional<QHostAddress>& address)>;
// The same without waiting: done runs once with the outcome, from the event loop (for a
// literal or a blank host, before ResolveThen returns). When context is destroyed first,
// the look-up is dropped and done never runs.
void ResolveThen(const QString& host, Family family, QObject* context, Resolved done,
                 int timeoutMs = kTimeoutMs);

// The name of an address by reverse look-up, waiting like Resolve; "" when it has none
// or the answer does not come in time.
QString NameOf(const QHostAddress& address, int timeoutMs = kTimeoutMs);

}  // namespace names
