#pragma once
// One crash upload as the collector received it, its check and its storage.

#include <string>
#include <vector>

struct ReceivedPart {
  std::string name;
  std::string filename;  // empty for a text field
  std::string content;
};

struct ReceivedUpload {
  std::string path;
  std::vector<ReceivedPart> parts;
};

inline constexpr const char* kMinidumpPart = "upload_file_minidump";

// Why the upload is malformed; empty when it is fine: it needs the file part
// upload_file_minidump, and every file part needs a name usable as a file name.
std::string CheckUpload(const ReceivedUpload& upload);

// "name=value" with "%", "=" (in names) and control bytes as %XX, so that
// each field stays on one line.
std::string FieldLine(const std::string& name, const std::string& value);

// Writes store/NNNN (request.txt, fields.txt, files/) through a temporary
// folder renamed into place. False with `error` set when that fails.
bool StoreUpload(const std::string& store, int index, const ReceivedUpload& upload, std::string& error);
