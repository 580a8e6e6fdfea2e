#include "admin/FrmGroup.h"

#include "model/Globals.h"
#include "model/Seams.h"
#include "model/TreeNodes.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSqlQuery>
#include <QVBoxLayout>

namespace {
QVariant YesNoValue(bool on) { return on ? -1 : 0; }
}  // namespace

FrmGroup::FrmGroup(TreeNodes& tree, QWidget* owner)
    : RecordDialog(&tree, owner, QStringLiteral("グループの管理")) {
    setObjectName(QStringLiteral("FrmGroup"));
    txt_Name = new QLineEdit(this);
    txt_Name->setObjectName(QStringLiteral("txt_Name"));
    txt_Name->setAttribute(Qt::WA_InputMethodEnabled, false);
    txt_Display = new QLineEdit(this);
    txt_Display->setObjectName(QStringLiteral("txt_Display"));
    txt_Comment = new QPlainTextEdit(this);
    txt_Comment->setObjectName(QStringLiteral("txt_Comment"));
    txt_Comment->setFixedHeight(80);
    chk_Umu = new QCheckBox(QStringLiteral("Ｏｎは通信チェックをする"), this);
    chk_Umu->setObjectName(QStringLiteral("chk_Umu"));
    chk_Umu->setChecked(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ｸﾞﾙｰﾌﾟCD"), txt_Name);
    form->addRow(QStringLiteral("ｸﾞﾙｰﾌﾟ名"), txt_Display);
    form->addRow(QStringLiteral("説   明"), txt_Comment);
    form->addRow(QStringLiteral("診断有無"), chk_Umu);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(MakeButtonRow());
    setMinimumWidth(420);

    SetUpField(txt_Name, 20);
    SetUpField(txt_Display, 50);
    SetUpMultiLine(txt_Comment, 255);

    if (gSelGroup.isEmpty()) {
        SetUpdateMode(false);
        return;
    }
    SetUpdateMode(true);
    auto db = Database::Open(gOptDatabasePath);
    if (!db) return;
    auto q = db->Query(QStringLiteral("SELECT グループ, 表示名, 説明, 診断有無 FROM TBL_Group WHERE グループ = ?"),
                       {gSelGroup});
    if (!q || !q->next()) return;  // gone: the fields stay empty, the code editable
    txt_Name->setText(q->value(0).toString());
    LockKeyField(txt_Name);
    chk_Umu->setChecked(q->value(3).toInt() != 0);
    txt_Display->setText(q->value(1).toString());
    txt_Comment->setPlainText(q->value(2).toString());
}

bool FrmGroup::Save() {
    if (txt_Name->text().trimmed().isEmpty()) return Refuse(txt_Name, groupmsg::kNoCode);
    if (txt_Display->text().trimmed().isEmpty()) return Refuse(txt_Display, recordmsg::kNoDisplay);
    if (txt_Comment->toPlainText().trimmed().isEmpty()) return Refuse(txt_Comment, recordmsg::kNoComment);

    // The code as typed: only the emptiness test trims it.
    const QString code = txt_Name->text();
    const bool selectionSet = !gSelGroup.isEmpty();
    const QString display = txt_Display->text().trimmed();
    const QString comment = txt_Comment->toPlainText().trimmed();
    const bool flag = chk_Umu->checkState() == Qt::Checked;

    auto db = OpenForWriting();
    if (!db) return false;
    QString error;
    // A group is changed under its own code only: a code typed over a vanished group must not
    // turn this dialog onto another group's row and node (the column's own comparison decides
    // whether the two codes are one).
    auto q = selectionSet ? db->Query(QStringLiteral("SELECT グループ, 診断有無 FROM TBL_Group WHERE グループ = ? AND グループ = ?"),
                                      {code, gSelGroup}, &error)
                          : db->Query(QStringLiteral("SELECT グループ, 診断有無 FROM TBL_Group WHERE グループ = ?"), {code}, &error);
    if (!q) {
        ReportWriteFailure(error);
        return false;
    }
    const bool found = q->next();
    const bool oldFlag = found && q->value(1).toInt() != 0;
    const QString stored = found ? q->value(0).toString() : code;
    q->finish();
    const SaveMode mode = DecideSaveMode(found, selectionSet, groupmsg::kDuplicate);
    if (mode == SaveMode::None) return false;

    const bool written =
        mode == SaveMode::Insert
            ? db->Execute(QStringLiteral("INSERT INTO TBL_Group (グループ, 表示名, 説明, 診断有無) VALUES (?, ?, ?, ?)"),
                          {code, display, comment, YesNoValue(flag)}, &error)
            : db->Execute(QStringLiteral("UPDATE TBL_Group SET 表示名 = ?, 説明 = ?, 診断有無 = ? WHERE グループ = ?"),
                          {display, comment, YesNoValue(flag), stored}, &error);
    if (!written) {
        ReportWriteFailure(error);
        return false;
    }
    gSelGroup = stored;
    if (mode == SaveMode::Insert) {
        SetUpdateMode(true);
        if (TreeNode* node = Tree()->Add(QString(), tvwLast, QLatin1Char('!') + stored, display,
                                         flag ? QStringLiteral("Group") : QStringLiteral("NoCheck")))
            Tree()->SetSelectedItem(node);
        // From now on the dialog rewrites the group's node, also one left under its key.
        Remember(QLatin1Char('!') + stored);
    } else if (TreeNode* node = RememberedNode()) {
        Tree()->SetText(node, display);
        if (flag != oldFlag) {
            Tree()->SetImage(node, flag ? QStringLiteral("Group") : QStringLiteral("NoCheck"));
            gPingDatas.GroupCheck(gSelGroup, flag);
        }
    } else {
        MsgBox(recordmsg::kOdd, vb::vbOKOnly);
    }
    LockKeyField(txt_Name);
    return true;
}
