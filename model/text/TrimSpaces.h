#pragma once
// Text helpers shared by the program and the plug-ins, which must not pull in the
// program's globals, so they are a library of their own.

#include <QString>

// The text without the spaces (U+0020) at its start and end. Nothing else is trimmed:
// a tab, a line break or a full-width space stays where it is, so a CR or LF around an
// address or a parameter field is still there to be refused.
QString TrimSpaces(const QString& text);
