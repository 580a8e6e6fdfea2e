#include "plugins/common/FrmWWW.h"

#include "plugins/common/PluginObject.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace plugin {

namespace {
bool isContentCheck(const ClsVantoroBase& owner) { return owner.Format().kind == PluginKind::Www2; }
}  // namespace

const QString& FrmWWW::CacheNote() {
    static const QString note = QStringLiteral("・ﾛｰｶﾙのｷｬｯｼｭを使用しない、且つ、Proxyｻｰﾊﾞのｷｬｯｼｭを使用しない。");
    return note;
}

FrmWWW::FrmWWW(const ClsVantoroBase& owner)
    : SettingsWindow(owner, isContentCheck(owner) ? QStringLiteral("WWW2情報") : QStringLiteral("WWW情報")) {
    QLineEdit* url = AddBox(QStringLiteral("TxtURL"), QStringLiteral("URL"), QStringLiteral("URL"), 0, BoxKind::Text);
    if (!isContentCheck(owner)) {
        AddBox(QStringLiteral("TxtUserName"), QStringLiteral("ﾕｰｻﾞID"), QStringLiteral("UserName"), 20, BoxKind::Text);
        AddBox(QStringLiteral("TxtPassword"), QStringLiteral("ﾊﾟｽﾜｰﾄﾞ"), QStringLiteral("Password"), 20,
               BoxKind::Password);
        auto* choice = new QWidget;
        auto* row = new QHBoxLayout(choice);
        row->setContentsMargins(0, 0, 0, 0);
        http_ = new QRadioButton(QStringLiteral("HTTP"), choice);
        http_->setObjectName(QStringLiteral("OptHTTP"));
        https_ = new QRadioButton(QStringLiteral("HTTPS"), choice);
        https_->setObjectName(QStringLiteral("OptHTTPS"));
        auto* group = new QButtonGroup(choice);
        group->addButton(http_);
        group->addButton(https_);
        row->addWidget(http_);
        row->addWidget(https_);
        row->addStretch();
        AddRow(QString(), choice);
    }
    QLineEdit* timeOut = AddTimeOutBox(QStringLiteral("制限時間"));
    if (isContentCheck(owner)) {
        auto* note = new QLabel(CacheNote());
        note->setObjectName(QStringLiteral("LblNote"));
        note->setWordWrap(true);
        AddRow(QString(), note);
    }
    AddRetryFrame();

    AddRequired(url, msg::Address);
    AddRequired(timeOut, msg::TimeOut);
    AddRequired(Box(QStringLiteral("TxtWaitTime")), msg::WaitTime);
    AddRequired(Box(QStringLiteral("TxtRetry")), msg::Retry);
    SetZeroToOne(Box(QStringLiteral("TxtRetry")));
}

void FrmWWW::Fill(const ClsVantoroBase& from) {
    SettingsWindow::Fill(from);
    if (!http_) return;
    const bool plain = from.Number(QStringLiteral("Protocol")) == 4;
    http_->setChecked(plain);
    https_->setChecked(!plain);
}

void FrmWWW::Collect(QVariantHash& values) const {
    SettingsWindow::Collect(values);
    if (http_) values.insert(QStringLiteral("Protocol"), http_->isChecked() ? 4 : 5);
}

}  // namespace plugin
