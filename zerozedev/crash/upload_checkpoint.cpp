#include "zerozedev/crash/upload_checkpoint.h"

#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>

namespace google_breakpad {
namespace {

constexpr std::string_view kSignatureLine = "GBP1\n";
// The checkpoint is three short lines; anything much longer is not one.
constexpr std::size_t kMaxCheckpointSize = 4096;

void SkipSpace(std::string_view& text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
}

// One decimal int after optional white space, as "%d" reads it, followed by
// any white space.
std::optional<int> ReadInt(std::string_view& text) {
  SkipSpace(text);
  std::string_view digits = text;
  if (digits.size() > 1 && digits[0] == '+' && std::isdigit(static_cast<unsigned char>(digits[1]))) {
    digits.remove_prefix(1);
  }
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc()) return std::nullopt;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  SkipSpace(text);
  return value;
}

}  // namespace

int DateNumber(const CalendarTime& time) { return time.year * 10000 + time.month * 100 + time.day; }

UploadCounters ParseCheckpoint(std::string_view text) {
  UploadCounters counters;
  if (!text.starts_with(kSignatureLine)) return counters;
  text.remove_prefix(kSignatureLine.size());
  const auto date = ReadInt(text);
  if (!date) return counters;
  counters.last_date = *date;
  counters.uploads = ReadInt(text).value_or(0);
  return counters;
}

UploadCounters ReadCheckpoint(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  std::string text(kMaxCheckpointSize, '\0');
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(file.gcount()));
  return ParseCheckpoint(text);
}

UploadCounters CountUpload(UploadCounters counters, int today) {
  if (counters.last_date != today) {
    counters.last_date = today;
    counters.uploads = 0;
  }
  // The file may claim any count; one at the limit stays there.
  if (counters.uploads < std::numeric_limits<int>::max()) ++counters.uploads;
  return counters;
}

bool WriteCheckpoint(const std::string& path, const UploadCounters& counters) {
  const std::string fresh = path + ".new";
  {
    std::ofstream file(fresh, std::ios::binary | std::ios::trunc);
    file << kSignatureLine << counters.last_date << '\n' << counters.uploads << '\n';
    file.close();
    if (!file) {
      std::error_code ignored;
      std::filesystem::remove(fresh, ignored);
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(fresh, path, error);
  if (!error) return true;
  std::filesystem::remove(fresh, error);
  return false;
}

}  // namespace google_breakpad
