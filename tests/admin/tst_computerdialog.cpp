// The computer dialog against a real database, tree and target list: its eight checks and
// the silent clamps, the defaults of a new computer, the node and target list entry it adds,
// a second save, an edit that loads and rewrites, duplicate and vanished rows.

#include "RecordFixture.h"

#include "admin/FrmComputer.h"
#include "model/Seams.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {
void SetAddress(FrmComputer& dlg, const QStringList& fields) {
    for (int i = 0; i < 4; ++i) dlg.IPEdit.phWnd()->Field(i)->setText(fields[i]);
}

void FillRequired(FrmComputer& dlg) {
    dlg.txt_Name->setText("pc1");
    dlg.txt_Display->setText("受付");
    dlg.txt_Comment->setPlainText("一階");
    dlg.Cmb_Shurui->setCurrentText("ｻｰﾊﾞｰ");
}
}  // namespace

class TestComputerDialog : public QObject {
    Q_OBJECT
private slots:
    void validation_data();
    void validation();
    void newComputerWithDefaults();
    void secondSaveUpdates();
    void editLoadsAndRewrites();
    void duplicateAndVanished();
    void groupSwitchedOff();
    void caretAndEnter();
};

void TestComputerDialog::validation_data() {
    QTest::addColumn<QStringList>("ip");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("errCount");
    QTest::addColumn<QString>("timeout");
    QTest::addColumn<QString>("message");  // "" = saved
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("errAfter");  // the boxes after the save
    QTest::addColumn<QString>("timeoutAfter");

    const QStringList ok{"10", "1", "2", "3"};
    QTest::newRow("address blank") << QStringList{"", "", "", ""} << "n" << "t" << "5" << "5000" << computermsg::kAddress
                                   << "IPField0" << "5" << "5000";
    QTest::newRow("10, blank, 3, blank: the caret in field 1")
        << QStringList{"10", "", "3", ""} << "n" << "t" << "5" << "5000" << computermsg::kAddress << "IPField1" << "5" << "5000";
    QTest::newRow("only field 0 blank") << QStringList{"", "1", "2", "3"} << "n" << "t" << "5" << "5000" << computermsg::kAddress
                                        << "IPField0" << "5" << "5000";
    QTest::newRow("a typed 0 in field 0 is pulled to 1, not blank")
        << QStringList{"0", "1", "2", "3"} << "n" << "t" << "5" << "5000" << "" << "" << "5" << "5000";
    QTest::newRow("0 in a middle field, a blank after it: the caret in the blank")
        << QStringList{"192", "0", "", "1"} << "n" << "t" << "5" << "5000" << computermsg::kAddress << "IPField2" << "5" << "5000";
    QTest::newRow("name blank") << ok << "  " << "t" << "5" << "5000" << computermsg::kName << "txt_Name" << "5" << "5000";
    QTest::newRow("type blank") << ok << "n" << " " << "5" << "5000" << computermsg::kType << "Cmb_Shurui" << "5" << "5000";
    QTest::newRow("failure count blank") << ok << "n" << "t" << "" << "5000" << computermsg::kErrCount << "txt_ErrCount"
                                         << "" << "5000";
    QTest::newRow("failure count 0 becomes 1") << ok << "n" << "t" << "0" << "5000" << "" << "" << "1" << "5000";
    QTest::newRow("failure count 00 becomes 1") << ok << "n" << "t" << "00" << "5000" << "" << "" << "1" << "5000";
    QTest::newRow("clamped count stays when the time-out fails")
        << ok << "n" << "t" << "0" << "" << computermsg::kTimeout << "txt_Timeout" << "1" << "";
    QTest::newRow("time-out 999 becomes 1000") << ok << "n" << "t" << "5" << "999" << "" << "" << "5" << "1000";
    QTest::newRow("time-out 1000 stays") << ok << "n" << "t" << "5" << "1000" << "" << "" << "5" << "1000";
    QTest::newRow("time-out 20000 stays") << ok << "n" << "t" << "5" << "20000" << "" << "" << "5" << "20000";
    QTest::newRow("time-out 20001 becomes 10000") << ok << "n" << "t" << "5" << "20001" << "" << "" << "5" << "10000";
    QTest::newRow("time-out 99999 becomes 10000") << ok << "n" << "t" << "5" << "99999" << "" << "" << "5" << "10000";
}

void TestComputerDialog::validation() {
    QFETCH(QStringList, ip);
    QFETCH(QString, name);
    QFETCH(QString, type);
    QFETCH(QString, errCount);
    QFETCH(QString, timeout);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    QFETCH(QString, errAfter);
    QFETCH(QString, timeoutAfter);
    RecordFixture fx;
    fx.AddGroup("G1");
    fx.Select("!G1");
    gSelGroup = "G1";
    FrmComputer dlg(fx.nodes, nullptr);
    SetAddress(dlg, ip);
    FillRequired(dlg);
    dlg.txt_Name->setText(name);
    dlg.Cmb_Shurui->setCurrentText(type);
    dlg.txt_ErrCount->setText(errCount);
    dlg.txt_Timeout->setText(timeout);
    const bool saved = dlg.cmdUpdate_Click();
    QCOMPARE(saved, message.isEmpty());
    QCOMPARE(dlg.txt_ErrCount->text(), errAfter);
    QCOMPARE(dlg.txt_Timeout->text(), timeoutAfter);
    if (saved) {
        QVERIFY(fx.box.shown.isEmpty());
        QCOMPARE(fx.Scalar("SELECT 異常判断回数 FROM TBL_Computer").toString(), errAfter);
        QCOMPARE(fx.Scalar("SELECT タイムアウト FROM TBL_Computer").toString(), timeoutAfter);
        return;
    }
    fx.ExpectRefused(dlg, message, focus);
    QCOMPARE(fx.Scalar("SELECT count(*) FROM TBL_Computer").toInt(), 0);
}

void TestComputerDialog::newComputerWithDefaults() {
    RecordFixture fx;
    fx.AddGroup("G1");
    QVERIFY(fx.Exec("INSERT INTO TBL_Computer (アドレス, グループ, 種類) VALUES ('10.9.9.9', 'G1', 'ﾜｰｸｽﾃｰｼｮﾝ')"));
    fx.Select("!G1");
    gSelGroup = "G1";
    FrmComputer dlg(fx.nodes, nullptr);
    QVERIFY(dlg.findChild<QLabel*>("Lbl_Group"));
    QCOMPARE(dlg.cmdUpdate->text(), recordmsg::kInsertCaption);
    QVERIFY(dlg.IPEdit.mIsBlank());
    QVERIFY(dlg.IPEdit.pEnabled());
    QCOMPARE(dlg.IPEdit.pMin(0), 1);
    QCOMPARE(dlg.IPEdit.pMin(1), 0);  // 192.168.0.1 can be entered
    QCOMPARE(dlg.IPEdit.pMin(2), 0);
    QCOMPARE(dlg.IPEdit.pMin(3), 1);
    QCOMPARE(dlg.Cmb_Shurui->currentText(), QString("ｽﾀﾝﾄﾞｱﾛｰﾝ"));
    QVERIFY(dlg.Cmb_Shurui->findText("ﾜｰｸｽﾃｰｼｮﾝ") >= 0);  // types already given are offered
    QVERIFY(dlg.Cmb_Shurui->findText("ｻｰﾊﾞｰ") >= 0);
    QCOMPARE(dlg.CmbCal->itemText(0), QString());
    dlg.IPEdit.mSetIPAddress(192, 168, 1, 10);
    dlg.txt_Name->setText("  pc'1");  // stored as typed; the target list holds it in capitals
    dlg.txt_Display->setText("  受付  ");
    dlg.txt_Comment->setPlainText("一階");
    QVERIFY(dlg.cmdUpdate_Click());
    QVERIFY(fx.box.shown.isEmpty());

    const QString sql = "SELECT %1 FROM TBL_Computer WHERE アドレス = '192.168.1.10'";
    QCOMPARE(fx.Scalar(sql.arg("グループ")).toString(), QString("G1"));
    QCOMPARE(fx.Scalar(sql.arg("コンピュータ名")).toString(), QString("  pc'1"));
    QCOMPARE(fx.Scalar(sql.arg("表示名")).toString(), QString("受付"));
    QCOMPARE(fx.Scalar(sql.arg("種類")).toString(), QString("ｽﾀﾝﾄﾞｱﾛｰﾝ"));
    QCOMPARE(fx.Scalar(sql.arg("異常判断回数")).toInt(), 5);
    QCOMPARE(fx.Scalar(sql.arg("タイムアウト")).toInt(), 5000);
    QCOMPARE(fx.Scalar(sql.arg("診断有無")).toInt(), -1);
    QCOMPARE(fx.Scalar(sql.arg("異常音再生")).toInt(), -1);
    QCOMPARE(fx.Scalar(sql.arg("Ping有無")).toInt(), -1);
    QCOMPARE(fx.Scalar(sql.arg("状況")).toString(), QString("Nomal"));
    QVERIFY(fx.Scalar(sql.arg("カレンダー名称")).isNull());

    TreeNode* node = fx.nodes.Item("#192.168.1.10");
    QVERIFY(node);
    QCOMPARE(node->Parent(), fx.nodes.Item("!G1"));
    QCOMPARE(TreeNodes::Text(node), QString("受付  【  pc'1：ｽﾀﾝﾄﾞｱﾛｰﾝ】"));
    QCOMPARE(TreeNodes::Image(node), QString("Nomal"));
    QCOMPARE(fx.nodes.SelectedItem(), node);
    QCOMPARE(gSelAddress, QString("192.168.1.10"));
    QCOMPARE(gPingDatas.ListCount(), 1);
    const ClsPingDatas::Ptr entry = gPingDatas.Item(1);
    QCOMPARE(entry->IPAddress, QString("192.168.1.10"));
    QCOMPARE(entry->Computer, QString("  PC'1"));
    QCOMPARE(entry->Group, QString("G1"));
    QCOMPARE(entry->WrongCount, 5);
    QCOMPARE(entry->Timeout, 5000);
    QVERIFY(entry->Sound != 0);
    QVERIFY(entry->NoCheckGrp && entry->NoCheckSrv && entry->NoCheckPing);
    QCOMPARE(entry->Calendar, QString());
    QCOMPARE(dlg.cmdUpdate->text(), recordmsg::kUpdateCaption);
    QVERIFY(!dlg.IPEdit.pEnabled());

    // A new type is offered the next time.
    gSelAddress.clear();
    dlg.Cmb_Shurui->setCurrentText("ﾙｰﾀｰ2");
    FrmComputer other(fx.nodes, nullptr);
    QCOMPARE(other.Cmb_Shurui->findText("ﾙｰﾀｰ2"), -1);
}

void TestComputerDialog::secondSaveUpdates() {
    RecordFixture fx;
    fx.AddGroup("G1");
    fx.Select("!G1");
    gSelGroup = "G1";
    gPingDatas.AddItem("10.0.0.9", "OTHER", "G1", 5, -1, 5000, true, true, true, "");
    FrmComputer dlg(fx.nodes, nullptr);
    dlg.IPEdit.mSetIPAddress(10, 0, 0, 1);
    FillRequired(dlg);
    dlg.Cmb_Shurui->setCurrentText("ﾙｰﾀｰ2");
    QVERIFY(dlg.cmdUpdate_Click());
    QCOMPARE(gPingDatas.Item(1)->IPAddress, QString("10.0.0.1"));  // sorted in
    dlg.txt_Name->setText("pc2");
    dlg.txt_ErrCount->setText("9");
    dlg.chk_Umu->setChecked(false);
    dlg.chk_Sound->setChecked(false);
    QVERIFY(dlg.cmdUpdate_Click());
    QCOMPARE(fx.Scalar("SELECT count(*) FROM TBL_Computer").toInt(), 1);
    QCOMPARE(fx.Scalar("SELECT コンピュータ名 FROM TBL_Computer").toString(), QString("pc2"));
    QCOMPARE(fx.nodes.Count(), 2);
    TreeNode* node = fx.nodes.Item("#10.0.0.1");
    QCOMPARE(TreeNodes::Text(node), QString("受付  【pc2：ﾙｰﾀｰ2】"));
    QCOMPARE(TreeNodes::Image(node), QString("NoCheck"));
    QCOMPARE(gPingDatas.ListCount(), 2);
    const ClsPingDatas::Ptr entry = gPingDatas.Item(gPingDatas.GetItemNo("10.0.0.1"));
    QCOMPARE(entry->Computer, QString("pc2"));  // not upper-cased on an update
    QCOMPARE(entry->WrongCount, 9);
    QVERIFY(!entry->NoCheckSrv);
    QCOMPARE(entry->Sound, qint16(0));
    FrmComputer next(fx.nodes, nullptr);
    QVERIFY(next.Cmb_Shurui->findText("ﾙｰﾀｰ2") >= 0);
}

void TestComputerDialog::editLoadsAndRewrites() {
    RecordFixture fx;
    fx.AddGroup("G1");
    QVERIFY(fx.Exec("INSERT INTO TBL_Calender (名称, 年度) VALUES ('本社', 2026)"));
    QVERIFY(fx.Exec("INSERT INTO TBL_Computer VALUES ('172.16.0.5', 'G1', 'srv', 'ｻｰﾊﾞｰ', '基幹', '三階', 0, 7, 0, 3000, "
                    "'Error', -1, '本社')"));
    QVERIFY(fx.nodes.Add("!G1", tvwChild, "#172.16.0.5", "基幹", "NoCheck"));
    gPingDatas.AddItem("172.16.0.5", "SRV", "G1", 7, 0, 3000, true, false, true, "本社");
    gPingDatas.Item(1)->NotConnectCount = 3;
    fx.Select("#172.16.0.5");
    gSelGroup = "G1";
    gSelAddress = "172.16.0.5";
    FrmComputer dlg(fx.nodes, nullptr);
    QCOMPARE(dlg.cmdUpdate->text(), recordmsg::kUpdateCaption);
    QCOMPARE(dlg.IPEdit.AddressText(), QString("172.16.0.5"));
    QVERIFY(!dlg.IPEdit.pEnabled());
    QVERIFY(!dlg.chk_Umu->isChecked());
    QVERIFY(!dlg.chk_Sound->isChecked());
    QVERIFY(dlg.chk_Ping->isChecked());
    QCOMPARE(dlg.Cmb_Shurui->currentText(), QString("ｻｰﾊﾞｰ"));
    QCOMPARE(dlg.txt_Name->text(), QString("srv"));
    QCOMPARE(dlg.txt_Display->text(), QString("基幹"));
    QCOMPARE(dlg.txt_Comment->toPlainText(), QString("三階"));
    QCOMPARE(dlg.txt_ErrCount->text(), QString("7"));
    QCOMPARE(dlg.txt_Timeout->text(), QString("3000"));
    QCOMPARE(dlg.CmbCal->currentText(), QString("本社"));

    dlg.chk_Umu->setChecked(true);
    dlg.CmbCal->setCurrentIndex(0);  // calendar cleared
    QVERIFY(dlg.cmdUpdate_Click());
    QVERIFY(fx.box.shown.isEmpty());
    QVERIFY(fx.Scalar("SELECT カレンダー名称 FROM TBL_Computer").isNull());
    QCOMPARE(fx.Scalar("SELECT 状況 FROM TBL_Computer").toString(), QString("Nomal"));
    TreeNode* node = fx.nodes.Item("#172.16.0.5");
    QCOMPARE(TreeNodes::Image(node), QString("Nomal"));
    QCOMPARE(TreeNodes::Text(node), QString("基幹  【srv：ｻｰﾊﾞｰ】"));
    const ClsPingDatas::Ptr entry = gPingDatas.Item(1);
    QCOMPARE(entry->Calendar, QString());
    QVERIFY(entry->NoCheckSrv);
    QCOMPARE(entry->NotConnectCount, 3);  // the round's counters are left alone
    QCOMPARE(entry->Computer, QString("srv"));
}

void TestComputerDialog::duplicateAndVanished() {
    RecordFixture fx;
    fx.AddGroup("G1");
    QVERIFY(fx.Exec("INSERT INTO TBL_Computer (アドレス, グループ, コンピュータ名) VALUES ('10.0.0.1', 'G1', 'old')"));
    fx.Select("!G1");
    gSelGroup = "G1";
    {
        FrmComputer dlg(fx.nodes, nullptr);
        dlg.IPEdit.mSetIPAddress(10, 0, 0, 1);
        FillRequired(dlg);
        QVERIFY(!dlg.cmdUpdate_Click());
        QCOMPARE(fx.LastPrompt(), computermsg::kDuplicate);
        QCOMPARE(fx.LastStyle(), vb::vbOKOnly | vb::vbCritical);
        QCOMPARE(fx.Scalar("SELECT コンピュータ名 FROM TBL_Computer").toString(), QString("old"));
        QCOMPARE(fx.nodes.Count(), 1);
        QCOMPARE(gPingDatas.ListCount(), 0);
        QVERIFY(dlg.IPEdit.pEnabled());
        QCOMPARE(dlg.cmdUpdate->text(), recordmsg::kInsertCaption);
    }
    {
        QVERIFY(fx.nodes.Add("!G1", tvwChild, "#10.0.0.1", "old", "Nomal"));
        fx.Select("#10.0.0.1");
        gSelAddress = "10.0.0.1";
        FrmComputer dlg(fx.nodes, nullptr);
        QVERIFY(fx.Exec("DELETE FROM TBL_Computer"));
        FillRequired(dlg);
        QVERIFY(!dlg.cmdUpdate_Click());
        QCOMPARE(fx.LastPrompt(), recordmsg::kDeleted);
        QCOMPARE(fx.LastStyle(), vb::vbOKOnly | vb::vbQuestion);
        QCOMPARE(fx.Scalar("SELECT count(*) FROM TBL_Computer").toInt(), 0);
        QCOMPARE(TreeNodes::Text(fx.nodes.Item("#10.0.0.1")), QString("old"));
    }
    {
        // Opened on a computer whose row is gone: the address stays blank and locked.
        FrmComputer dlg(fx.nodes, nullptr);
        QVERIFY(dlg.IPEdit.mIsBlank());
        QVERIFY(!dlg.IPEdit.pEnabled());
        FillRequired(dlg);
        QVERIFY(!dlg.cmdUpdate_Click());
        QCOMPARE(fx.LastPrompt(), computermsg::kAddress);
    }
}

void TestComputerDialog::groupSwitchedOff() {
    RecordFixture fx;
    fx.AddGroup("G1", "NoCheck");
    fx.Select("!G1");
    gSelGroup = "G1";
    FrmComputer dlg(fx.nodes, nullptr);
    dlg.IPEdit.mSetIPAddress(10, 0, 0, 1);
    FillRequired(dlg);
    QVERIFY(dlg.cmdUpdate_Click());
    QVERIFY(!gPingDatas.Item(1)->NoCheckGrp);
    QVERIFY(gPingDatas.Item(1)->NoCheckSrv);
}

void TestComputerDialog::caretAndEnter() {
    RecordFixture fx;
    fx.AddGroup("G1");
    gSelGroup = "G1";
    FrmComputer dlg(fx.nodes, nullptr);
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    QVERIFY(QTest::qWaitForWindowActive(&dlg, 2000));
    QCOMPARE(QApplication::focusWidget(), dlg.IPEdit.phWnd()->Field(0));  // a new computer: the address first
    for (QChar c : QString("10.0.0.7")) QTest::keyClicks(QApplication::focusWidget(), QString(c));
    QCOMPARE(dlg.IPEdit.AddressText(), QString("10.0.0.7"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dlg.Cmb_Shurui);
    // Enter moves along the Tab order, also out of the type box; the description takes it.
    for (QWidget* next : {static_cast<QWidget*>(dlg.txt_Name), static_cast<QWidget*>(dlg.txt_Display),
                          static_cast<QWidget*>(dlg.txt_Comment)}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), next);
    }
    QTest::keyClicks(dlg.txt_Comment, "a");
    QTest::keyClick(dlg.txt_Comment, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), dlg.txt_Comment);
    QCOMPARE(dlg.txt_Comment->toPlainText(), QString("a\n"));
}

VANTORO_TEST_MAIN(TestComputerDialog)
#include "tst_computerdialog.moc"
