#include "alarms/NameResolver.h"

#include "alarms/EventWait.h"

#include <QHostInfo>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <utility>

namespace names {

namespace {

// One look-up in flight: its answer, or the end of its time, is handed on once. A
// look-up destroyed before either is aborted, so its answer never arrives anywhere.
class PendingLookup : public QObject {
public:
    using Finish = std::function<void(const QHostInfo* info)>;  // null: no answer in time

    PendingLookup(const QString& name, int timeoutMs, Finish finish, bool deleteWhenEnded, QObject* parent = nullptr)
        : QObject(parent), finish_(std::move(finish)), deleteWhenEnded_(deleteWhenEnded) {
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] { End(nullptr); });
        timer_.start(std::max(timeoutMs, 0));
        id_ = QHostInfo::lookupHost(name, this, [this](const QHostInfo& info) { End(&info); });
    }
    ~PendingLookup() override {
        if (!ended_) QHostInfo::abortHostLookup(id_);
    }
    PendingLookup(const PendingLookup&) = delete;
    PendingLookup& operator=(const PendingLookup&) = delete;

    bool Ended() const { return ended_; }

private:
    void End(const QHostInfo* info) {
        if (ended_) return;
        ended_ = true;
        timer_.stop();
        if (!info) QHostInfo::abortHostLookup(id_);
        if (deleteWhenEnded_) deleteLater();
        const Finish finish = std::move(finish_);
        if (finish) finish(info);
    }

    QTimer timer_;
    Finish finish_;
    bool deleteWhenEnded_;
    bool ended_ = false;
    int id_ = -1;
};

std::optional<QHostAddress> Pick(const QList<QHostAddress>& found, Family family) {
    for (const QHostAddress& a : found)
        if (a.protocol() == QAbstractSocket::IPv4Protocol) return a;
    if (family == Family::Any && !found.isEmpty()) return found.first();
    return std::nullopt;
}

std::optional<QHostAddress> Pick(const QHostInfo* info, Family family) {
    if (!info || info->error() != QHostInfo::NoError) return std::nullopt;
    return Pick(info->addresses(), family);
}

// Yields until the look-up has ended; its own timer guarantees that it does.
void WaitFor(const PendingLookup& lookup) {
    events::ProcessEventsUntil([&lookup] { return lookup.Ended(); }, std::numeric_limits<qint64>::max());
}

bool IsLiteral(const QString& name) { return QHostAddress().setAddress(name); }

}  // namespace

std::optional<QHostAddress> Literal(const QString& host, Family family) {
    QHostAddress literal;
    if (!literal.setAddress(host.trimmed())) return std::nullopt;
    return Pick(QList<QHostAddress>{literal}, family);
}

bool NeedsLookup(const QString& host) {
    const QString name = host.trimmed();
    return !name.isEmpty() && !IsLiteral(name);
}

std::optional<QHostAddress> Resolve(const QString& host, Family family, int timeoutMs) {
    const QString name = host.trimmed();
    if (!NeedsLookup(name)) return Literal(name, family);
    std::optional<QHostAddress> found;
    PendingLookup lookup(
        name, timeoutMs, [&found, family](const QHostInfo* info) { found = Pick(info, family); }, false);
    WaitFor(lookup);
    return found;
}

void ResolveThen(const QString& host, Family family, QObject* context, Resolved done, int timeoutMs) {
    const QString name = host.trimmed();
    if (!NeedsLookup(name)) {
        done(Literal(name, family));
        return;
    }
    new PendingLookup(
        name, timeoutMs, [family, done = std::move(done)](const QHostInfo* info) { done(Pick(info, family)); }, true,
        context);
}

QString NameOf(const QHostAddress& address, int timeoutMs) {
    if (address.isNull()) return {};
    const QString text = address.toString();
    QString name;
    PendingLookup lookup(
        text, timeoutMs,
        [&name](const QHostInfo* info) {
            if (info && info->error() == QHostInfo::NoError) name = info->hostName();
        },
        false);
    WaitFor(lookup);
    // Without a name the resolver hands back the address itself.
    return name == text ? QString() : name;
}

}  // namespace names
