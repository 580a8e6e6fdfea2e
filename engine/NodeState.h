#pragma once
// One probe outcome turned into what people see: the decision (which states change, which
// status rows are written, which alarm text is due) is pure; its three effects are the
// model's states (the tree follows them), the database's status columns, and for the bad
// outcomes the notice to the people in charge and the event-log line.

#include <QChar>
#include <QString>
#include <QtGlobal>

#include <vector>

class ClsPingData;
class Monitor;
class TreeNode;

// What one check of a computer or one of its services came to.
struct NodeOutcome {
    QString computerImage{};  // the state the check gives the computer
    // Used only when serviceImage is "SStop" (a failed port or plug-in check):
    QChar serviceKind{};      // '$' a port check, '%' a plug-in check, anything else none
    QString serviceImage{};
    QString serviceName{};
    qint32 portNo = 0;        // the port, or the plug-in's row number
};

// One call of UpdateCheckStatus.
struct StatusWrite {
    QString computerState;
    qint32 port = 0;
    QString serviceState;
    bool operator==(const StatusWrite&) const = default;
};

struct NodeDecision {
    bool computerChanges = false;  // the computer's state becomes the outcome's
    bool serviceChanges = false;   // the service's state becomes the outcome's
    std::vector<StatusWrite> status;
    QString message;  // the alarm text (the event-log line's content); empty: no alarm
    QString notice;   // the notification: the alarm prefix, then the message
};

// The decision for a computer in state oldComputer whose service (if the outcome names one)
// is in state oldService, of the group and address given, whose node text is nodeText.
NodeDecision DecideNodeState(const QString& oldComputer, const QString& oldService, const NodeOutcome& outcome,
                             const QString& group, const QString& address, const QString& nodeText);

// The decision's effects, in this order: the states on the model (its views follow), the
// status rows, then the notice (when the monitor has a notification target) and the
// event-log line.
void ShowNodeDecision(const NodeDecision& decision, const NodeOutcome& outcome, ClsPingData& computer,
                      TreeNode* service);
void StoreNodeDecision(const NodeDecision& decision, const QString& address);
void DeliverNodeDecision(Monitor& monitor, const NodeDecision& decision, const QString& group,
                         const QString& address, const QString& nodeText);

// Decides and runs the three effects for a computer of the target list and, with a failed
// service, its port or plug-in entry (service); then yields once.
void SetNodeStateAndAlarm(Monitor& monitor, ClsPingData& computer, const NodeOutcome& outcome,
                          TreeNode* service = nullptr);

// Full-width letters, digits, symbols, spaces and katakana to their half-width forms;
// other characters stay.
QString NarrowText(const QString& text);
