#include "model/RowNumbers.h"

#include "model/Seams.h"

#include <limits>

std::optional<qint16> NextRowNumber(Database& db, const QString& table, const QString& address, QString* error) {
    if (table != QLatin1String("TBL_DLL") && table != QLatin1String("TBL_NoCheck")) {
        if (error) *error = QStringLiteral("no row numbers in %1").arg(table);
        return std::nullopt;
    }
    auto q = db.Query(QStringLiteral("SELECT max(連番)+1 AS MAX連番 FROM %1 WHERE アドレス = ?").arg(table), {address},
                      error);
    if (!q) {
        if (error && error->isEmpty()) *error = QStringLiteral("SELECT max(連番) failed");
        return std::nullopt;
    }
    if (!q->next() || q->value(0).isNull()) return qint16(1);
    // Read wide: the sum past the last 16-bit number must not wrap to a negative one.
    const qint64 next = q->value(0).toLongLong();
    if (next > std::numeric_limits<qint16>::max()) {
        MsgBox(kRowNumbersFull, vb::vbExclamation);
        return std::nullopt;
    }
    return qint16(next);
}

bool DeleteGroupRows(Database& db, const QString& group, QString* error) {
    static const char* const kStatements[] = {
        "DELETE FROM TBL_CalenderNoCheck WHERE アドレス IN (SELECT アドレス FROM TBL_Computer WHERE グループ = ?)",
        "DELETE FROM TBL_NoCheck WHERE アドレス IN (SELECT アドレス FROM TBL_Computer WHERE グループ = ?)",
        "DELETE FROM TBL_MsgSend WHERE グループ = ?",
        "DELETE FROM TBL_PortCheck WHERE アドレス IN (SELECT アドレス FROM TBL_Computer WHERE グループ = ?)",
        "DELETE FROM TBL_DLL WHERE アドレス IN (SELECT アドレス FROM TBL_Computer WHERE グループ = ?)",
        "DELETE FROM TBL_Computer WHERE グループ = ?",
        "DELETE FROM TBL_Group WHERE グループ = ?",
    };
    for (const char* sql : kStatements)
        if (!db.Execute(QString::fromUtf8(sql), {group}, error)) return false;
    return true;
}

bool DeleteComputerRows(Database& db, const QString& address, QString* error) {
    for (const char* table : {"TBL_CalenderNoCheck", "TBL_NoCheck", "TBL_MsgSend", "TBL_PortCheck", "TBL_DLL",
                              "TBL_Computer"})
        if (!db.Execute(QStringLiteral("DELETE FROM %1 WHERE アドレス = ?").arg(QLatin1String(table)), {address}, error))
            return false;
    return true;
}
