#pragma once
// The channel's diagnostic lines on standard output, one per call, flushed
// at once so they interleave sensibly with other output.

#include <string_view>

void WriteDiagnosticLine(std::string_view line);
