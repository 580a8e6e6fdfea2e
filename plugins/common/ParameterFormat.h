#pragma once
// The parameter strings of the six check plug-ins: their fields, defaults and the rules by
// which a "|"-joined string is read back into the fields. One object's whole configuration
// travels as this one text, stored by the program per computer and handed back before every
// check, so the reading rules (including their quirks) are part of the stored data format.

#include "plugins/common/Errors.h"

#include <QString>
#include <QVariant>

#include <vector>

namespace plugin {

enum class PluginKind { Port, Ftp, Www, DB, Www2, DB2 };

enum class FieldKind { Text, Int16, Int32, Bool };

// How a text field between the first and the last ends the parse when the string runs out:
// at or beyond the last character (most), or only beyond it (the web check's user name).
enum class TextStop { AtOrBeyondEnd, BeyondEnd };

struct FieldSpec {
    QString name;           // the property name
    FieldKind kind = FieldKind::Text;
    QVariant initial;       // value on creation and after every reset
    bool inParameter = true;
    bool trimOnPut = false;      // UserName, Password: the put removes outer spaces
    bool protocolOnPut = false;  // Protocol: the put stores 4 for 4 and 5 for anything else
    TextStop stop = TextStop::AtOrBeyondEnd;
};

struct ParameterFormat {
    PluginKind kind;
    QString fileBase;   // "VantorPort": the library's base name and the class name's first half
    QString title;
    QString version;
    QString argument;   // captions of the fields, defaults in brackets
    // With no "|" at all the web checks leave everything at its default without error and
    // read a leading "|" as an empty target; the others fail and stop respectively.
    bool lenientSeparators = false;
    bool retries = true;  // Check retries inside the call (WaitTime, Retry)
    std::vector<FieldSpec> fields;  // the parameter's fields in string order, then the others

    int parameterCount() const;
    int indexOf(const QString& name) const;  // -1 when the plug-in has no such field
    QString className() const { return fileBase + QStringLiteral(".ClsVantoro"); }
};

const ParameterFormat& FormatOf(PluginKind kind);

// Values of one object, one per field of its format, in the format's order.
using FieldValues = std::vector<QVariant>;

FieldValues Defaults(const ParameterFormat& format);

// The parameter string of values: every field with outer spaces removed, numbers in plain
// decimal, joined by "|" with no trailing separator.
QString BuildParameter(const ParameterFormat& format, const FieldValues& values);

// Reads s into values, which the caller has reset to the defaults. Returns ErrNone or the
// error number; fields read before a failure keep their new values.
int ParseParameter(const ParameterFormat& format, const QString& s, FieldValues& values);

// The value a property put stores for field index, after the put rules (outer spaces,
// protocol mapping, 16-bit range, a "|" in any field but the string's last). Returns
// ErrNone and sets stored, or an error number and leaves stored alone.
int PutRule(const ParameterFormat& format, int index, const QVariant& given, QVariant& stored);

// The conversion the string reader uses for a number field: outer spaces allowed, an optional
// sign, decimals rounded half to even. ErrTypeMismatch for text that is not a number (empty
// included), ErrOverflow outside the field's range.
int ConvertNumber(const QString& text, FieldKind kind, qint64& value);

}  // namespace plugin
