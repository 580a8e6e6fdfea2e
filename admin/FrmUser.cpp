#include "admin/FrmUser.h"

#include "admin/edit/EditHelpers.h"
#include "model/Database.h"
#include "model/Globals.h"
#include "model/Loader.h"
#include "model/Seams.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTreeWidget>

namespace {

const QString kCaptionInsert = QStringLiteral("登録(&I)");
const QString kCaptionUpdate = QStringLiteral("更新(&U)");

QLabel* Label(QWidget* parent, const QString& text, const QRect& where, const QString& name = QString()) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(where);
    if (!name.isEmpty()) l->setObjectName(name);
    return l;
}

QLineEdit* Field(QWidget* parent, const QString& name, const QRect& where, int limit = 0) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(where);
    if (limit > 0) e->setMaxLength(limit);
    InstallSelAllText(e);
    InstallEnterToTab(e);
    return e;
}

QString Trimmed(const QLineEdit* field) {
    return field->text().trimmed();
}

// An empty text is stored as Null.
QVariant OrNull(const QString& text) {
    return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

QTreeWidgetItem* FindPerson(QTreeWidget& list, const QString& staff) {
    if (QTreeWidgetItem* current = list.currentItem();
        current && current->text(0).compare(staff, Qt::CaseInsensitive) == 0)
        return current;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        if (list.topLevelItem(i)->text(0).compare(staff, Qt::CaseInsensitive) == 0) return list.topLevelItem(i);
    return nullptr;
}

}  // namespace

FrmUser::FrmUser(QTreeWidget& listViewUser, QWidget* owner, std::function<QIcon(const QString&)> icons)
    : QDialog(owner), listViewUser_(listViewUser), icons_(std::move(icons)) {
    setObjectName(QStringLiteral("FrmUser"));
    setWindowTitle(QStringLiteral("担当者の管理"));
    BuildControls();
    Load();
}

FrmUser::~FrmUser() = default;

void FrmUser::BuildControls() {
    // A fixed form: the address control is put over its place holder's rectangle.
    constexpr int kLabelX = 16, kFieldX = 104, kRow = 32, kHeight = 24;
    auto row = [](int i) { return 16 + i * kRow; };
    Label(this, QStringLiteral("職　番"), QRect(kLabelX, row(0), 84, kHeight));
    txt_UserID = Field(this, QStringLiteral("txt_UserID"), QRect(kFieldX, row(0), 150, kHeight));
    Label(this, QStringLiteral("氏　名"), QRect(kLabelX, row(1), 84, kHeight));
    txt_Name = Field(this, QStringLiteral("txt_Name"), QRect(kFieldX, row(1), 300, kHeight), 30);
    Label(this, QStringLiteral("所属名"), QRect(kLabelX, row(2), 84, kHeight));
    txt_Shozoku = Field(this, QStringLiteral("txt_Shozoku"), QRect(kFieldX, row(2), 300, kHeight), 100);
    Label(this, QStringLiteral("電　話"), QRect(kLabelX, row(3), 84, kHeight));
    Txt_Tel = Field(this, QStringLiteral("Txt_Tel"), QRect(kFieldX, row(3), 200, kHeight));
    Label(this, QStringLiteral("ＩＰｱﾄﾞﾚｽ"), QRect(kLabelX, row(4), 84, kHeight));
    txt_IP = new QLineEdit(this);
    txt_IP->setObjectName(QStringLiteral("txt_IP"));
    txt_IP->setGeometry(kFieldX, row(4), 200, kHeight);

    FrameAlarm = new QGroupBox(QStringLiteral("警報情報"), this);
    FrameAlarm->setObjectName(QStringLiteral("FrameAlarm"));
    FrameAlarm->setGeometry(kLabelX, row(5) + 4, 404, 4 * kRow + 36);
    auto frameRow = [](int i) { return 28 + i * kRow; };
    Label(FrameAlarm, QStringLiteral("警報種別"), QRect(12, frameRow(0), 84, kHeight));
    OptRcv[0] = new QRadioButton(QStringLiteral("ﾎﾟｯﾌﾟｱｯﾌﾟﾒｯｾｰｼﾞ"), FrameAlarm);
    OptRcv[0]->setObjectName(QStringLiteral("OptRcv0"));
    OptRcv[0]->setGeometry(96, frameRow(0), 150, kHeight);
    OptRcv[1] = new QRadioButton(QStringLiteral("ﾒｯｾｰｼﾞ君"), FrameAlarm);
    OptRcv[1]->setObjectName(QStringLiteral("OptRcv1"));
    OptRcv[1]->setGeometry(252, frameRow(0), 140, kHeight);
    Label(FrameAlarm, QStringLiteral("E-Mail連絡"), QRect(12, frameRow(1), 84, kHeight));
    CheckEMail = new QCheckBox(QStringLiteral("送信有無"), FrameAlarm);
    CheckEMail->setObjectName(QStringLiteral("CheckEMail"));
    CheckEMail->setGeometry(96, frameRow(1), 200, kHeight);
    lblEMailAddress1 = Label(FrameAlarm, QStringLiteral("連絡先1"), QRect(12, frameRow(2), 84, kHeight),
                             QStringLiteral("lblEMailAddress1"));
    TxtEMailAddress1 = Field(FrameAlarm, QStringLiteral("TxtEMailAddress1"), QRect(96, frameRow(2), 296, kHeight), 50);
    lblEMailAddress2 = Label(FrameAlarm, QStringLiteral("連絡先2"), QRect(12, frameRow(3), 84, kHeight),
                             QStringLiteral("lblEMailAddress2"));
    TxtEMailAddress2 = Field(FrameAlarm, QStringLiteral("TxtEMailAddress2"), QRect(96, frameRow(3), 296, kHeight), 50);

    const int buttons = FrameAlarm->geometry().bottom() + 12;
    cmdUpdate = new QPushButton(kCaptionInsert, this);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdUpdate->setGeometry(212, buttons, 100, 28);
    cmdUpdate->setAutoDefault(false);
    cmdClose = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(320, buttons, 100, 28);
    cmdClose->setAutoDefault(false);
    setFixedSize(436, buttons + 44);

    connect(cmdUpdate, &QPushButton::clicked, this, [this] { cmdUpdate_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, &FrmUser::cmdClose_Click);
    connect(CheckEMail, &QCheckBox::toggled, this, &FrmUser::CheckEMail_Click);
}

void FrmUser::Load() {
    IPEdit.mCreateOver(txt_IP);
    // A new person starts as a popup recipient without mail, so the alarm kind is set.
    OptRcv[0]->setChecked(true);
    CheckEMail->setChecked(false);

    if (gSelUserID.isEmpty()) {
        cmdUpdate->setText(kCaptionInsert);
        IPEdit.mClear();
        CheckEMail_Click();
    } else {
        cmdUpdate->setText(kCaptionUpdate);
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
            LockUserID();
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
    for (int field = 0; field < 4; ++field) IPEdit.setPMin(field, 1);
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

void FrmUser::LockUserID() {
    txt_UserID->setReadOnly(true);
    txt_UserID->setFocusPolicy(Qt::ClickFocus);
}

bool FrmUser::Refuse(const QString& message, QWidget* field, int ipField) {
    MsgBox(message, vb::vbOKOnly | vb::vbInformation);
    focusTarget_ = field;
    focusField_ = ipField;
    if (ipField >= 0)
        IPEdit.mSetFocus(ipField);
    else if (field)
        field->setFocus();
    return false;
}

bool FrmUser::cmdUpdate_Click() {
    focusTarget_ = nullptr;
    focusField_ = -1;
    // An address begun but not finished: the caret goes to the lowest field still empty.
    if (!IPEdit.mIsBlank() && IPEdit.pInputIPCount() != 4) {
        int field = -1;
        for (int f = 3; f >= 0; --f)
            if (IPEdit.pIPAddress(f) == 0) field = f;
        return Refuse(usermsg::kIPAddress, IPEdit.phWnd(), field);
    }
    if (Trimmed(txt_UserID).isEmpty()) return Refuse(usermsg::kUserID, txt_UserID);
    if (Trimmed(txt_Name).isEmpty()) return Refuse(usermsg::kName, txt_Name);
    if (Trimmed(txt_Shozoku).isEmpty()) return Refuse(usermsg::kShozoku, txt_Shozoku);
    if (Trimmed(Txt_Tel).isEmpty()) return Refuse(usermsg::kTel, Txt_Tel);
    QString mail1 = Trimmed(TxtEMailAddress1);
    QString mail2 = Trimmed(TxtEMailAddress2);
    const bool sendMail = CheckEMail->isChecked();
    if (sendMail) {
        // Only one address is put to the rules: the first when it is filled.
        if (mail1.isEmpty() && mail2.isEmpty()) return Refuse(usermsg::kNoMail, TxtEMailAddress1);
        QString probe = mail1.isEmpty() ? mail2 : mail1;
        if (!CheckMailAddress(probe))
            return Refuse(usermsg::kBadMail, mail1.isEmpty() ? TxtEMailAddress2 : TxtEMailAddress1);
    }

    const QString staff = Trimmed(txt_UserID);
    const QString name = Trimmed(txt_Name);
    const QString shozoku = Trimmed(txt_Shozoku);
    const QString tel = Trimmed(Txt_Tel);
    const QVariant address =
        IPEdit.mIsBlank() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(IPEdit.AddressText());
    const QString kind = OptRcv[0]->isChecked() ? QStringLiteral("0") : QStringLiteral("1");

    QString why;
    auto db = Database::Open(gOptDatabasePath, &why);
    auto found =
        db ? db->Query(QStringLiteral("SELECT 職番 FROM TBL_User WHERE 職番 = ?;"), {staff}, &why) : std::nullopt;
    if (!found) {
        MsgBox(QStringLiteral("担当者をデータベースに書き込めませんでした。\n") + why, vb::vbExclamation);
        return false;
    }
    const bool exists = found->next();
    const QString stored = exists ? found->value(0).toString() : staff;
    found.reset();
    const bool newPerson = gSelUserID.isEmpty();
    if (exists && newPerson) {
        MsgBox(usermsg::kDuplicate, vb::vbOKOnly | vb::vbCritical);
        return false;
    }
    if (!exists && !newPerson) {
        MsgBox(usermsg::kDeleted, vb::vbOKOnly | vb::vbQuestion);
        return false;
    }

    const bool written =
        newPerson
            ? db->Execute(QStringLiteral("INSERT INTO TBL_User (職番, 氏名, 所属名, 連絡先, アドレス, 警報種別, "
                                         "メール送信有無, メール1, メール2) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?);"),
                          {staff, name, shozoku, tel, address, kind, sendMail ? -1 : 0, OrNull(mail1), OrNull(mail2)},
                          &why)
            : db->Execute(QStringLiteral("UPDATE TBL_User SET 氏名 = ?, 所属名 = ?, 連絡先 = ?, アドレス = ?, "
                                         "警報種別 = ?, メール送信有無 = ?, メール1 = ?, メール2 = ? WHERE 職番 = ?;"),
                          {name, shozoku, tel, address, kind, sendMail ? -1 : 0, OrNull(mail1), OrNull(mail2), stored},
                          &why);
    db.reset();
    // A row that could not be written leaves the list and the mode as they were.
    if (!written) {
        MsgBox(QStringLiteral("担当者をデータベースに書き込めませんでした。\n") + why, vb::vbExclamation);
        return false;
    }
    gSelUserID = stored;
    cmdUpdate->setText(kCaptionUpdate);

    // The person's list item: a new one for a new person, else the person's own.
    QTreeWidgetItem* item = newPerson ? nullptr : FindPerson(listViewUser_, stored);
    if (newPerson) {
        item = new QTreeWidgetItem;  // handed to the list below
        item->setText(0, stored);
        item->setData(0, kUserImageRole, QStringLiteral("User"));
        if (icons_) item->setIcon(0, icons_(QStringLiteral("User")));
    }
    if (item) {
        const QStringList texts = {name,
                                   shozoku,
                                   tel,
                                   address.toString(),
                                   OptRcv[kind == QLatin1String("0") ? 0 : 1]->text(),
                                   sendMail ? QStringLiteral("○") : QString()};
        for (int i = 0; i < texts.size(); ++i) item->setText(i + 1, texts[i]);
        // Added once its columns are filled, so a sorted list places it by them.
        if (newPerson) listViewUser_.addTopLevelItem(item);
        listViewUser_.setCurrentItem(item);
        listViewUser_.viewport()->update();
    }
    LockUserID();
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
