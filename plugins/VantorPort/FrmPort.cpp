#include "plugins/VantorPort/FrmPort.h"

#include <QLineEdit>

using plugin::BoxKind;

FrmPort::FrmPort(const plugin::ClsVantoroBase& owner) : SettingsWindow(owner, QStringLiteral("Port情報")) {
    QLineEdit* url = AddBox(QStringLiteral("TxtURL"), QStringLiteral("ｱﾄﾞﾚｽ"), QStringLiteral("URL"), 0, BoxKind::Text);
    QLineEdit* port =
        AddBox(QStringLiteral("TxtPort"), QStringLiteral("ﾎﾟｰﾄ番号"), QStringLiteral("Port"), 5, BoxKind::Digits);
    QLineEdit* timeOut = AddTimeOutBox(QStringLiteral("ﾀｲﾑｱｳﾄ"));
    AddBox(QStringLiteral("TxtName"), QStringLiteral("ｻｰﾋﾞｽ名"), QStringLiteral("Name"), 30, BoxKind::Text);
    AddRetryFrame();

    AddRequired(url, plugin::msg::Address);
    // Five digits would let 65536..99999 through; no such TCP port exists.
    AddRequired(port, plugin::msg::PortNo, &SettingsWindow::PortNumber);
    AddRequired(timeOut, plugin::msg::TimeOut);
    AddRequired(Box(QStringLiteral("TxtWaitTime")), plugin::msg::WaitTime);
    AddRequired(Box(QStringLiteral("TxtRetry")), plugin::msg::Retry);
    SetZeroToOne(Box(QStringLiteral("TxtRetry")));
}
