#pragma once
// The values the database carries for other programs that read it (the 状況 columns and
// TBL_Control), and the backup and compaction of the file at exit.

#include <QString>

// address "": every TBL_Computer row gets computerStatus and every TBL_PortCheck row
// portStatus, whatever WebInfo says. Otherwise, only while gOptWebInfo is on, port not 0
// sets that port check's status, port 0 that computer's. Failures are silent; a single
// row's write waits only briefly for another program's lock.
void UpdateCheckStatus(const QString& address, const QString& computerStatus, qint32 port,
                       const QString& portStatus);

// Sets 処理 of the TBL_Control row 区分 = key. Failures are silent.
void UpdateControlTable(const QString& key, const QString& value);

// At exit: copies the database to gOptDatabasePath + "_BK" and to
// ProgramFolder()/Vantoro.MDB_BK (each written under a temporary name and renamed into
// place), checks its integrity, then compacts it in place (VACUUM), so other programs'
// connections keep seeing the live file. On any failure, a lock held by another program
// included, the database is left as it was and false is returned.
bool BackupDatabase();
