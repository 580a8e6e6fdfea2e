#include "model/Seams.h"

#include <QDebug>

namespace {

class HeadlessMessageBox final : public MessageBoxSeam {
public:
    int Show(const QString& prompt, int style, const QString& title) override {
        qInfo().noquote() << "[message]" << title << ":" << prompt;
        // Answer what pressing Enter on the default button would answer.
        const bool second = (style & vb::vbDefaultButton2) != 0;
        switch (style & 7) {
        case vb::vbOKCancel: return second ? vb::vbCancel : vb::vbOK;
        case vb::vbYesNo:
        case vb::vbYesNoCancel: return second ? vb::vbNo : vb::vbYes;
        case vb::vbRetryCancel: return second ? vb::vbCancel : vb::vbRetry;
        case vb::vbAbortRetryIgnore: return second ? vb::vbRetry : vb::vbAbort;
        default: return vb::vbOK;
        }
    }
};

class HeadlessStatus final : public StatusSeam {
public:
    void SetStatusText(const QString&) override {}
};

class HeadlessWindow final : public WindowSeam {
public:
    void RaiseMainWindow() override {}
    void SetTopMost(bool) override {}
};

HeadlessMessageBox gHeadlessBox;
HeadlessStatus gHeadlessStatus;
HeadlessWindow gHeadlessWindow;
MessageBoxSeam* gBox = &gHeadlessBox;
StatusSeam* gStatus = &gHeadlessStatus;
WindowSeam* gWindow = &gHeadlessWindow;

}  // namespace

namespace seams {
void SetMessageBox(MessageBoxSeam* seam) { gBox = seam ? seam : &gHeadlessBox; }
void SetStatus(StatusSeam* seam) { gStatus = seam ? seam : &gHeadlessStatus; }
void SetWindow(WindowSeam* seam) { gWindow = seam ? seam : &gHeadlessWindow; }
MessageBoxSeam& MessageBox() { return *gBox; }
StatusSeam& Status() { return *gStatus; }
WindowSeam& Window() { return *gWindow; }
}  // namespace seams

QString ProgramTitle() { return QStringLiteral("Vantoro"); }

int MsgBox(const QString& prompt, int style, const QString& title) {
    return seams::MessageBox().Show(prompt, style, title.isNull() ? ProgramTitle() : title);
}
