#pragma once
// What the check engine needs of the main window: its tree, its two log lists, its check
// timer, the check switch of its menu and its one echo prober. The main window implements
// this; tests implement it with real widgets offscreen.

#include <QString>

class ClsPing;
struct NotifyForm;
class QListWidget;
class QTimer;
class TreeNodes;

class CheckForm {
public:
    virtual ~CheckForm() = default;
    virtual TreeNodes& TreeComputer() = 0;
    // 0: the check-status log, 1: the abnormal-status log.
    virtual QListWidget& ListPing(int index) = 0;
    virtual QTimer& TimerPing() = 0;
    // Checked state of the menu's periodic-check switch (menuConnect).
    virtual bool MenuConnectChecked() const = 0;
    // The main window's one echo prober, shared by the round and the immediate check.
    virtual ClsPing& mPing() = 0;
    // The messenger socket, popup adapter and mail settings the alarm notification goes
    // out through; null sends no notification (a window without messaging).
    virtual NotifyForm* NotifyTarget() { return nullptr; }
    // The main window's caption, the title of the engine's plug-in error boxes.
    virtual QString Caption() const { return QStringLiteral("ヴァントーロ"); }
};
