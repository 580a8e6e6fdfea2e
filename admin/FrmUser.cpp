#include "admin/FrmUser.h"

#include "model/Database.h"
#include "model/Globals.h"
#include "model/UserList.h"
#include "model/Seams.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVBoxLayout>

namespace {

QString Trimmed(const QLineEdit* field) {
    return field->text().trimmed();
}

// An empty text is stored as Null.
QVariant OrNull(const QString& text) {
    return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

QLineEdit* Field(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

}  // namespace

FrmUser::FrmUser(UserList& listViewUser, QWidget* owner)
    : RecordDialog(nullptr, owner, QStringLiteral("担当者の管理")),
      listViewUser_(listViewUser) {
    setObjectName(QStringLiteral("FrmUser"));
    BuildControls();
    Load();
}

FrmUser::~FrmUser() = default;

void FrmUser::BuildControls() {
    txt_UserID = Field(this, "txt_UserID");
    txt_Name = Field(this, "txt_Name");
    txt_Shozoku = Field(this, "txt_Shozoku");
    Txt_Tel = Field(this, "Txt_Tel");
    // The address entry takes the place and size of its hidden place holder.
    auto* ipArea = new QWidget(this);
    ipArea->setFixedSize(170, 24);
    txt_IP = new QLineEdit(ipArea);
    txt_IP->setObjectName(QStringLiteral("txt_IP"));
    txt_IP->setGeometry(0, 0, 170, 24);

    FrameAlarm = new QGroupBox(QStringLiteral("警報情報"), this);
    FrameAlarm->setObjectName(QStringLiteral("FrameAlarm"));
    OptRcv[0] = new QRadioButton(QStringLiteral("ﾎﾟｯﾌﾟｱｯﾌﾟﾒｯｾｰｼﾞ"), FrameAlarm);
    OptRcv[0]->setObjectName(QStringLiteral("OptRcv0"));
    OptRcv[1] = new QRadioButton(QStringLiteral("ﾒｯｾｰｼﾞ君"), FrameAlarm);
    OptRcv[1]->setObjectName(QStringLiteral("OptRcv1"));
    CheckEMail = new QCheckBox(QStringLiteral("送信有無"), FrameAlarm);
    CheckEMail->setObjectName(QStringLiteral("CheckEMail"));
    lblEMailAddress1 = new QLabel(QStringLiteral("連絡先1"), FrameAlarm);
    lblEMailAddress1->setObjectName(QStringLiteral("lblEMailAddress1"));
    lblEMailAddress2 = new QLabel(QStringLiteral("連絡先2"), FrameAlarm);
    lblEMailAddress2->setObjectName(QStringLiteral("lblEMailAddress2"));
    TxtEMailAddress1 = Field(FrameAlarm, "TxtEMailAddress1");
    TxtEMailAddress2 = Field(FrameAlarm, "TxtEMailAddress2");

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("職　番"), txt_UserID);
    form->addRow(QStringLiteral("氏　名"), txt_Name);
    form->addRow(QStringLiteral("所属名"), txt_Shozoku);
    form->addRow(QStringLiteral("電　話"), Txt_Tel);
    form->addRow(QStringLiteral("ＩＰｱﾄﾞﾚｽ"), ipArea);
    auto* alarm = new QGridLayout(FrameAlarm);
    alarm->addWidget(new QLabel(QStringLiteral("警報種別"), FrameAlarm), 0, 0);
    alarm->addWidget(OptRcv[0], 0, 1);
    alarm->addWidget(OptRcv[1], 0, 2);
    alarm->addWidget(new QLabel(QStringLiteral("E-Mail連絡"), FrameAlarm), 1, 0);
    alarm->addWidget(CheckEMail, 1, 1, 1, 2);
    alarm->addWidget(lblEMailAddress1, 2, 0);
    alarm->addWidget(TxtEMailAddress1, 2, 1, 1, 2);
    alarm->addWidget(lblEMailAddress2, 3, 0);
    alarm->addWidget(TxtEMailAddress2, 3, 1, 1, 2);
    alarm->setColumnStretch(2, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(FrameAlarm);
    layout->addStretch(1);
    layout->addLayout(MakeButtonRow());
    setMinimumWidth(440);

    SetUpField(txt_UserID, 0);
    SetUpField(txt_Name, 30);
    SetUpField(txt_Shozoku, 100);
    SetUpField(Txt_Tel, 0);
    SetUpField(TxtEMailAddress1, 50);
    SetUpField(TxtEMailAddress2, 50);
    QWidget* order[] = {txt_UserID, txt_Name,         txt_Shozoku,      Txt_Tel,   OptRcv[0], OptRcv[1],
                        CheckEMail, TxtEMailAddress1, TxtEMailAddress2, cmdUpdate, cmdClose};
    for (std::size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
    connect(CheckEMail, &QCheckBox::toggled, this, &FrmUser::CheckEMail_Click);
}

void FrmUser::Load() {
    IPEdit.mCreateOver(txt_IP);
    // A new person starts as a popup recipient without mail, so the alarm kind is set.
    OptRcv[0]->setChecked(true);
    CheckEMail->setChecked(false);

    if (gSelUserID.isEmpty()) {
        SetUpdateMode(false);
        IPEdit.mClear();
        CheckEMail_Click();
    } else {
        SetUpdateMode(true);
        auto db = Database::Open(gOptDatabasePath);
        auto q = db ? db->Query(QStringLiteral("SELECT * FROM TBL_User WHERE 職番 = ?;"), {gSelUserID}) : std::nullopt;
        if (q && q->next()) {
            const QSqlRecord row = q->record();
            // Four numbers joined by "."; anything else leaves the control blank.
            const QStringList parts = row.value(QStringLiteral("アドレス")).toString().split(QLatin1Char('.'));
            bool ok = parts.size() == 4;
            qint32 f[4] = {0, 0, 0, 0};
            for (int i = 0; ok && i < 4; ++i) {
                f[i] = parts[i].trimmed().toInt(&ok);
                ok = ok && f[i] >= 0 && f[i] <= 255;
            }
            if (ok) IPEdit.mSetIPAddress(f[0], f[1], f[2], f[3]);
            txt_UserID->setText(row.value(QStringLiteral("職番")).toString());
            LockKeyField(txt_UserID);
            txt_Name->setText(row.value(QStringLiteral("氏名")).toString());
            txt_Shozoku->setText(row.value(QStringLiteral("所属名")).toString());
            Txt_Tel->setText(row.value(QStringLiteral("連絡先")).toString());
            const bool popup = row.value(QStringLiteral("警報種別")).toString() == QLatin1String("0");
            OptRcv[popup ? 0 : 1]->setChecked(true);
            CheckEMail->setChecked(row.value(QStringLiteral("メール送信有無")).toInt() != 0);
            TxtEMailAddress1->setText(row.value(QStringLiteral("メール1")).toString());
            TxtEMailAddress2->setText(row.value(QStringLiteral("メール2")).toString());
        }
        CheckEMail_Click();
    }
    // A person's computer is a host like a watched one: 192.168.0.5 must be enterable.
    IPEdit.SetHostRanges();
}

void FrmUser::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    (gSelUserID.isEmpty() ? txt_UserID : txt_Name)->setFocus();
}

void FrmUser::CheckEMail_Click() {
    const bool on = CheckEMail->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(TxtEMailAddress1), static_cast<QWidget*>(TxtEMailAddress2),
                       static_cast<QWidget*>(lblEMailAddress1), static_cast<QWidget*>(lblEMailAddress2)})
        w->setVisible(on);
    CheckEMail->setText(on ? QStringLiteral("送信する") : QStringLiteral("送信しない"));
}

bool FrmUser::Save() {
    // A save by its shortcut leaves the caret in an address field: its range applies first.
    if (IPAddressControl* control = IPEdit.phWnd()) control->CommitFields();
    // An address begun but not finished: the caret goes to its first blank field.
    if (!IPEdit.mIsBlank() && IPEdit.pInputIPCount() != 4) {
        const int field = IPEdit.FirstBlankField();
        IPEdit.mSetFocus(field);
        return Refuse(IPEdit.phWnd()->Field(field), usermsg::kIPAddress);
    }
    if (Trimmed(txt_UserID).isEmpty()) return Refuse(txt_UserID, usermsg::kUserID);
    if (Trimmed(txt_Name).isEmpty()) return Refuse(txt_Name, usermsg::kName);
    if (Trimmed(txt_Shozoku).isEmpty()) return Refuse(txt_Shozoku, usermsg::kShozoku);
    if (Trimmed(Txt_Tel).isEmpty()) return Refuse(Txt_Tel, usermsg::kTel);
    const QString mail1 = Trimmed(TxtEMailAddress1);
    const QString mail2 = Trimmed(TxtEMailAddress2);
    const bool sendMail = CheckEMail->isChecked();
    if (sendMail) {
        // Only one address is put to the rules: the first when it is filled.
        if (mail1.isEmpty() && mail2.isEmpty()) return Refuse(TxtEMailAddress1, usermsg::kNoMail);
        QString probe = mail1.isEmpty() ? mail2 : mail1;
        if (!CheckMailAddress(probe))
            return Refuse(mail1.isEmpty() ? TxtEMailAddress2 : TxtEMailAddress1, usermsg::kBadMail);
    }

    const QString staff = Trimmed(txt_UserID);
    const QString name = Trimmed(txt_Name);
    const QString shozoku = Trimmed(txt_Shozoku);
    const QString tel = Trimmed(Txt_Tel);
    const QString address = IPEdit.mIsBlank() ? QString() : IPEdit.AddressText();
    const int kind = OptRcv[0]->isChecked() ? 0 : 1;

    auto db = OpenForWriting();
    if (!db) return false;
    const bool selectionSet = !gSelUserID.isEmpty();
    // A person is changed under the number the dialog was opened on only: a number typed
    // over a person who was gone at load must not turn the dialog onto another person's row
    // (the column's own comparison decides whether the two numbers are one).
    const auto found =
        selectionSet
            ? RowExists(*db, QStringLiteral("SELECT 1 FROM TBL_User WHERE 職番 = ? AND 職番 = ?;"), {staff, gSelUserID})
            : RowExists(*db, QStringLiteral("SELECT 1 FROM TBL_User WHERE 職番 = ?;"), {staff});
    if (!found) return false;
    const SaveMode mode = DecideSaveMode(*found, selectionSet, usermsg::kDuplicate);
    if (mode == SaveMode::None) return false;
    QString error;
    const bool written =
        mode == SaveMode::Insert
            ? db->Execute(
                  QStringLiteral("INSERT INTO TBL_User (氏名, 所属名, 連絡先, アドレス, 警報種別, メール送信有無, "
                                 "メール1, メール2, 職番) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?);"),
                  {name, shozoku, tel, OrNull(address), QString::number(kind), sendMail ? -1 : 0, OrNull(mail1),
                   OrNull(mail2), staff},
                  &error)
            : db->Execute(
                  QStringLiteral("UPDATE TBL_User SET 氏名 = ?, 所属名 = ?, 連絡先 = ?, アドレス = ?, 警報種別 = ?, "
                                 "メール送信有無 = ?, メール1 = ?, メール2 = ? WHERE 職番 = ?;"),
                  {name, shozoku, tel, OrNull(address), QString::number(kind), sendMail ? -1 : 0, OrNull(mail1),
                   OrNull(mail2), staff},
                  &error);
    db.reset();
    // A row that could not be written leaves the list and the mode as they were.
    if (!written) {
        ReportWriteFailure(error);
        return false;
    }
    if (mode == SaveMode::Insert) SetUpdateMode(true);
    gSelUserID = staff;

    // The person's row: a new one for a new person, else the person's own.
    const QStringList texts = {
        name, shozoku, tel, address, OptRcv[kind]->text(), sendMail ? QStringLiteral("○") : QString()};
    UserRow* row = nullptr;
    if (mode == SaveMode::Insert) {
        row = listViewUser_.Add(QStringList{staff} + texts);
    } else if ((row = listViewUser_.Find(staff))) {
        listViewUser_.Update(row, texts);
    }
    if (row) listViewUser_.SetCurrent(row);
    LockKeyField(txt_UserID);
    txt_Name->setFocus();
    return true;
}

bool FrmUser::CheckMailAddress(QString& address) {
    address = address.trimmed();
    const QString& a = address;
    if (a.size() < 8) return false;
    const qsizetype at = a.indexOf(QLatin1Char('@'));
    if (at < 0) return false;
    if (a.indexOf(QLatin1Char('@'), at + 1) >= 0) return false;
    const qsizetype dot = a.indexOf(QLatin1Char('.'));
    if (dot < 0) return false;
    if (at == 0 || at == a.size() - 1 || dot == 0 || dot == a.size() - 1) return false;
    for (const QChar c : a) {
        const char16_t u = c.unicode();
        const bool ok = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'@' ||
                        u == u'.' || u == u'-' || u == u'_';
        if (!ok) return false;
    }
    // The suffix: from the last four characters, cut at a point among them.
    QString suffix = a.right(4);
    if (suffix.contains(QLatin1Char('.'))) {
        if (suffix.front() == QLatin1Char('.')) suffix = suffix.right(3);
        if (suffix.right(3).front() == QLatin1Char('.')) suffix = suffix.right(2);
        if (suffix.right(2).front() == QLatin1Char('.')) suffix = suffix.right(1);
        if (suffix.size() < 2) return false;
    }
    return suffix.size() <= 3;
}
