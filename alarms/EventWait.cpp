#include "alarms/EventWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace events {

bool ProcessEventsUntil(const std::function<bool()>& done, qint64 limitMs) {
    QElapsedTimer clock;  // monotonic: a clock change or midnight does not move the limit
    clock.start();
    // Wakes the wait regularly, so the limit and done() are looked at even when nothing
    // else happens.
    QTimer tick;
    tick.start(10);
    bool finished = done();
    while (!finished) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        finished = done();
        if (clock.elapsed() >= limitMs) break;
    }
    return finished;
}

}  // namespace events
