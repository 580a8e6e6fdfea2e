#pragma once
// Small pieces the main window's tests share.

#include "console/FrmPing.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

namespace vtest {

// Switches checking on and starts the check timer on a long, precise count, so that a
// command which restarts the count shows in the remaining time. Returns that time.
inline int StartCheckTimer(FrmPing& form) {
    form.monitor().SetMenuConnectChecked(true);
    form.TimerPing().setTimerType(Qt::PreciseTimer);
    form.TimerPing().start(60000);
    QTest::qWait(30);
    return form.TimerPing().remainingTime();
}

// The timer still runs and its count went on from remaining (it was not started afresh).
inline bool CheckTimerKeptCounting(FrmPing& form, int remaining) {
    return form.TimerPing().isActive() && form.TimerPing().remainingTime() <= remaining;
}

// Makes the node with key the tree's selected node, through the window's tree as the
// operator would; an empty key selects none.
inline void SelectNode(FrmPing& form, const QString& key) {
    QTreeWidget* tree = form.treeComputer();
    if (key.isEmpty()) {
        tree->clearSelection();
        tree->setCurrentItem(nullptr);
    } else {
        tree->setCurrentItem(form.TreeComputerView().ItemOf(form.TreeComputer().Item(key)));
    }
}

// Answers the window's real message boxes while it lives: each box that comes up is
// handed once to answer, which looks at it and presses a button; a box still open a
// moment later is closed, so a box never holds a test.
class BoxDriver {
public:
    explicit BoxDriver(std::function<void(QMessageBox&)> answer) : answer_(std::move(answer)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || handled_.contains(box)) return;
            handled_ << box;
            answer_(*box);
            QTimer::singleShot(500, box, [box] { box->done(-1); });
        });
        timer_.start();
    }

private:
    std::function<void(QMessageBox&)> answer_;
    QTimer timer_;
    QList<QPointer<QMessageBox>> handled_;
};

}  // namespace vtest
