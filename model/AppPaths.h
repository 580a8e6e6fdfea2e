#pragma once
#include <QString>

// "Beside the program": the folder of the running executable, or $VANTORO_HOME when set.
// The system's data lives here: the default database, its backups, Log/ and Siren.wav.
QString ProgramFolder();

// The folder of the running executable, whatever VANTORO_HOME says: the plug-ins and
// their .ini files are always beside the executable.
QString ExecutableFolder();

// The program's file name without its extension: the settings application name and the
// default mail sender account.
QString ProgramBaseName();
