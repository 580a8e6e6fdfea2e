#pragma once
// Message boxes and modal runs of a plug-in's windows, through the host's seams when it
// installed them (see UiSeams.h).

#include <QString>

class QDialog;

namespace plugin {

// Message box styles and answers, with the numbers the hosts use.
constexpr int vbOKOnly = 0;
constexpr int vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64;
constexpr int vbOK = 1;

int MsgBox(const QString& prompt, int style, const QString& title);

// Shows window modally and returns when it has been hidden.
void RunModal(QDialog& window);

}  // namespace plugin
