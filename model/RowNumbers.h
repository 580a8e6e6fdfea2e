#pragma once
// Statements that several dialogs and commands share: the next row number of a computer's
// plug-in assignments or weekly windows, and the rows a group or computer takes with it
// when it is deleted.

#include "model/Database.h"

#include <QString>

#include <optional>

// Shown when a computer's row numbers are used up.
inline const QString kRowNumbersFull =
    QStringLiteral("連番が上限の32767に達しているため、これ以上登録できません。");

// The highest 連番 of the address in table (TBL_DLL or TBL_NoCheck) plus one, 1 when the
// address has none; nullopt when the statement fails (or the table is not one of those),
// and then error, when given, says why. The numbers are 16-bit: when the next one would
// pass 32767, kRowNumbersFull is shown and nullopt returned with error left empty, so the
// caller writes nothing and has nothing more to say.
std::optional<qint16> NextRowNumber(Database& db, const QString& table, const QString& address,
                                    QString* error = nullptr);

// Deletes every row that belongs to the group: the dated and weekly windows, port checks
// and plug-in assignments of its computers, its recipients, its computers and itself, in
// that order. False at the first statement that fails (the statements before it stay done,
// unless the caller runs them in a transaction); error says why.
bool DeleteGroupRows(Database& db, const QString& group, QString* error = nullptr);

// The same for one computer: its dated and weekly windows, recipients, port checks,
// plug-in assignments, then its own row.
bool DeleteComputerRows(Database& db, const QString& address, QString* error = nullptr);
