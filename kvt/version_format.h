#pragma once
// The caller's printf format of GetFileVersionStringEx, applied safely.

#include <optional>
#include <string>
#include <string_view>

#include "kvt.h"

namespace kvt {

// Formats the four parts (major, minor, build, revision) as integers.
// Allowed: "%%" and the integer conversions d, i, u, x, X, o with flags
// "-+ #0", a width and a precision of at most two digits each and the
// lengths h, l, ll. Nothing for any other conversion, for a fifth one, or
// for a missing format: a format that would read what was never passed.
std::optional<std::u16string> FormatVersion(std::u16string_view format, const FileVersion& version);

}  // namespace kvt
