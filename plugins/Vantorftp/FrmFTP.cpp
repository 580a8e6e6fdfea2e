#include "plugins/Vantorftp/FrmFTP.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalBlocker>

using plugin::BoxKind;

FrmFTP::FrmFTP(const plugin::ClsVantoroBase& owner) : SettingsWindow(owner, QStringLiteral("FTP情報")) {
    QLineEdit* url = AddBox(QStringLiteral("TxtURL"), QStringLiteral("ｱﾄﾞﾚｽ"), QStringLiteral("URL"), 0, BoxKind::Text);
    AddBox(QStringLiteral("TxtUserName"), QStringLiteral("ﾛｸﾞｲﾝID"), QStringLiteral("UserName"), 20, BoxKind::Text);
    AddBox(QStringLiteral("TxtPassword"), QStringLiteral("ﾊﾟｽﾜｰﾄﾞ"), QStringLiteral("Password"), 30, BoxKind::Password);
    anonymous_ = new QCheckBox(QStringLiteral("Anonymous"));
    anonymous_->setObjectName(QStringLiteral("CheckAnonymous"));
    AddRow(QString(), anonymous_);
    QLineEdit* timeOut = AddTimeOutBox(QStringLiteral("ﾀｲﾑｱｳﾄ"));
    AddRetryFrame();
    connect(anonymous_, &QCheckBox::toggled, this, &FrmFTP::anonymousChanged);

    AddRequired(url, plugin::msg::Address);
    AddRequired(timeOut, plugin::msg::TimeOut);
    AddRequired(Box(QStringLiteral("TxtWaitTime")), plugin::msg::WaitTime);
    AddRequired(Box(QStringLiteral("TxtRetry")), plugin::msg::Retry);
    SetZeroToOne(Box(QStringLiteral("TxtRetry")));
}

void FrmFTP::Fill(const plugin::ClsVantoroBase& from) {
    // Every opening starts with the box cleared, whatever the user name is.
    {
        const QSignalBlocker quiet(anonymous_);
        anonymous_->setChecked(false);
    }
    savedUserName_.clear();
    savedPassword_.clear();
    SettingsWindow::Fill(from);
}

void FrmFTP::anonymousChanged(bool ticked) {
    QLineEdit* user = Box(QStringLiteral("TxtUserName"));
    QLineEdit* password = Box(QStringLiteral("TxtPassword"));
    if (ticked) {
        savedUserName_ = user->text();
        savedPassword_ = password->text();
        user->setText(QStringLiteral("anonymous"));
    } else {
        user->setText(savedUserName_);
        password->setText(savedPassword_);
    }
}
