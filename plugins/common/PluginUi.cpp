#include "plugins/common/PluginUi.h"

#include "plugins/common/UiSeams.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>

namespace plugin {

namespace {
QObject* seamObject(const char* property) {
    if (!qApp) return nullptr;
    return qApp->property(property).value<QObject*>();
}
}  // namespace

int MsgBox(const QString& prompt, int style, const QString& title) {
    if (QObject* seam = seamObject(kMessageBoxProperty)) {
        int answer = vbOK;
        if (QMetaObject::invokeMethod(seam, "messageBox", Qt::DirectConnection, Q_RETURN_ARG(int, answer),
                                      Q_ARG(QString, prompt), Q_ARG(int, style), Q_ARG(QString, title)))
            return answer;
    }
    QMessageBox box;
    box.setText(prompt);
    box.setWindowTitle(title);
    switch (style & 0x70) {
    case vbCritical: box.setIcon(QMessageBox::Critical); break;
    case vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case vbInformation: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return vbOK;
}

void RunModal(QDialog& window) {
    QPointer<QObject> driver = seamObject(kDialogDriverProperty);
    if (!driver) {
        window.exec();
        return;
    }
    window.setWindowModality(Qt::ApplicationModal);
    window.show();
    window.activateWindow();
    QMetaObject::invokeMethod(driver, "drive", Qt::DirectConnection, Q_ARG(QWidget*, &window));
    if (window.isVisible()) window.hide();
}

}  // namespace plugin
