#include "engine/PortCheck.h"

#include "alarms/EventWait.h"
#include "model/Globals.h"

#include <QNetworkProxy>
#include <QTcpSocket>

#include <limits>

PortProbe::PortProbe(const QString& host, qint32 port, qint16 attempt) : host_(host.trimmed()), port_(port) {
    limit_.setSingleShot(true);
    limit_.setTimerType(Qt::PreciseTimer);  // the wait is never cut short
    connect(&limit_, &QTimer::timeout, this, &PortProbe::failed);
    start(attempt);
}

PortProbe::~PortProbe() {
    if (socket_) socket_->abort();
}

namespace {
// The configured wait of one attempt, at least a second.
qint32 WaitSeconds() { return gOptPortTimeOut > 0 ? gOptPortTimeOut : 1; }
}  // namespace

qint64 PortProbe::AttemptWaitMs() { return qint64(WaitSeconds()) * 1000; }

void PortProbe::start(qint16 attempt) {
    attempt_ = attempt;
    if (host_.isEmpty() || port_ < 1 || port_ > 65535) return finish(false);
    // The limit is a 16-bit count of seconds; one that does not fit ends the probe.
    const qint32 seconds = WaitSeconds();
    const qint32 limit = seconds * qint32(attempt);
    if (limit > std::numeric_limits<qint16>::max() || limit < std::numeric_limits<qint16>::min()) return finish(false);

    if (socket_) {
        // The attempt before is over; its socket goes once its own signals have run.
        socket_->disconnect(this);
        socket_->abort();
        socket_.release()->deleteLater();
    }
    socket_ = std::make_unique<QTcpSocket>();
    socket_->setProxy(QNetworkProxy::NoProxy);
    failedAtOnce_ = false;
    starting_ = true;
    connect(socket_.get(), &QAbstractSocket::errorOccurred, this, [this] {
        if (starting_) {
            failedAtOnce_ = true;
            return;
        }
        failed();
    });
    connect(socket_.get(), &QAbstractSocket::connected, this, [this] {
        socket_->disconnectFromHost();
        if (socket_->state() != QAbstractSocket::UnconnectedState) socket_->abort();
        finish(true);
    });
    socket_->connectToHost(host_, quint16(port_));
    starting_ = false;
    // Refused before the attempt even began (no route, say): no second attempt.
    if (failedAtOnce_) return finish(false);
    // Every wait is bounded and none is skipped: a limit of 0 or less waits 1 s.
    limit_.start(int(qint64(limit > 0 ? limit : 1) * 1000));
}

void PortProbe::failed() {
    if (done_) return;
    limit_.stop();
    if (socket_) socket_->abort();
    if (attempt_ == 1) {
        start(2);
        return;
    }
    finish(false);
}

void PortProbe::finish(bool connected) {
    limit_.stop();
    done_ = true;
    connected_ = connected;
    doneAt_.start();
}

bool PortProbe::Wait(const std::function<bool()>& stop) {
    const auto stopped = [&stop] { return stop && stop(); };
    // The attempts' own limits end the probe; the bound only makes sure of that.
    const qint64 seconds = WaitSeconds();
    events::ProcessEventsUntil([&] { return done_ || stopped(); }, (seconds * attempt_ + seconds * 2) * 1000 + 1000);
    if (!done_ && stopped()) {
        if (socket_) socket_->abort();
        finish(false);
    }
    if (!done_) failed();
    return connected_;
}

bool PortCheck(const QString& host, qint32 port, qint16 attempt, const std::function<bool()>& stop) {
    return PortProbe(host, port, attempt).Wait(stop);
}
