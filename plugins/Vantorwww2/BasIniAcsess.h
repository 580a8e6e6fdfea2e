#pragma once
// Reading one value from a settings (.ini) file the way the installation's files are
// written: "[section]" lines, "key=value" lines, section and key names compared without
// regard to case, the first match wins, the value's outer blanks and one pair of enclosing
// quotes removed, lines starting with ";" ignored. The file is the system's code page
// (UTF-8) and is read afresh on every call; a missing file or key reads as "".

#include <QString>

// At most bufferBytes - 1 bytes of the value count (cut at a character boundary).
QString ReadIniString(const QString& path, const QString& section, const QString& key, int bufferBytes = 1024);
