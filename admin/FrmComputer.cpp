#include "admin/FrmComputer.h"

#include "model/Globals.h"
#include "model/Seams.h"
#include "model/TreeNodes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSqlQuery>
#include <QVBoxLayout>

namespace {
QVariant YesNoValue(bool on) { return on ? -1 : 0; }

QLineEdit* DigitsBox(QWidget* parent, const char* name, int limit, const QString& value) {
    auto* box = new QLineEdit(value, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMaxLength(limit);
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    return box;
}

QString ComputerNodeText(const QString& display, const QString& name, const QString& type) {
    return display + QStringLiteral("  【") + name + QStringLiteral("：") + type + QStringLiteral("】");
}
}  // namespace

FrmComputer::FrmComputer(TreeNodes& tree, QWidget* owner)
    : RecordDialog(&tree, owner, QStringLiteral("コンピュータの管理")) {
    setObjectName(QStringLiteral("FrmComputer"));
    Lbl_Group = new QLabel(this);
    Lbl_Group->setObjectName(QStringLiteral("Lbl_Group"));
    // The address entry takes the place and size of its hidden place-holder.
    auto* ipArea = new QWidget(this);
    ipArea->setFixedSize(170, 24);
    txt_IP = new QLineEdit(ipArea);
    txt_IP->setObjectName(QStringLiteral("txt_IP"));
    txt_IP->setGeometry(0, 0, 170, 24);
    txt_Name = new QLineEdit(this);
    txt_Name->setObjectName(QStringLiteral("txt_Name"));
    Cmb_Shurui = new QComboBox(this);
    Cmb_Shurui->setObjectName(QStringLiteral("Cmb_Shurui"));
    Cmb_Shurui->setEditable(true);
    Cmb_Shurui->setInsertPolicy(QComboBox::NoInsert);
    txt_Display = new QLineEdit(this);
    txt_Display->setObjectName(QStringLiteral("txt_Display"));
    txt_Comment = new QPlainTextEdit(this);
    txt_Comment->setObjectName(QStringLiteral("txt_Comment"));
    txt_Comment->setFixedHeight(70);

    auto* ping = new QGroupBox(QStringLiteral("Ｐｉｎｇ設定"), this);
    chk_Umu = new QCheckBox(QStringLiteral("Onは通信チェックをする"), ping);
    chk_Umu->setObjectName(QStringLiteral("chk_Umu"));
    chk_Ping = new QCheckBox(QStringLiteral("OnはPingチェックをする"), ping);
    chk_Ping->setObjectName(QStringLiteral("chk_Ping"));
    chk_Sound = new QCheckBox(QStringLiteral("Onは警告音を鳴らす"), ping);
    chk_Sound->setObjectName(QStringLiteral("chk_Sound"));
    for (QCheckBox* box : {chk_Umu, chk_Ping, chk_Sound}) box->setChecked(true);
    txt_ErrCount = DigitsBox(ping, "txt_ErrCount", 2, QStringLiteral("5"));
    txt_Timeout = DigitsBox(ping, "txt_Timeout", 5, QStringLiteral("5000"));
    CmbCal = new QComboBox(ping);
    CmbCal->setObjectName(QStringLiteral("CmbCal"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ｸﾞﾙｰﾌﾟ名"), Lbl_Group);
    form->addRow(QStringLiteral("ＩＰｱﾄﾞﾚｽ"), ipArea);
    form->addRow(QStringLiteral("ｺﾝﾋﾟｭｰﾀ名"), txt_Name);
    form->addRow(QStringLiteral("種    類"), Cmb_Shurui);
    form->addRow(QStringLiteral("表示名"), txt_Display);
    form->addRow(QStringLiteral("説　 明"), txt_Comment);
    auto* pingForm = new QFormLayout(ping);
    pingForm->addRow(QStringLiteral("診断有無"), chk_Umu);
    pingForm->addRow(QStringLiteral("Ping有無"), chk_Ping);
    pingForm->addRow(QStringLiteral("異常音再生"), chk_Sound);
    pingForm->addRow(QStringLiteral("異常判断回数"), txt_ErrCount);
    pingForm->addRow(QStringLiteral("ﾀｲﾑｱｳﾄ(ﾐﾘ秒)"), txt_Timeout);
    pingForm->addRow(QStringLiteral("ｶﾚﾝﾀﾞｰ名"), CmbCal);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(ping);
    layout->addLayout(MakeButtonRow());
    setMinimumWidth(460);

    SetUpField(txt_Name, 50);
    SetUpField(txt_Display, 50);
    SetUpMultiLine(txt_Comment, 255);
    SetUpField(txt_ErrCount, 0);
    SetUpField(txt_Timeout, 0);
    SetUpField(Cmb_Shurui, 30);
    QWidget* order[] = {Cmb_Shurui, txt_Name, txt_Display, txt_Comment, chk_Umu, chk_Ping,
                        chk_Sound,  txt_ErrCount, txt_Timeout, CmbCal, cmdUpdate, cmdClose};
    for (std::size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);

    IPEdit.mCreateOver(txt_IP);

    if (auto db = Database::Open(gOptDatabasePath)) {
        if (auto q = db->Query(QStringLiteral("SELECT 種類 FROM TBL_Meisho WHERE 区分 = ? UNION SELECT 種類 FROM TBL_Computer"),
                               {QStringLiteral("種類")}))
            while (q->next())
                if (!q->value(0).isNull()) Cmb_Shurui->addItem(q->value(0).toString());
        CmbCal->addItem(QString());
        if (auto q = db->Query(QStringLiteral("SELECT 名称 FROM TBL_Calender GROUP BY 名称 ORDER BY 名称")))
            while (q->next()) CmbCal->addItem(q->value(0).toString());
        Cmb_Shurui->setCurrentText(QStringLiteral("ｽﾀﾝﾄﾞｱﾛｰﾝ"));

        if (!gSelAddress.isEmpty()) {
            SetUpdateMode(true);
            // The address is the key: never typed in update mode, found or not.
            IPEdit.setPEnabled(false);
            auto q = db->Query(QStringLiteral("SELECT アドレス, 診断有無, 種類, コンピュータ名, 表示名, 説明, 異常判断回数, "
                                              "タイムアウト, 異常音再生, Ping有無, カレンダー名称 FROM TBL_Computer "
                                              "WHERE アドレス = ?"),
                               {gSelAddress});
            if (q && q->next()) {
                const QStringList parts = q->value(0).toString().split(QLatin1Char('.'));
                bool numbers = parts.size() == 4;
                qint32 f[4] = {};
                for (int i = 0; numbers && i < 4; ++i) f[i] = parts[i].toInt(&numbers);
                if (numbers) IPEdit.mSetIPAddress(f[0], f[1], f[2], f[3]);
                IPEdit.setPEnabled(false);
                chk_Umu->setChecked(q->value(1).toInt() != 0);
                Cmb_Shurui->setCurrentText(q->value(2).toString());
                txt_Name->setText(q->value(3).toString());
                txt_Display->setText(q->value(4).toString());
                txt_Comment->setPlainText(q->value(5).toString());
                txt_ErrCount->setText(q->value(6).toString());
                txt_Timeout->setText(q->value(7).toString());
                chk_Sound->setChecked(q->value(8).toInt() != 0);
                chk_Ping->setChecked(q->value(9).toInt() != 0);
                const QString calendar = q->value(10).toString();
                // A calendar deleted since stays shown, so an untouched save keeps it.
                if (CmbCal->findText(calendar) < 0) CmbCal->addItem(calendar);
                CmbCal->setCurrentText(calendar);
            }
        } else {
            SetUpdateMode(false);
            IPEdit.mClear();
        }
    } else {
        SetUpdateMode(!gSelAddress.isEmpty());
    }
    IPEdit.SetHostRanges();
}

void FrmComputer::showEvent(QShowEvent* event) {
    RecordDialog::showEvent(event);
    if (!gSelAddress.isEmpty())
        IPEdit.setPEnabled(false);
    else
        IPEdit.mSetFocus(0);
}

bool FrmComputer::Save() {
    IPAddressControl* control = IPEdit.phWnd();
    // A save by its shortcut leaves the caret in a field: its range applies first. A locked
    // address is the stored key and is read as it stands.
    if (control && IPEdit.pEnabled()) control->CommitFields();
    if (!control || IPEdit.mIsBlank()) {
        IPEdit.mSetFocus(0);
        return Refuse(control ? control->Field(0) : nullptr, computermsg::kAddress);
    }
    if (IPEdit.pInputIPCount() != 4) {
        const int field = IPEdit.FirstBlankField();
        IPEdit.mSetFocus(field);
        return Refuse(control->Field(field), computermsg::kAddress);
    }
    if (txt_Name->text().trimmed().isEmpty()) return Refuse(txt_Name, computermsg::kName);
    if (Cmb_Shurui->currentText().trimmed().isEmpty()) return Refuse(Cmb_Shurui, computermsg::kType);
    if (txt_Display->text().trimmed().isEmpty()) return Refuse(txt_Display, recordmsg::kNoDisplay);
    if (txt_Comment->toPlainText().trimmed().isEmpty()) return Refuse(txt_Comment, recordmsg::kNoComment);
    if (txt_ErrCount->text().trimmed().isEmpty()) return Refuse(txt_ErrCount, computermsg::kErrCount);
    if (txt_ErrCount->text().trimmed().toInt() < 1) txt_ErrCount->setText(QStringLiteral("1"));
    if (txt_Timeout->text().trimmed().isEmpty()) return Refuse(txt_Timeout, computermsg::kTimeout);
    const int typedTimeout = txt_Timeout->text().trimmed().toInt();
    if (typedTimeout < 1000) txt_Timeout->setText(QStringLiteral("1000"));
    if (typedTimeout > 20000) txt_Timeout->setText(QStringLiteral("10000"));

    const QString address = IPEdit.AddressText();
    const bool selectionSet = !gSelAddress.isEmpty();
    const QString group = gSelGroup;
    const QString name = txt_Name->text();
    const bool flag = chk_Umu->checkState() == Qt::Checked;
    const QString type = Cmb_Shurui->currentText().trimmed();
    const QString display = txt_Display->text().trimmed();
    const QString comment = txt_Comment->toPlainText().trimmed();
    const qint32 errCount = txt_ErrCount->text().trimmed().toInt();
    const bool sound = chk_Sound->checkState() == Qt::Checked;
    const qint32 timeout = txt_Timeout->text().trimmed().toInt();
    const bool ping = chk_Ping->checkState() == Qt::Checked;
    const QString calendar = CmbCal->currentText().trimmed();
    const QVariant calendarValue = calendar.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(calendar);

    auto db = OpenForWriting();
    if (!db) return false;
    bool found = false;
    if (auto exists = RowExists(*db, QStringLiteral("SELECT 1 FROM TBL_Computer WHERE アドレス = ?"), {address}))
        found = *exists;
    else
        return false;
    // A computer is changed under its own address only.
    if (selectionSet && address.compare(gSelAddress, Qt::CaseInsensitive) != 0) found = false;
    const SaveMode mode = DecideSaveMode(found, selectionSet, computermsg::kDuplicate);
    if (mode == SaveMode::None) return false;

    QString error;
    const bool written =
        mode == SaveMode::Insert
            ? db->Execute(QStringLiteral("INSERT INTO TBL_Computer (アドレス, グループ, コンピュータ名, 診断有無, 種類, 表示名, "
                                         "説明, 異常判断回数, 異常音再生, タイムアウト, 状況, Ping有無, カレンダー名称) "
                                         "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'Nomal', ?, ?)"),
                          {address, group, name, YesNoValue(flag), type, display, comment, errCount, YesNoValue(sound),
                           timeout, YesNoValue(ping), calendarValue},
                          &error)
            : db->Execute(QStringLiteral("UPDATE TBL_Computer SET グループ = ?, コンピュータ名 = ?, 診断有無 = ?, 種類 = ?, "
                                         "表示名 = ?, 説明 = ?, 異常判断回数 = ?, 異常音再生 = ?, タイムアウト = ?, "
                                         "状況 = 'Nomal', Ping有無 = ?, カレンダー名称 = ? WHERE アドレス = ?"),
                          {group, name, YesNoValue(flag), type, display, comment, errCount, YesNoValue(sound), timeout,
                           YesNoValue(ping), calendarValue, address},
                          &error);
    if (!written) {
        ReportWriteFailure(error);
        return false;
    }
    gSelAddress = address;
    const QString image = flag ? QStringLiteral("Nomal") : QStringLiteral("NoCheck");
    if (mode == SaveMode::Insert) {
        SetUpdateMode(true);
        // From now on the dialog rewrites the computer's node, also one left under its key
        // from a row another program removed; never the group node it was opened on.
        Remember(QLatin1Char('#') + address);
        const ClsPingDatas::Ptr entry = ClsPingDatas::MakeItem(address, name, group, errCount,
                                                               sound ? qint16(-1) : qint16(0), timeout, true, flag,
                                                               ping, calendar);
        if (TreeNode* node = Tree()->Add(QLatin1Char('!') + group, tvwChild, QLatin1Char('#') + address,
                                         ComputerNodeText(display, name, type), image, entry)) {
            Tree()->SetSelectedItem(node);
            entry->NoCheckGrp = !node->Parent() || node->Parent()->Image() != QLatin1String("NoCheck");
            gPingDatas.AddItem(entry);
            gPingDatas.Sort();
        }
    } else if (TreeNode* node = RememberedNode()) {
        Tree()->SetText(node, ComputerNodeText(display, name, type));
        Tree()->SetImage(node, image);
        if (const qint32 no = gPingDatas.GetItemNo(address))
            if (const ClsPingDatas::Ptr entry = gPingDatas.Item(no)) {
                entry->Computer = name;
                entry->NoCheckSrv = flag;
                entry->WrongCount = errCount;
                entry->Sound = sound ? qint16(-1) : qint16(0);
                entry->Timeout = timeout;
                entry->NoCheckPing = ping;
                entry->Calendar = calendar;
                ++entry->Revision;
            }
    } else {
        MsgBox(recordmsg::kOdd, vb::vbOKOnly);
    }
    IPEdit.setPEnabled(false);
    return true;
}
