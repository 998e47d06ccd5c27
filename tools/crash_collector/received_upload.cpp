#include "tools/crash_collector/received_upload.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string Escape(const std::string& text, bool escape_equals) {
  std::string escaped;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f || c == '%' || (escape_equals && c == '=')) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", byte);
      escaped += hex;
    } else {
      escaped += c;
    }
  }
  return escaped;
}

bool UsableFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

bool WriteWhole(const fs::path& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  return static_cast<bool>(file);
}

}  // namespace

std::string CheckUpload(const ReceivedUpload& upload) {
  bool has_minidump = false;
  for (const ReceivedPart& part : upload.parts) {
    if (part.filename.empty()) continue;
    if (!UsableFileName(part.name)) return "file part with an unusable name \"" + part.name + "\"";
    if (part.name == kMinidumpPart) has_minidump = true;
  }
  if (!has_minidump) return std::string("no file part ") + kMinidumpPart;
  return {};
}

std::string FieldLine(const std::string& name, const std::string& value) {
  return Escape(name, true) + "=" + Escape(value, false);
}

bool StoreUpload(const std::string& store, int index, const ReceivedUpload& upload, std::string& error) {
  char number[16];
  std::snprintf(number, sizeof number, "%04d", index);
  const fs::path final_folder = fs::path(store) / number;
  const fs::path partial = fs::path(store) / (std::string(number) + ".partial");
  std::error_code ec;
  fs::create_directories(partial / "files", ec);
  if (ec) {
    error = "cannot create " + partial.string() + ": " + ec.message();
    return false;
  }
  std::string request = "path " + upload.path + "\n";
  std::string fields;
  bool written = true;
  for (const ReceivedPart& part : upload.parts) {
    if (part.filename.empty()) {
      fields += FieldLine(part.name, part.content) + "\n";
    } else {
      request += "file " + Escape(part.name, false) + " " + Escape(part.filename, false) + "\n";
      written = written && WriteWhole(partial / "files" / part.name, part.content);
    }
  }
  written = written && WriteWhole(partial / "request.txt", request) && WriteWhole(partial / "fields.txt", fields);
  if (written) fs::rename(partial, final_folder, ec);
  if (!written || ec) {
    error = "cannot store " + final_folder.string();
    fs::remove_all(partial, ec);
    return false;
  }
  return true;
}
