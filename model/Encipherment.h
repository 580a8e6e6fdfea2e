#pragma once
// The keyed scrambling under which plug-in parameter strings are kept in the database.

#include <QString>

// The fixed key every writer and reader of TBL_DLL.引数 uses.
inline constexpr const char* kParameterKey = "Korvia";

// Each character of text is XORed with a small value taken from the key character at the
// same position (the key repeats along the text): the leading decimal digit of that key
// character's code, so "K" (75) gives 7 and "o" (111) gives 1. Only the low four bits of a
// code change, so applying it twice with the same key gives the text back, every
// printable ASCII text stays ASCII, and a surrogate half stays in its own range. An
// empty key leaves the text as it is.
QString Encipherment(const QString& key, const QString& text);
