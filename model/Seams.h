#pragma once
// The few ways the model, the engine and the alarms reach the windows. The main window
// installs real implementations at start-up; until then (and in tests) the defaults are
// headless: message boxes answer their default button without blocking, status texts are
// only remembered. Tests install recording fakes to see what a user would have been shown.

#include <QString>

namespace vb {
// Message box styles and answers, with the numbers the system's message boxes use.
constexpr int vbOKOnly = 0, vbOKCancel = 1, vbAbortRetryIgnore = 2, vbYesNoCancel = 3, vbYesNo = 4,
              vbRetryCancel = 5;
constexpr int vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64;
constexpr int vbDefaultButton2 = 256;
constexpr int vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7;
// The answer of pressing Enter on the default button of a box of style.
int DefaultAnswer(int style);
}  // namespace vb

class MessageBoxSeam {
public:
    virtual ~MessageBoxSeam() = default;
    // Shows prompt with the buttons and icon of style; returns the vb answer.
    virtual int Show(const QString& prompt, int style, const QString& title) = 0;
};

class StatusSeam {
public:
    virtual ~StatusSeam() = default;
    // First panel of the main window's status bar, and the tray icon's tip.
    virtual void SetStatusText(const QString& text) = 0;
    // A notice that must outlast the status texts of the rounds (a write that failed):
    // it stays on the status bar until replaced, and "" takes it away. Where no place of
    // its own is offered it is shown as a status text.
    virtual void SetNotice(const QString& text) {
        if (!text.isEmpty()) SetStatusText(text);
    }
};

class WindowSeam {
public:
    virtual ~WindowSeam() = default;
    // Restore the main window from the tray or the task bar, maximise it and bring it
    // to the front (an alarm with the PopUp option on).
    virtual void RaiseMainWindow() = 0;
    // Apply the always-on-top state of the main window (does nothing while the lamp is up).
    virtual void SetTopMost(bool onTop) = 0;
};

namespace seams {
// Installing nullptr restores the headless default. The caller keeps ownership and must
// uninstall before the object dies.
void SetMessageBox(MessageBoxSeam* seam);
void SetStatus(StatusSeam* seam);
void SetWindow(WindowSeam* seam);

MessageBoxSeam& MessageBox();
StatusSeam& Status();
WindowSeam& Window();
}  // namespace seams

// The program's title, shown as the caption of its message boxes.
QString ProgramTitle();

// Convenience for the system's own message boxes: title defaults to the program's title.
int MsgBox(const QString& prompt, int style = vb::vbOKOnly, const QString& title = QString());
