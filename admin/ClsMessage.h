#pragma once
// Lets objects receive the messages (Qt events) of a window they do not own.
//
// One ClsMessage serves one hooked window. It keeps two tables of receivers ("owners"):
// the message table, whose entries all name the hooked window and receive every event it
// gets, and the child table, one entry per child control, whose owner receives the
// notifications (WindowMessageEvent of kind Command or Notify) that this child sends to the
// hooked window. While the message table is not empty the object is the window's event
// filter and the window carries a link to it (a dynamic property holding its address,
// owning nothing), which is how MessageClass finds it. Child entries never hook or unhook.
//
// Dispatch of one event: the child owner of a Command/Notify (if its entry is active),
// then every active owner of the message table in order, all sharing one handled flag
// (a later owner sees and may reset it). When handled ends True the window never sees the
// event; otherwise the window's own handling runs. An event arriving while this object is
// already dispatching (sent from an owner's handler) reaches the window directly, no owner
// is called. An owner that throws is skipped and the dispatch goes on.
//
// Lifetime: ForWindow() returns the window's object or makes one; an object made that way
// belongs to nobody but itself and goes away (deleteLater) once its window is unhooked or
// destroyed. An object made by the caller stays the caller's. Owners are not owned: an owner
// must remove its entries before it goes.

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <vector>

// The notification a control sends to a window: to its parent about itself, or to itself
// about one of its inner fields. `message` says which kind (the numbers follow the
// platform messages the dialogs were designed around).
class WindowMessageEvent : public QEvent {
public:
    enum Message { Notify = 78, Command = 273, SetCursor = 0x20 };
    // Command codes
    static constexpr int EN_SETFOCUS = 0x100;
    static constexpr int EN_KILLFOCUS = 0x200;
    // Notify code: a field of an address control changed; field and value say which and what
    // (-1 for a blank field).
    static constexpr int IPN_FIELDCHANGED = -860;
    // SetCursor codes: the mouse message that moved the cursor.
    static constexpr int WM_MOUSEMOVE = 0x200, WM_LBUTTONDOWN = 0x201, WM_LBUTTONUP = 0x202,
                         WM_LBUTTONDBLCLK = 0x203, WM_RBUTTONDOWN = 0x204, WM_RBUTTONUP = 0x205,
                         WM_RBUTTONDBLCLK = 0x206, WM_MBUTTONDOWN = 0x207, WM_MBUTTONUP = 0x208,
                         WM_MBUTTONDBLCLK = 0x209;

    WindowMessageEvent(Message message, QWidget* sender, int code, int field = -1, int value = -1)
        : QEvent(EventType()), message(message), sender(sender), code(code), field(field), value(value) {}
    static QEvent::Type EventType();

    Message message;
    QWidget* sender;  // the sending control; null for a command from a menu or accelerator
    int code;
    int field;
    int value;
};

// What an owner offers: called for each event it registered for. It may set handled (the
// window then never sees the event) and may change the event; its return value becomes the
// dispatch's result.
class MessageReceiver {
public:
    virtual ~MessageReceiver() = default;
    virtual qint32 CallBackWindow(QWidget* window, QEvent* event, bool& handled) = 0;
};

class ClsMessage : public QObject {
    Q_OBJECT
public:
    ClsMessage() = default;
    // Clears both tables and removes its link and filter from a window it still hooks (the
    // window then no longer points at a dead object).
    ~ClsMessage() override;

    // Appends {owner, window, active}; refused when the table already names another window.
    // The entry that makes the count 1 hooks the window. One owner may be added twice; each
    // entry is then called.
    bool AddMessage(MessageReceiver* owner, QWidget* window, bool active);
    // Removes every entry of owner (the window is not compared); true when one went. The
    // table becoming empty unhooks the window.
    bool DeleteMessage(MessageReceiver* owner, QWidget* window);
    // Appends {owner, child, active}; refused when child has an entry already, whoever owns it.
    bool AddChildMessage(MessageReceiver* owner, QWidget* child, bool active);
    // Removes the entries of child, whatever their owner; true when one went.
    bool DeleteChildMessage(MessageReceiver* owner, QWidget* child);

    // The window's message object while it is hooked, else null. Does not keep it alive.
    static ClsMessage* MessageClass(QWidget* window);
    // MessageClass, or a new object that lives by itself until its window is unhooked.
    static ClsMessage* ForWindow(QWidget* window);

    int MessageCount() const { return static_cast<int>(messages_.size()); }
    int ChildMessageCount() const { return static_cast<int>(children_.size()); }
    QWidget* Window() const { return window_; }

    // The dispatch of one event of the hooked window (see the top of this file). passOn,
    // when given, tells whether the window's own handling is to run. Returns the value of
    // the last owner called (0 when none was).
    qint32 CallBackWindow(QWidget* window, QEvent* event, bool* passOn = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        MessageReceiver* owner;
        QWidget* handle;
        bool active;
    };
    bool HookWindow(QWidget* window);
    bool UnhookWindow();
    MessageReceiver* FindChildMessage(const QWidget* child) const;
    void CallOwner(MessageReceiver* owner, QWidget* window, QEvent* event, bool& handled, qint32& result);

    std::vector<Entry> messages_;
    std::vector<Entry> children_;
    QPointer<QWidget> window_;
    QMetaObject::Connection destroyedLink_;
    bool busy_ = false;
    bool selfOwned_ = false;
};
