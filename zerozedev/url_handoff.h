#pragma once
#include <string>

#include "platform/result.h"

namespace zerozedev {

// Hands a "veska://" address (the text after the prefix) to the running
// client's URL pipe as raw ANSI bytes without terminator. Fails when the
// pipe cannot be opened.
platform::Status ForwardUrlToRunningClient(const std::u16string& url_after_prefix);

}  // namespace zerozedev
