#pragma once
// The program's side of the check plug-ins: creating one object per plug-in library found
// beside the executable (gDllObjects, model/DllObjects.h), and changing or removing one
// plug-in assignment of a computer through the plug-in's own settings window.

#include <QString>

class Monitor;

// Empties gDllObjects and fills it with one object per "*.so" in folder (default: the
// executable's folder) that serves the class its file name names, in file-name order;
// dot-files are never looked at. A file whose object cannot be created is passed over
// without a word.
void LoadCheckDlls();
void LoadCheckDlls(const QString& folder);

// mode "U" edits, "D" deletes the assignment gSelSubNo of the computer gSelAddress: the
// plug-in's settings window opens over the assignment's parameter string and, when the
// person confirms it, the TBL_DLL row is rewritten (its 引数 scrambled) or deleted first and
// then the model (and for "D" the tree node "%<address>@<row number>") follows. The node is
// found by its key, not by a position, because the tree may change while the window is up.
// Cancelling, an unknown computer or assignment, a plug-in that is not loaded, a row that is
// no longer there or any other mode change nothing. A database write that fails is reported
// and leaves tree and model alone. Returns true when something was changed.
// While that plug-in object is in the middle of a check (the command runs inside the
// check's wait), kPluginInCheck is shown and nothing changes; while its window is up, a
// check started meanwhile leaves the object alone.
bool UpdateDllCheck(const QString& mode, Monitor& monitor);

inline const QString kPluginInCheck =
    QStringLiteral("このプラグインは診断中のため、変更・削除できません。診断が終わってからやり直してください。");
