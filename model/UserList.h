#pragma once
// The people who can be told about alarms (TBL_User), as the main window's person list
// shows them: one row per person with its seven column texts. The loader fills it, the
// staff dialog and the person commands change it, and the window's list is a view that
// follows the signals (its sort order is the view's own).

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QSqlRecord;

class UserRow {
public:
    // 職番, 氏名, 所属名, 連絡先, アドレス, the alarm kind's text, "○" with both mail addresses.
    static constexpr int kColumns = 7;
    QString Staff() const { return columns_.value(0); }
    QString Column(int index) const { return columns_.value(index); }
    const QStringList& Columns() const { return columns_; }
    const QString& Image() const { return image_; }

private:
    friend class UserList;
    QStringList columns_;
    QString image_ = QStringLiteral("User");
};

class UserList : public QObject {
    Q_OBJECT
public:
    // The rows in the order they were added.
    const std::vector<std::shared_ptr<UserRow>>& Rows() const { return rows_; }
    int Count() const { return static_cast<int>(rows_.size()); }
    // The row of 職番 staff (compared without case, as the database keys are); null when none.
    UserRow* Find(const QString& staff) const;
    // Appends a person with these column texts (missing ones are empty).
    UserRow* Add(const QStringList& columns);
    // Appends one person from a row of "SELECT * FROM TBL_User": the alarm kind "0" shows
    // as "ﾎﾟｯﾌﾟｱｯﾌﾟﾒｯｾｰｼﾞ", any other as "ﾒｯｾｰｼﾞ君"; "○" when both mail addresses are
    // present (an empty text counts as none, like Null).
    UserRow* Add(const QSqlRecord& row);
    // Sets the columns from the second on (the 職番 stays).
    void Update(UserRow* row, const QStringList& columnsFromSecond);
    bool Remove(const QString& staff);
    void Clear();
    void BeginReset();
    void EndReset();

    // The person the list's commands act on; null when none.
    UserRow* Current() const { return current_; }
    void SetCurrent(UserRow* row);

signals:
    void rowAdded(UserRow* row);
    void rowChanged(UserRow* row);
    void rowAboutToBeRemoved(UserRow* row);
    void aboutToReset();
    void resetDone();
    void currentChanged(UserRow* row);

private:
    std::vector<std::shared_ptr<UserRow>> rows_;
    UserRow* current_ = nullptr;
    int resetDepth_ = 0;
};

// The seven column captions of the person list.
QStringList UserListCaptions();
