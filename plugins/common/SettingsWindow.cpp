#include "plugins/common/SettingsWindow.h"

#include "admin/edit/EditHelpers.h"
#include "model/text/TrimSpaces.h"
#include "plugins/common/PluginObject.h"
#include "plugins/common/PluginUi.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <algorithm>

namespace plugin {

namespace {

constexpr int kNoLimit = 32767;  // QLineEdit's own default length

QLineEdit* makeBox(QWidget* parent, const QString& objectName, int maxLength, BoxKind kind) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(objectName);
    if (maxLength > 0) box->setMaxLength(maxLength);
    if (kind == BoxKind::Digits) {
        static const QRegularExpression digits(QStringLiteral("[0-9]*"));
        box->setValidator(new QRegularExpressionValidator(digits, box));
    }
    if (kind == BoxKind::Password) {
        box->setEchoMode(QLineEdit::Password);
        box->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    }
    InstallSelAllText(box);
    InstallEnterToTab(box);
    return box;
}

QPushButton* makeButton(QWidget* parent, const QString& objectName, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(objectName);
    // Enter belongs to the boxes (next field); no button may take it as a click.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

}  // namespace

SettingsWindow::SettingsWindow(const ClsVantoroBase& owner, const QString& caption) : owner_(owner) {
    setObjectName(QStringLiteral("SettingsWindow"));
    setWindowTitle(caption);
    setModal(true);

    auto* main = new QVBoxLayout(this);
    connection_ = new QGroupBox(QStringLiteral("接続情報"), this);
    connectionGrid_ = new QGridLayout(connection_);
    main->addWidget(connection_);

    auto* buttons = new QHBoxLayout;
    check_ = makeButton(this, QStringLiteral("CmdCheck"), QStringLiteral("確認"));
    ok_ = makeButton(this, QStringLiteral("CmdOK"), QStringLiteral("登録"));
    close_ = makeButton(this, QStringLiteral("CmdClose"), QStringLiteral("閉じる"));
    buttons->addWidget(check_);
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(close_);
    main->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, &SettingsWindow::onOk);
    connect(close_, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
    connect(check_, &QPushButton::clicked, this, &SettingsWindow::onCheck);
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::addToTabOrder(QWidget* w) { tabOrder_.push_back(w); }

QLineEdit* SettingsWindow::AddBox(const QString& objectName, const QString& caption, const QString& property,
                                  int maxLength, BoxKind kind, const QString& suffix) {
    QLineEdit* box = makeBox(connection_, objectName, maxLength, kind);
    const int row = connectionGrid_->rowCount();
    auto* label = new QLabel(caption, connection_);
    label->setBuddy(box);
    connectionGrid_->addWidget(label, row, 0);
    connectionGrid_->addWidget(box, row, 1);
    if (!suffix.isEmpty()) connectionGrid_->addWidget(new QLabel(suffix, connection_), row, 2);
    if (!property.isEmpty()) bindings_.push_back({box, property, kind == BoxKind::Digits, maxLength});
    captions_.insert(box, caption);
    addToTabOrder(box);
    return box;
}

void SettingsWindow::AddRow(const QString& caption, QWidget* control) {
    control->setParent(connection_);
    const int row = connectionGrid_->rowCount();
    if (!caption.isEmpty()) connectionGrid_->addWidget(new QLabel(caption, connection_), row, 0);
    connectionGrid_->addWidget(control, row, 1, 1, caption.isEmpty() ? 2 : 1);
    if (control->focusPolicy() & Qt::TabFocus) addToTabOrder(control);
}

QLineEdit* SettingsWindow::AddTimeOutBox(const QString& caption) {
    return AddBox(QStringLiteral("TxtTimeOut"), caption, QStringLiteral("TimeOut"), 2, BoxKind::Digits,
                  QStringLiteral("(秒)"));
}

void SettingsWindow::AddRetryFrame() {
    retry_ = new QGroupBox(QStringLiteral("再チェック情報"), this);
    auto* rows = new QVBoxLayout(retry_);
    auto* first = new QHBoxLayout;
    auto* second = new QHBoxLayout;
    QLineEdit* wait = makeBox(retry_, QStringLiteral("TxtWaitTime"), 2, BoxKind::Digits);
    QLineEdit* retry = makeBox(retry_, QStringLiteral("TxtRetry"), 1, BoxKind::Digits);
    wait->setMaximumWidth(40);
    retry->setMaximumWidth(40);
    first->addWidget(new QLabel(QStringLiteral("接続失敗し場合、"), retry_));
    first->addWidget(wait);
    first->addWidget(new QLabel(QStringLiteral("秒経過後、再チェックを行う。"), retry_));
    first->addStretch();
    second->addWidget(new QLabel(QStringLiteral("但し"), retry_));
    second->addWidget(retry);
    second->addWidget(new QLabel(QStringLiteral("回連続で接続失敗したら障害発生とする。"), retry_));
    second->addStretch();
    rows->addLayout(first);
    rows->addLayout(second);
    // The frame sits between the connection frame and the buttons.
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, retry_);
    bindings_.push_back({wait, QStringLiteral("WaitTime"), true, 2});
    bindings_.push_back({retry, QStringLiteral("Retry"), true, 1});
    captions_.insert(wait, QStringLiteral("ウエイトタイム"));
    captions_.insert(retry, QStringLiteral("リトライ回数"));
    addToTabOrder(wait);
    addToTabOrder(retry);
}

void SettingsWindow::AddRequired(QLineEdit* box, const QString& message, std::function<bool(const QString&)> accept) {
    required_.push_back({box, message, std::move(accept)});
}

void SettingsWindow::SetZeroToOne(QLineEdit* box) { zeroToOne_.push_back(box); }

QLineEdit* SettingsWindow::Box(const QString& objectName) const { return findChild<QLineEdit*>(objectName); }

bool SettingsWindow::NoSeparator(const QString& text) { return !text.contains(u'|'); }

bool SettingsWindow::PortNumber(const QString& text) {
    bool ok = false;
    const int port = text.toInt(&ok);
    return ok && port >= 1 && port <= 65535;
}

void SettingsWindow::Fill(const ClsVantoroBase& from) {
    for (const auto& b : bindings_) {
        const QVariant v = from.Value(b.property);
        const QString text = b.number ? QString::number(v.toInt()) : v.toString();
        // The limit is for typing. A longer value that came in through a parameter string is
        // shown whole: cut to the limit here, an OK on the untouched window would silently
        // store another value (a time-out of 120 as 12, a retry count of 10 as 1).
        const int limit = b.limit > 0 ? b.limit : kNoLimit;
        b.box->setMaxLength(std::max(limit, static_cast<int>(text.size())));
        b.box->setText(text);
    }
}

void SettingsWindow::Collect(QVariantHash& values) const {
    for (const auto& b : bindings_) {
        const QString t = TrimSpaces(b.box->text());
        values.insert(b.property, b.number ? QVariant(t.toInt()) : QVariant(t));
    }
}

void SettingsWindow::Load(const ClsVantoroBase& from) {
    tag_.clear();
    Fill(from);
    const QString proc = from.Proc();
    ok_->setText(proc == QLatin1String("U")   ? QStringLiteral("更新")
                 : proc == QLatin1String("D") ? QStringLiteral("削除")
                                              : QStringLiteral("登録"));
    std::vector<QWidget*> order = tabOrder_;
    order.push_back(ok_);
    order.push_back(close_);
    order.push_back(check_);
    for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
    if (!tabOrder_.empty()) tabOrder_.front()->setFocus(Qt::OtherFocusReason);
}

void SettingsWindow::Run() { RunModal(*this); }

void SettingsWindow::CopyConfirmed(ClsVantoroBase& to) const {
    for (auto it = confirmed_.cbegin(); it != confirmed_.cend(); ++it) to.PutValue(it.key(), it.value());
}

bool SettingsWindow::ValidateInput() {
    const ParameterFormat& format = owner_.Format();
    const int lastField = format.parameterCount() - 1;
    auto breaksString = [&](QLineEdit* box) {
        for (const auto& b : bindings_) {
            if (b.box != box || b.number) continue;
            const int i = format.indexOf(b.property);
            return i >= 0 && i < lastField && !NoSeparator(box->text());
        }
        return false;
    };
    auto refuse = [this](QLineEdit* box, const QString& message) {
        MsgBox(message, vbInformation, owner_.Title());
        box->setFocus(Qt::OtherFocusReason);
        return false;
    };
    for (const auto& r : required_) {
        const QString t = TrimSpaces(r.box->text());
        if (t.isEmpty() || (r.accept && !r.accept(t)) || breaksString(r.box)) return refuse(r.box, r.message);
    }
    // Boxes that are not required may still not carry a "|" unless they are the last field.
    for (const auto& b : bindings_) {
        bool listed = false;
        for (const auto& r : required_) listed = listed || r.box == b.box;
        if (!listed && breaksString(b.box))
            return refuse(b.box, captions_.value(b.box) + QStringLiteral("に「|」は入力できません。"));
    }
    for (QLineEdit* box : zeroToOne_)
        if (TrimSpaces(box->text()) == QLatin1String("0")) box->setText(QStringLiteral("1"));
    return true;
}

void SettingsWindow::onOk() {
    if (checking_ || !ValidateInput()) return;
    confirmed_.clear();
    Collect(confirmed_);
    tag_ = QStringLiteral("OK");
    done(QDialog::Accepted);
}

void SettingsWindow::onCheck() {
    if (checking_ || !ValidateInput()) return;
    checking_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    check_->setEnabled(false);
    close_->setEnabled(false);
    ok_->setEnabled(false);

    bool passed = false;
    try {
        std::unique_ptr<ClsVantoroBase> probe = owner_.CreateSibling();
        QVariantHash values;
        Collect(values);
        for (auto it = values.cbegin(); it != values.cend(); ++it) probe->PutValue(it.key(), it.value());
        // The database checks then show what went wrong.
        if (probe->HasField(QStringLiteral("kakunin"))) probe->PutValue(QStringLiteral("kakunin"), true);
        passed = probe->Check(1);
    } catch (...) {
        passed = false;
    }
    MsgBox(passed ? QStringLiteral("接続ＯＫ") : QStringLiteral("接続ＮＧ"), vbInformation, owner_.Title());

    check_->setEnabled(true);
    close_->setEnabled(true);
    ok_->setEnabled(true);
    QApplication::restoreOverrideCursor();
    checking_ = false;
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    // A test check in progress runs the window's events; the window stays until it ends.
    if (checking_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void SettingsWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && checking_) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace plugin
