#pragma once
// What the check engine works on: the monitoring tree and the person list (the model the
// loader fills), the two log lists, the check timer and the periodic-check switch, the
// echo prober, the check session and the notification target. It has no window: the main
// window owns one and shows it; tests and benchmarks use one on their own.

#include "engine/CheckSession.h"
#include "engine/ClsPing.h"
#include "model/LogLines.h"
#include "model/TreeNodes.h"
#include "model/UserList.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

struct NotifyForm;

class Monitor : public QObject {
    Q_OBJECT
public:
    Monitor();

    TreeNodes& TreeComputer() { return tree_; }
    UserList& ListViewUser() { return users_; }
    // 0: the check-status log, 1: the abnormal-status log.
    LogLines& ListPing(int index) { return lists_[index == 1 ? 1 : 0]; }
    QTimer& TimerPing() { return timer_; }
    // The periodic-check switch (the menus' 接続確認 item follows it).
    bool MenuConnectChecked() const { return connect_; }
    void SetMenuConnectChecked(bool on);
    // The one echo prober of the monitor, shared by the round and the immediate check.
    ClsPing& mPing() { return ping_; }
    CheckSession& Session() { return session_; }
    // Replaces the round's port probe: every port is then probed in its own turn through
    // this function, none side by side (tests compare a round with one that probes one
    // port at a time). Empty: the round's own probes.
    using PortFunction = std::function<bool(const QString& host, qint32 port)>;
    void SetPortFunction(PortFunction probe) { portFunction_ = std::move(probe); }
    const PortFunction& PortFunctionSeam() const { return portFunction_; }
    // The messenger socket, popup adapter and mail settings the alarm notification goes
    // out through; null sends no notification (a monitor without messaging).
    NotifyForm* NotifyTarget() const { return notify_; }
    void SetNotifyTarget(NotifyForm* notify) { notify_ = notify; }
    // The program's caption, the title of the engine's plug-in error boxes.
    static inline const QString kCaption = QStringLiteral("ヴァントーロ");
    QString Caption() const { return kCaption; }

signals:
    void menuConnectChanged(bool on);

private:
    TreeNodes tree_;
    UserList users_;
    LogLines lists_[2];
    QTimer timer_;
    bool connect_ = false;
    ClsPing ping_;
    CheckSession session_;
    PortFunction portFunction_;
    NotifyForm* notify_ = nullptr;
};
