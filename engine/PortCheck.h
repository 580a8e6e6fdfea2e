#pragma once
// The TCP port probe of the check round and the immediate check: can a connection to
// host:port be opened within the configured wait (gOptPortTimeOut seconds × attempt)?
// The wait keeps the event loop running, so timers and commands go on meanwhile.

#include <QString>

// True when the connection was established (it is closed again before returning).
// Callers pass attempt 1; a failed first attempt is tried once more with twice the wait,
// so a silent port costs about 3 × gOptPortTimeOut seconds and a refused one two short
// attempts. A blank host or a port outside 1..65535 is false at once. Each call uses its
// own socket, so a probe started from inside another probe's wait never shares it.
bool PortCheck(const QString& host, qint32 port, qint16 attempt = 1);
