#pragma once
// The echoes a round sends at its start, one for every computer it will probe, so that the
// waits of a whole round overlap. Each computer's turn, in list order, takes its answer
// only when it still says what a probe in that turn would say:
// - no answer older than its own wait: an answer is taken while it is younger than the
//   computer's echo time-out (an answer counts from its arrival, a time-out from its
//   deadline); an older one is dropped and the computer probed afresh;
// - none from before a later probe: an immediate check (or any other probe of the
//   computer) after the early echo went out makes the early answer void;
// - none sent with other settings: a computer edited during the round (its Revision) or
//   whose time-out changed drops it;
// - unreachable stays unreachable: a router limits the ICMP errors it sends one sender
//   (a Linux router a burst of five for its routing errors, then one a second; with its
//   default ICMP limits on top a burst of two, then one in two seconds), so a burst of
//   echoes can use its budget up and leave computers it cannot reach silent. After each
//   ICMP error a router sends, nothing goes the way through it for 2.5 seconds, neither
//   an early echo nor a turn's own probe, so its budget has come back. The early echoes
//   held back go out again, together and in list order, when the turns come to the
//   first of them and the pause is over (sent sooner, they would grow old before their
//   turns came). An early time-out of an echo that went that way after one
//   the router answered, but before its answer came back, may be the budget speaking:
//   that computer is probed again in its turn, after the pause.
// Rounds whose echoes meet no ICMP error pay nothing for this.

#include "engine/IcmpEcho.h"
#include "engine/RouteLookup.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

class ClsPing;
class ClsPingData;
class CheckSession;

namespace checkround {

class EarlyEchoes {
public:
    // Sends the echo of every computer of the first count of the target list that a turn
    // would probe as things stand at now (nothing when the prober sends several echoes or
    // a test scripts them).
    EarlyEchoes(ClsPing& ping, CheckSession& session, const QDateTime& now, qint32 count);
    EarlyEchoes(const EarlyEchoes&) = delete;
    EarlyEchoes& operator=(const EarlyEchoes&) = delete;

    struct Taken {
        icmp::EchoFlight::Ticket ticket = 0;  // 0: none, the computer is probed now
        std::optional<quint64> sendOrder;      // where it went out; none: it goes out now
    };
    // The echo sent early for this computer, when it still stands for what a probe now
    // would find. One held back on a pausing way is waited for (events running) until it
    // has gone out with the others held back there; nothing when stop answered true.
    Taken Take(const ClsPingData& item, const std::function<bool()>& stop);
    icmp::EchoFlight& Flight() { return *flight_; }
    // The early echo taken (sent as sendOrder) timed out on a way whose router answered an
    // earlier echo with an error: the time-out may be the router's budget, not the computer.
    bool Doubtful(const ClsPingData& item, const Taken& taken);
    // Before a probe of this computer in its turn: waits (events running) while the way
    // to it is still giving its router's budget time to come back. False when stop
    // answered true meanwhile.
    bool AwaitWay(const ClsPingData& item, const std::function<bool()>& stop);
    // After that probe: an ICMP error it met holds the early echoes that way back.
    void Probed(const ClsPingData& item, const ClsPing& ping);

private:
    // How long a router's error budget is given to come back after an error: a Linux
    // router with its default limits answers one sender about once in two seconds.
    static constexpr qint64 kBudgetPauseMs = 2500;

    struct Early {
        std::shared_ptr<ClsPingData> item;  // held, so its address is never another's
        icmp::EchoFlight::Ticket ticket = 0;
        quint32 revision = 0;
        qint32 timeout = 0;
        quint64 probes = 0;  // the session's count of probes of the computer at sending
    };
    struct ErroredWay {
        qint64 pauseUntilMs = 0;  // no early echo goes that way before
        // Echoes sent after one the router answered, before its answer came: from that
        // echo's send order (not included) to the count of sends when the answer came.
        std::vector<std::pair<quint64, quint64>> unsure;
    };

    // An echo to destination (sent as sendOrder; 0 when in a turn) met an ICMP error.
    void errorAnswered(quint32 destination, quint32 from, quint64 sendOrder, int sentSince);
    void submit(Early& e, quint32 address);
    // Sends again the echoes held back on ways whose pause is over.
    void resume();
    // The way to an address (a key of RouteLookup); one shared key when the kernel has no
    // route to it or it is no literal address.
    quint64 WayOf(quint32 address);
    std::optional<quint32> AddressOf(const ClsPingData& item) const;
    // Held back: the flight refused to send it (its way was pausing) and forgot it; it is
    // sent again later. Nothing else makes the flight forget an echo still in early_.
    bool Withdrawn(const Early& e) const { return !flight_->Knows(e.ticket); }
    const ErroredWay* ErroredWayTo(quint32 address);
    const ErroredWay* PausedWayTo(quint32 address);

    CheckSession& session_;
    std::unique_ptr<icmp::EchoFlight> flight_;
    std::unordered_map<const ClsPingData*, Early> early_;
    std::vector<const ClsPingData*> inListOrder_;  // the computers sent early, as the list has them
    size_t resumeFrom_ = 0;                         // none before it is left in early_
    QByteArray data_;
    int ttl_ = 255;
    QHash<quint64, ErroredWay> errored_;
    QHash<quint32, quint64> ways_;
    route::RouteLookup routes_;
    QElapsedTimer clock_;
};

}  // namespace checkround
