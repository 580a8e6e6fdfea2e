// The staff dialog against a fresh database and a person list of its own: the checks of a
// save in their order with their messages and caret, the e-mail address rules, the four
// outcomes of a save, and a round trip of every field with quotes in the texts.
#include "TestSupport.h"

#include "admin/FrmUser.h"
#include "model/Globals.h"
#include "model/Loader.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include "model/UserList.h"
#include <QtTest>

#include <memory>

namespace {

struct Person {
    QString id, name, shozoku, tel;
    QStringList ip;  // the four address fields as typed; empty = blank
    bool mail = false;
    QString mail1, mail2;
};

void Fill(FrmUser& d, const Person& p) {
    d.txt_UserID->setText(p.id);
    d.txt_Name->setText(p.name);
    d.txt_Shozoku->setText(p.shozoku);
    d.Txt_Tel->setText(p.tel);
    for (int i = 0; i < p.ip.size(); ++i) d.IPEdit.phWnd()->Field(i)->setText(p.ip[i]);
    d.CheckEMail->setChecked(p.mail);
    d.TxtEMailAddress1->setText(p.mail1);
    d.TxtEMailAddress2->setText(p.mail2);
}

Person Valid() {
    return {"S1", u"山田"_qs, u"総務"_qs, "03-1234", {}, false, {}, {}};
}

}  // namespace

Q_DECLARE_METATYPE(Person)

class TestStaffDialog : public QObject {
    Q_OBJECT

    QString mDb;
    std::unique_ptr<UserList> mList;

    int Rows() { return vtest::Scalar(mDb, QStringLiteral("SELECT COUNT(*) FROM TBL_User")).toInt(); }

private slots:
    void init() {
        mDb = vtest::FreshDatabase();
        mList = std::make_unique<UserList>();
        gSelUserID.clear();
    }

    // The first failing check speaks and sends the caret to its field; nothing is written.
    void refusedSave_data() {
        QTest::addColumn<Person>("person");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");  // object name, or "ip<n>" for an address field
        Person p = Valid();
        p.ip = {"10", "20", "", ""};
        p.id.clear();  // the address comes first
        QTest::newRow("address begun") << p << usermsg::kIPAddress << "ip2";
        p = Valid();
        p.ip = {"10", "", "3", ""};
        QTest::newRow("address with a gap") << p << usermsg::kIPAddress << "ip1";
        p.ip = {"192", "0", "", "5"};
        QTest::newRow("a middle 0 is a number: the caret goes to the blank") << p << usermsg::kIPAddress << "ip2";
        p = Valid();
        p.id = "   ";
        p.name.clear();
        QTest::newRow("no staff number") << p << usermsg::kUserID << "txt_UserID";
        p = Valid();
        p.name = " ";
        QTest::newRow("no name") << p << usermsg::kName << "txt_Name";
        p = Valid();
        p.shozoku.clear();
        QTest::newRow("no department") << p << usermsg::kShozoku << "txt_Shozoku";
        p = Valid();
        p.tel = "  ";
        QTest::newRow("no telephone") << p << usermsg::kTel << "Txt_Tel";
        p = Valid();
        p.mail = true;
        p.mail1 = p.mail2 = " ";
        QTest::newRow("mail without address") << p << usermsg::kNoMail << "TxtEMailAddress1";
        p.mail1 = "ab@cd.info";
        p.mail2 = "ok@example.jp";
        QTest::newRow("first address wrong") << p << usermsg::kBadMail << "TxtEMailAddress1";
        p.mail1.clear();
        p.mail2 = "ab@cd.x";
        QTest::newRow("second address wrong") << p << usermsg::kBadMail << "TxtEMailAddress2";
    }
    void refusedSave() {
        QFETCH(Person, person);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        vtest::RecordingMessageBox box;
        FrmUser d(*mList, nullptr);
        Fill(d, person);
        QVERIFY(!d.cmdUpdate_Click());
        QCOMPARE(box.prompts(), QStringList{message});
        QCOMPARE(box.shown.first().style, vb::vbOKOnly | vb::vbInformation);
        if (focus.startsWith("ip")) {
            QCOMPARE(d.FocusTarget(), d.IPEdit.phWnd()->Field(focus.mid(2).toInt()));
        } else {
            QVERIFY(d.FocusTarget());
            QCOMPARE(d.FocusTarget()->objectName(), focus);
        }
        QCOMPARE(Rows(), 0);
        QCOMPARE(mList->Count(), 0);
    }

    void mailAddressRules_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("passes");
        QTest::newRow("two-letter suffix") << "abcd@efg.jp" << true;
        QTest::newRow("three-letter suffix, blanks around") << "  ab-c_d@ef.g.com " << true;
        QTest::newRow("seven characters") << "a@bc.jp" << false;
        QTest::newRow("no at sign") << "abcdefg.jp" << false;
        QTest::newRow("two at signs") << "ab@cd@ef.jp" << false;
        QTest::newRow("no point") << "abcd@efgh" << false;
        QTest::newRow("at sign first") << "@abcdef.jp" << false;
        QTest::newRow("ends with at sign") << "abcdef.jp@" << false;
        QTest::newRow("point first") << ".abc@def.jp" << false;
        QTest::newRow("ends with point") << "abcd@efg." << false;
        QTest::newRow("blank inside") << "ab c@def.jp" << false;
        QTest::newRow("full-width letter") << u"ａbcd@ef.jp"_qs << false;
        QTest::newRow("quote") << "o'neil@ab.jp" << false;
        QTest::newRow("one-letter suffix") << "abcde@fg.j" << false;
        QTest::newRow("four-letter suffix") << "abcd@ef.info" << false;
    }
    void mailAddressRules() {
        QFETCH(QString, address);
        QFETCH(bool, passes);
        QString a = address;
        QCOMPARE(FrmUser::CheckMailAddress(a), passes);
        QCOMPARE(a, address.trimmed());
    }

    // A new person starts as a popup recipient without mail; the mail switch shows and
    // hides the addresses.
    void newPersonDefaults() {
        FrmUser d(*mList, nullptr);
        QCOMPARE(d.cmdUpdate->text(), QStringLiteral("登録(&I)"));
        QVERIFY(d.OptRcv[0]->isChecked());
        QVERIFY(!d.CheckEMail->isChecked());
        QCOMPARE(d.CheckEMail->text(), QStringLiteral("送信しない"));
        QVERIFY(d.TxtEMailAddress1->isHidden() && d.lblEMailAddress2->isHidden());
        QVERIFY(d.IPEdit.mIsBlank());
        // A host address: first and last number 1 to 255, the middle ones may be 0.
        QCOMPARE((QList<int>{d.IPEdit.pMin(0), d.IPEdit.pMin(1), d.IPEdit.pMin(2), d.IPEdit.pMin(3)}),
                 (QList<int>{1, 0, 0, 1}));
        d.CheckEMail->setChecked(true);
        QCOMPARE(d.CheckEMail->text(), QStringLiteral("送信する"));
        QVERIFY(!d.TxtEMailAddress1->isHidden() && !d.TxtEMailAddress2->isHidden());
        QVERIFY(!d.lblEMailAddress1->isHidden() && !d.lblEMailAddress2->isHidden());
        QVERIFY(!d.txt_UserID->isReadOnly());
    }

    // A person's computer on 10.0.0.5 can be entered; a 0 typed as the first or the last
    // number is pulled to 1.
    void addressWithZeros_data() {
        QTest::addColumn<QStringList>("ip");
        QTest::addColumn<QString>("stored");
        QTest::newRow("middle zeros") << QStringList{"10", "0", "0", "5"} << "10.0.0.5";
        QTest::newRow("first and last 0") << QStringList{"0", "0", "0", "0"} << "1.0.0.1";
    }
    void addressWithZeros() {
        QFETCH(QStringList, ip);
        QFETCH(QString, stored);
        vtest::RecordingMessageBox box;
        FrmUser d(*mList, nullptr);
        Person p = Valid();
        p.ip = ip;
        Fill(d, p);
        QVERIFY(d.cmdUpdate_Click());
        QVERIFY(box.shown.isEmpty());
        QCOMPARE(vtest::Scalar(mDb, "SELECT アドレス FROM TBL_User").toString(), stored);
        QCOMPARE(mList->Rows().front()->Column(4), stored);
    }

    // Every field with quotes, trimmed, saved and loaded again; the list row follows.
    void roundTrip() {
        vtest::RecordingMessageBox box;
        Person p{" O'1 ", " O'Neil ",      u" 営'業 "_qs, " 03'1 ", {"192", "168", "1", "10"},
                 true,    " oneil@ex.jp ", " o'neil2 "};
        {
            FrmUser d(*mList, nullptr);
            Fill(d, p);
            d.OptRcv[1]->setChecked(true);
            QVERIFY(d.cmdUpdate_Click());
            QCOMPARE(d.cmdUpdate->text(), QStringLiteral("更新(&U)"));
            QVERIFY(d.txt_UserID->isReadOnly());
            QCOMPARE(gSelUserID, QStringLiteral("O'1"));
            // A second save of the same dialog rewrites the same row and item.
            d.txt_Name->setText("O'Neil");
            QVERIFY(d.cmdUpdate_Click());
        }
        QVERIFY(box.shown.isEmpty());
        QCOMPARE(Rows(), 1);
        const QString sql = QStringLiteral("SELECT %1 FROM TBL_User WHERE 職番 = 'O''1'");
        auto col = [&](const char* c) { return vtest::Scalar(mDb, sql.arg(QString::fromUtf8(c))); };
        QCOMPARE(col("氏名").toString(), QStringLiteral("O'Neil"));
        QCOMPARE(col("所属名").toString(), u"営'業"_qs);
        QCOMPARE(col("連絡先").toString(), QStringLiteral("03'1"));
        QCOMPARE(col("アドレス").toString(), QStringLiteral("192.168.1.10"));
        QCOMPARE(col("警報種別").toString(), QStringLiteral("1"));
        QVERIFY(col("メール送信有無").toInt() != 0);
        QCOMPARE(col("メール1").toString(), QStringLiteral("oneil@ex.jp"));
        QCOMPARE(col("メール2").toString(), QStringLiteral("o'neil2"));  // not put to the rules
        QCOMPARE(mList->Count(), 1);
        const UserRow* item = mList->Rows().front().get();
        QCOMPARE(mList->Current(), item);
        QCOMPARE(item->Columns(), (QStringList{"O'1", "O'Neil", u"営'業"_qs, "03'1", "192.168.1.10", u"ﾒｯｾｰｼﾞ君"_qs, u"○"_qs}));

        // Loaded again for a change.
        gSelUserID = QStringLiteral("O'1");
        FrmUser e(*mList, nullptr);
        QCOMPARE(e.cmdUpdate->text(), QStringLiteral("更新(&U)"));
        QCOMPARE(e.txt_UserID->text(), QStringLiteral("O'1"));
        QVERIFY(e.txt_UserID->isReadOnly());
        QCOMPARE(e.txt_Name->text(), QStringLiteral("O'Neil"));
        QCOMPARE(e.txt_Shozoku->text(), u"営'業"_qs);
        QCOMPARE(e.Txt_Tel->text(), QStringLiteral("03'1"));
        QCOMPARE(e.IPEdit.AddressText(), QStringLiteral("192.168.1.10"));
        QVERIFY(e.OptRcv[1]->isChecked());
        QVERIFY(e.CheckEMail->isChecked());
        QVERIFY(!e.TxtEMailAddress2->isHidden());
        QCOMPARE(e.TxtEMailAddress2->text(), QStringLiteral("o'neil2"));
        // Cleared address, popups, no mail: Null columns and empty list texts.
        e.IPEdit.mClear();
        e.OptRcv[0]->setChecked(true);
        e.CheckEMail->setChecked(false);
        e.TxtEMailAddress1->clear();
        e.TxtEMailAddress2->clear();
        QVERIFY(e.cmdUpdate_Click());
        QVERIFY(col("アドレス").isNull());
        QVERIFY(col("メール1").isNull() && col("メール2").isNull());
        QCOMPARE(col("警報種別").toString(), QStringLiteral("0"));
        QCOMPARE(item->Column(4), QString());
        QCOMPARE(item->Column(5), u"ﾎﾟｯﾌﾟｱｯﾌﾟﾒｯｾｰｼﾞ"_qs);
        QCOMPARE(item->Column(6), QString());
    }

    // A new person whose number is taken, and a person deleted while being changed.
    void refusedOutcomes() {
        vtest::RecordingMessageBox box;
        QVERIFY(vtest::Exec(mDb, "INSERT INTO TBL_User (職番, 氏名) VALUES ('S1', 'x')"));
        {
            FrmUser d(*mList, nullptr);
            Fill(d, Valid());
            d.txt_UserID->setText("s1 ");  // numbers compare without case
            QVERIFY(!d.cmdUpdate_Click());
            QCOMPARE(box.prompts(), QStringList{usermsg::kDuplicate});
            QCOMPARE(box.shown.last().style, vb::vbOKOnly | vb::vbCritical);
            QCOMPARE(d.cmdUpdate->text(), QStringLiteral("登録(&I)"));
            QVERIFY(!d.txt_UserID->isReadOnly());
            QCOMPARE(mList->Count(), 0);
        }
        gSelUserID = QStringLiteral("S1");
        FrmUser d(*mList, nullptr);
        QCOMPARE(d.txt_Name->text(), QStringLiteral("x"));
        QVERIFY(vtest::Exec(mDb, "DELETE FROM TBL_User"));
        Fill(d, Valid());
        QVERIFY(!d.cmdUpdate_Click());
        QCOMPARE(box.prompts().last(), recordmsg::kDeleted);
        QCOMPARE(box.shown.last().style, vb::vbOKOnly | vb::vbQuestion);
        QCOMPARE(Rows(), 0);

        // Opened on a person who is gone: the number is editable, but typing another
        // person's number does not turn the dialog onto that person.
        QVERIFY(vtest::Exec(mDb, "INSERT INTO TBL_User (職番, 氏名) VALUES ('S2', 'other')"));
        gSelUserID = QStringLiteral("S9");
        FrmUser gone(*mList, nullptr);
        QVERIFY(!gone.txt_UserID->isReadOnly());
        Fill(gone, Valid());
        gone.txt_UserID->setText("s2");
        QVERIFY(!gone.cmdUpdate_Click());
        QCOMPARE(box.prompts().last(), recordmsg::kDeleted);
        QCOMPARE(vtest::Scalar(mDb, "SELECT 氏名 FROM TBL_User WHERE 職番 = 'S2'").toString(), QStringLiteral("other"));
        QCOMPARE(gSelUserID, QStringLiteral("S9"));
        QCOMPARE(mList->Count(), 0);
    }

    // A row that cannot be written is reported and leaves the list and the mode alone.
    void failedWrite() {
        vtest::RecordingMessageBox box;
        FrmUser d(*mList, nullptr);
        Fill(d, Valid());
        gOptDatabasePath = vtest::HomeDir() + QStringLiteral("/missing.MDB");
        QVERIFY(!d.cmdUpdate_Click());
        gOptDatabasePath = mDb;
        QCOMPARE(box.shown.size(), 1);
        QCOMPARE(mList->Count(), 0);
        QCOMPARE(d.cmdUpdate->text(), QStringLiteral("登録(&I)"));
        QVERIFY(gSelUserID.isEmpty());
    }
};

VANTORO_TEST_MAIN(TestStaffDialog)
#include "tst_staffdialog.moc"
