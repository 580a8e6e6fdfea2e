#include "model/CheckStatus.h"

#include "model/AppPaths.h"
#include "model/Database.h"
#include "model/Globals.h"
#include "model/WriteFailures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlQuery>

#include <optional>

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

bool UpdateControlTable(const QString& key, const QString& value, QString* error) {
    QString why;
    auto db = Database::Open(gOptDatabasePath, &why);
    std::optional<QSqlQuery> q;
    if (db) q = db->Query(QStringLiteral("UPDATE TBL_Control SET 処理 = ? WHERE 区分 = ?;"), {value, key}, &why);
    if (q && q->numRowsAffected() > 0) return true;
    if (error) *error = q ? QStringLiteral("TBL_Control に %1 の行がありません").arg(key) : why.trimmed();
    return false;
}

void MarkMonitorRunning(bool running) { MarkMonitorRunning(running, InspectDatabase(gOptDatabasePath).state); }

void MarkMonitorRunning(bool running, DatabaseState state) {
    const QString path = gOptDatabasePath;
    // A file that cannot be read now is still tried: the failure is then reported.
    if (state != DatabaseState::Sound && state != DatabaseState::Unreadable) return;
    const QString value = running ? QStringLiteral("稼動中") : QStringLiteral("非稼動中");
    QString why;
    if (UpdateControlTable(QStringLiteral("稼動"), value, &why)) {
        writefailures::Succeeded(WriteKind::ControlMark);
        return;
    }
    writefailures::Report(WriteKind::ControlMark,
                          QStringLiteral("管理DBに稼動状況「%1」を書き込めませんでした（%2）: %3")
                              .arg(value, writefailures::Reason(why), QDir::toNativeSeparators(path)));
}

namespace {

// A whole copy of source at target, written under a temporary name and renamed over
// target only once complete, so an earlier backup survives a failed copy. False, with
// the reason in error, when the copy was not made.
bool CopyInto(const QString& source, const QString& target, QString& error) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        error = in.errorString();
        return false;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = out.errorString();
        return false;
    }
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty())
        if (!writefailures::WriteWhole(out, chunk.constData(), chunk.size())) {  // QSaveFile discards on destruction
            error = out.errorString();
            return false;
        }
    if (in.error() != QFileDevice::NoError) {
        error = in.errorString();
        return false;
    }
    if (out.commit()) return true;
    error = out.errorString();
    return false;
}

bool BackupFailed(const QString& target, const QString& reason) {
    writefailures::Report(WriteKind::Backup, QStringLiteral("管理DBのバックアップを作成できませんでした（%1）: %2")
                                                 .arg(writefailures::Reason(reason), QDir::toNativeSeparators(target)));
    return false;
}

}  // namespace

bool BackupDatabase() {
    const QString dbPath = gOptDatabasePath;
    const QString firstBackup = dbPath + QStringLiteral("_BK");
    const QString secondBackup = ProgramFolder() + QStringLiteral("/Vantoro.MDB_BK");
    if (!QFileInfo(dbPath).isFile()) return false;

    QString why;
    auto db = Database::Open(dbPath, &why);
    if (!db) return BackupFailed(firstBackup, why);
    // A read transaction holds the database's shared lock from the check to the end of
    // the copies, so what was checked is what is copied and no other program can be
    // half-way through writing it; a program that holds it locked makes the backup
    // fail, as it would on a platform with mandatory locks.
    if (!db->Execute(QStringLiteral("BEGIN"), {}, &why)) return BackupFailed(firstBackup, why);
    const DatabaseVerdict verdict = InspectDatabase(*db);
    bool copied = false;
    if (verdict.state == DatabaseState::Sound) {
        QString reason;
        copied = true;
        for (const QString& target : {firstBackup, secondBackup})
            if (copied && !CopyInto(dbPath, target, reason)) copied = BackupFailed(target, reason);
    }
    db->Execute(QStringLiteral("COMMIT"));
    switch (verdict.state) {
        case DatabaseState::Sound:
            break;
        // Not ours to copy or rewrite.
        case DatabaseState::Foreign:
        case DatabaseState::Missing:
            return false;
        // The last sound backup is worth more than a copy of a damaged file.
        case DatabaseState::Damaged:
            writefailures::Report(WriteKind::Backup, VerdictText(verdict, dbPath));
            return false;
        case DatabaseState::Unreadable:
            return BackupFailed(firstBackup, verdict.detail);
    }
    if (!copied) return false;
    writefailures::Succeeded(WriteKind::Backup);
    // Compacted in place, inside SQLite's own transaction and journal: every connection,
    // ours or another program's, keeps using the same file, and a kill at any moment
    // leaves the old or the new content. Another program's lock (or no room for the
    // compaction's journal) makes it fail, and the file stays as it was.
    return db->Execute(QStringLiteral("VACUUM"));
}
