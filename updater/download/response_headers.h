#pragma once
// Reading the header block of an HTTP answer as the transfer library hands it
// over. Field names are compared without regard to case: HTTP/2 sends them in
// lower case, and HTTP/1.1 lets a server write them as it likes.

#include <string_view>

// Whether the answer carries a "Content-Range" field in the unit "bytes", the
// sign of a server that honours byte ranges.
bool HasByteContentRange(std::string_view headerText);
