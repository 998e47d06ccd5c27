#pragma once
#include <string>

namespace zerozedev {

// Hands a "veska://" address (the text after the prefix) to the running
// client's URL pipe as raw ANSI bytes without terminator. False when the
// pipe cannot be opened.
bool ForwardUrlToRunningClient(const std::u16string& url_after_prefix);

}  // namespace zerozedev
