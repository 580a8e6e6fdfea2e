#pragma once
// Error numbers of the plug-in contract, as the hosts see them after a put or a call.

namespace plugin {
constexpr int ErrNone = 0;
constexpr int ErrInvalidCall = 5;    // invalid procedure call or argument
constexpr int ErrOverflow = 6;       // number out of range
constexpr int ErrTypeMismatch = 13;  // text that is not a number
constexpr int ErrReadOnly = 383;     // the property cannot be set
constexpr int ErrNoMember = 438;     // the object has no such property or method
constexpr int ErrCallFailed = 440;   // the member could not be called, or raised inside
}  // namespace plugin
