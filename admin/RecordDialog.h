#pragma once
// What the record dialogs (group, computer, port check, staff) share: the save and close
// buttons with their captions by mode, the field set-up (limit, select-all on focus, Enter
// moves on), the refusal of a field (information box, focus on the field), the four
// outcomes of a save, the key field locked after a save, and the node the dialog was
// opened on.
//
// A record dialog's constructor is its load step; cmdUpdate_Click() its save step, which
// returns true when a row was written. Every save writes the database first and patches the
// tree and gPingDatas only after the row was stored; a write that fails is reported
// (ReportWriteFailure) and leaves the tree, the model and the dialog's mode as they were.
//
// Pattern of a save step:
//
//     if (txt_Name->text().trimmed().isEmpty()) return Refuse(txt_Name, msg);   // validations
//     auto db = OpenForWriting(); if (!db) return false;
//     auto found = RowExists(*db, "SELECT 1 FROM TBL_X WHERE key = ?", {key});
//     if (!found) return false;
//     const SaveMode mode = DecideSaveMode(*found, !gSelX.isEmpty(), kDuplicateX);
//     if (mode == SaveMode::None) return false;
//     ... INSERT or UPDATE with bound values; on failure ReportWriteFailure and return false
//     if (mode == SaveMode::Insert) SetUpdateMode(true);
//     ... gSelX = key; patch the tree (RememberedNode / Remember) and the model
//     LockKeyField(txt_Name);

#include "model/Database.h"

#include <QDialog>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <optional>

class QComboBox;
class QHBoxLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TreeNode;
class TreeNodes;

namespace recordmsg {
inline const QString kInsertCaption = QStringLiteral("登録(&I)");
inline const QString kUpdateCaption = QStringLiteral("更新(&U)");
inline const QString kCloseCaption = QStringLiteral("閉じる(&C)");
inline const QString kDeleted = QStringLiteral("既に削除されています");
inline const QString kOdd = QStringLiteral("おかしい");
inline const QString kNoDisplay = QStringLiteral("表示名を入力して下さい");
inline const QString kNoComment = QStringLiteral("説明を入力して下さい");
}  // namespace recordmsg

class RecordDialog : public QDialog {
    Q_OBJECT
public:
    enum class SaveMode { None, Insert, Update };

    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdClose = nullptr;

    // The field the last refused save pointed at (null when none), for tests and callers.
    QWidget* FocusTarget() const { return focusTarget_; }

    // The node selected in the tree when the dialog was opened (or the one a save added);
    // found again by its key, so a tree changed meanwhile never yields another node. Null
    // when there was none or it is gone.
    TreeNode* RememberedNode() const;

    // Tells the operator that a write to the database failed, and why.
    static void ReportWriteFailure(const QString& error);

protected:
    // tree may be null for a dialog that owns no tree node.
    RecordDialog(TreeNodes* tree, QWidget* owner, const QString& designTitle);

    // The two buttons, connected to Save() and close; the caller places the row.
    QHBoxLayout* MakeButtonRow();
    virtual bool Save() = 0;

    // The caption of cmdUpdate by mode.
    void SetUpdateMode(bool update);
    // Limit (0 = none), select-all on focus and, when enterMovesOn, Enter to the next field.
    static void SetUpField(QLineEdit* field, int limit, bool enterMovesOn = true);
    // The same for a combo box with free text (its keys arrive at the combo box itself).
    static void SetUpField(QComboBox* field, int limit);
    // A several-line field: limit (characters), select-all on focus, Tab moves on, Enter
    // starts a new line.
    static void SetUpMultiLine(QPlainTextEdit* field, int limit);
    // Read-only and out of the Tab order.
    static void LockKeyField(QLineEdit* field);
    // Information box with message, focus on field; returns false for the caller to return.
    bool Refuse(QWidget* field, const QString& message);
    // The pattern's four outcomes: shows the duplicate (critical) or deleted (question)
    // message where they apply.
    static SaveMode DecideSaveMode(bool rowFound, bool selectionSet, const QString& duplicateMessage);

    // The database for a save; a failure to open it is reported.
    static std::optional<Database> OpenForWriting();
    // Whether the select finds a row; nullopt (reported) when the statement fails.
    static std::optional<bool> RowExists(Database& db, const QString& sql, std::initializer_list<QVariant> values);

    void Remember(const QString& key) { rememberedKey_ = key; }
    TreeNodes* Tree() const { return tree_; }

private:
    TreeNodes* tree_;
    QString rememberedKey_;
    QWidget* focusTarget_ = nullptr;
};
