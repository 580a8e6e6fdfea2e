#include "admin/ClsIPAddressEdit.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRegularExpressionValidator>

namespace {
qint32 FoldTo32(qint64 v) {
    v &= 0xFFFFFFFFLL;
    if (v >= 0x80000000LL) v -= 0x100000000LL;
    return static_cast<qint32>(v);
}

int MouseCode(const QEvent* event) {
    const auto* me = static_cast<const QMouseEvent*>(event);
    int base = 0;
    switch (me->button()) {
    case Qt::LeftButton: base = WindowMessageEvent::WM_LBUTTONDOWN; break;
    case Qt::RightButton: base = WindowMessageEvent::WM_RBUTTONDOWN; break;
    case Qt::MiddleButton: base = WindowMessageEvent::WM_MBUTTONDOWN; break;
    default: return 0;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: return base;
    case QEvent::MouseButtonRelease: return base + 1;
    case QEvent::MouseButtonDblClick: return base + 2;
    default: return 0;
    }
}
}  // namespace

// ---------------------------------------------------------------------------------------
// The control

IPAddressControl::IPAddressControl(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    installEventFilter(this);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(0);
    for (int i = 0; i < 4; ++i) {
        auto* f = new QLineEdit(this);
        f->setObjectName(QStringLiteral("IPField%1").arg(i));
        f->setFrame(false);
        f->setAlignment(Qt::AlignCenter);
        f->setMaxLength(3);
        f->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), f));
        f->setFocusPolicy(Qt::ClickFocus);  // the control has no tab stop
        f->setMouseTracking(true);
        f->setAttribute(Qt::WA_InputMethodEnabled, false);
        f->installEventFilter(this);
        connect(f, &QLineEdit::textEdited, this, [this, i, f](const QString& text) {
            if (i < 3 && text.size() == 3 && f->cursorPosition() == 3) Move(i + 1, true, 0);
        });
        fields_[i] = f;
        row->addWidget(f, 1);
        if (i < 3) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setMouseTracking(true);  // its mouse events go on to the control
            row->addWidget(dot, 0);
        }
    }
    setFocusProxy(fields_[0]);
}

QLineEdit* IPAddressControl::Field(int field) const {
    return field >= 0 && field < 4 ? fields_[field] : nullptr;
}

int IPAddressControl::GetAddress(qint32* packed) const {
    qint64 value = 0;
    int count = 0;
    for (int i = 0; i < 4; ++i) {
        const QString t = fields_[i]->text();
        value = value * 256 + (t.isEmpty() ? 0 : (t.toInt() & 0xFF));
        if (!t.isEmpty()) ++count;
    }
    if (packed) *packed = FoldTo32(value);
    return count;
}

void IPAddressControl::SetAddress(qint32 packed) {
    const quint32 u = static_cast<quint32>(packed);
    for (int i = 0; i < 4; ++i) {
        const QString t = QString::number((u >> (8 * (3 - i))) & 0xFF);
        fields_[i]->setText(t);
        committed_[i] = t;
    }
}

void IPAddressControl::ClearAddress() {
    for (int i = 0; i < 4; ++i) {
        fields_[i]->clear();
        committed_[i].clear();
    }
}

bool IPAddressControl::IsBlank() const {
    for (QLineEdit* f : fields_)
        if (!f->text().isEmpty()) return false;
    return true;
}

void IPAddressControl::SetFieldFocus(int field) {
    if (field < 0 || field > 3) return;
    fields_[field]->setFocus(Qt::OtherFocusReason);
    fields_[field]->selectAll();
}

void IPAddressControl::SetRange(int field, qint32 packedRange) {
    if (field < 0 || field > 3) return;
    lower_[field] = packedRange & 0xFF;
    upper_[field] = (packedRange >> 8) & 0xFF;
}

QString IPAddressControl::Text() const {
    QStringList parts;
    for (QLineEdit* f : fields_) parts << f->text();
    return parts.join(QLatin1Char('.'));
}

int IPAddressControl::IndexOf(const QObject* field) const {
    for (int i = 0; i < 4; ++i)
        if (fields_[i] == field) return i;
    return -1;
}

void IPAddressControl::Notify(QWidget* target, WindowMessageEvent::Message message, QWidget* sender, int code,
                              int field, int value) {
    if (!target) return;
    WindowMessageEvent ev(message, sender, code, field, value);
    QCoreApplication::sendEvent(target, &ev);
}

void IPAddressControl::Move(int field, bool selectAll, int cursor) {
    if (field < 0 || field > 3) return;
    QLineEdit* f = fields_[field];
    f->setFocus(Qt::OtherFocusReason);
    if (selectAll)
        f->selectAll();
    else
        f->setCursorPosition(cursor < 0 ? f->text().size() : cursor);
}

void IPAddressControl::Commit(int field) {
    QLineEdit* f = fields_[field];
    QString t = f->text();
    if (!t.isEmpty()) {
        const int v = std::clamp(t.toInt(), lower_[field], upper_[field]);
        if (QString::number(v) != t) {
            t = QString::number(v);
            f->setText(t);
        }
    }
    if (t == committed_[field]) return;
    committed_[field] = t;
    Notify(parentWidget(), WindowMessageEvent::Notify, this, WindowMessageEvent::IPN_FIELDCHANGED, field,
           t.isEmpty() ? -1 : t.toInt());
}

void IPAddressControl::CommitFields() {
    for (int i = 0; i < 4; ++i) Commit(i);
}

void IPAddressControl::mousePressEvent(QMouseEvent* event) {
    // A click on the frame or a point puts the caret in the first field.
    SetFieldFocus(0);
    QFrame::mousePressEvent(event);
}

bool IPAddressControl::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
        Notify(this, WindowMessageEvent::SetCursor, nullptr, WindowMessageEvent::WM_MOUSEMOVE);
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        if (const int code = MouseCode(event)) Notify(this, WindowMessageEvent::SetCursor, nullptr, code);
        return false;
    default: break;
    }
    const int i = IndexOf(watched);
    if (i < 0) return false;
    QLineEdit* f = fields_[i];
    switch (event->type()) {
    case QEvent::FocusIn:
        Notify(this, WindowMessageEvent::Command, f, WindowMessageEvent::EN_SETFOCUS);
        if (!focusInside_) {
            focusInside_ = true;
            Notify(parentWidget(), WindowMessageEvent::Command, this, WindowMessageEvent::EN_SETFOCUS);
        }
        return false;
    case QEvent::FocusOut: {
        Commit(i);
        Notify(this, WindowMessageEvent::Command, f, WindowMessageEvent::EN_KILLFOCUS);
        if (IndexOf(QApplication::focusWidget()) < 0 && focusInside_) {
            focusInside_ = false;
            Notify(parentWidget(), WindowMessageEvent::Command, this, WindowMessageEvent::EN_KILLFOCUS);
        }
        return false;
    }
    case QEvent::KeyPress: {
        const auto* ke = static_cast<QKeyEvent*>(event);
        const bool atStart = f->cursorPosition() == 0 && !f->hasSelectedText();
        const bool atEnd = f->cursorPosition() == f->text().size() && !f->hasSelectedText();
        switch (ke->key()) {
        case Qt::Key_Period:
        case Qt::Key_Space:
            if (i < 3 && !f->text().isEmpty()) Move(i + 1, true, 0);
            return true;
        case Qt::Key_Backspace:
        case Qt::Key_Left:
            if (atStart && i > 0) {
                Move(i - 1, false, -1);
                return true;
            }
            return false;
        case Qt::Key_Right:
            if (atEnd && i < 3) {
                Move(i + 1, false, 0);
                return true;
            }
            return false;
        default: return false;
        }
    }
    default: return false;
    }
}

// ---------------------------------------------------------------------------------------
// The wrapper

ClsIPAddressEdit::ClsIPAddressEdit(QObject* parent) : QObject(parent) {}

ClsIPAddressEdit::~ClsIPAddressEdit() {
    UnhookIPMessages();
    delete control_.data();
}

qint32 ClsIPAddressEdit::MakeIPAddress(qint64 f0, qint64 f1, qint64 f2, qint64 f3) {
    return FoldTo32(f0 * (1LL << 24) + f1 * (1LL << 16) + f2 * (1LL << 8) + f3);
}

qint32 ClsIPAddressEdit::MakeIPRange(qint64 lower, qint64 upper) { return FoldTo32(upper * 256 + lower); }

bool ClsIPAddressEdit::mCreate(QWidget* parent, int left, int top, int height, int width) {
    if (control_ || !parent) return false;
    control_ = new IPAddressControl(parent);
    control_->setGeometry(left, top, width, height);
    control_->setVisible(true);
    parent_ = parent;
    HookIPMessages();
    return true;
}

bool ClsIPAddressEdit::mCreateOver(QWidget* placeholder) {
    if (!placeholder) return false;
    const QRect g = placeholder->geometry();
    if (!mCreate(placeholder->parentWidget(), g.left(), g.top(), g.height(), g.width())) return false;
    placeholder->hide();
    return true;
}

bool ClsIPAddressEdit::HookIPMessages() {
    ClsMessage* onParent = ClsMessage::ForWindow(parent_);
    onParent->AddMessage(this, parent_, false);
    onParent->AddChildMessage(this, control_, true);
    ClsMessage* onControl = ClsMessage::ForWindow(control_);
    onControl->AddMessage(this, control_, true);
    return true;
}

bool ClsIPAddressEdit::UnhookIPMessages() {
    if (ClsMessage* onParent = ClsMessage::MessageClass(parent_)) {
        onParent->DeleteMessage(this, parent_);
        onParent->DeleteChildMessage(this, control_);
    }
    if (ClsMessage* onControl = ClsMessage::MessageClass(control_)) onControl->DeleteMessage(this, control_);
    return true;
}

bool ClsIPAddressEdit::pEnabled() const { return control_ && control_->isEnabled(); }
void ClsIPAddressEdit::setPEnabled(bool enabled) {
    if (control_) control_->setEnabled(enabled);
}
bool ClsIPAddressEdit::pVisible() const { return control_ && !control_->isHidden(); }
void ClsIPAddressEdit::setPVisible(bool visible) {
    if (control_) control_->setVisible(visible);
}

int ClsIPAddressEdit::pLeft() const { return control_ ? control_->geometry().left() : 0; }
int ClsIPAddressEdit::pTop() const { return control_ ? control_->geometry().top() : 0; }
int ClsIPAddressEdit::pWidth() const { return control_ ? control_->geometry().width() : 0; }
int ClsIPAddressEdit::pHeight() const { return control_ ? control_->geometry().height() : 0; }
void ClsIPAddressEdit::setPLeft(int v) {
    if (control_) control_->setGeometry(v, pTop(), pWidth(), pHeight());
}
void ClsIPAddressEdit::setPTop(int v) {
    if (control_) control_->setGeometry(pLeft(), v, pWidth(), pHeight());
}
void ClsIPAddressEdit::setPWidth(int v) {
    if (control_) control_->setGeometry(pLeft(), pTop(), v, pHeight());
}
void ClsIPAddressEdit::setPHeight(int v) {
    if (control_) control_->setGeometry(pLeft(), pTop(), pWidth(), v);
}

int ClsIPAddressEdit::pInputIPCount() const { return control_ ? control_->GetAddress(nullptr) : 0; }

qint32 ClsIPAddressEdit::pIPAddress(int field) const {
    if (!control_ || field < 0 || field > 3) return 0;
    qint32 packed = 0;
    control_->GetAddress(&packed);
    if (field == 3) return packed & 0xFF;
    // Fields 0..2 come from the text, so a first field of 128 or more reads as typed although
    // the packed address is negative.
    QString text = control_->Text();
    for (int i = 0; i < field; ++i) text = text.mid(text.indexOf(QLatin1Char('.')) + 1);
    return text.section(QLatin1Char('.'), 0, 0).toInt();
}

QString ClsIPAddressEdit::AddressText() const {
    return QStringLiteral("%1.%2.%3.%4").arg(pIPAddress(0)).arg(pIPAddress(1)).arg(pIPAddress(2)).arg(pIPAddress(3));
}

int ClsIPAddressEdit::FirstBlankField() const {
    if (control_)
        for (int f = 0; f < 4; ++f)
            if (control_->Field(f)->text().isEmpty()) return f;
    return 0;
}

void ClsIPAddressEdit::SetHostRanges() {
    for (int f = 0; f < 4; ++f) setPMin(f, f == 0 || f == 3 ? 1 : 0);
}

void ClsIPAddressEdit::mSetIPAddress(qint32 f0, qint32 f1, qint32 f2, qint32 f3) {
    if (control_) control_->SetAddress(MakeIPAddress(f0, f1, f2, f3));
}

void ClsIPAddressEdit::mClear() {
    if (control_) control_->ClearAddress();
}

bool ClsIPAddressEdit::mIsBlank() const { return control_ && control_->IsBlank(); }

void ClsIPAddressEdit::mSetFocus(int field) {
    if (control_) control_->SetFieldFocus(field);
}

qint32 ClsIPAddressEdit::pMin(int field) const { return field >= 0 && field < 4 ? lower_[field] : 0; }
qint32 ClsIPAddressEdit::pMax(int field) const { return field >= 0 && field < 4 ? upper_[field] : 0; }

void ClsIPAddressEdit::setPMin(int field, qint32 value) {
    if (field < 0 || field > 3) return;
    if (control_) control_->SetRange(field, MakeIPRange(value, upper_[field]));
    lower_[field] = value;
}

void ClsIPAddressEdit::setPMax(int field, qint32 value) {
    if (field < 0 || field > 3) return;
    if (control_) control_->SetRange(field, MakeIPRange(lower_[field], value));
    upper_[field] = value;
}

QWidget* ClsIPAddressEdit::pParent() const { return control_ ? control_->parentWidget() : nullptr; }

qint32 ClsIPAddressEdit::CallBackWindow(QWidget* /*window*/, QEvent* event, bool& /*handled*/) {
    if (event->type() != WindowMessageEvent::EventType()) return 0;
    const auto* m = static_cast<const WindowMessageEvent*>(event);
    switch (m->message) {
    case WindowMessageEvent::Command:
        if (m->code == WindowMessageEvent::EN_SETFOCUS) emit GotFocus();
        if (m->code == WindowMessageEvent::EN_KILLFOCUS) emit LostFocus();
        break;
    case WindowMessageEvent::SetCursor:
        switch (m->code) {
        case WindowMessageEvent::WM_MOUSEMOVE: emit MouseMove(); break;
        case WindowMessageEvent::WM_LBUTTONDOWN: emit MouseDown(1); break;
        case WindowMessageEvent::WM_RBUTTONDOWN: emit MouseDown(2); break;
        case WindowMessageEvent::WM_MBUTTONDOWN: emit MouseDown(4); break;
        case WindowMessageEvent::WM_LBUTTONUP: emit MouseUp(1); break;
        case WindowMessageEvent::WM_RBUTTONUP: emit MouseUp(2); break;
        case WindowMessageEvent::WM_MBUTTONUP: emit MouseUp(4); break;
        default: break;
        }
        break;
    case WindowMessageEvent::Notify:
        if (m->code == WindowMessageEvent::IPN_FIELDCHANGED) emit FieldChanged(m->field);
        break;
    }
    return 0;
}
