#pragma once
// The values the database carries for other programs that read it (the 状況 columns and
// TBL_Control), and the backup and compaction of the file at exit.

#include "model/Database.h"

#include <QString>

// address "": every TBL_Computer row gets computerStatus and every TBL_PortCheck row
// portStatus, whatever WebInfo says. Otherwise, only while gOptWebInfo is on, port not 0
// sets that port check's status, port 0 that computer's. Failures are silent; a single
// row's write waits only briefly for another program's lock.
void UpdateCheckStatus(const QString& address, const QString& computerStatus, qint32 port,
                       const QString& portStatus);

// Sets 処理 of the TBL_Control row 区分 = key. False, with the reason in error when
// given, when no row was written (the statement failed or the row is missing).
bool UpdateControlTable(const QString& key, const QString& value, QString* error = nullptr);

// The 稼動 row for outside readers: "稼動中" (running) at start-up, "非稼動中" at exit.
// Written only into a sound monitoring database: a foreign, empty or damaged file is
// left untouched. A mark that cannot be written is reported as a failed write
// (WriteFailures.h). The second form takes the database's state from a check just made
// (the start-up's), instead of checking every page again.
void MarkMonitorRunning(bool running);
void MarkMonitorRunning(bool running, DatabaseState known);

// At exit: checks the database's integrity first, then copies it to
// gOptDatabasePath + "_BK" and to ProgramFolder()/Vantoro.MDB_BK (each written under a
// temporary name and renamed into place), then compacts it in place (VACUUM), so other
// programs' connections keep seeing the live file. A file that is no monitoring
// database is left untouched; a damaged one is neither copied over a backup nor
// compacted. Returns true when both copies were written and the file compacted. A
// damaged database, or backups that could not be written (a full disk, another
// program's lock), are reported as failed writes; a compaction that fails after the
// copies leaves the database as it was and is not.
bool BackupDatabase();
