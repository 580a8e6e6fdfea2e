#include "admin/RecordDialog.h"

#include "admin/edit/EditHelpers.h"
#include "model/Globals.h"
#include "model/Seams.h"
#include "model/TreeNodes.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>

RecordDialog::RecordDialog(TreeNodes* tree, QWidget* owner, const QString& designTitle)
    : QDialog(owner), tree_(tree) {
    setWindowTitle(designTitle);
    // The node the dialog was opened on.
    if (tree_) rememberedKey_ = TreeNodes::Key(tree_->SelectedItem());
}

TreeNode* RecordDialog::RememberedNode() const {
    if (!tree_ || rememberedKey_.isEmpty()) return nullptr;
    return tree_->Item(rememberedKey_);
}

QHBoxLayout* RecordDialog::MakeButtonRow() {
    cmdUpdate = new QPushButton(recordmsg::kInsertCaption, this);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdClose = new QPushButton(recordmsg::kCloseCaption, this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    // Enter in a field moves on; only a click (or Alt+key) saves.
    cmdUpdate->setAutoDefault(false);
    cmdClose->setAutoDefault(false);
    connect(cmdUpdate, &QPushButton::clicked, this, [this] { Save(); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(cmdUpdate);
    row->addWidget(cmdClose);
    return row;
}

void RecordDialog::SetUpdateMode(bool update) {
    if (cmdUpdate) cmdUpdate->setText(update ? recordmsg::kUpdateCaption : recordmsg::kInsertCaption);
}

void RecordDialog::SetUpField(QLineEdit* field, int limit, bool enterMovesOn) {
    if (limit > 0) field->setMaxLength(limit);
    InstallSelAllText(field);
    if (enterMovesOn) InstallEnterToTab(field);
}

void RecordDialog::SetUpField(QComboBox* field, int limit) {
    if (field->lineEdit() && limit > 0) field->lineEdit()->setMaxLength(limit);
    InstallSelAllText(field);
    InstallEnterToTab(field);
}

void RecordDialog::SetUpMultiLine(QPlainTextEdit* field, int limit) {
    InstallSelAllText(field);
    field->setTabChangesFocus(true);
    QObject::connect(field, &QPlainTextEdit::textChanged, field, [field, limit] {
        const QString text = field->toPlainText();
        if (text.size() <= limit) return;
        // Typing or pasting past the limit keeps the first characters, as a limited box does.
        QTextCursor cursor = field->textCursor();
        const int position = std::min(cursor.position(), limit);
        field->setPlainText(text.left(limit));
        cursor = field->textCursor();
        cursor.setPosition(position);
        field->setTextCursor(cursor);
    });
}

void RecordDialog::LockKeyField(QLineEdit* field) {
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
}

bool RecordDialog::Refuse(QWidget* field, const QString& message) {
    MsgBox(message, vb::vbOKOnly | vb::vbInformation);
    focusTarget_ = field;
    if (field) field->setFocus(Qt::OtherFocusReason);
    return false;
}

RecordDialog::SaveMode RecordDialog::DecideSaveMode(bool rowFound, bool selectionSet, const QString& duplicateMessage) {
    if (rowFound && selectionSet) return SaveMode::Update;
    if (!rowFound && !selectionSet) return SaveMode::Insert;
    if (rowFound)
        MsgBox(duplicateMessage, vb::vbOKOnly | vb::vbCritical);
    else
        MsgBox(recordmsg::kDeleted, vb::vbOKOnly | vb::vbQuestion);
    return SaveMode::None;
}

std::optional<Database> RecordDialog::OpenForWriting() {
    QString error;
    auto db = Database::Open(gOptDatabasePath, &error);
    if (!db) ReportWriteFailure(error);
    return db;
}

std::optional<bool> RecordDialog::RowExists(Database& db, const QString& sql, std::initializer_list<QVariant> values) {
    QString error;
    auto q = db.Query(sql, values, &error);
    if (!q) {
        ReportWriteFailure(error);
        return std::nullopt;
    }
    return q->next();
}

void RecordDialog::ReportWriteFailure(const QString& error) {
    MsgBox(QStringLiteral("データベースに書き込めませんでした。\n") + error, vb::vbOKOnly | vb::vbExclamation);
}
