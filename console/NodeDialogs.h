#pragma once
// The record dialogs the tree's add and edit commands open. Each opener builds its dialog
// over owner; the dialog's constructor reads the selection values (model/Globals.h) and
// fills itself from the database, and the dialog writes the database and patches the
// tree and the target list itself. Its parent label is a child QLabel named "Lbl_Group"
// or "Lbl_Computer". An empty opener means the dialog is not there: the context menu
// then hides the items that would open it.

#include <QtGlobal>

#include <functional>
#include <memory>

class QDialog;
class QWidget;
class TreeNodes;

struct NodeDialogs {
    using Opener = std::function<std::unique_ptr<QDialog>(TreeNodes& tree, QWidget* owner)>;
    Opener group;      // a group
    Opener computer;   // a computer
    Opener service;    // a port check
    Opener dllSelect;  // the choice of plug-in for a new plug-in check
    Opener wait;       // a weekly no-check window
    Opener calendar;   // a computer's dated no-check days
};

// The openers of the dialogs the program has.
NodeDialogs DefaultNodeDialogs();
