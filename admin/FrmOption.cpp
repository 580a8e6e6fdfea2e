#include "admin/FrmOption.h"

#include "admin/edit/EditHelpers.h"
#include "alarms/PatLamp.h"
#include "alarms/Sound.h"
#include "model/AppPaths.h"
#include "model/CheckStatus.h"
#include "model/EventLog.h"
#include "model/Globals.h"
#include "model/Mixer.h"
#include "model/Options.h"
#include "model/Seams.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>
#include <limits>
#include <optional>

namespace {

// The database file the chooser offers, and nothing else.
const QString kDatabaseFileName = QStringLiteral("Vantoro.MDB");

QCheckBox* Check(const QString& name, const QString& caption) {
    auto* c = new QCheckBox(caption);
    c->setObjectName(name);
    return c;
}

QLineEdit* Edit(const QString& name, int maxLength = 255) {
    auto* e = new QLineEdit;
    e->setObjectName(name);
    e->setMaxLength(maxLength);
    return e;
}

QPushButton* Button(const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QWidget* Row(std::initializer_list<QWidget*> widgets) {
    auto* w = new QWidget;
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    for (QWidget* x : widgets) h->addWidget(x);
    h->addStretch(1);
    return w;
}

// A number as the checks understand it: digits with an optional sign and fraction,
// blanks around it ignored.
std::optional<double> Numeric(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)$"));
    const QString t = text.trimmed();
    if (!number.match(t).hasMatch()) return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

// Rounded to the nearest whole number, a half to the even neighbour.
qint64 RoundHalfEven(double v) {
    if (v > 9.0e15) return std::numeric_limits<qint64>::max() / 2;
    if (v < -9.0e15) return std::numeric_limits<qint64>::min() / 2;
    return static_cast<qint64>(std::nearbyint(v));
}

// True when the field holds a number inside range (both bounds included) once rounded.
// Numbers too large for the range tests simply fall outside every range.
bool InRange(const QLineEdit* field, options::Range range) {
    const std::optional<double> v = Numeric(field->text());
    if (!v) return false;
    const qint64 n = RoundHalfEven(*v);
    return n >= range.low && n <= range.high;
}

qint32 Whole(const QLineEdit* field) {
    const std::optional<double> v = Numeric(field->text());
    return v ? static_cast<qint32>(RoundHalfEven(*v)) : 0;
}

}  // namespace

FrmOption::FrmOption(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmOption"));
    setWindowTitle(QStringLiteral("オプション"));
    Build();
}

void FrmOption::Build() {
    auto* col = new QVBoxLayout(this);
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    col->addWidget(SSTab1);

    // アクション
    {
        auto* page = new QWidget;
        auto* v = new QVBoxLayout(page);
        Check_FormTop = Check(QStringLiteral("Check_FormTop"), QStringLiteral("常に前表示"));
        Check_PingCheck = Check(QStringLiteral("Check_PingCheck"), QStringLiteral("起動時にチェック開始"));
        Check_PopUp = Check(QStringLiteral("Check_PopUp"), QStringLiteral("異常時のお知らせ拡大表示"));
        Check_Web = Check(QStringLiteral("Check_Web"), QStringLiteral("Web情報提供"));
        Check_NoCheck = Check(QStringLiteral("Check_NoCheck"), QStringLiteral("非通信チェック対象を表示"));
        for (QCheckBox* c : {Check_FormTop, Check_PingCheck, Check_PopUp, Check_Web, Check_NoCheck}) v->addWidget(c);
        v->addStretch(1);
        SSTab1->addTab(page, QStringLiteral("アクション"));
    }
    // 環境
    {
        auto* page = new QWidget;
        auto* f = new QFormLayout(page);
        txtDBFilePath = Edit(QStringLiteral("txtDBFilePath"));
        CmdDB = Button(QStringLiteral("CmdDB"), QStringLiteral("管理DBﾌｧｲﾙ選択"));
        f->addRow(CmdDB, txtDBFilePath);
        txtSoundFilePath = Edit(QStringLiteral("txtSoundFilePath"));
        CmdSound = Button(QStringLiteral("CmdSound"), QStringLiteral("ｻｳﾝﾄﾞﾌｧｲﾙ選択"));
        f->addRow(CmdSound, txtSoundFilePath);
        Check_Sound = Check(QStringLiteral("Check_Sound"), QStringLiteral("サウンド使用"));
        ComSoundTest = Button(QStringLiteral("ComSoundTest"), QStringLiteral("テスト"));
        f->addRow(Row({Check_Sound, ComSoundTest}));
        Check_PatLamp = Check(QStringLiteral("Check_PatLamp"), QStringLiteral("パトロールランプ"));
        Cmd_PatLampTest = Button(QStringLiteral("Cmd_PatLampTest"), QStringLiteral("テスト"));
        f->addRow(Row({Check_PatLamp, Cmd_PatLampTest}));
        SliderVolume = new QSlider(Qt::Horizontal);
        SliderVolume->setObjectName(QStringLiteral("SliderVolume"));
        SliderVolume->setRange(0, 65535);
        SliderVolume->setTickPosition(QSlider::TicksBelow);
        SliderVolume->setTickInterval(6553);
        f->addRow(QStringLiteral("障害時の音量"), SliderVolume);
        TxtEdBoxLog = Edit(QStringLiteral("TxtEdBoxLog"), 12);
        f->addRow(QStringLiteral("ログ保存期間"),
                  Row({TxtEdBoxLog, new QLabel(QStringLiteral("日  (範囲：１～９９９)"))}));
        SSTab1->addTab(page, QStringLiteral("環境"));
    }
    // 通信チェック
    {
        auto* page = new QWidget;
        auto* f = new QFormLayout(page);
        TxtEdBoxInterval = Edit(QStringLiteral("TxtEdBoxInterval"), 12);
        f->addRow(QStringLiteral("チェック間隔"),
                  Row({TxtEdBoxInterval, new QLabel(QStringLiteral("秒 　（範囲：１０～３６００)"))}));
        TxtEdBoxNGRset = Edit(QStringLiteral("TxtEdBoxNGRset"), 12);
        f->addRow(QStringLiteral("接続NG時の再ﾁｪｯｸ"),
                  Row({TxtEdBoxNGRset, new QLabel(QStringLiteral("回目(範囲：１～９９９)"))}));
        TxtEdBoxPortTimeOut = Edit(QStringLiteral("TxtEdBoxPortTimeOut"), 12);
        f->addRow(QStringLiteral("サービスチェック時のタイムアウト"),
                  Row({TxtEdBoxPortTimeOut, new QLabel(QStringLiteral("秒   (範囲：１～１０)"))}));
        SSTab1->addTab(page, QStringLiteral("通信チェック"));
    }
    // 緊急通知
    {
        auto* page = new QWidget;
        auto* v = new QVBoxLayout(page);
        Check_SendMsg = Check(QStringLiteral("Check_SendMsg"), QStringLiteral("異常時に警告メッセージを送信する"));
        v->addWidget(Check_SendMsg);
        auto* f = new QFormLayout;
        txtLocalUserName = Edit(QStringLiteral("txtLocalUserName"), 50);
        txtLocalUserName->setPlaceholderText(QStringLiteral("例：ｼｽﾃﾑ管理者"));
        f->addRow(QStringLiteral("ユーザ名"), txtLocalUserName);
        txtLocalPort = Edit(QStringLiteral("txtLocalPort"), 12);
        f->addRow(QStringLiteral("ポート番号"), txtLocalPort);
        f->addRow(new QLabel(QStringLiteral("通信を行う人たちと同じポート番号に設定して下さい。(既定値 59640)")));
        v->addLayout(f);
        auto* frame = new QGroupBox(QStringLiteral("Ｅ-Ｍａｉｌ情報"));
        frame->setObjectName(QStringLiteral("Frame1"));
        auto* mf = new QFormLayout(frame);
        Txt_MailID = Edit(QStringLiteral("Txt_MailID"), 64);
        Txt_MailServer = Edit(QStringLiteral("Txt_MailServer"), 255);
        Txt_POPServer = Edit(QStringLiteral("Txt_POPServer"), 255);
        mf->addRow(QStringLiteral("アカウント名"), Txt_MailID);
        mf->addRow(QStringLiteral("SMTPサーバ"), Txt_MailServer);
        mf->addRow(QStringLiteral("POPサーバ"), Txt_POPServer);
        mf->addRow(new QLabel(QStringLiteral("POPｻｰﾊﾞがない場合はSMTPｻｰﾊﾞ名を指定して下さい")));
        v->addWidget(frame);
        v->addStretch(1);
        SSTab1->addTab(page, QStringLiteral("緊急通知"));
    }

    cmdApply = Button(QStringLiteral("cmdApply"), QStringLiteral("更新(&U)"));
    cmdOK = Button(QStringLiteral("cmdOK"), QStringLiteral("閉じる(&C)"));
    cmdCancel = Button(QStringLiteral("cmdCancel"), QStringLiteral("ｷｬﾝｾﾙ"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {cmdApply, cmdOK, cmdCancel}) buttons->addWidget(b);
    col->addLayout(buttons);

    connect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, &FrmOption::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &FrmOption::cmdCancel_Click);
    connect(CmdDB, &QPushButton::clicked, this, &FrmOption::CmdDB_Click);
    connect(CmdSound, &QPushButton::clicked, this, &FrmOption::CmdSound_Click);
    connect(ComSoundTest, &QPushButton::clicked, this, &FrmOption::ComSoundTest_Click);
    connect(Cmd_PatLampTest, &QPushButton::clicked, this, &FrmOption::Cmd_PatLampTest_Click);

    // Numeric boxes take digits only from the keyboard; Apply still checks what is there.
    const auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    for (QLineEdit* e : {txtLocalPort, TxtEdBoxLog, TxtEdBoxInterval, TxtEdBoxNGRset, TxtEdBoxPortTimeOut})
        e->setValidator(digits);
    for (QLineEdit* e : {Txt_MailID, Txt_MailServer, TxtEdBoxInterval, TxtEdBoxLog, TxtEdBoxNGRset, TxtEdBoxPortTimeOut,
                         txtLocalPort, txtLocalUserName})
        InstallEnterToTab(e);
}

void FrmOption::Load() {
    txtDBFilePath->setText(gOptDatabasePath);
    txtSoundFilePath->setText(gOptSoundFilePath);
    Check_Sound->setChecked(gOptSound);
    Check_PatLamp->setChecked(gOptPatLamp);
    Check_FormTop->setChecked(gOptFormTop);
    Check_PopUp->setChecked(gOptPopUp);
    Check_PingCheck->setChecked(gOptPingCheck);
    Check_Web->setChecked(gOptWebInfo);
    Check_NoCheck->setChecked(gOptNoCheck);
    // Shown as it is held, a fraction of a second included, so an apply keeps it.
    TxtEdBoxInterval->setText(options::MsAsSecondsText(gOptTimerInterval));
    TxtEdBoxNGRset->setText(QString::number(gOptNGRset));
    TxtEdBoxPortTimeOut->setText(QString::number(gOptPortTimeOut));
    Check_SendMsg->setChecked(gOptSendMsg);
    txtLocalPort->setText(QString::number(gOptPort));
    txtLocalUserName->setText(gOptUserName);
    TxtEdBoxLog->setText(QString::number(gOptLogDelete));
    Txt_MailServer->setText(gOptMailServer);
    Txt_POPServer->setText(gOptPOPServer);
    Txt_MailID->setText(gOptMailUserID.isEmpty() ? ProgramBaseName() : gOptMailUserID);

    // The slider takes the speaker control's own range; without one, sound use and the
    // sound test are off and the saved volume is left as it is.
    SliderVolume->disconnect(this);
    mixerFound_ = false;
    std::unique_ptr<MixerDevice> mixer = seams::Mixer().Open(0);
    MixerControl control;
    if (mixer && GetVolumeControl(*mixer, control, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS)) {
        mixerFound_ = true;
        SliderVolume->setMinimum(control.Minimum);
        SliderVolume->setMaximum(control.Maximum);
        SliderVolume->setTickInterval(std::max(1, control.Maximum / 10));
        SliderVolume->setValue(gOptSoundVolume);
        SliderVolume->setEnabled(true);
        connect(SliderVolume, &QSlider::valueChanged, this, [](int value) { gOptSoundVolume = value; });
    } else {
        MsgBox(optionmsg::kNoSound, vb::vbCritical, QStringLiteral("エラー"));
        Check_Sound->setEnabled(false);
        ComSoundTest->setEnabled(false);
        SliderVolume->setEnabled(false);
    }
}

bool FrmOption::Refuse(const QString& message, QWidget* focus) {
    MsgBox(message, vb::vbOKOnly);
    focusTarget_ = focus;
    if (focus) {
        for (int i = 0; i < SSTab1->count(); ++i)
            if (SSTab1->widget(i)->isAncestorOf(focus)) SSTab1->setCurrentIndex(i);
        focus->setFocus();
    }
    return false;
}

bool FrmOption::cmdApply_Click() {
    focusTarget_ = nullptr;
    if (txtDBFilePath->text().trimmed().isEmpty()) return Refuse(optionmsg::kNoDatabasePath, txtDBFilePath);
    if (Check_Sound->isChecked() && txtSoundFilePath->text().trimmed().isEmpty())
        return Refuse(optionmsg::kNoSoundPath, txtSoundFilePath);
    for (const QLineEdit* e : {txtLocalPort, TxtEdBoxNGRset, TxtEdBoxInterval, TxtEdBoxPortTimeOut, TxtEdBoxLog})
        if (!Numeric(e->text())) return Refuse(optionmsg::kNotNumber, nullptr);
    if (!InRange(TxtEdBoxInterval, options::kIntervalSeconds)) return Refuse(optionmsg::kInterval, TxtEdBoxInterval);
    if (!InRange(TxtEdBoxNGRset, options::kNGRset)) return Refuse(optionmsg::kNGRset, TxtEdBoxNGRset);
    if (!InRange(TxtEdBoxPortTimeOut, options::kPortTimeOutSeconds))
        return Refuse(optionmsg::kPortTimeOut, TxtEdBoxPortTimeOut);
    if (!InRange(TxtEdBoxLog, options::kLogDeleteDays)) return Refuse(optionmsg::kLogDelete, TxtEdBoxLog);
    const QString port = txtLocalPort->text().trimmed();
    if (txtLocalUserName->text().trimmed().isEmpty() || port.isEmpty() || port < QLatin1String("1"))
        return Refuse(optionmsg::kRequired, txtLocalPort);
    // A port beyond 65535 cannot be bound: refuse it here rather than at the next start.
    if (!InRange(txtLocalPort, options::kPort)) return Refuse(optionmsg::kPortRange, txtLocalPort);

    gOptDatabasePath = txtDBFilePath->text();
    gOptSoundFilePath = txtSoundFilePath->text();
    gOptSound = Check_Sound->isChecked();
    if (mixerFound_) gOptSoundVolume = SliderVolume->value();
    gOptPatLamp = Check_PatLamp->isChecked();
    gOptFormTop = Check_FormTop->isChecked();
    gOptPopUp = Check_PopUp->isChecked();
    gOptPingCheck = Check_PingCheck->isChecked();
    gOptWebInfo = Check_Web->isChecked();
    gOptNoCheck = Check_NoCheck->isChecked();
    const qint32 oldInterval = gOptTimerInterval;
    // Typed seconds are whole; a fraction the box was loaded with is kept as it was.
    qint32 intervalMs = gOptTimerInterval;
    options::ParseSecondsAsMs(TxtEdBoxInterval->text(), &intervalMs);
    gOptTimerInterval = intervalMs;
    gOptNGRset = Whole(TxtEdBoxNGRset);
    gOptPortTimeOut = static_cast<qint16>(Whole(TxtEdBoxPortTimeOut));
    gOptSendMsg = Check_SendMsg->isChecked();
    gOptPort = Whole(txtLocalPort);
    gOptUserName = txtLocalUserName->text();
    gOptLogDelete = Whole(TxtEdBoxLog);
    gOptMailServer = Txt_MailServer->text().trimmed();
    gOptPOPServer = Txt_POPServer->text().trimmed();
    gOptMailUserID = Txt_MailID->text().trimmed();
    if (gOptMailUserID.isEmpty()) gOptMailUserID = ProgramBaseName();

    OptionSetting(false, ProgramBaseName());
    DeleteOldLog();
    UpdateControlTable(QStringLiteral("Web情報提供"), gOptWebInfo ? QStringLiteral("有") : QStringLiteral("無"));
    if (gOptTimerInterval != oldInterval && resetPacing_) resetPacing_();
    return true;
}

QString FrmOption::ChooseFile(const QString& title, const QString& filter, qint32 flags, const QString& initDir,
                              const QString& current) {
    ClsCommonDlg dialog;
    dialog.SetDialogRunner(fileDialogRunner_);
    dialog.setForm(this);
    dialog.setDialogTitle(title);
    dialog.setFilter(filter);
    dialog.setMaxFileSize(254);
    dialog.setFilterIndex(1);
    dialog.setFlags(flags);
    dialog.setInitDir(initDir);
    dialog.setCancelError(true);
    dialog.ShowOpen();
    return dialog.CancelButton() ? current : dialog.FileName();
}

void FrmOption::CmdDB_Click() {
    txtDBFilePath->setText(ChooseFile(
        QStringLiteral("管理ＤＢの選択"),
        QStringLiteral("管理DB(") + kDatabaseFileName + QStringLiteral(")|") + kDatabaseFileName + QLatin1Char('|'),
        ClsCommonDlg::cdlOFNReadOnly, gOptDatabasePath, txtDBFilePath->text()));
}

void FrmOption::CmdSound_Click() {
    txtSoundFilePath->setText(ChooseFile(
        QStringLiteral("サウンドファイルの選択"), QStringLiteral("ｻｳﾝﾄﾞ(*.wav)|*.wav|すべて|*.*|"),
        ClsCommonDlg::cdlOFNReadOnly | ClsCommonDlg::cdlOFNPathMustExist, gOptSoundFilePath, txtSoundFilePath->text()));
}

void FrmOption::ComSoundTest_Click() {
    PlayAlarmSound(txtSoundFilePath->text());
}

void FrmOption::Cmd_PatLampTest_Click() {
    ShowPatLamp();
}
