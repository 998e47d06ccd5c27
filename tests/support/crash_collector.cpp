#include "support/crash_collector.h"

#include <algorithm>
#include <cstdlib>

#include "support/files.h"

namespace veska_test {
namespace {

std::string Unescape(const std::string& text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      plain += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      plain += text[i];
    }
  }
  return plain;
}

CrashCollector::Upload ReadUpload(const std::filesystem::path& folder) {
  CrashCollector::Upload upload;
  for (const std::string& line : SplitLines(ReadFile(folder / "request.txt"))) {
    if (line.rfind("path ", 0) == 0) {
      upload.path = line.substr(5);
    } else if (line.rfind("file ", 0) == 0) {
      const auto space = line.find(' ', 5);
      const std::string part = Unescape(line.substr(5, space - 5));
      upload.file_names[part] = Unescape(line.substr(space + 1));
      upload.files[part] = folder / "files" / part;
    }
  }
  for (const std::string& line : SplitLines(ReadFile(folder / "fields.txt"))) {
    const auto equals = line.find('=');
    upload.fields[Unescape(line.substr(0, equals))] = Unescape(line.substr(equals + 1));
  }
  return upload;
}

std::vector<std::string> WithStore(const TempDir& store, const std::vector<std::string>& options) {
  std::vector<std::string> args{"--store=" + store.str(), "--lifetime=300"};
  args.insert(args.end(), options.begin(), options.end());
  return args;
}

}  // namespace

CrashCollector::CrashCollector(const std::filesystem::path& program, const std::vector<std::string>& options)
    : server_(program, WithStore(store_, options)) {}

std::string CrashCollector::Url(const std::string& path) const { return server_.Url(path); }

std::vector<CrashCollector::Upload> CrashCollector::Uploads() const {
  std::vector<std::filesystem::path> folders;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(store_.path(), ec)) {
    // Whole uploads only: a folder still being written ends in ".partial".
    if (entry.is_directory() && entry.path().extension().empty()) folders.push_back(entry.path());
  }
  std::sort(folders.begin(), folders.end());
  std::vector<Upload> uploads;
  for (const auto& folder : folders) uploads.push_back(ReadUpload(folder));
  return uploads;
}

std::vector<std::string> CrashCollector::Rejected() const {
  const auto file = store_.path() / "rejected.txt";
  if (!std::filesystem::exists(file)) return {};
  return SplitLines(ReadFile(file));
}

}  // namespace veska_test
