#pragma once
// Upload requests as the script writes them: "log=<log file name>" first,
// then "<name>=<value>" pairs, separated by ";". The log name becomes entry
// 0's value; each pair one named entry after it.

#include <string>

#include "outside/crash_generation/upload_payload.h"

struct ParsedUpload {
  google_breakpad::UploadPayload payload;
  std::string log_name;
  std::string error;  // empty when the text was understood
};

ParsedUpload ParseUploadFields(const std::string& text);
