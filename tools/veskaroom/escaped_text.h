#pragma once
// Percent escapes: script arguments may carry "," or ":" as %2C / %3A, and
// recorded bytes are written so that one event stays one line.

#include <string>
#include <string_view>

// "%XY" with two hex digits becomes that byte; any other "%" stays as it is.
std::string PercentDecode(std::string_view text);

// Control bytes, DEL and "%" become "%XY"; everything else is kept.
std::string EscapeForRecord(std::string_view bytes);
