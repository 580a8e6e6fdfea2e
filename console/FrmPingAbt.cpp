#include "console/FrmPingAbt.h"

#include "model/AppPaths.h"
#include "model/Options.h"
#include "model/Seams.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const QString kTitleInitial = QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ名");
const QString kDescriptionInitial = QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの説明");
const QString kCopyrightInitial = QStringLiteral("著作権");
const QString kDisclaimerInitial = QStringLiteral("警告:");
const QString kNotAvailable = QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません");

// A label's text after load: its initial text, a line break, a full-width space, value.
QString Indented(const QString& initial, const QString& value) {
    return initial + QStringLiteral("\r\n\u3000") + value;
}

bool StartDetached(const QString& path) {
    if (path.trimmed().isEmpty()) return false;
    return QProcess::startDetached(path, {});
}

}  // namespace

VersionInfo ProgramVersionInfo() {
    VersionInfo info;
    info.title = ProgramTitle();
    const QStringList parts = QStringLiteral(VANTORO_VERSION).split(QLatin1Char('.'));
    info.major = parts.value(0).toInt();
    info.minor = parts.value(1).toInt();
    info.revision = parts.value(2).toInt();
    info.fileDescription = QStringLiteral("LAN上のコンピュータとサービスの監視");
    info.legalCopyright = QStringLiteral("Copyright (C) 2026 Vantoro");
    info.comments = QStringLiteral(
        "このプログラムは監視対象のコンピュータへ接続確認を行い、異常を担当者へ通知します。"
        "監視対象以外のネットワークへ要求を送らないよう設定してください。");
    return info;
}

bool GetKeyValue(const QString& keyPath, const QString& valueName, QString& value) {
    // The per-user settings store stands in for the registry: the same file as the
    // options, the key path a group, the value name a key inside it. Every value is
    // stored as text.
    const std::unique_ptr<QSettings> store = OptionStore(ProgramBaseName());
    const QString key = keyPath + QLatin1Char('/') + valueName;
    if (store->status() != QSettings::NoError || !store->contains(key)) {
        value.clear();
        return false;
    }
    value = store->value(key).toString();
    return true;
}

FrmPingAbt::FrmPingAbt(QWidget* parent) : QDialog(parent), launcher_(StartDetached) {
    setObjectName(QStringLiteral("FrmPingAbt"));
    picIcon_ = new QLabel(this);
    picIcon_->setObjectName(QStringLiteral("picIcon"));
    // The program's icon: the owner's (the main window's), else the application's.
    QIcon icon = parent ? parent->window()->windowIcon() : QApplication::windowIcon();
    if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_ComputerIcon);
    picIcon_->setPixmap(icon.pixmap(32, 32));
    picIcon_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto makeLabel = [this](const char* name, const QString& text) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        return label;
    };
    lblTitle_ = makeLabel("lblTitle", kTitleInitial);
    lblDescription_ = makeLabel("lblDescription", kDescriptionInitial);
    lblLegalCopyright_ = makeLabel("lblLegalCopyright", kCopyrightInitial);
    lblDisclaimer_ = makeLabel("lblDisclaimer", kDisclaimerInitial);

    cmdOK_ = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    cmdSysInfo_ = new QPushButton(QStringLiteral("ｼｽﾃﾑ情報(&S)"), this);
    cmdSysInfo_->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo_, &QPushButton::clicked, this, &FrmPingAbt::StartSysInfo);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblTitle_);
    texts->addWidget(lblDescription_);
    texts->addWidget(lblLegalCopyright_);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picIcon_);
    top->addLayout(texts, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdSysInfo_);
    buttons->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblDisclaimer_, 1);
    bottom->addLayout(buttons);
    auto* root = new QVBoxLayout(this);
    root->addLayout(top);
    root->addLayout(bottom);
    resize(420, 260);
}

void FrmPingAbt::Load(const VersionInfo& info) {
    setWindowTitle(info.title + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));
    lblTitle_->setText(Indented(kTitleInitial, info.title + QStringLiteral(" Ver ") +
                                                   QString::number(info.major) + QLatin1Char('.') +
                                                   QString::number(info.minor) + QLatin1Char('.') +
                                                   QString::number(info.revision)));
    lblDescription_->setText(Indented(kDescriptionInitial, info.fileDescription));
    lblLegalCopyright_->setText(Indented(kCopyrightInitial, info.legalCopyright));
    lblDisclaimer_->setText(info.comments);
}

void FrmPingAbt::StartSysInfo() {
    QString path;
    if (GetKeyValue(QString::fromLatin1(kSysInfoPathKey), QString::fromLatin1(kSysInfoPathValue), path)) {
        if (!launcher_(path)) MsgBox(kNotAvailable, vb::vbOKOnly);
        return;
    }
    QString folder;
    if (GetKeyValue(QString::fromLatin1(kSysInfoLocationKey), QString::fromLatin1(kSysInfoLocationValue),
                    folder)) {
        const QString file = folder + QLatin1Char('/') + QString::fromLatin1(kSysInfoFileName);
        if (QFileInfo(file).isFile() && launcher_(file)) return;
    }
    MsgBox(kNotAvailable, vb::vbOKOnly);
}

void FrmPingAbt::SetLauncher(Launcher launcher) {
    launcher_ = launcher ? std::move(launcher) : Launcher(StartDetached);
}
