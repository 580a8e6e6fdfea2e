// The window message hook: which owners a window's events reach, in what order, with what
// handled flag and result, and when the window itself still sees them.

#include "admin/ClsMessage.h"

#include "TestSupport.h"

#include <QWidget>

#include <functional>
#include <stdexcept>

namespace {
const auto kPlain = static_cast<QEvent::Type>(QEvent::User + 7);

// A window that counts the test events its own handling sees.
class Window : public QWidget {
public:
    int plainSeen = 0;
    int commandsSeen = 0;
    bool event(QEvent* e) override {
        if (e->type() == kPlain) {
            ++plainSeen;
            return true;
        }
        if (e->type() == WindowMessageEvent::EventType()) {
            ++commandsSeen;
            return true;
        }
        return QWidget::event(e);
    }
    int seen() const { return plainSeen + commandsSeen; }
};

class Owner : public MessageReceiver {
public:
    explicit Owner(qint32 value) : value(value) {}
    qint32 CallBackWindow(QWidget*, QEvent*, bool& handled) override {
        ++calls;
        handledSeen = handled;
        if (action) action();
        if (setHandled) handled = true;
        if (clearHandled) handled = false;
        if (raise) throw std::runtime_error("owner failed");
        return value;
    }
    qint32 value;
    int calls = 0;
    bool handledSeen = false;
    bool setHandled = false;
    bool clearHandled = false;
    bool raise = false;
    std::function<void()> action;
};

// Registers owners from text such as "A+,A+,B-" (owner letter, + active / - inactive).
void Register(ClsMessage& m, QWidget* w, const QString& regs, Owner& a, Owner& b) {
    for (const QString& r : regs.split(QLatin1Char(','), Qt::SkipEmptyParts))
        QVERIFY(m.AddMessage(r[0] == QLatin1Char('A') ? &a : &b, w, r[1] == QLatin1Char('+')));
}
}  // namespace

class TestMessageHook : public QObject {
    Q_OBJECT
private slots:
    void dispatch_data();
    void dispatch();
    void registrationRules();
    void unhookAfterLastEntry();
    void reentrantEventReachesOnlyTheWindow();
    void ownerRemovedDuringDispatchIsSkipped();
    void failingOwnerIsSkipped();
    void windowDestroyedWhileHooked();
    void madeByForWindowLivesWhileHooked();
};

void TestMessageHook::dispatch_data() {
    QTest::addColumn<QString>("regs");        // message table
    QTest::addColumn<QString>("child");       // child entry for control C: "", "B+" or "B-"
    QTest::addColumn<QString>("event");       // "plain", "menu" (command, no sender), "child" (from C)
    QTest::addColumn<QString>("setHandled");  // owners that set handled
    QTest::addColumn<QString>("clearHandled");
    QTest::addColumn<int>("callsA");
    QTest::addColumn<int>("callsB");
    QTest::addColumn<bool>("windowSees");
    QTest::addColumn<int>("result");

    QTest::newRow("same owner twice: called twice") << "A+,A+" << "" << "plain" << "" << "" << 2 << 0 << true << 1;
    QTest::newRow("inactive entry: window hooked, owner never called")
        << "A-" << "" << "plain" << "" << "" << 0 << 0 << true << 0;
    QTest::newRow("menu command finds no child entry") << "A+" << "B+" << "menu" << "" << "" << 1 << 0 << true << 1;
    QTest::newRow("child command: child owner, then the table") << "A+" << "B+" << "child" << "" << "" << 1 << 1 << true << 1;
    QTest::newRow("inactive child entry is not called") << "A+" << "B-" << "child" << "" << "" << 1 << 0 << true << 1;
    QTest::newRow("plain event never reaches the child owner") << "A+" << "B+" << "plain" << "" << "" << 1 << 0 << true << 1;
    QTest::newRow("handled: window skipped, result of the last owner")
        << "A+,B+" << "" << "plain" << "A" << "" << 1 << 1 << false << 2;
    QTest::newRow("handled by the last owner") << "A+,B+" << "" << "plain" << "B" << "" << 1 << 1 << false << 2;
    QTest::newRow("a later owner resets handled") << "A+,B+" << "" << "plain" << "A" << "B" << 1 << 1 << true << 2;
    QTest::newRow("handled by the child owner stops the window, the walk goes on")
        << "A+" << "B+" << "child" << "B" << "" << 1 << 1 << false << 1;
}

void TestMessageHook::dispatch() {
    QFETCH(QString, regs);
    QFETCH(QString, child);
    QFETCH(QString, event);
    QFETCH(QString, setHandled);
    QFETCH(QString, clearHandled);
    QFETCH(int, callsA);
    QFETCH(int, callsB);
    QFETCH(bool, windowSees);
    QFETCH(int, result);

    Window w;
    QWidget c(&w);
    Owner a(1), b(2);
    a.setHandled = setHandled.contains(QLatin1Char('A'));
    b.setHandled = setHandled.contains(QLatin1Char('B'));
    a.clearHandled = clearHandled.contains(QLatin1Char('A'));
    b.clearHandled = clearHandled.contains(QLatin1Char('B'));
    ClsMessage m;
    Register(m, &w, regs, a, b);
    if (!child.isEmpty()) QVERIFY(m.AddChildMessage(&b, &c, child.endsWith(QLatin1Char('+'))));
    QCOMPARE(ClsMessage::MessageClass(&w), &m);

    std::unique_ptr<QEvent> ev;
    if (event == QLatin1String("plain"))
        ev = std::make_unique<QEvent>(kPlain);
    else
        ev = std::make_unique<WindowMessageEvent>(WindowMessageEvent::Command,
                                                  event == QLatin1String("child") ? &c : nullptr, 0x100);
    bool passOn = false;
    QCOMPARE(m.CallBackWindow(&w, ev.get(), &passOn), result);
    QCOMPARE(a.calls, callsA);
    QCOMPARE(b.calls, callsB);
    QCOMPARE(passOn, windowSees);

    // The same through the window's real event delivery.
    a.calls = b.calls = 0;
    QCoreApplication::sendEvent(&w, ev.get());
    QCOMPARE(a.calls, callsA);
    QCOMPARE(b.calls, callsB);
    QCOMPARE(w.seen(), windowSees ? 1 : 0);
    m.DeleteMessage(&a, &w);
    m.DeleteMessage(&b, &w);
}

void TestMessageHook::registrationRules() {
    Window w1, w2;
    QWidget c(&w1);
    Owner a(1), b(2);
    ClsMessage m;
    QCOMPARE(ClsMessage::MessageClass(&w1), nullptr);  // never hooked
    QVERIFY(m.AddMessage(&a, &w1, true));
    QVERIFY(!m.AddMessage(&b, &w2, true));  // another window: refused, nothing changes
    QCOMPARE(m.MessageCount(), 1);
    QCOMPARE(ClsMessage::MessageClass(&w2), nullptr);
    QVERIFY(m.AddChildMessage(&a, &c, true));
    QVERIFY(!m.AddChildMessage(&b, &c, true));  // one entry per child, whoever owns it
    QCOMPARE(m.ChildMessageCount(), 1);
    QVERIFY(!m.DeleteMessage(&b, &w1));  // matches nothing
    QVERIFY(!m.DeleteChildMessage(&a, &w2));
    QCOMPARE(m.MessageCount(), 1);
    QVERIFY(m.DeleteChildMessage(&b, &c));  // any owner removes a child's entry
    QCOMPARE(m.ChildMessageCount(), 0);
    QVERIFY(m.DeleteMessage(&a, &w2));  // the window argument is not compared
    QCOMPARE(ClsMessage::MessageClass(&w1), nullptr);
}

void TestMessageHook::unhookAfterLastEntry() {
    Window w;
    QWidget c(&w);
    Owner a(1);
    ClsMessage m;
    QVERIFY(m.AddMessage(&a, &w, true));
    QVERIFY(m.AddMessage(&a, &w, true));
    QVERIFY(m.AddChildMessage(&a, &c, true));
    QVERIFY(m.DeleteMessage(&a, &w));  // both entries go at once
    QCOMPARE(m.MessageCount(), 0);
    QCOMPARE(m.ChildMessageCount(), 1);  // child entries stay, and neither hook nor unhook
    QCOMPARE(ClsMessage::MessageClass(&w), nullptr);
    QEvent ev(kPlain);
    QCoreApplication::sendEvent(&w, &ev);
    QCOMPARE(a.calls, 0);
    QCOMPARE(w.plainSeen, 1);
    // A later registration hooks again.
    QVERIFY(m.AddMessage(&a, &w, true));
    QCOMPARE(ClsMessage::MessageClass(&w), &m);
    QCoreApplication::sendEvent(&w, &ev);
    QCOMPARE(a.calls, 1);
    m.DeleteMessage(&a, &w);
}

void TestMessageHook::reentrantEventReachesOnlyTheWindow() {
    Window w, other;
    Owner a(1), b(2);
    ClsMessage m, mo;
    QVERIFY(m.AddMessage(&a, &w, true));
    QVERIFY(mo.AddMessage(&b, &other, true));
    a.action = [&] {
        if (a.calls > 1) return;
        QEvent nested(kPlain);
        QCoreApplication::sendEvent(&w, &nested);      // same object busy: straight to the window
        QCoreApplication::sendEvent(&other, &nested);  // another object dispatches as usual
    };
    a.setHandled = true;
    QEvent ev(kPlain);
    QCoreApplication::sendEvent(&w, &ev);
    QCOMPARE(a.calls, 1);
    QCOMPARE(w.plainSeen, 1);  // only the nested one; the outer one was handled
    QCOMPARE(b.calls, 1);
    QCoreApplication::sendEvent(&w, &ev);  // busy flag cleared afterwards
    QCOMPARE(a.calls, 2);
    m.DeleteMessage(&a, &w);
    mo.DeleteMessage(&b, &other);
}

void TestMessageHook::ownerRemovedDuringDispatchIsSkipped() {
    Window w;
    Owner a(1), b(2), c(3);
    ClsMessage m;
    QVERIFY(m.AddMessage(&a, &w, true));
    QVERIFY(m.AddMessage(&b, &w, true));
    QVERIFY(m.AddMessage(&c, &w, true));
    Owner late(9);
    a.action = [&] {
        m.DeleteMessage(&b, &w);  // c moves to position 2, position 3 is gone
        m.AddMessage(&late, &w, true);  // appended within the count: called this time
    };
    QEvent ev(kPlain);
    bool passOn = false;
    // Walk count taken at the start (3): positions 1 (a), 2 (now c), 3 (now late).
    QCOMPARE(m.CallBackWindow(&w, &ev, &passOn), 9);
    QCOMPARE(b.calls, 0);
    QCOMPARE(c.calls, 1);
    QCOMPARE(late.calls, 1);
    a.action = [&] {
        m.DeleteMessage(&c, &w);
        m.DeleteMessage(&late, &w);
    };
    QCOMPARE(m.CallBackWindow(&w, &ev, &passOn), 1);  // positions 2 and 3 no longer exist
    QCOMPARE(c.calls, 1);
    m.DeleteMessage(&a, &w);
}

void TestMessageHook::failingOwnerIsSkipped() {
    Window w;
    Owner a(1), b(2), c(3);
    ClsMessage m;
    QVERIFY(m.AddMessage(&a, &w, true));
    QVERIFY(m.AddMessage(&b, &w, true));
    QVERIFY(m.AddMessage(&c, &w, true));
    c.raise = true;
    b.setHandled = true;
    QEvent ev(kPlain);
    bool passOn = true;
    QCOMPARE(m.CallBackWindow(&w, &ev, &passOn), 2);  // c failed: the result stays b's
    QCOMPARE(c.calls, 1);
    QVERIFY(!passOn);
    m.DeleteMessage(&a, &w);
    m.DeleteMessage(&b, &w);
    m.DeleteMessage(&c, &w);
}

void TestMessageHook::windowDestroyedWhileHooked() {
    Owner a(1);
    ClsMessage m;
    {
        Window w;
        QVERIFY(m.AddMessage(&a, &w, true));
    }
    QCOMPARE(m.Window(), nullptr);
    QCOMPARE(m.MessageCount(), 0);
    Window w2;
    QVERIFY(m.AddMessage(&a, &w2, true));  // serves a new window
    QCOMPARE(ClsMessage::MessageClass(&w2), &m);
    m.DeleteMessage(&a, &w2);
}

void TestMessageHook::madeByForWindowLivesWhileHooked() {
    Window w;
    Owner a(1);
    ClsMessage* m = ClsMessage::ForWindow(&w);
    QPointer<ClsMessage> watch(m);
    QVERIFY(m->AddMessage(&a, &w, true));
    QCOMPARE(ClsMessage::ForWindow(&w), m);  // the second registrant finds the same one
    QCoreApplication::processEvents();
    QVERIFY(watch);
    QVERIFY(m->DeleteMessage(&a, &w));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!watch);  // unhooked: nothing refers to it, it is gone
    // A message object deleted while hooked leaves no link behind.
    auto* own = new ClsMessage;
    QVERIFY(own->AddMessage(&a, &w, true));
    delete own;
    QCOMPARE(ClsMessage::MessageClass(&w), nullptr);
    const int before = a.calls;
    QEvent ev(kPlain);
    QCoreApplication::sendEvent(&w, &ev);
    QCOMPARE(a.calls, before);
}

VANTORO_TEST_MAIN(TestMessageHook)
#include "tst_messagehook.moc"
