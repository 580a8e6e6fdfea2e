#include "console/FrmTraceRt.h"

#include "alarms/NameResolver.h"
#include "model/Seams.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextOption>

#include <cmath>

namespace {

const QString kClose = QStringLiteral("閉じる(&C)");
const QString kCancel = QStringLiteral("キャンセル(&C)");

// Closes the echo service on every way out of a trace.
class OpenedProber {
public:
    explicit OpenedProber(TraceProber& prober) : prober_(prober) {}
    ~OpenedProber() { prober_.Close(); }
    OpenedProber(const OpenedProber&) = delete;
    OpenedProber& operator=(const OpenedProber&) = delete;

private:
    TraceProber& prober_;
};

}  // namespace

quint32 IcmpTraceProber::ResolveHostAddress(const QString& host) {
    const std::optional<QHostAddress> found = names::Resolve(host, names::Family::IPv4);
    return found ? found->toIPv4Address() : 0;
}

QString IcmpTraceProber::ResolveHostName(quint32 address) { return names::NameOf(QHostAddress(address)); }

bool IcmpTraceProber::Open() {
    echo_ = std::make_unique<icmp::IcmpEcho>();
    if (echo_->IsOpen()) return true;
    echo_.reset();
    return false;
}

int IcmpTraceProber::SendEcho(quint32 target, const QByteArray& data, int ttl, int timeoutMs,
                              icmp::EchoReply& reply) {
    if (!echo_) {
        reply = icmp::EchoReply{};
        return 0;
    }
    return echo_->SendEcho(target, data, ttl, timeoutMs, reply);
}

void IcmpTraceProber::Close() { echo_.reset(); }

FrmTraceRt::FrmTraceRt(QWidget* parent) : QDialog(parent), prober_(std::make_unique<IcmpTraceProber>()) {
    setObjectName(QStringLiteral("FrmTraceRt"));
    setWindowTitle(QStringLiteral("Tracert確認"));
    setSizeGripEnabled(true);

    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    lblComputer_ = new QLabel(QStringLiteral("Host名 or IP"), this);
    named(lblComputer_, "Lbl_Computer");
    txtURL_ = new QLineEdit(this);
    named(txtURL_, "TxtURL");
    lblComputer2_ = new QLabel(this);
    named(lblComputer2_, "Lbl_Computer2");
    label2_ = new QLabel(QStringLiteral(" IPｱﾄﾞﾚｽ"), this);
    named(label2_, "Label2");
    txtIP_ = new QLineEdit(this);
    named(txtIP_, "TxtIP");
    txtIP_->setReadOnly(true);  // the trace compares answers with it
    label4_ = new QLabel(QStringLiteral("ﾃﾞｰﾀ長(Byte)"), this);
    named(label4_, "Label4");
    cmbSize_ = new QComboBox(this);
    named(cmbSize_, "CmbSize");
    cmbSize_->setEditable(true);
    cmbSize_->setInsertPolicy(QComboBox::NoInsert);
    cmbSize_->addItems({QStringLiteral("32"), QStringLiteral("128")});
    cmbSize_->setCurrentText(QStringLiteral("32"));
    chkHost_ = new QCheckBox(QStringLiteral("Host名の解決"), this);
    named(chkHost_, "ChkHost");
    cmdGO_ = new QPushButton(QStringLiteral("実行(&G)"), this);
    named(cmdGO_, "CmdGO");
    cmdGO_->setDefault(true);
    cmbSTOP_ = new QPushButton(kClose, this);
    named(cmbSTOP_, "CmbSTOP");
    cmbSTOP_->setAutoDefault(false);
    txtOUT_ = new QPlainTextEdit(this);
    named(txtOUT_, "TxtOUT");
    txtOUT_->setReadOnly(true);
    txtOUT_->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* grid = new QGridLayout;
    grid->addWidget(lblComputer_, 0, 0);
    grid->addWidget(txtURL_, 0, 1);
    grid->addWidget(lblComputer2_, 0, 1);  // shown in the host box's place for a computer
    grid->addWidget(label2_, 0, 2);
    grid->addWidget(txtIP_, 0, 3);
    grid->addWidget(label4_, 1, 0);
    grid->addWidget(cmbSize_, 1, 1);
    grid->addWidget(chkHost_, 1, 2, 1, 2);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdGO_);
    buttons->addWidget(cmbSTOP_);
    buttons->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(grid, 1);
    top->addLayout(buttons);
    auto* root = new QVBoxLayout(this);
    root->addLayout(top);
    root->addWidget(txtOUT_, 1);
    resize(560, 400);

    connect(cmdGO_, &QPushButton::clicked, this, &FrmTraceRt::CmdGO_Click);
    connect(cmbSTOP_, &QPushButton::clicked, this, &FrmTraceRt::CmbSTOP_Click);
    Load();
}

FrmTraceRt::~FrmTraceRt() = default;

void FrmTraceRt::Load() {
    lblComputer_->setText(QStringLiteral("Host名 or IP"));
    SetFreeEntry();
    cmbSTOP_->setText(kClose);
    txtURL_->clear();
    txtIP_->clear();
    txtOUT_->clear();
    lblComputer2_->clear();
    SetTabStops();
}

void FrmTraceRt::SetFreeEntry() {
    txtURL_->setReadOnly(false);
    txtURL_->setVisible(true);
    lblComputer2_->setVisible(false);
}

void FrmTraceRt::SetForComputer(const QString& address, const QString& nodeText) {
    txtURL_->setText(address);
    lblComputer2_->setText(nodeText);
    txtURL_->setReadOnly(true);
    txtURL_->setVisible(false);
    lblComputer2_->setVisible(true);
    lblComputer_->setText(QStringLiteral("ｺﾝﾋﾟｭｰﾀ名"));
}

void FrmTraceRt::SetTabStops() {
    // Three stops at 20, 50 and 100 dialog units; a horizontal dialog unit is a quarter
    // of the font's average character width.
    const qreal unit = txtOUT_->fontMetrics().averageCharWidth() / 4.0;
    QTextOption option = txtOUT_->document()->defaultTextOption();
    option.setTabs({QTextOption::Tab(20 * unit, QTextOption::LeftTab), QTextOption::Tab(50 * unit, QTextOption::LeftTab),
                    QTextOption::Tab(100 * unit, QTextOption::LeftTab)});
    option.setTabStopDistance(32 * unit);
    txtOUT_->document()->setDefaultTextOption(option);
    txtOUT_->viewport()->update();
}

void FrmTraceRt::SetProber(std::unique_ptr<TraceProber> prober) {
    prober_ = prober ? std::move(prober) : std::make_unique<IcmpTraceProber>();
}

QString FrmTraceRt::Output() const { return txtOUT_->toPlainText(); }

void FrmTraceRt::Append(const QString& text) {
    txtOUT_->moveCursor(QTextCursor::End);
    txtOUT_->insertPlainText(text);
}

QString FrmTraceRt::TimeText(quint32 roundTripMs) {
    if (roundTripMs < 10) return QStringLiteral("<10 ms");
    if (roundTripMs > 1200) return QStringLiteral("*");
    return QString::number(roundTripMs) + QStringLiteral(" ms");
}

void FrmTraceRt::CmdGO_Click() {
    cmbSTOP_->setText(kCancel);
    cmdGO_->setEnabled(false);
    cancel_ = false;
    tracing_ = true;
    if (!txtURL_->text().isEmpty()) TraceRT();
    tracing_ = false;
    cmdGO_->setEnabled(true);
    cmbSTOP_->setText(kClose);
    if (closeWhenDone_) {
        closeWhenDone_ = false;
        QDialog::reject();
    }
}

void FrmTraceRt::CmbSTOP_Click() {
    cancel_ = true;
    if (cmdGO_->isEnabled()) {
        QDialog::reject();
    } else {
        cmbSTOP_->setText(kClose);
    }
}

void FrmTraceRt::reject() {
    if (!tracing_) {
        QDialog::reject();
        return;
    }
    // The trace loop is still on the stack: stop it before its next request and let
    // the click that started it close the window on its way out.
    cancel_ = true;
    closeWhenDone_ = true;
    cmbSTOP_->setText(kClose);
}

int FrmTraceRt::DataLength() {
    const auto parse = [this](double& value) {
        bool ok = false;
        value = cmbSize_->currentText().toDouble(&ok);
        return ok && std::isfinite(value);
    };
    double value = 0;
    if (parse(value)) {
        if (value < 32) cmbSize_->setCurrentText(QStringLiteral("32"));
        parse(value);
        if (value > 128) cmbSize_->setCurrentText(QStringLiteral("128"));
    } else {
        cmbSize_->setCurrentText(QStringLiteral("32"));
    }
    parse(value);
    // Halves go to the even number.
    return static_cast<int>(std::nearbyint(value));
}

void FrmTraceRt::TraceRT() {
    txtIP_->clear();
    txtOUT_->clear();
    const int length = DataLength();

    const QString host = txtURL_->text();
    const quint32 target = prober_->ResolveHostAddress(host);
    const QString targetText = target ? QHostAddress(target).toString() : QString();
    txtIP_->setText(targetText);
    Append(QStringLiteral("トレース対象：") + host + QStringLiteral(":\n\n"));
    if (targetText.isEmpty()) {
        Append(QStringLiteral("\nアドレスが検索できません。"));
        return;
    }
    if (!prober_->Open()) {
        MsgBox(QStringLiteral("Icmpファイルハンドルを開くことができない"), vb::vbOKOnly);
        return;
    }
    const OpenedProber opened(*prober_);

    const QByteArray data(length, 'a');
    int ttl = 1;
    int silent = 0;
    QString lastReply;
    lineCounter_ = 0;
    while (ttl <= kMaxTtl) {
        if (cancel_) break;
        ++silent;
        ++lineCounter_;
        const int r = SendEchoWithTtl(target, data, ttl, lastReply);
        if (r == 1) {
            Append(QString::number(lineCounter_) + QStringLiteral("\t*\tRequest timed out.\n"));
            if (silent > kMaxSilent) break;
        } else {
            silent = 0;
        }
        ttl -= r;  // an unanswered time-to-live is sent again
        QCoreApplication::processEvents();
        if (lastReply == targetText) break;
        ++ttl;
    }
    Append(cancel_ ? QStringLiteral("\nキャンセルされました。") : QStringLiteral("\nトレース完了。"));
}

int FrmTraceRt::SendEchoWithTtl(quint32 target, const QByteArray& data, int ttl, QString& replyAddress) {
    icmp::EchoReply reply;
    if (prober_->SendEcho(target, data, ttl, kWaitMs, reply) != 1) return 1;
    replyAddress = QHostAddress(reply.address).toString();
    const QString hostName = chkHost_->isChecked() ? prober_->ResolveHostName(reply.address) : QString();
    FormatHopLine(reply.roundTripMs, replyAddress, hostName);
    return 0;
}

void FrmTraceRt::FormatHopLine(quint32 roundTripMs, const QString& address, const QString& hostName) {
    QString line = QString::number(lineCounter_) + QLatin1Char('\t') + TimeText(roundTripMs) + QLatin1Char('\t') + address;
    if (chkHost_->isChecked()) line += QLatin1Char('\t') + hostName;
    Append(line + QLatin1Char('\n'));
    QCoreApplication::processEvents();
}

namespace {
void RunModal(FrmTraceRt& window, const FrmTraceRt::Runner& run) {
    if (run)
        run(window);
    else
        window.exec();
}
}  // namespace

void FrmTraceRt::ShowFreeEntry(QWidget* owner, const QString& caption, const Runner& run) {
    FrmTraceRt window(owner);
    window.Load();
    if (!caption.isEmpty()) window.setWindowTitle(caption);
    window.SetFreeEntry();
    RunModal(window, run);
}

void FrmTraceRt::ShowForComputer(QWidget* owner, const QString& caption, const QString& address,
                                 const QString& nodeText, const Runner& run) {
    FrmTraceRt window(owner);
    window.Load();
    if (!caption.isEmpty()) window.setWindowTitle(caption);
    window.SetForComputer(address, nodeText);
    RunModal(window, run);
}
