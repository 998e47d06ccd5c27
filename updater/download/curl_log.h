#pragma once
// The engine's log lines: level 0, source tag CurlDownload, function label
// "CurlDownloader::" followed by the operation.

#include "updater/log/updater_log.h"

#define CURL_LOG(operation, ...)                                                              \
  UpdaterLog::Instance().Write(0, "CurlDownload", __LINE__, "CurlDownloader::" operation, \
                               __VA_ARGS__)
