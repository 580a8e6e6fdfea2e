// The port check dialog against a real database, tree and target list: the port and name
// checks, a new check and its second save, a rename, duplicates per computer, the vanished
// row and the reference list.

#include "RecordFixture.h"

#include "admin/FrmService.h"
#include "model/Seams.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {
// The refusal names the range the dialog accepts.
const QString kPortRefusal = QStringLiteral("ポート番号を入力(1～65535)して下さい");
}  // namespace

class TestServiceDialog : public QObject {
    Q_OBJECT
private slots:
    void validation_data();
    void validation();
    void newCheckSavedTwice();
    void renameKeepsImage();
    void duplicatePerComputer();
    void vanishedRow();
    void nodeLeftUnderTheKey();
    void referenceList();
    void enterAndTab();
};

void TestServiceDialog::validation_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("stored");  // the port stored when accepted
    QTest::newRow("port empty") << "" << "web" << kPortRefusal << 0;
    QTest::newRow("port blanks") << "  " << "web" << kPortRefusal << 0;
    QTest::newRow("port 0") << "0" << "web" << kPortRefusal << 0;
    QTest::newRow("port 1") << "1" << "web" << "" << 1;
    QTest::newRow("port 65535") << "65535" << "web" << "" << 65535;
    // TCP has no port 65536: refused with the port's own message.
    QTest::newRow("port 65536") << "65536" << "web" << kPortRefusal << 0;
    QTest::newRow("port 65537") << "65537" << "web" << kPortRefusal << 0;
    QTest::newRow("pasted letters") << "8o" << "web" << kPortRefusal << 0;
    QTest::newRow("leading zeros") << "00080" << "web" << "" << 80;
    QTest::newRow("name blank, checked after the port") << "80" << "  " << recordmsg::kNoDisplay << 0;
    QTest::newRow("both wrong: the port first") << "0" << "" << kPortRefusal << 0;
}

void TestServiceDialog::validation() {
    QFETCH(QString, port);
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(int, stored);
    RecordFixture fx;
    fx.AddComputer("10.0.0.1");
    fx.Select("#10.0.0.1");
    gSelAddress = "10.0.0.1";
    FrmService dlg(fx.nodes, nullptr);
    dlg.txt_Port->insert(port);  // typed: the validator keeps letters out
    if (dlg.txt_Port->text() != port) dlg.txt_Port->setText(port);  // pasted
    dlg.txt_Display->setText(name);
    const bool saved = dlg.cmdUpdate_Click();
    QCOMPARE(saved, message.isEmpty());
    if (saved) {
        QCOMPARE(fx.Scalar("SELECT ポート番号 FROM TBL_PortCheck").toInt(), stored);
        QCOMPARE(gSelPort, stored);
        QVERIFY(fx.nodes.Item(QStringLiteral("$10.0.0.1@%1").arg(stored)));
        return;
    }
    fx.ExpectRefused(dlg, message, message == kPortRefusal ? "txt_Port" : "txt_Display");
    QCOMPARE(fx.Scalar("SELECT count(*) FROM TBL_PortCheck").toInt(), 0);
}

void TestServiceDialog::newCheckSavedTwice() {
    RecordFixture fx;
    fx.AddComputer("10.0.0.1");
    fx.Select("#10.0.0.1");
    gSelAddress = "10.0.0.1";
    FrmService dlg(fx.nodes, nullptr);
    QCOMPARE(dlg.cmdUpdate->text(), recordmsg::kInsertCaption);
    QVERIFY(dlg.findChild<QLabel*>("Lbl_Computer"));
    QTest::keyClicks(dlg.txt_Port, "8a0");
    QCOMPARE(dlg.txt_Port->text(), QString("80"));
    dlg.txt_Display->setText(" Web 'main' ");
    QVERIFY(dlg.cmdUpdate_Click());
    TreeNode* node = fx.nodes.Item("$10.0.0.1@80");
    QVERIFY(node);
    QCOMPARE(node->Parent(), fx.nodes.Item("#10.0.0.1"));
    QCOMPARE(TreeNodes::Text(node), QString("Web 'main'  【80】"));
    QCOMPARE(TreeNodes::Image(node), QString("SStart"));
    QCOMPARE(fx.nodes.SelectedItem(), node);
    ClsPortDatas& ports = gPingDatas.Item(1)->PortData();
    QCOMPARE(ports.Count(), 1);
    QCOMPARE(ports.Item(1)->PortNo, 80);
    QCOMPARE(ports.Item(1)->PortService, QString("Web 'main'"));
    QCOMPARE(dlg.cmdUpdate->text(), recordmsg::kUpdateCaption);
    QVERIFY(dlg.txt_Port->isReadOnly());

    dlg.txt_Display->setText("Web");
    QVERIFY(dlg.cmdUpdate_Click());
    QCOMPARE(fx.Scalar("SELECT count(*) FROM TBL_PortCheck").toInt(), 1);
    QCOMPARE(fx.Scalar("SELECT サービス名 FROM TBL_PortCheck").toString(), QString("Web"));
    QCOMPARE(ports.Count(), 1);
    QCOMPARE(ports.Item(1)->PortService, QString("Web"));
    QCOMPARE(TreeNodes::Text(node), QString("Web  【80】"));
    QVERIFY(fx.box.shown.isEmpty());
}

void TestServiceDialog::renameKeepsImage() {
    RecordFixture fx;
    fx.AddComputer("10.0.0.1");
    QVERIFY(fx.Exec("INSERT INTO TBL_PortCheck VALUES ('10.0.0.1', 25, 'mail', 'SError')"));
    QVERIFY(fx.nodes.Add("#10.0.0.1", tvwChild, "$10.0.0.1@25", "mail  【25】", "SError"));
    gPingDatas.Item(1)->PortData().Add(25, "mail");
    fx.Select("$10.0.0.1@25");
    gSelAddress = "10.0.0.1";
    gSelPort = 25;
    FrmService dlg(fx.nodes, nullptr);
    QCOMPARE(dlg.cmdUpdate->text(), recordmsg::kUpdateCaption);
    QVERIFY(dlg.txt_Port->isReadOnly());
    QCOMPARE(dlg.txt_Port->text(), QString("25"));
    QCOMPARE(dlg.txt_Display->text(), QString("mail"));
    dlg.txt_Display->setText("SMTP");
    QVERIFY(dlg.cmdUpdate_Click());
    TreeNode* node = fx.nodes.Item("$10.0.0.1@25");
    QCOMPARE(TreeNodes::Text(node), QString("SMTP  【25】"));
    QCOMPARE(TreeNodes::Image(node), QString("SError"));
    QCOMPARE(gPingDatas.Item(1)->PortData().Item(1)->PortService, QString("SMTP"));
    QCOMPARE(fx.Scalar("SELECT 状況 FROM TBL_PortCheck").toString(), QString("SStart"));
}

void TestServiceDialog::duplicatePerComputer() {
    RecordFixture fx;
    fx.AddComputer("10.0.0.1");
    fx.AddComputer("10.0.0.2");
    QVERIFY(fx.Exec("INSERT INTO TBL_PortCheck VALUES ('10.0.0.1', 80, 'web', 'SStart')"));
    gSelAddress = "10.0.0.1";
    {
        fx.Select("#10.0.0.1");
        FrmService dlg(fx.nodes, nullptr);
        dlg.txt_Port->setText("80");
        dlg.txt_Display->setText("again");
        QVERIFY(!dlg.cmdUpdate_Click());
        QCOMPARE(fx.LastPrompt(), servicemsg::kDuplicate);
        QCOMPARE(fx.LastStyle(), vb::vbOKOnly | vb::vbCritical);
        QVERIFY(!dlg.txt_Port->isReadOnly());
        QCOMPARE(gPingDatas.Item(1)->PortData().Count(), 0);
    }
    gSelAddress = "10.0.0.2";
    fx.Select("#10.0.0.2");
    FrmService dlg(fx.nodes, nullptr);
    dlg.txt_Port->setText("80");
    dlg.txt_Display->setText("web");
    QVERIFY(dlg.cmdUpdate_Click());
    QVERIFY(fx.nodes.Item("$10.0.0.2@80"));
    QCOMPARE(gPingDatas.Item(2)->PortData().Count(), 1);
}

void TestServiceDialog::vanishedRow() {
    RecordFixture fx;
    fx.AddComputer("10.0.0.1");
    QVERIFY(fx.Exec("INSERT INTO TBL_PortCheck VALUES ('10.0.0.1', 80, 'web', 'SStart')"));
    QVERIFY(fx.nodes.Add("#10.0.0.1", tvwChild, "$10.0.0.1@80", "web  【80】", "SStart"));
    fx.Select("$10.0.0.1@80");
    gSelAddress = "10.0.0.1";
    gSelPort = 80;
    FrmService dlg(fx.nodes, nullptr);
    QVERIFY(fx.Exec("DELETE FROM TBL_PortCheck"));
    dlg.txt_Display->setText("www");
    QVERIFY(!dlg.cmdUpdate_Click());
    QCOMPARE(fx.LastPrompt(), recordmsg::kDeleted);
    QCOMPARE(fx.LastStyle(), vb::vbOKOnly | vb::vbQuestion);
    QCOMPARE(TreeNodes::Text(fx.nodes.Item("$10.0.0.1@80")), QString("web  【80】"));
}

void TestServiceDialog::nodeLeftUnderTheKey() {
    // Another program removed the row; the port's node is still in the tree. The check is
    // added again, and later saves rewrite that node, never the computer's.
    RecordFixture fx;
    fx.AddComputer("10.0.0.1");
    QVERIFY(fx.nodes.Add("#10.0.0.1", tvwChild, "$10.0.0.1@80", "old  【80】", "SError"));
    fx.Select("#10.0.0.1");
    gSelAddress = "10.0.0.1";
    FrmService dlg(fx.nodes, nullptr);
    dlg.txt_Port->setText("80");
    dlg.txt_Display->setText("web");
    QVERIFY(dlg.cmdUpdate_Click());
    dlg.txt_Display->setText("www");
    QVERIFY(dlg.cmdUpdate_Click());
    QVERIFY(fx.box.shown.isEmpty());
    QCOMPARE(fx.Scalar("SELECT サービス名 FROM TBL_PortCheck").toString(), QString("www"));
    QCOMPARE(TreeNodes::Text(fx.nodes.Item("$10.0.0.1@80")), QString("www  【80】"));
    QCOMPARE(TreeNodes::Text(fx.nodes.Item("#10.0.0.1")), QString("pc"));
}

void TestServiceDialog::referenceList() {
    RecordFixture fx;
    gSelAddress = "10.0.0.1";
    {
        FrmService dlg(fx.nodes, nullptr);
        QCOMPARE(dlg.LstDB->item(0)->text(), QString("ポート№\t|サービス名"));
        QCOMPARE(dlg.LstDB->item(1)->text(), QString("21\t|FTP"));  // ascending ports
        QCOMPARE(dlg.LstDB->count(), 1 + fx.Scalar("SELECT count(*) FROM TBL_Service").toInt());
    }
    QVERIFY(fx.Exec("DELETE FROM TBL_Service"));
    FrmService dlg(fx.nodes, nullptr);
    QCOMPARE(dlg.LstDB->count(), 1);
}

void TestServiceDialog::enterAndTab() {
    RecordFixture fx;
    gSelAddress = "10.0.0.1";
    FrmService dlg(fx.nodes, nullptr);
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    QVERIFY(QTest::qWaitForWindowActive(&dlg, 2000));
    dlg.txt_Port->setFocus();
    QTest::keyClick(dlg.txt_Port, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), dlg.txt_Display);
    QTest::keyClick(dlg.txt_Display, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), dlg.cmdUpdate);
    QVERIFY(fx.box.shown.isEmpty());  // Enter moved on, it did not save
    // The reference list is the last stop, after the buttons.
    for (QWidget* next : {static_cast<QWidget*>(dlg.cmdClose), static_cast<QWidget*>(dlg.LstDB),
                          static_cast<QWidget*>(dlg.txt_Port)}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

VANTORO_TEST_MAIN(TestServiceDialog)
#include "tst_servicedialog.moc"
