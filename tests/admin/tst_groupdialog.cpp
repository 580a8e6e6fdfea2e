// The group dialog against a real database and tree: its checks in order, a new group, a
// second save of the same dialog, an edit, the duplicate and vanished rows, the check
// switch's effect on the group's computers, and a write that fails.

#include "RecordFixture.h"

#include "admin/FrmGroup.h"
#include "model/Seams.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

class TestGroupDialog : public QObject {
    Q_OBJECT
private slots:
    void validation_data();
    void validation();
    void newGroupSavedTwice();
    void editLoadsAndRewrites();
    void duplicateAndVanished();
    void updateWithoutNode();
    void failedWriteChangesNothing();
};

void TestGroupDialog::validation_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("code empty") << "" << "表示" << "説明" << groupmsg::kNoCode << "txt_Name";
    QTest::newRow("code of blanks only") << "   " << "表示" << "説明" << groupmsg::kNoCode << "txt_Name";
    QTest::newRow("display blank, checked after the code") << "G" << " " << "" << recordmsg::kNoDisplay << "txt_Display";
    QTest::newRow("description of blanks and new lines") << "G" << "表示" << " \n " << recordmsg::kNoComment
                                                         << "txt_Comment";
    QTest::newRow("all filled") << "G" << "表示" << "説明" << "" << "";
}

void TestGroupDialog::validation() {
    QFETCH(QString, code);
    QFETCH(QString, display);
    QFETCH(QString, comment);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    RecordFixture fx;
    FrmGroup dlg(fx.nodes, nullptr);
    dlg.txt_Name->setText(code);
    dlg.txt_Display->setText(display);
    dlg.txt_Comment->setPlainText(comment);
    const bool saved = dlg.cmdUpdate_Click();
    QCOMPARE(saved, message.isEmpty());
    if (message.isEmpty()) {
        QVERIFY(fx.box.shown.isEmpty());
        return;
    }
    fx.ExpectRefused(dlg, message, focus);
    QCOMPARE(fx.Scalar("SELECT count(*) FROM TBL_Group").toInt(), 0);
    QCOMPARE(fx.nodes.Count(), 0);
}

void TestGroupDialog::newGroupSavedTwice() {
    RecordFixture fx;
    FrmGroup dlg(fx.nodes, nullptr);
    QCOMPARE(dlg.cmdUpdate->text(), recordmsg::kInsertCaption);
    QCOMPARE(dlg.cmdClose->text(), recordmsg::kCloseCaption);
    QVERIFY(dlg.chk_Umu->isChecked());  // a new group starts switched on
    const QString code = QStringLiteral(" O'Neil ");  // blanks and a quote kept as typed
    dlg.txt_Name->setText(code);
    dlg.txt_Display->setText(QStringLiteral("  本社 'A'  "));
    dlg.txt_Comment->setPlainText(QStringLiteral(" 一階 "));
    QVERIFY(dlg.cmdUpdate_Click());
    QCOMPARE(fx.Scalar("SELECT 表示名 FROM TBL_Group WHERE グループ = ?", {code}).toString(), QString("本社 'A'"));
    QCOMPARE(fx.Scalar("SELECT 説明 FROM TBL_Group WHERE グループ = ?", {code}).toString(), QString("一階"));
    QCOMPARE(fx.Scalar("SELECT 診断有無 FROM TBL_Group WHERE グループ = ?", {code}).toInt(), -1);
    QCOMPARE(gSelGroup, code);
    TreeNode* node = fx.nodes.Item(QLatin1Char('!') + code);
    QVERIFY(node);
    QCOMPARE(TreeNodes::Text(node), QString("本社 'A'"));
    QCOMPARE(TreeNodes::Image(node), QString("Group"));
    QCOMPARE(fx.nodes.SelectedItem(), node);
    QCOMPARE(dlg.cmdUpdate->text(), recordmsg::kUpdateCaption);
    QVERIFY(dlg.txt_Name->isReadOnly());
    QCOMPARE(dlg.txt_Name->focusPolicy(), Qt::NoFocus);

    // The second save finds the row through gSelGroup and updates it, and the same node.
    dlg.txt_Display->setText(QStringLiteral("本社"));
    QVERIFY(dlg.cmdUpdate_Click());
    QCOMPARE(fx.Scalar("SELECT count(*) FROM TBL_Group").toInt(), 1);
    QCOMPARE(fx.Scalar("SELECT 表示名 FROM TBL_Group").toString(), QString("本社"));
    QCOMPARE(fx.nodes.Count(), 1);
    QCOMPARE(TreeNodes::Text(node), QString("本社"));
    QVERIFY(fx.box.shown.isEmpty());
}

void TestGroupDialog::editLoadsAndRewrites() {
    RecordFixture fx;
    QVERIFY(fx.Exec("INSERT INTO TBL_Group VALUES ('G1', '営業', '二階', -1)"));
    QVERIFY(fx.nodes.Add(QString(), tvwLast, "!G1", "営業", "Group"));
    QVERIFY(fx.nodes.Add("!G1", tvwChild, "#10.0.0.1", "pc", "Nomal"));
    gPingDatas.AddItem("10.0.0.1", "PC", "G1", 5, -1, 5000, true, true, true, "");
    gPingDatas.AddItem("10.0.0.2", "PC2", "G2", 5, -1, 5000, true, true, true, "");
    fx.Select("!G1");
    gSelGroup = "G1";
    FrmGroup dlg(fx.nodes, nullptr);
    QCOMPARE(dlg.cmdUpdate->text(), recordmsg::kUpdateCaption);
    QCOMPARE(dlg.txt_Name->text(), QString("G1"));
    QVERIFY(dlg.txt_Name->isReadOnly());
    QCOMPARE(dlg.txt_Display->text(), QString("営業"));
    QCOMPARE(dlg.txt_Comment->toPlainText(), QString("二階"));
    QVERIFY(dlg.chk_Umu->isChecked());

    // Only the display name: node text, nothing else.
    dlg.txt_Display->setText("営業部");
    QVERIFY(dlg.cmdUpdate_Click());
    TreeNode* node = fx.nodes.Item("!G1");
    QCOMPARE(TreeNodes::Text(node), QString("営業部"));
    QCOMPARE(TreeNodes::Image(node), QString("Group"));
    QVERIFY(gPingDatas.Item(1)->NoCheckGrp);

    // Switched off: image, the group's computers (only them) and the row.
    dlg.chk_Umu->setChecked(false);
    QVERIFY(dlg.cmdUpdate_Click());
    QCOMPARE(TreeNodes::Image(node), QString("NoCheck"));
    QVERIFY(!gPingDatas.Item(1)->NoCheckGrp);
    QVERIFY(gPingDatas.Item(2)->NoCheckGrp);
    QCOMPARE(fx.Scalar("SELECT 診断有無 FROM TBL_Group WHERE グループ = 'G1'").toInt(), 0);
    // A greyed box counts as off; back on restores the image and the flag.
    dlg.chk_Umu->setChecked(true);
    QVERIFY(dlg.cmdUpdate_Click());
    QCOMPARE(TreeNodes::Image(node), QString("Group"));
    QVERIFY(gPingDatas.Item(1)->NoCheckGrp);
    dlg.chk_Umu->setTristate(true);
    dlg.chk_Umu->setCheckState(Qt::PartiallyChecked);
    QVERIFY(dlg.cmdUpdate_Click());
    QCOMPARE(fx.Scalar("SELECT 診断有無 FROM TBL_Group WHERE グループ = 'G1'").toInt(), 0);
    QVERIFY(fx.box.shown.isEmpty());
}

void TestGroupDialog::duplicateAndVanished() {
    RecordFixture fx;
    QVERIFY(fx.Exec("INSERT INTO TBL_Group VALUES ('G1', '営業', '二階', -1)"));
    {
        FrmGroup dlg(fx.nodes, nullptr);
        dlg.txt_Name->setText("g1");  // codes compare without letter case
        dlg.txt_Display->setText("x");
        dlg.txt_Comment->setPlainText("y");
        QVERIFY(!dlg.cmdUpdate_Click());
        QCOMPARE(fx.LastPrompt(), groupmsg::kDuplicate);
        QCOMPARE(fx.LastStyle(), vb::vbOKOnly | vb::vbCritical);
        QCOMPARE(dlg.cmdUpdate->text(), recordmsg::kInsertCaption);
        QVERIFY(!dlg.txt_Name->isReadOnly());
        QCOMPARE(fx.nodes.Count(), 0);
        QCOMPARE(fx.Scalar("SELECT 表示名 FROM TBL_Group").toString(), QString("営業"));
    }
    {
        QVERIFY(fx.nodes.Add(QString(), tvwLast, "!G1", "営業", "Group"));
        fx.Select("!G1");
        gSelGroup = "G1";
        FrmGroup dlg(fx.nodes, nullptr);
        QVERIFY(fx.Exec("DELETE FROM TBL_Group"));
        dlg.txt_Display->setText("x");
        QVERIFY(!dlg.cmdUpdate_Click());
        QCOMPARE(fx.LastPrompt(), recordmsg::kDeleted);
        QCOMPARE(fx.LastStyle(), vb::vbOKOnly | vb::vbQuestion);
        QCOMPARE(fx.Scalar("SELECT count(*) FROM TBL_Group").toInt(), 0);
        QCOMPARE(TreeNodes::Text(fx.nodes.Item("!G1")), QString("営業"));
    }
    {
        // Opened on a group that is gone: the code is editable, but typing another group's
        // code does not turn the dialog onto that group.
        QVERIFY(fx.Exec("INSERT INTO TBL_Group VALUES ('G2', '総務', '三階', -1)"));
        gSelGroup = "G1";
        FrmGroup dlg(fx.nodes, nullptr);
        QVERIFY(!dlg.txt_Name->isReadOnly());
        dlg.txt_Name->setText("G2");
        dlg.txt_Display->setText("x");
        dlg.txt_Comment->setPlainText("y");
        QVERIFY(!dlg.cmdUpdate_Click());
        QCOMPARE(fx.LastPrompt(), recordmsg::kDeleted);
        QCOMPARE(fx.Scalar("SELECT 表示名 FROM TBL_Group WHERE グループ = 'G2'").toString(), QString("総務"));
        QCOMPARE(TreeNodes::Text(fx.nodes.Item("!G1")), QString("営業"));
    }
    {
        // Codes that differ only in the case of full-width letters are two groups.
        QVERIFY(fx.Exec("INSERT INTO TBL_Group VALUES ('Ａ', '本店', '一階', -1)"));
        gSelGroup = QStringLiteral("ａ");
        FrmGroup dlg(fx.nodes, nullptr);
        dlg.txt_Name->setText(QStringLiteral("Ａ"));
        dlg.txt_Display->setText("x");
        dlg.txt_Comment->setPlainText("y");
        QVERIFY(!dlg.cmdUpdate_Click());
        QCOMPARE(fx.LastPrompt(), recordmsg::kDeleted);
        QCOMPARE(fx.Scalar("SELECT 表示名 FROM TBL_Group WHERE グループ = 'Ａ'").toString(), QString("本店"));
    }
}

void TestGroupDialog::updateWithoutNode() {
    RecordFixture fx;
    QVERIFY(fx.Exec("INSERT INTO TBL_Group VALUES ('G1', '営業', '二階', -1)"));
    gSelGroup = "G1";
    FrmGroup dlg(fx.nodes, nullptr);  // nothing selected in the tree
    dlg.txt_Display->setText("営業部");
    QVERIFY(dlg.cmdUpdate_Click());
    QCOMPARE(fx.LastPrompt(), recordmsg::kOdd);
    QCOMPARE(fx.LastStyle(), vb::vbOKOnly);
    QCOMPARE(fx.Scalar("SELECT 表示名 FROM TBL_Group").toString(), QString("営業部"));  // still saved
}

void TestGroupDialog::failedWriteChangesNothing() {
    RecordFixture fx;
    QVERIFY(fx.Exec("CREATE TRIGGER refuse BEFORE INSERT ON TBL_Group BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    FrmGroup dlg(fx.nodes, nullptr);
    dlg.txt_Name->setText("G1");
    dlg.txt_Display->setText("x");
    dlg.txt_Comment->setPlainText("y");
    QVERIFY(!dlg.cmdUpdate_Click());
    QVERIFY(fx.LastPrompt().contains("disk full"));
    QCOMPARE(fx.LastStyle(), vb::vbOKOnly | vb::vbExclamation);
    QCOMPARE(fx.nodes.Count(), 0);
    QVERIFY(gSelGroup.isEmpty());
    QCOMPARE(dlg.cmdUpdate->text(), recordmsg::kInsertCaption);
    QVERIFY(!dlg.txt_Name->isReadOnly());
}

VANTORO_TEST_MAIN(TestGroupDialog)
#include "tst_groupdialog.moc"
