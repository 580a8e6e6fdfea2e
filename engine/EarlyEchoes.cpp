#include "engine/EarlyEchoes.h"

#include "alarms/EventWait.h"
#include "alarms/NameResolver.h"
#include "engine/CheckSession.h"
#include "engine/CheckSteps.h"
#include "engine/ClsPing.h"
#include "model/Globals.h"

#include <algorithm>

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
    // No echo goes out the way through a router that has just answered one with an error:
    // it is held back (the flight forgets it), and goes out again when the turns come to it.
    flight_->SetSendGate(
        [this](icmp::EchoFlight::Ticket, quint32 destination) { return !PausedWayTo(destination); });
    data_ = ClsPing::EchoData(ping.CharsPackets());
    ttl_ = ping.ttl();
    inListOrder_.reserve(size_t(std::max<qint32>(count, 0)));
    early_.reserve(size_t(std::max<qint32>(count, 0)));
    for (qint32 i = 1; i <= count; ++i) {
        const std::shared_ptr<ClsPingData> item = gPingDatas.Item(i);
        // The gates of a turn as they stand at the round's start (the back-off step only
        // looked at, not taken).
        if (!item || !OnSchedule(*item, now) || !item->NoCheckPing || (item->NotIPAddress && !BackOffOver(*item)))
            continue;
        const std::optional<quint32> address = AddressOf(*item);
        if (!address) continue;
        const ClsPingData* key = item.get();
        inListOrder_.push_back(key);
        submit(early_.emplace(key, Early {item}).first->second, *address);
    }
}

void EarlyEchoes::submit(Early& e, quint32 address) {
    const ClsPingData& item = *e.item;
    e.revision = item.Revision;
    e.timeout = item.Timeout;
    e.probes = session_.ProbeCount(item.IPAddress);
    e.ticket = flight_->Submit(address, data_, ttl_, ClsPing::WaitMs(item.Timeout));
}

void EarlyEchoes::resume() {
    // In list order, as the turns will come to them; those still ahead of the turns go
    // from where the turns are, so none waits long for its turn and grows old.
    // The turns take the computers in list order: those before the first one left are gone.
    while (resumeFrom_ < inListOrder_.size() && !early_.count(inListOrder_[resumeFrom_])) ++resumeFrom_;
    for (size_t i = resumeFrom_; i < inListOrder_.size(); ++i) {
        const ClsPingData* key = inListOrder_[i];
        const auto it = early_.find(key);
        if (it == early_.end() || !Withdrawn(it->second)) continue;
        const std::optional<quint32> address = AddressOf(*key);
        if (address && !PausedWayTo(*address)) submit(it->second, *address);
    }
}

std::optional<quint32> EarlyEchoes::AddressOf(const ClsPingData& item) const {
    const std::optional<QHostAddress> address = names::Literal(item.IPAddress, names::Family::IPv4);
    if (!address) return std::nullopt;
    return address->toIPv4Address();
}

EarlyEchoes::Taken EarlyEchoes::Take(const ClsPingData& item, const std::function<bool()>& stop) {
    auto it = early_.find(&item);
    if (it == early_.end()) return {};
    // Held back on a way that paused: once the pause is over its echo goes out again,
    // first of those held back, and the turn takes it then.
    if (Withdrawn(it->second)) {
        if (!AwaitWay(item, stop)) return {};
        resume();
        it = early_.find(&item);
        if (it == early_.end()) return {};
    }
    const Early e = it->second;
    early_.erase(it);
    if (Withdrawn(e)) return {};
    const std::optional<quint64> order = flight_->SendOrder(e.ticket);
    const bool sameSettings = e.revision == item.Revision && e.timeout == item.Timeout;
    const bool noProbeSince = session_.ProbeCount(item.IPAddress) == e.probes;
    const std::optional<qint64> age = flight_->DoneSinceMs(e.ticket);
    const bool young = !age || *age < ClsPing::WaitMs(e.timeout);
    // Still in line on a way that is pausing: it goes as the turn's own probe.
    const std::optional<quint32> address = AddressOf(item);
    const bool heldBack = !order && address && PausedWayTo(*address);
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
    ErroredWay& way = errored_[WayOf(destination)];
    way.pauseUntilMs = std::max(way.pauseUntilMs, clock_.elapsed() + kBudgetPauseMs);
    // Echoes that went out after this one, before its answer came, may have gone the same
    // way and found the budget spent.
    if (sendOrder != 0 && sentSince > 0) way.unsure.emplace_back(sendOrder, sendOrder + quint64(sentSince));
}

const EarlyEchoes::ErroredWay* EarlyEchoes::ErroredWayTo(quint32 address) {
    if (errored_.isEmpty()) return nullptr;
    const auto it = errored_.constFind(WayOf(address));
    return it == errored_.constEnd() ? nullptr : &*it;
}

const EarlyEchoes::ErroredWay* EarlyEchoes::PausedWayTo(quint32 address) {
    const ErroredWay* way = ErroredWayTo(address);
    return way && clock_.elapsed() < way->pauseUntilMs ? way : nullptr;
}

bool EarlyEchoes::Doubtful(const ClsPingData& item, const Taken& taken) {
    // One sent only now, in the turn, is the turn's own probe: its time-out stands.
    if (!taken.sendOrder) return false;
    const std::optional<quint32> address = AddressOf(item);
    const ErroredWay* way = address ? ErroredWayTo(*address) : nullptr;
    if (!way) return false;
    const quint64 order = *taken.sendOrder;
    return std::any_of(way->unsure.begin(), way->unsure.end(),
                       [order](const auto& span) { return order > span.first && order <= span.second; });
}

bool EarlyEchoes::AwaitWay(const ClsPingData& item, const std::function<bool()>& stop) {
    // Without early echoes the round probes one computer at a time, and that pace is
    // what the router's budget is measured against.
    if (!flight_) return true;
    const std::optional<quint32> address = AddressOf(item);
    if (!address) return true;
    const auto stopped = [&stop] { return stop && stop(); };
    // An error meanwhile makes the pause longer: wait for its end as it stands then.
    while (const ErroredWay* way = PausedWayTo(*address)) {
        const qint64 until = way->pauseUntilMs;
        events::ProcessEventsUntil([&] { return stopped() || clock_.elapsed() >= until; }, until - clock_.elapsed());
        if (stopped()) return false;
    }
    return true;
}

void EarlyEchoes::Probed(const ClsPingData& item, const ClsPing& ping) {
    if (ping.ErrorFrom() == 0) return;
    if (const std::optional<quint32> address = AddressOf(item)) errorAnswered(*address, ping.ErrorFrom(), 0, 0);
}

}  // namespace checkround
