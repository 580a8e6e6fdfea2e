#pragma once
// What the check rounds and immediate checks of one monitor hold while they run, and the
// rules for it. Commands run inside a check's yields, so a check can find another one
// under way further out on the stack:
// - a round never starts while any check runs (Running);
// - an immediate check started inside a round gets an echo prober of its own;
// - a plug-in object in the middle of a check, or showing its settings window, is not
//   taken by anything else (PluginUse);
// - a check remembers the target list's generation it started on and ends when the list
//   was emptied, rebuilt or re-sorted under a yield (positions would name other computers);
// - every probe a check makes of a computer is counted (ProbeCount), so an answer got
//   before a later probe of the same computer is known to be out of date;
// - closing the program ends the waits of every check under way at once (EndWaits).

#include <QHash>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

class ClsPing;
class QObject;

class CheckSession {
public:
    CheckSession() = default;
    CheckSession(const CheckSession&) = delete;
    CheckSession& operator=(const CheckSession&) = delete;

    // True while a round or an immediate check is under way.
    bool Running() const { return depth_ > 0; }

    // The program is closing: every wait of the checks under way ends at once, and they
    // end without an outcome for what they were waiting on. Holds until the last check
    // has ended.
    void EndWaits() { if (Running()) ending_ = true; }
    bool Ending() const { return ending_; }

    // Probes made so far of the computer at address by the checks of this session.
    quint64 ProbeCount(const QString& address) const { return probes_.value(address); }
    void NoteProbe(const QString& address) { ++probes_[address]; }

    // One round or one immediate check, for its life.
    class Check {
    public:
        // windowProbe is the monitor's own echo prober; it is the check's unless a check
        // further out is under way (it may be in the middle of an echo, or have set the
        // prober's time-out for its computer).
        Check(CheckSession& session, ClsPing& windowProbe);
        ~Check();
        Check(const Check&) = delete;
        Check& operator=(const Check&) = delete;

        ClsPing& Probe() { return *probe_; }
        CheckSession& Session() { return session_; }
        // The program is closing: drop what is under way and end.
        bool Ending() const { return session_.Ending(); }
        // For the check's own waits (ports, pauses): answers true once closing began.
        std::function<bool()> StopCondition() const {
            return [s = &session_] { return s->Ending(); };
        }
        // The target list still means what it meant when the check began (or when it last
        // took the list).
        bool ListUnchanged() const;
        void TakeList();

    private:
        CheckSession& session_;
        std::unique_ptr<ClsPing> own_;
        ClsPing* probe_;
        quint64 generation_;
    };

    // Marks a plug-in object as in use (in a check, or showing its settings window) for
    // the life of the mark. An object that is marked already is not taken (acquired() is
    // false).
    class PluginUse {
    public:
        PluginUse(CheckSession& session, const QObject* object);
        ~PluginUse();
        PluginUse(const PluginUse&) = delete;
        PluginUse& operator=(const PluginUse&) = delete;
        bool acquired() const { return acquired_; }

    private:
        CheckSession& session_;
        const QObject* object_;
        bool acquired_ = false;
    };

private:
    int depth_ = 0;
    bool ending_ = false;
    QHash<QString, quint64> probes_;
    std::vector<const QObject*> pluginsInUse_;
};
