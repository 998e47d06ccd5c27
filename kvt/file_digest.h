#pragma once
// MD5 of a file's bytes, read in blocks so that memory stays bounded
// whatever the file's size.

#include <cstdint>
#include <optional>
#include <string>

#include "md5_digest.h"

namespace kvt {

// The video digest covers this many bytes at most.
inline constexpr std::uint64_t kVideoDigestPrefix = 307200;

// The whole file; an empty file has none.
std::optional<Md5> DigestWholeFile(const std::string& path);
// The first min(size, kVideoDigestPrefix) bytes; an empty file has the
// digest of no bytes.
std::optional<Md5> DigestVideoPrefix(const std::string& path);

}  // namespace kvt
