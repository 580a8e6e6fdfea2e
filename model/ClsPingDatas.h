#pragma once
// The target list: every watched computer with its settings, the check round's working
// state and its four child lists. Positions are 1-based. A computer is also its node of
// the monitoring tree (TreeNodes): its state is the node's image, its display text the
// node's text.

#include "model/ClsPortDatas.h"
#include "model/ClsWaitTimes.h"
#include "model/TreeNodes.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

class ClsPingData : public TreeNode {
public:
    QString IPAddress;
    QString Computer;
    QString Group;
    qint32 WrongCount = 0;   // failure threshold
    qint16 Sound = 0;        // non-zero: play the siren for this computer's alarms
    qint32 Timeout = 0;      // echo time-out, ms
    bool NoCheckGrp = false; // the group is switched on for checking
    bool NoCheckSrv = false; // the computer is switched on for checking
    bool NoCheckPing = false;// send the echo
    QString Calendar;
    bool NotIPAddress = false;   // back-off flag of the check round
    qint32 NotConnectCount = 0;  // consecutive failures, or rounds spent in back-off
    // Counts the changes of the settings above made while the computer is watched (the
    // computer dialog's saves), so a round can tell an echo it sent early for the old
    // settings from one for the computer as it is now.
    quint32 Revision = 0;

    // The child lists always exist: the first read of one creates it empty.
    ClsPortDatas& PortData() { return *list(portData_); }
    ClsWaitTimes& WaitTime() { return *list(waitTime_); }
    ClsWaitDayTimes& WaitDayTime() { return *list(waitDayTime_); }
    ClsDllDatas& DllData() { return *list(dllData_); }

private:
    template <class L>
    static L* list(std::shared_ptr<L>& p) {
        if (!p) p = std::make_shared<L>();
        return p.get();
    }
    std::shared_ptr<ClsPortDatas> portData_;
    std::shared_ptr<ClsWaitTimes> waitTime_;
    std::shared_ptr<ClsWaitDayTimes> waitDayTime_;
    std::shared_ptr<ClsDllDatas> dllData_;
};

class ClsPingDatas {
public:
    using Ptr = std::shared_ptr<ClsPingData>;

    // A computer that is in no list yet; the name is stored upper-cased, the round's state
    // cleared.
    static Ptr MakeItem(const QString& ipAddress, const QString& computer, const QString& group, qint32 wrongCount,
                        qint16 sound, qint32 timeout, bool noCheckGrp, bool noCheckSrv, bool noCheckPing,
                        const QString& calendar);
    // Appends a computer made by MakeItem.
    void AddItem(Ptr item);
    // Appends a computer; the name is stored upper-cased, the round's state cleared.
    void AddItem(const QString& ipAddress, const QString& computer, const QString& group, qint32 wrongCount,
                 qint16 sound, qint32 timeout, bool noCheckGrp, bool noCheckSrv, bool noCheckPing,
                 const QString& calendar);
    // The element at a position; 0 is the one added last. Nothing (null) outside the list.
    Ptr Item(qint32 index) const;
    qint32 ListCount() const { return static_cast<qint32>(items_.size()); }
    // A position outside the list is ignored.
    void RemoveItem(qint32 index);
    void RemoveGroupItem(const QString& group);
    void GroupCheck(const QString& group, bool flag);
    void Clear();
    // Position of the computer with that address (spaces around it trimmed, then an exact
    // match), 0 when none; with two computers of one address, the first. Found through an
    // index of the addresses, so a lookup costs the same in a list of 20,000 as of 10.
    qint32 GetItemNo(const QString& address) const;
    // Ascending text order of the addresses. The computers themselves are reordered: each
    // keeps its own values and lists, so one held across a sort is still the same computer.
    void Sort();

    // Bumped whenever the list is emptied or rebuilt, so a caller that yields can tell
    // that positions it remembered no longer mean the same computers.
    quint64 Generation() const { return generation_; }

private:
    void reindex() const;

    std::vector<Ptr> items_;
    // Address -> first position holding it. An address is set when its computer is made
    // and no caller changes it; a hit is still checked against the entry, and a stale
    // index is rebuilt.
    mutable QHash<QString, qint32> positions_;
    qint32 lastAdded_ = 0;
    quint64 generation_ = 0;
};
