#pragma once
// Posts a crash package to the crash-report endpoint and, when the endpoint
// takes it (HTTP 200), counts the upload in the checkpoint file.

#include <map>
#include <string>

namespace google_breakpad {

// Name -> value; for files, part name -> file path.
using UploadFields = std::map<std::u16string, std::u16string>;

// True only for an HTTP 200 answer. Logs "send dump succeeded" or "send dump
// failed"; a failure leaves the checkpoint as it was and is not retried.
bool UploadDumpFile(const std::u16string& url, const UploadFields& form_fields, const UploadFields& files);

}  // namespace google_breakpad
