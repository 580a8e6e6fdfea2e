#pragma once
// Using a plug-in object by member name at run time, through its meta-object: properties
// are put and got, invokable methods called. Every call is guarded: a missing member, a
// value that does not convert, a failed invoke or an exception thrown inside the plug-in
// all come back as a failure, never as a result.
//
// The overloads taking an ObjectPtr hold a reference for the length of the call, so a
// command run from inside the call (a plug-in processes events while it waits) cannot
// destroy the object under it.

#include "plugins/common/Errors.h"
#include "plugins/host/ClassFactory.h"

#include <QObject>
#include <QVariant>
#include <QVariantList>

#include <optional>

namespace plugin {

// Puts value into the property; 0 on success, else the error number: the contract's own
// (5, 6, 13 as its LastError reports it), ErrNoMember, ErrReadOnly, ErrTypeMismatch when the
// value does not convert, ErrCallFailed when the plug-in threw.
int Put(QObject* object, const char* name, const QVariant& value);
int Put(ObjectPtr object, const char* name, const QVariant& value);

// The property's value, or nothing when there is no such property or reading it failed.
std::optional<QVariant> Get(QObject* object, const char* name);
std::optional<QVariant> Get(ObjectPtr object, const char* name);
// Get as text; "" on any failure.
QString GetText(ObjectPtr object, const char* name);

// Calls the invokable method with that name taking args.size() arguments (each converted to
// the parameter's type). The return value (an invalid QVariant for a void method), or
// nothing when the call could not be made or threw.
std::optional<QVariant> Call(QObject* object, const char* name, const QVariantList& args = {});
std::optional<QVariant> Call(ObjectPtr object, const char* name, const QVariantList& args = {});

// A call whose result must be a Boolean: True only when the call succeeded and said True.
bool CallBool(ObjectPtr object, const char* name, const QVariantList& args = {});

}  // namespace plugin
