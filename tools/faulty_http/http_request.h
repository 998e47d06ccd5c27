#pragma once
// The head of one HTTP/1.1 request and the byte range it asks for.

#include <cstdint>
#include <optional>
#include <string>

struct HttpRequest {
  std::string method;
  std::string path;
  std::string range;  // the Range header's value, empty when absent
};

// Parses "METHOD PATH VERSION" and the headers of a request head (without
// the blank line). Nothing for a malformed head.
std::optional<HttpRequest> ParseRequestHead(const std::string& head);

struct ByteRange {
  std::uint64_t first = 0;
  std::uint64_t last = 0;  // inclusive
};

// "bytes=A-B" or "bytes=A-" against a file of `size` bytes, with B held at the
// last byte. Nothing when the header is not one satisfiable range.
std::optional<ByteRange> ParseRange(const std::string& header, std::uint64_t size);
