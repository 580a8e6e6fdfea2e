#pragma once
// The IPv4 address entry of the computer and staff dialogs.
//
// IPAddressControl is the control itself: four digits-only fields (0 to 3 from the left,
// at most three digits each) separated by points. Typing a third digit or a point moves to
// the next field, Backspace or Left at a field's start to the previous one. Each field has
// a range (0..255 unless set); a value outside it is pulled to the nearer bound when the
// field loses the focus. The control has no tab stop: a dialog puts the caret in it with
// ClsIPAddressEdit::mSetFocus. It tells its parent about itself (focus entering/leaving the
// control, a field changed) and itself about its fields (focus moving between them, the
// mouse) through WindowMessageEvent, which the window message hook (ClsMessage.h) routes.
//
// ClsIPAddressEdit wraps one control for a dialog:
//
//     ClsIPAddressEdit IPEdit;                      // a member of the dialog
//     IPEdit.mCreateOver(txt_IP);                   // over a hidden place-holder box
//     IPEdit.SetHostRanges();                       // first and last number 1..255,
//                                                   // the middle ones 0..255
//     IPEdit.mSetIPAddress(192, 168, 1, 10);
//     if (IPEdit.mIsBlank() || IPEdit.pInputIPCount() != 4) ...;
//     QString address = IPEdit.AddressText();      // "192.168.1.10"
//     IPEdit.setPEnabled(false);                    // key locked after a save
//
// In a dialog laid out by a layout, put the place-holder inside a fixed-size holder widget
// that the layout places (FrmComputer does), since a hidden widget takes no room in a layout
// and the control takes the place-holder's geometry once, at creation.
//
// It registers with the message hook on the control (every event of the control) and on the
// parent (inactive entry, plus a child entry for the control's notifications), turns what it
// receives into its signals, never sets handled, and unregisters and destroys the control
// when it goes (the parent must still exist then: make it a member of the dialog).

#include "admin/ClsMessage.h"

#include <QFrame>
#include <QObject>
#include <QPointer>
#include <QString>

#include <array>

class QLabel;
class QLineEdit;

class IPAddressControl : public QFrame {
    Q_OBJECT
public:
    explicit IPAddressControl(QWidget* parent);

    // Packed address of the fields (blank = 0), field 0 in the top byte; returns the number
    // of non-blank fields.
    int GetAddress(qint32* packed) const;
    void SetAddress(qint32 packed);  // all four fields, byte by byte
    void ClearAddress();
    bool IsBlank() const;
    void SetFieldFocus(int field);  // 0..3; the field's text is selected
    // Range of a field as upper * 256 + lower (each byte read on its own).
    void SetRange(int field, qint32 packedRange);
    // Applies the field-leave rule (range, change report) to every field now, for a save
    // started by a shortcut while the caret is still in a field.
    void CommitFields();
    // The fields joined by points, a blank field empty ("10..3.").
    QString Text() const;
    QLineEdit* Field(int field) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int IndexOf(const QObject* field) const;
    void Commit(int field);  // clamps the field and reports a change to the parent
    void Notify(QWidget* target, WindowMessageEvent::Message message, QWidget* sender, int code,
                int field = -1, int value = -1);
    void Move(int field, bool selectAll, int cursor);

    std::array<QLineEdit*, 4> fields_{};
    std::array<int, 4> lower_{0, 0, 0, 0};
    std::array<int, 4> upper_{255, 255, 255, 255};
    std::array<QString, 4> committed_;
    bool focusInside_ = false;
};

class ClsIPAddressEdit : public QObject, public MessageReceiver {
    Q_OBJECT
public:
    explicit ClsIPAddressEdit(QObject* parent = nullptr);
    ~ClsIPAddressEdit() override;  // unhooks, then destroys the control

    // Creates the control on parent at left/top with the given size (note: height before
    // width). False when it exists already or parent is null; nothing is hooked then.
    bool mCreate(QWidget* parent, int left, int top, int height, int width);
    // mCreate at the place and size of a place-holder, which is hidden.
    bool mCreateOver(QWidget* placeholder);

    bool pEnabled() const;
    void setPEnabled(bool enabled);
    bool pVisible() const;  // the control's own flag, not whether its window shows
    void setPVisible(bool visible);
    int pLeft() const;
    int pTop() const;
    int pWidth() const;
    int pHeight() const;
    void setPLeft(int v);  // each keeps the other three
    void setPTop(int v);
    void setPWidth(int v);
    void setPHeight(int v);

    int pInputIPCount() const;  // non-blank fields
    // Field 0..2 read from the control's text, field 3 from the packed address's low byte;
    // a blank field and a field number outside 0..3 give 0.
    qint32 pIPAddress(int field) const;
    // The dotted address as the dialogs store it: the four pIPAddress values.
    QString AddressText() const;
    // The lowest field left blank (0 when none is), where the caret goes when an address is
    // not complete; a field holding 0 is a number, not a blank.
    int FirstBlankField() const;
    // The ranges of a host address: the first and the last number 1 to 255, the two middle
    // ones 0 to 255, or the most common private addresses (192.168.0.1) could not be entered.
    void SetHostRanges();
    void mSetIPAddress(qint32 f0, qint32 f1, qint32 f2, qint32 f3);  // packed, unmasked
    void mClear();
    bool mIsBlank() const;
    void mSetFocus(int field);
    // Field bounds: a let for a field outside 0..3 is ignored, a get there gives 0.
    qint32 pMin(int field) const;
    void setPMin(int field, qint32 value);
    qint32 pMax(int field) const;
    void setPMax(int field, qint32 value);
    QWidget* pParent() const;
    IPAddressControl* phWnd() const { return control_; }

    // f0 * 2^24 + f1 * 2^16 + f2 * 2^8 + f3 folded to signed 32 bits; a value above 255 runs
    // into the next field's bits.
    static qint32 MakeIPAddress(qint64 f0, qint64 f1, qint64 f2, qint64 f3);
    static qint32 MakeIPRange(qint64 lower, qint64 upper);  // upper * 256 + lower, folded

    // Owner side of the message hook: raises the signals below; handled stays False.
    qint32 CallBackWindow(QWidget* window, QEvent* event, bool& handled) override;

signals:
    void GotFocus();   // focus entered the control, or moved to another of its fields
    void LostFocus();  // focus left the control, or left one of its fields
    void MouseMove();
    void MouseDown(int button);  // 1 left, 2 right, 4 middle
    void MouseUp(int button);
    void FieldChanged(int field);

private:
    bool HookIPMessages();
    bool UnhookIPMessages();

    QPointer<IPAddressControl> control_;
    QPointer<QWidget> parent_;
    std::array<qint32, 4> lower_{0, 0, 0, 0};
    std::array<qint32, 4> upper_{255, 255, 255, 255};
};
