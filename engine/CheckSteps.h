#pragma once
// The steps one computer's check shares between a round and the immediate check: the
// lines, the service recoveries, the plug-in loop, and the test that the target list still
// means what it meant before a yield.

#include "engine/CheckSession.h"

#include <QString>
#include <QtGlobal>

#include <memory>

class ClsPingData;
class ClsPortData;
class Monitor;
class QDateTime;

namespace checkround {

// A computer's schedule gates: its own and its group's switch, then its weekly and its
// dated windows (both asked, so each keeps the moment it last saw).
bool OnSchedule(ClsPingData& d, const QDateTime& now);
// An unanswering computer's back-off is over: it is probed again in this turn.
bool BackOffOver(const ClsPingData& d);

class ComputerCheck {
protected:
    ComputerCheck(Monitor& monitor, CheckSession::Check& check, std::shared_ptr<ClsPingData> item);

    // Yields and tells whether the check may go on: the target list was left alone
    // meanwhile (it was not emptied, rebuilt or re-sorted) and the program is not closing;
    // when not, the check must end, with no outcome for what it was doing.
    bool yieldOk(int times = 1);
    bool goOn() const;
    // The computer or its group was switched off under a yield since this check began
    // (asked only where followSwitch_ is set): what the check still finds then comes too
    // late and is dropped, so the "NoCheck" state stays and nothing is stored.
    bool switchedOff() const;

    // "(name:address)"
    QString who() const;
    // The echo line of a good (or skipped) echo.
    QString echoLine(const QString& pingMsg) const;
    void bothLists(const QString& line);
    // The computer's state through the decision and its effects (no service).
    void state(const QString& image);

    // The port entry at a position, null when the list no longer reaches it (a dialog
    // removed entries during a yield).
    std::shared_ptr<ClsPortData> portAt(int position) const;
    // A port that answered: its state back to "SStart", with its status row.
    void portAnswered(ClsPortData& port);
    // The assigned plug-ins in list order. False when the target list changed under a
    // yield; true, with the rest skipped, when the computer was switched off meanwhile.
    bool plugins();

    Monitor& monitor_;
    CheckSession::Check& check_;
    std::shared_ptr<ClsPingData> item_;
    bool followSwitch_ = false;  // the round's checks: the immediate check was asked for
};

}  // namespace checkround
