#pragma once
// Small pieces the main window's tests share.

#include "console/FrmPing.h"

#include <QAction>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace vtest {

// Switches checking on and starts the check timer on a long, precise count, so that a
// command which restarts the count shows in the remaining time. Returns that time.
inline int StartCheckTimer(FrmPing& form) {
    form.menuConnect->setChecked(true);
    form.TimerPing().setTimerType(Qt::PreciseTimer);
    form.TimerPing().start(60000);
    QTest::qWait(30);
    return form.TimerPing().remainingTime();
}

// The timer still runs and its count went on from remaining (it was not started afresh).
inline bool CheckTimerKeptCounting(FrmPing& form, int remaining) {
    return form.TimerPing().isActive() && form.TimerPing().remainingTime() <= remaining;
}

// Makes the node with key the tree's selected node; an empty key selects none.
inline void SelectNode(FrmPing& form, const QString& key) {
    QTreeWidget* tree = form.treeComputer();
    if (key.isEmpty()) {
        tree->clearSelection();
        tree->setCurrentItem(nullptr);
    } else {
        tree->setCurrentItem(form.TreeComputer().Item(key));
    }
}

}  // namespace vtest
