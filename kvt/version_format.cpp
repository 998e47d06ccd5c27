#include "version_format.h"

#include <array>
#include <cstdio>

namespace kvt {
namespace {

constexpr std::size_t kMaxConversions = 4;
constexpr std::u16string_view kFlags = u"-+ #0";
constexpr std::u16string_view kConversions = u"diuxXo";

// Up to two digits at `i`.
bool ReadDigits(std::u16string_view format, std::size_t& i, std::string& conversion) {
  std::size_t digits = 0;
  while (i < format.size() && format[i] >= u'0' && format[i] <= u'9') {
    if (++digits > 2) return false;
    conversion += static_cast<char>(format[i++]);
  }
  return true;
}

}  // namespace

std::optional<std::u16string> FormatVersion(std::u16string_view format, const FileVersion& version) {
  const std::array<unsigned, kMaxConversions> parts = {version.major, version.minor, version.build,
                                                       version.revision};
  std::u16string out;
  std::size_t used = 0;
  for (std::size_t i = 0; i < format.size();) {
    if (format[i] != u'%') {
      out += format[i++];
      continue;
    }
    if (++i < format.size() && format[i] == u'%') {
      out += u'%';
      ++i;
      continue;
    }
    std::string conversion = "%";
    while (i < format.size() && kFlags.find(format[i]) != std::u16string_view::npos) {
      conversion += static_cast<char>(format[i++]);
    }
    if (!ReadDigits(format, i, conversion)) return std::nullopt;
    if (i < format.size() && format[i] == u'.') {
      conversion += '.';
      ++i;
      if (!ReadDigits(format, i, conversion)) return std::nullopt;
    }
    // The parts are ints whatever length is written.
    while (i < format.size() && (format[i] == u'h' || format[i] == u'l')) ++i;
    if (i >= format.size() || kConversions.find(format[i]) == std::u16string_view::npos) return std::nullopt;
    if (used == kMaxConversions) return std::nullopt;
    conversion += static_cast<char>(format[i++]);
    std::array<char, 128> piece{};
    const int n = std::snprintf(piece.data(), piece.size(), conversion.c_str(), parts[used++]);
    if (n < 0 || static_cast<std::size_t>(n) >= piece.size()) return std::nullopt;
    out.append(piece.data(), piece.data() + n);
  }
  return out;
}

}  // namespace kvt
