#include "admin/edit/EditHelpers.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <QTimer>

namespace {

constexpr int kEnter = 13;

// One filter per field carries both behaviours, so installing either twice adds nothing.
class EditFieldFilter final : public QObject {
public:
    explicit EditFieldFilter(QWidget* field) : QObject(field) { setObjectName(QString::fromLatin1(kName)); }
    static constexpr const char* kName = "vantoroEditFieldFilter";
    bool selectAll = false;
    bool enterToTab = false;

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* field = qobject_cast<QWidget*>(watched);
        if (!field) return false;
        if (event->type() == QEvent::FocusIn && selectAll) {
            SelAllText(field);
            // A mouse click that gave the focus moves the cursor after this event and so
            // drops the selection; select once more when the click has been handled.
            QPointer<QWidget> guard(field);
            QTimer::singleShot(0, field, [guard] {
                if (guard && guard->hasFocus()) SelAllText(guard);
            });
            return false;
        }
        if (event->type() == QEvent::KeyPress && enterToTab) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                int code = kEnter;
                EnterToTab(code, field);
                return code == 0;
            }
        }
        // The dialog looks at Enter through a shortcut override first; claim it here so
        // no default button ever sees it.
        if (event->type() == QEvent::ShortcutOverride && enterToTab) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                event->accept();
                return true;
            }
        }
        return false;
    }
};

EditFieldFilter* filterOf(QWidget* field) {
    for (QObject* child : field->children())
        if (child->objectName() == QLatin1String(EditFieldFilter::kName)) return static_cast<EditFieldFilter*>(child);
    auto* f = new EditFieldFilter(field);  // owned by the field
    field->installEventFilter(f);
    return f;
}

bool takesTabFocus(const QWidget* w, const QWidget* window) {
    return w->window() == window && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
           w->isVisibleTo(window) && !w->focusProxy();
}

}  // namespace

void SelAllText(QWidget* field) {
    if (!field) return;
    if (auto* e = qobject_cast<QLineEdit*>(field)) {
        e->setSelection(0, static_cast<int>(e->text().size()));
    } else if (auto* e = qobject_cast<QPlainTextEdit*>(field)) {
        e->selectAll();
    } else if (auto* e = qobject_cast<QTextEdit*>(field)) {
        e->selectAll();
    } else if (auto* e = qobject_cast<QAbstractSpinBox*>(field)) {
        e->selectAll();
    } else if (auto* e = qobject_cast<QComboBox*>(field)) {
        if (e->lineEdit()) e->lineEdit()->selectAll();
    }
}

void EnterToTab(int& keyAscii, QWidget* field) {
    if (keyAscii != kEnter) return;
    keyAscii = 0;
    if (!field) return;
    // The same walk a Tab key makes: the next widget in the focus chain of this window
    // that accepts Tab focus, wrapping round to the start.
    const QWidget* window = field->window();
    for (QWidget* w = field->nextInFocusChain(); w && w != field; w = w->nextInFocusChain()) {
        if (takesTabFocus(w, window)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void InstallSelAllText(QWidget* field) {
    if (field) filterOf(field)->selectAll = true;
}

void InstallEnterToTab(QWidget* field) {
    if (field) filterOf(field)->enterToTab = true;
}
