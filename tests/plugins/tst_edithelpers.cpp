// The edit-field helpers every dialog and settings window shares: whole-text selection on
// focus and Enter as a move to the next field.
#include "TestSupport.h"

#include "admin/edit/EditHelpers.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

class EditHelpersTest : public QObject {
    Q_OBJECT

private slots:
    void selectsWholeText_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("line edit") << 0;
        QTest::newRow("plain text") << 1;
        QTest::newRow("spin box") << 2;
    }
    void selectsWholeText() {
        QFETCH(int, kind);
        QWidget w;
        QWidget* field = nullptr;
        std::function<QString()> selected;
        if (kind == 0) {
            auto* e = new QLineEdit(QStringLiteral("abc def"), &w);
            field = e;
            selected = [e] { return e->selectedText(); };
        } else if (kind == 1) {
            auto* e = new QPlainTextEdit(QStringLiteral("abc def"), &w);
            field = e;
            selected = [e] { return e->textCursor().selectedText(); };
        } else {
            auto* e = new QSpinBox(&w);
            e->setRange(0, 99999);
            e->setValue(1234);
            field = e;
            selected = [e] { return e->findChild<QLineEdit*>()->selectedText(); };
        }
        SelAllText(field);
        QCOMPARE(selected(), kind == 2 ? QStringLiteral("1234") : QStringLiteral("abc def"));
        SelAllText(nullptr);  // nothing to do, no harm
        QCheckBox noText(&w);
        SelAllText(&noText);
    }

    void selectsOnEveryFocus() {
        QWidget w;
        auto* a = new QLineEdit(QStringLiteral("first"), &w);
        auto* b = new QLineEdit(QStringLiteral("second"), &w);
        new QVBoxLayout(&w);
        w.layout()->addWidget(a);
        w.layout()->addWidget(b);
        InstallSelAllText(b);
        InstallSelAllText(b);  // twice is once
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        a->setFocus();
        b->setFocus(Qt::MouseFocusReason);
        QCOMPARE(b->selectedText(), QStringLiteral("second"));
        b->deselect();
        a->setFocus();
        b->setFocus(Qt::OtherFocusReason);
        QCOMPARE(b->selectedText(), QStringLiteral("second"));
        a->setFocus(Qt::MouseFocusReason);
        QCOMPARE(a->selectedText(), QString());  // a field without the helper keeps Qt's way
    }

    void enterToTabCode_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("moved");
        QTest::newRow("enter") << 13 << 0 << true;
        QTest::newRow("letter") << 65 << 65 << false;
        QTest::newRow("line feed") << 10 << 10 << false;
    }
    void enterToTabCode() {
        QFETCH(int, code);
        QFETCH(int, after);
        QFETCH(bool, moved);
        QWidget w;
        auto* a = new QLineEdit(&w);
        auto* hidden = new QLineEdit(&w);
        auto* disabled = new QLineEdit(&w);
        auto* b = new QLineEdit(&w);
        hidden->hide();
        disabled->setEnabled(false);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        a->setFocus();
        int key = code;
        EnterToTab(key, a);
        QCOMPARE(key, after);
        QCOMPARE(w.focusWidget(), moved ? static_cast<QWidget*>(b) : a);
    }

    // In a dialog, Enter in a field moves on and never reaches the default button; a field
    // without the helper (a multi-line text) keeps its own Enter.
    void enterInADialog() {
        QDialog d;
        auto* layout = new QVBoxLayout(&d);
        auto* first = new QLineEdit(&d);
        auto* comment = new QPlainTextEdit(&d);
        auto* last = new QLineEdit(&d);
        auto* ok = new QPushButton(QStringLiteral("OK"), &d);
        ok->setDefault(true);
        for (QWidget* x : {static_cast<QWidget*>(first), static_cast<QWidget*>(comment), static_cast<QWidget*>(last),
                           static_cast<QWidget*>(ok)})
            layout->addWidget(x);
        InstallEnterToTab(first);
        InstallEnterToTab(last);
        bool accepted = false;
        connect(&d, &QDialog::accepted, [&] { accepted = true; });
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        first->setFocus();
        QTest::keyClick(first, Qt::Key_Return);
        QCOMPARE(d.focusWidget(), static_cast<QWidget*>(comment));
        QTest::keyClicks(comment, QStringLiteral("a"));
        QTest::keyClick(comment, Qt::Key_Return);
        QTest::keyClicks(comment, QStringLiteral("b"));
        QCOMPARE(comment->toPlainText(), QStringLiteral("a\nb"));
        last->setFocus();
        QTest::keyClick(last, Qt::Key_Enter);
        QCOMPARE(d.focusWidget(), static_cast<QWidget*>(ok));
        QVERIFY(!accepted);
        QVERIFY(d.isVisible());
    }
};

VANTORO_TEST_MAIN(EditHelpersTest)
#include "tst_edithelpers.moc"
