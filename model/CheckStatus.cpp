#include "model/CheckStatus.h"

#include "model/AppPaths.h"
#include "model/Database.h"
#include "model/Globals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
constexpr int kRoundWriteBusyMs = 200;
}  // namespace

void UpdateCheckStatus(const QString& address, const QString& computerStatus, qint32 port,
                       const QString& portStatus) {
    if (!address.isEmpty() && !gOptWebInfo) return;
    auto db = Database::Open(gOptDatabasePath);
    if (!db) return;
    // A round's write that meets another program's lock may be lost, but it must not
    // hold the window for long.
    if (!address.isEmpty()) db->SetBusyTimeout(kRoundWriteBusyMs);
    if (address.isEmpty()) {
        db->Execute(QStringLiteral("UPDATE TBL_Computer SET 状況 = ?;"), {computerStatus});
        db->Execute(QStringLiteral("UPDATE TBL_PortCheck SET 状況 = ?;"), {portStatus});
    } else if (port != 0) {
        db->Execute(QStringLiteral("UPDATE TBL_PortCheck SET 状況 = ? WHERE アドレス = ? AND ポート番号 = ?;"),
                    {portStatus, address, port});
    } else {
        db->Execute(QStringLiteral("UPDATE TBL_Computer SET 状況 = ? WHERE アドレス = ?;"),
                    {computerStatus, address});
    }
}

void UpdateControlTable(const QString& key, const QString& value) {
    auto db = Database::Open(gOptDatabasePath);
    if (!db) return;
    db->Execute(QStringLiteral("UPDATE TBL_Control SET 処理 = ? WHERE 区分 = ?;"), {value, key});
}

namespace {

// A whole copy of source at target, written under a temporary name and renamed over
// target only once complete, so an earlier backup survives a failed copy.
bool CopyInto(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) return false;
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty())
        if (out.write(chunk) != chunk.size()) return false;  // QSaveFile discards on destruction
    if (in.error() != QFileDevice::NoError) return false;
    return out.commit();
}

}  // namespace

bool BackupDatabase() {
    const QString dbPath = gOptDatabasePath;
    const QString firstBackup = dbPath + QStringLiteral("_BK");
    const QString secondBackup = ProgramFolder() + QStringLiteral("/Vantoro.MDB_BK");
    if (!QFileInfo(dbPath).isFile()) return false;

    auto db = Database::Open(dbPath);
    if (!db) return false;
    // A read transaction holds the database's shared lock while the file is copied,
    // so no other program can be half-way through writing it; a program that holds
    // it locked makes the copy fail, as it would on a platform with mandatory locks.
    if (!db->Execute(QStringLiteral("BEGIN"))) return false;
    const bool locked = db->Execute(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    const bool copied = locked && CopyInto(dbPath, firstBackup) && CopyInto(dbPath, secondBackup);
    db->Execute(QStringLiteral("COMMIT"));
    if (!copied) return false;
    {
        // Only a sound database is compacted.
        auto q = db->Query(QStringLiteral("PRAGMA integrity_check"));
        if (!q || !q->next() || q->value(0).toString() != QLatin1String("ok")) return false;
    }
    // Compacted in place, inside SQLite's own transaction and journal: every connection,
    // ours or another program's, keeps using the same file, and a kill at any moment
    // leaves the old or the new content. Another program's lock makes it fail, and the
    // file stays as it was.
    return db->Execute(QStringLiteral("VACUUM"));
}
