#include "tools/faulty_http/http_request.h"

#include <cstdlib>
#include <sstream>
#include <strings.h>

std::optional<HttpRequest> ParseRequestHead(const std::string& head) {
  std::istringstream lines(head);
  std::string line;
  if (!std::getline(lines, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  std::istringstream first(line);
  HttpRequest request;
  std::string version;
  if (!(first >> request.method >> request.path >> version)) return std::nullopt;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    if (strcasecmp(line.substr(0, colon).c_str(), "range") != 0) continue;
    request.range = line.substr(colon + 1);
    request.range.erase(0, request.range.find_first_not_of(' '));
  }
  return request;
}

std::optional<ByteRange> ParseRange(const std::string& header, std::uint64_t size) {
  const std::string prefix = "bytes=";
  if (header.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  const std::string rangeText = header.substr(prefix.size());
  const auto dash = rangeText.find('-');
  if (dash == std::string::npos || dash == 0 || rangeText.find(',') != std::string::npos) return std::nullopt;
  char* end = nullptr;
  ByteRange range;
  range.first = std::strtoull(rangeText.c_str(), &end, 10);
  if (end != rangeText.c_str() + dash || range.first >= size) return std::nullopt;
  if (dash + 1 == rangeText.size()) {
    range.last = size - 1;
  } else {
    const char* lastText = rangeText.c_str() + dash + 1;
    range.last = std::strtoull(lastText, &end, 10);
    if (*end != '\0' || range.last < range.first) return std::nullopt;
    if (range.last >= size) range.last = size - 1;
  }
  return range;
}
