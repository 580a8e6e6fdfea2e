#include "engine/EarlyEchoes.h"

#include "alarms/EventWait.h"
#include "alarms/NameResolver.h"
#include "engine/CheckSession.h"
#include "engine/CheckSteps.h"
#include "engine/ClsPing.h"
#include "model/Globals.h"

#include <algorithm>
#include <limits>

namespace checkround {

EarlyEchoes::EarlyEchoes(ClsPing& ping, CheckSession& session, const QDateTime& now, qint32 count)
    : session_(session) {
    clock_.start();
    // Several echoes per computer, or a scripted echo service, probe one at a time.
    if (ping.Packets() != 1) return;
    flight_ = ping.NewFlight();
    if (!flight_ || !flight_->IsOpen()) {
        flight_.reset();
        return;
    }
    QObject::connect(flight_.get(), &icmp::EchoFlight::errorAnswered,
                     [this](quint32 destination, quint32 from, quint64 sendOrder, int sentSince) {
                         errorAnswered(destination, from, sendOrder, sentSince);
                     });
    // No echo goes out the way through a router that has answered one with an error.
    flight_->SetSendGate([this](icmp::EchoFlight::Ticket ticket, quint32 destination) {
        if (errored_.isEmpty() || !errored_.contains(WayOf(destination))) return true;
        if (const ClsPingData* item = byTicket_.value(ticket))
            if (const auto it = early_.find(item); it != early_.end()) it->second.withdrawn = true;
        return false;
    });
    const QByteArray data = ClsPing::EchoData(ping.CharsPackets());
    for (qint32 i = 1; i <= count; ++i) {
        const std::shared_ptr<ClsPingData> item = gPingDatas.Item(i);
        // The gates of a turn as they stand at the round's start (the back-off step only
        // looked at, not taken).
        if (!item || !OnSchedule(*item, now) || !item->NoCheckPing || (item->NotIPAddress && !BackOffOver(*item)))
            continue;
        const std::optional<quint32> address = AddressOf(*item);
        if (!address) continue;
        Early e {item, 0, item->Revision, item->Timeout, session_.ProbeCount(item->IPAddress)};
        const ClsPingData* key = item.get();
        early_.emplace(key, std::move(e));
        // Registered before it is submitted: the line may ask about it at once.
        const auto ticket = flight_->Submit(*address, data, ping.ttl(), ClsPing::WaitMs(item->Timeout));
        byTicket_.insert(ticket, key);
        if (const auto it = early_.find(key); it != early_.end()) it->second.ticket = ticket;
    }
}

std::optional<quint32> EarlyEchoes::AddressOf(const ClsPingData& item) const {
    const std::optional<QHostAddress> address = names::Literal(item.IPAddress, names::Family::IPv4);
    if (!address) return std::nullopt;
    return address->toIPv4Address();
}

EarlyEchoes::Taken EarlyEchoes::Take(const ClsPingData& item) {
    const auto it = early_.find(&item);
    if (it == early_.end()) return {};
    const Early e = it->second;
    early_.erase(it);
    byTicket_.remove(e.ticket);
    if (e.withdrawn || e.ticket == 0) return {};
    const std::optional<quint64> order = flight_->SendOrder(e.ticket);
    const bool sameSettings = e.revision == item.Revision && e.timeout == item.Timeout;
    const bool noProbeSince = session_.ProbeCount(item.IPAddress) == e.probes;
    const std::optional<qint64> age = flight_->DoneSinceMs(e.ticket);
    const bool young = !age || *age < ClsPing::WaitMs(e.timeout);
    // Still in line on a way that met an error: it goes as the turn's own probe.
    const bool heldBack = !order && ErroredWayTo(item);
    if (sameSettings && noProbeSince && young && !heldBack) return {e.ticket, order};
    flight_->Forget(e.ticket);
    return {};
}

quint64 EarlyEchoes::WayOf(quint32 address) {
    if (const auto it = ways_.constFind(address); it != ways_.constEnd()) return *it;
    const std::optional<route::Way> way = routes_.WayTo(address);
    const quint64 key = way ? way->Key() : 0;
    ways_.insert(address, key);
    return key;
}

void EarlyEchoes::errorAnswered(quint32 destination, quint32 from, quint64 sendOrder, int sentSince) {
    // This machine's own answers (a neighbour that never answered its address request)
    // come from no router's budget.
    if (const std::optional<route::Way> sender = routes_.WayTo(from); sender && sender->local) return;
    const quint64 key = WayOf(destination);
    const bool known = errored_.contains(key);
    ErroredWay& way = errored_[key];
    // A turn's own probe (sendOrder 0) came after every early echo.
    const quint64 order = sendOrder ? sendOrder : std::numeric_limits<quint64>::max();
    if (!known || order < way.firstErrorOrder) way.firstErrorOrder = order;
    // Echoes that went out after this one, before its answer came, may have gone the same
    // way and spent the rest of the router's budget.
    if (sentSince > 0) way.pauseUntilMs = std::max(way.pauseUntilMs, clock_.elapsed() + kBudgetPauseMs);
}

const EarlyEchoes::ErroredWay* EarlyEchoes::ErroredWayTo(const ClsPingData& item) {
    if (errored_.isEmpty()) return nullptr;
    const std::optional<quint32> address = AddressOf(item);
    if (!address) return nullptr;
    const auto it = errored_.constFind(WayOf(*address));
    return it == errored_.constEnd() ? nullptr : &*it;
}

bool EarlyEchoes::Doubtful(const ClsPingData& item, const Taken& taken) {
    // Echoes that went that way before the first one the router answered met a budget it
    // still had, and one sent only now, in the turn, is the turn's own probe: their
    // time-outs stand.
    if (!taken.sendOrder) return false;
    const ErroredWay* way = ErroredWayTo(item);
    return way && *taken.sendOrder > way->firstErrorOrder;
}

bool EarlyEchoes::AwaitWay(const ClsPingData& item, const std::function<bool()>& stop) {
    const ErroredWay* way = ErroredWayTo(item);
    if (!way) return true;
    const qint64 until = way->pauseUntilMs;
    const auto stopped = [&stop] { return stop && stop(); };
    if (clock_.elapsed() < until)
        events::ProcessEventsUntil([&] { return stopped() || clock_.elapsed() >= until; }, until - clock_.elapsed());
    return !stopped();
}

void EarlyEchoes::Probed(const ClsPingData& item, const ClsPing& ping) {
    if (ping.ErrorFrom() == 0) return;
    if (const std::optional<quint32> address = AddressOf(item)) errorAnswered(*address, ping.ErrorFrom(), 0, 0);
}

}  // namespace checkround
