#pragma once
#include <string>

namespace zerozedev {

// Kills every process whose executable name equals `name` exactly (case
// counts); does not wait for them to go.
void TerminateProcessesByName(const std::u16string& name);

}  // namespace zerozedev
