#pragma once
// Stream-style launcher lines, to the debugger output and standard error:
//
//   ZM_LOG_INFO("zerozedev", "wWinMain") << "class path: " << name;
//
// The line ends when the statement does.

#include "zerozedev/log/custom_log_message.h"

#define ZM_LOG_INFO(source, function) ::n_log::CustomLogMessage((source), (function), __LINE__)
