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
//   echoes can use its budget up and leave computers it cannot reach silent. Once a
//   router has answered an echo of the round with an error, no more early echoes go the
//   way through it: the computers behind it are probed in their own turns, one after
//   another, as a round without early echoes would probe them. An early time-out behind
//   it of an echo that went out after the one it answered may be its budget speaking and
//   is probed again in its turn; and when such echoes went out before the error came
//   back, the next probe that way waits until two seconds after it, so the budget they
//   may have spent has come back.
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
    // would find.
    Taken Take(const ClsPingData& item);
    icmp::EchoFlight& Flight() { return *flight_; }
    // The early echo taken (sent as sendOrder) timed out on a way whose router answered an
    // earlier echo with an error: the time-out may be the router's budget, not the computer.
    bool Doubtful(const ClsPingData& item, const Taken& taken);
    // Before a probe of this computer in its turn: waits (events running) while the way
    // to it is still giving its router's budget time to come back. False when stop
    // answered true meanwhile.
    bool AwaitWay(const ClsPingData& item, const std::function<bool()>& stop);
    // After that probe: an ICMP error it met marks the way it took.
    void Probed(const ClsPingData& item, const ClsPing& ping);

private:
    // How long a router's error budget is given to come back after a burst.
    static constexpr qint64 kBudgetPauseMs = 2000;

    struct Early {
        std::shared_ptr<ClsPingData> item;  // held, so its address is never another's
        icmp::EchoFlight::Ticket ticket = 0;
        quint32 revision = 0;
        qint32 timeout = 0;
        quint64 probes = 0;     // the session's count of probes of the computer at sending
        bool withdrawn = false; // not sent: its way met an ICMP error first
    };
    struct ErroredWay {
        quint64 firstErrorOrder = 0;  // the earliest-sent echo that way the router answered
        qint64 pauseUntilMs = 0;
    };

    // An echo to destination (sent as sendOrder; 0 when in a turn) met an ICMP error.
    void errorAnswered(quint32 destination, quint32 from, quint64 sendOrder, int sentSince);
    // The way to an address (a key of RouteLookup); one shared key when the kernel has no
    // route to it or it is no literal address.
    quint64 WayOf(quint32 address);
    std::optional<quint32> AddressOf(const ClsPingData& item) const;
    const ErroredWay* ErroredWayTo(const ClsPingData& item);

    CheckSession& session_;
    std::unique_ptr<icmp::EchoFlight> flight_;
    std::unordered_map<const ClsPingData*, Early> early_;
    QHash<icmp::EchoFlight::Ticket, const ClsPingData*> byTicket_;
    QHash<quint64, ErroredWay> errored_;
    QHash<quint32, quint64> ways_;
    route::RouteLookup routes_;
    QElapsedTimer clock_;
};

}  // namespace checkround
