#include "model/Seams.h"

#include <QDebug>

namespace {

class HeadlessMessageBox final : public MessageBoxSeam {
public:
    int Show(const QString& prompt, int style, const QString& title) override {
        qInfo().noquote() << "[message]" << title << ":" << prompt;
        return vb::DefaultAnswer(style);
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

namespace vb {
int DefaultAnswer(int style) {
    const bool second = (style & vbDefaultButton2) != 0;
    switch (style & 7) {
        case vbOKCancel:
            return second ? vbCancel : vbOK;
        case vbYesNo:
        case vbYesNoCancel:
            return second ? vbNo : vbYes;
        case vbRetryCancel:
            return second ? vbCancel : vbRetry;
        case vbAbortRetryIgnore:
            return second ? vbRetry : vbAbort;
        default:
            return vbOK;
    }
}
}  // namespace vb

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
