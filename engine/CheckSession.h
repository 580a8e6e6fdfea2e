#pragma once
// What the check rounds and immediate checks of one monitor hold while they run, and the
// rules for it. Commands run inside a check's yields, so a check can find another one
// under way further out on the stack:
// - a round never starts while any check runs (Running);
// - an immediate check started inside a round gets an echo prober of its own;
// - a plug-in object in the middle of a check, or showing its settings window, is not
//   taken by anything else (PluginUse);
// - a check remembers the target list's generation it started on and ends when the list
//   was emptied, rebuilt or re-sorted under a yield (positions would name other computers).

#include <QtGlobal>

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
    std::vector<const QObject*> pluginsInUse_;
};
