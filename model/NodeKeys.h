#pragma once
// Reading back what a tree node's key carries. Port checks, plug-in checks and weekly
// windows are keyed by a type character, the computer's address, "@" and a number:
// "$10.0.0.1@8080" (the port), "%10.0.0.1@002" and "?10.0.0.1@002" (the row number).

#include <QStringView>

#include <optional>

// The number after the key's first "@" (an "@" in the address would come first, and
// the text after it is what is read): the whole text after it as a whole number in ASCII
// digits, blanks around it and a sign allowed; 0 for anything else, and for a number
// outside the 32-bit range. nullopt when the key has no "@".
std::optional<qint64> KeyNumber(QStringView key);
