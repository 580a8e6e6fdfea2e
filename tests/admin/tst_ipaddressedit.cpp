// The IP address entry: packed values, field reads, ranges, blank tests, the properties,
// typing into the fields and the events the message hook routes to it.

#include "admin/ClsIPAddressEdit.h"

#include "TestSupport.h"

#include <QDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>

class TestIPAddressEdit : public QObject {
    Q_OBJECT
private slots:
    void packing_data();
    void packing();
    void fieldReads_data();
    void fieldReads();
    void ranges();
    void countAndBlank_data();
    void countAndBlank();
    void properties();
    void typing();
    void focusEvents();
    void mouseEvents();
    void createAndDiscard();
};

namespace {
struct Fixture {
    QDialog dialog;
    QLineEdit* placeholder = new QLineEdit(&dialog);
    QLineEdit* before = new QLineEdit(&dialog);
    QLineEdit* after = new QLineEdit(&dialog);
    ClsIPAddressEdit ip;
    Fixture() {
        dialog.resize(300, 120);
        before->setGeometry(10, 10, 100, 22);
        placeholder->setGeometry(10, 40, 160, 22);
        after->setGeometry(10, 70, 100, 22);
        ip.mCreateOver(placeholder);
    }
    QLineEdit* field(int i) const { return ip.phWnd()->Field(i); }
    void show() {
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog, 2000));
    }
};
}  // namespace

void TestIPAddressEdit::packing_data() {
    QTest::addColumn<qint64>("f0");
    QTest::addColumn<qint64>("f1");
    QTest::addColumn<qint64>("f2");
    QTest::addColumn<qint64>("f3");
    QTest::addColumn<qint32>("packed");
    QTest::newRow("small") << 10LL << 0LL << 0LL << 1LL << qint32(0x0A000001);
    QTest::newRow("first field 128 or more is negative") << 192LL << 168LL << 1LL << 10LL << qint32(-1062731510);
    QTest::newRow("all 255") << 255LL << 255LL << 255LL << 255LL << qint32(-1);
    QTest::newRow("no masking: 300 runs into field 2") << 10LL << 0LL << 0LL << 300LL << qint32(0x0A00012C);
}

void TestIPAddressEdit::packing() {
    QFETCH(qint64, f0);
    QFETCH(qint64, f1);
    QFETCH(qint64, f2);
    QFETCH(qint64, f3);
    QFETCH(qint32, packed);
    QCOMPARE(ClsIPAddressEdit::MakeIPAddress(f0, f1, f2, f3), packed);
    QCOMPARE(ClsIPAddressEdit::MakeIPRange(1, 255), qint32(255 * 256 + 1));
    QCOMPARE(ClsIPAddressEdit::MakeIPRange(0, 0x800000), qint32(0x80000000u));
}

void TestIPAddressEdit::fieldReads_data() {
    QTest::addColumn<QList<int>>("set");
    QTest::addColumn<QList<int>>("read");  // pIPAddress(0..3), then (4) and (-1)
    QTest::addColumn<QString>("address");
    QTest::newRow("192.168.1.10") << QList<int>{192, 168, 1, 10} << QList<int>{192, 168, 1, 10, 0, 0}
                                  << "192.168.1.10";
    QTest::newRow("300 carries into field 2") << QList<int>{10, 0, 0, 300} << QList<int>{10, 0, 1, 44, 0, 0}
                                              << "10.0.1.44";
    QTest::newRow("255.255.255.255") << QList<int>{255, 255, 255, 255} << QList<int>{255, 255, 255, 255, 0, 0}
                                     << "255.255.255.255";
}

void TestIPAddressEdit::fieldReads() {
    QFETCH(QList<int>, set);
    QFETCH(QList<int>, read);
    QFETCH(QString, address);
    Fixture fx;
    fx.ip.mSetIPAddress(set[0], set[1], set[2], set[3]);
    QCOMPARE(fx.ip.pIPAddress(0), read[0]);
    QCOMPARE(fx.ip.pIPAddress(1), read[1]);
    QCOMPARE(fx.ip.pIPAddress(2), read[2]);
    QCOMPARE(fx.ip.pIPAddress(3), read[3]);
    QCOMPARE(fx.ip.pIPAddress(4), read[4]);
    QCOMPARE(fx.ip.pIPAddress(-1), read[5]);
    QCOMPARE(fx.ip.AddressText(), address);
    QCOMPARE(fx.ip.pInputIPCount(), 4);
}

void TestIPAddressEdit::ranges() {
    Fixture fx;
    fx.show();
    QCOMPARE(fx.ip.pMin(-1), 0);
    QCOMPARE(fx.ip.pMax(4), 0);
    fx.ip.setPMin(4, 10);  // ignored
    fx.ip.setPMin(-1, 10);
    for (int f = 0; f < 4; ++f) {
        QCOMPARE(fx.ip.pMin(f), 0);
        QCOMPARE(fx.ip.pMax(f), 255);
    }
    fx.ip.setPMin(0, 1);
    QCOMPARE(fx.ip.pMin(0), 1);
    QCOMPARE(fx.ip.pMax(0), 255);
    QCOMPARE(fx.ip.pMin(1), 0);
    // The control enforces them when a field is left: field 0 takes 1..255, field 1 keeps 0..255.
    fx.ip.mSetFocus(0);
    QTest::keyClicks(fx.field(0), "0");
    fx.ip.mSetFocus(1);
    QTest::keyClicks(fx.field(1), "0");
    fx.ip.mSetFocus(2);
    QTest::keyClicks(fx.field(2), "999");  // above 255: pulled to the upper bound
    fx.after->setFocus();
    QCOMPARE(fx.field(0)->text(), QString("1"));
    QCOMPARE(fx.field(1)->text(), QString("0"));
    QCOMPARE(fx.field(2)->text(), QString("255"));
    fx.ip.setPMax(3, 100);
    QCOMPARE(fx.ip.pMin(3), 0);
    fx.ip.mSetFocus(3);
    QTest::keyClicks(fx.field(3), "200");
    fx.after->setFocus();
    QCOMPARE(fx.field(3)->text(), QString("100"));
}

void TestIPAddressEdit::countAndBlank_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("blank");
    QTest::addColumn<QList<int>>("read");
    QTest::newRow("10, blank, 3, blank") << QStringList{"10", "", "3", ""} << 2 << false << QList<int>{10, 0, 3, 0};
    QTest::newRow("all blank") << QStringList{"", "", "", ""} << 0 << true << QList<int>{0, 0, 0, 0};
    QTest::newRow("only the last") << QStringList{"", "", "", "7"} << 1 << false << QList<int>{0, 0, 0, 7};
    QTest::newRow("a zero is not blank") << QStringList{"0", "", "", ""} << 1 << false << QList<int>{0, 0, 0, 0};
}

void TestIPAddressEdit::countAndBlank() {
    QFETCH(QStringList, fields);
    QFETCH(int, count);
    QFETCH(bool, blank);
    QFETCH(QList<int>, read);
    Fixture fx;
    fx.ip.mSetIPAddress(1, 2, 3, 4);
    fx.ip.mClear();
    QVERIFY(fx.ip.mIsBlank());
    for (int i = 0; i < 4; ++i) fx.field(i)->setText(fields[i]);
    QCOMPARE(fx.ip.pInputIPCount(), count);
    QCOMPARE(fx.ip.mIsBlank(), blank);
    for (int i = 0; i < 4; ++i) QCOMPARE(fx.ip.pIPAddress(i), read[i]);
}

void TestIPAddressEdit::properties() {
    Fixture fx;
    QCOMPARE(fx.ip.pParent(), &fx.dialog);
    QCOMPARE(fx.ip.pLeft(), 10);
    QCOMPARE(fx.ip.pTop(), 40);
    QCOMPARE(fx.ip.pWidth(), 160);
    QCOMPARE(fx.ip.pHeight(), 22);
    QVERIFY(fx.placeholder->isHidden());
    fx.ip.setPLeft(20);
    fx.ip.setPHeight(30);
    QCOMPARE(fx.ip.phWnd()->geometry(), QRect(20, 40, 160, 30));
    fx.ip.setPWidth(100);
    fx.ip.setPTop(5);
    QCOMPARE(fx.ip.phWnd()->geometry(), QRect(20, 5, 100, 30));

    QVERIFY(fx.ip.pEnabled());
    fx.ip.setPEnabled(true);
    QVERIFY(fx.ip.pEnabled());
    fx.ip.setPEnabled(false);
    QVERIFY(!fx.ip.pEnabled());
    QVERIFY(!fx.field(0)->isEnabled());
    fx.ip.setPEnabled(true);
    QVERIFY(fx.ip.pEnabled());

    QVERIFY(fx.ip.pVisible());  // its own flag, although the dialog is not shown
    fx.ip.setPVisible(false);
    fx.ip.setPVisible(false);
    QVERIFY(!fx.ip.pVisible());
    fx.ip.setPVisible(true);
    QVERIFY(fx.ip.pVisible());
}

void TestIPAddressEdit::typing() {
    Fixture fx;
    fx.show();
    QSignalSpy changed(&fx.ip, &ClsIPAddressEdit::FieldChanged);
    fx.ip.mSetFocus(0);
    QTest::keyClicks(fx.field(0), "1a9x2");  // letters are not taken; the third digit moves on
    QCOMPARE(fx.field(0)->text(), QString("192"));
    QCOMPARE(QApplication::focusWidget(), fx.field(1));
    QTest::keyClicks(fx.field(1), "16.");  // a point moves on
    QCOMPARE(QApplication::focusWidget(), fx.field(2));
    QTest::keyClicks(fx.field(2), "1");
    QTest::keyClick(fx.field(2), Qt::Key_Period);
    QTest::keyClicks(fx.field(3), "5");
    QCOMPARE(fx.ip.AddressText(), QString("192.16.1.5"));
    QTest::keyClick(fx.field(3), Qt::Key_Backspace);
    QTest::keyClick(fx.field(3), Qt::Key_Backspace);  // at the start: back to field 2
    QCOMPARE(QApplication::focusWidget(), fx.field(2));
    QTest::keyClick(fx.field(2), Qt::Key_Right);  // at the end: on to field 3
    QCOMPARE(QApplication::focusWidget(), fx.field(3));
    QCOMPARE(fx.ip.pInputIPCount(), 3);
    // Fields 0, 1 and 2 were changed and left, each telling its number; field 3 is blank again,
    // as it was.
    QCOMPARE(changed.size(), 3);
    QCOMPARE(changed.at(0).at(0).toInt(), 0);
    QCOMPARE(changed.at(2).at(0).toInt(), 2);
    QTest::keyClicks(fx.field(3), "7");
    fx.after->setFocus();
    QCOMPARE(changed.size(), 4);
    QCOMPARE(changed.at(3).at(0).toInt(), 3);
    QCOMPARE(fx.ip.AddressText(), QString("192.16.1.7"));
    // A field left unchanged tells nothing; the control has no tab stop.
    fx.ip.mSetFocus(1);
    fx.after->setFocus();
    QCOMPARE(changed.size(), 4);
    fx.before->setFocus();
    QTest::keyClick(fx.before, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), fx.after);
}

void TestIPAddressEdit::focusEvents() {
    Fixture fx;
    fx.show();
    QStringList events;
    connect(&fx.ip, &ClsIPAddressEdit::GotFocus, [&] { events << "Got"; });
    connect(&fx.ip, &ClsIPAddressEdit::LostFocus, [&] { events << "Lost"; });
    fx.before->setFocus();
    // Entering the control: its own notification to the dialog and its field's to the control.
    fx.ip.mSetFocus(0);
    QCOMPARE(events, QStringList({"Got", "Got"}));
    events.clear();
    // Between fields: the focus stays inside, the events still come.
    fx.ip.mSetFocus(1);
    QCOMPARE(events, QStringList({"Lost", "Got"}));
    events.clear();
    fx.after->setFocus();
    QCOMPARE(events, QStringList({"Lost", "Lost"}));
}

void TestIPAddressEdit::mouseEvents() {
    Fixture fx;
    fx.show();
    QStringList events;
    connect(&fx.ip, &ClsIPAddressEdit::MouseDown, [&](int b) { events << QString("Down%1").arg(b); });
    connect(&fx.ip, &ClsIPAddressEdit::MouseUp, [&](int b) { events << QString("Up%1").arg(b); });
    QSignalSpy moves(&fx.ip, &ClsIPAddressEdit::MouseMove);
    QLineEdit* f = fx.field(2);
    QTest::mousePress(f, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseRelease(f, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mousePress(f, Qt::RightButton, {}, QPoint(3, 3));
    QTest::mouseRelease(f, Qt::RightButton, {}, QPoint(3, 3));
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(3, 3), f->mapToGlobal(QPointF(3, 3)), Qt::LeftButton,
                    Qt::LeftButton, {});
    QCoreApplication::sendEvent(f, &dbl);  // a double click raises nothing
    QCOMPARE(events, QStringList({"Down1", "Up1", "Down2", "Up2"}));
    QMouseEvent move(QEvent::MouseMove, QPointF(4, 4), f->mapToGlobal(QPointF(4, 4)), Qt::NoButton, {}, {});
    QCoreApplication::sendEvent(f, &move);
    QCOMPARE(moves.size(), 1);
}

void TestIPAddressEdit::createAndDiscard() {
    QDialog dialog;
    {
        ClsIPAddressEdit none;
        QVERIFY(!none.mCreate(nullptr, 0, 0, 20, 100));  // creation fails: nothing hooked
        QCOMPARE(none.phWnd(), nullptr);
        QVERIFY(none.mIsBlank() == false);
        QCOMPARE(none.pIPAddress(0), 0);
    }
    QPointer<IPAddressControl> control;
    {
        ClsIPAddressEdit ip;
        QVERIFY(ip.mCreate(&dialog, 1, 2, 20, 100));
        QVERIFY(!ip.mCreate(&dialog, 5, 5, 20, 100));  // a second create changes nothing
        QCOMPARE(ip.phWnd()->geometry(), QRect(1, 2, 100, 20));
        control = ip.phWnd();
        QVERIFY(ClsMessage::MessageClass(&dialog));
        QCOMPARE(ClsMessage::MessageClass(&dialog)->ChildMessageCount(), 1);
        QVERIFY(ClsMessage::MessageClass(control));
        // Two controls on one dialog share its message object.
        ClsIPAddressEdit second;
        QVERIFY(second.mCreate(&dialog, 1, 30, 20, 100));
        QCOMPARE(ClsMessage::MessageClass(&dialog)->MessageCount(), 2);
        QCOMPARE(ClsMessage::MessageClass(&dialog)->ChildMessageCount(), 2);
    }
    // Discarded: unhooked from both windows, the control destroyed.
    QCOMPARE(ClsMessage::MessageClass(&dialog), nullptr);
    QVERIFY(!control);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

VANTORO_TEST_MAIN(TestIPAddressEdit)
#include "tst_ipaddressedit.moc"
