#include "file_digest.h"

#include <algorithm>
#include <memory>

#include "platform/shared_file.h"

namespace kvt {
namespace {

constexpr std::size_t kBlockSize = 1 << 20;

// The file's first `wanted(size)` bytes, where size is the file's size when
// it is opened; a file that is shorter by then fails, as a short read does.
template <class Wanted>
std::optional<Md5> DigestPrefix(const std::string& path, Wanted wanted) {
  auto file = platform::SharedFile::Open(path, platform::kAccessRead, platform::kShareRead | platform::kShareWrite,
                                         platform::FileDisposition::kOpenExisting);
  if (!file) return std::nullopt;
  const auto size = file->Size();
  if (!size) return std::nullopt;
  const auto length = wanted(*size);
  if (!length) return std::nullopt;
  auto digester = Md5Digester::Start();
  if (!digester) return std::nullopt;
  const auto block = std::make_unique_for_overwrite<unsigned char[]>(std::min<std::uint64_t>(*length, kBlockSize));
  for (std::uint64_t offset = 0; offset < *length;) {
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(*length - offset, kBlockSize));
    if (!file->ReadAt(offset, block.get(), chunk) || !digester->Update(block.get(), chunk)) return std::nullopt;
    offset += chunk;
  }
  return digester->Finish();
}

}  // namespace

std::optional<Md5> DigestWholeFile(const std::string& path) {
  return DigestPrefix(path, [](std::uint64_t size) -> std::optional<std::uint64_t> {
    if (size == 0) return std::nullopt;
    return size;
  });
}

std::optional<Md5> DigestVideoPrefix(const std::string& path) {
  return DigestPrefix(path, [](std::uint64_t size) -> std::optional<std::uint64_t> {
    return std::min(size, kVideoDigestPrefix);
  });
}

}  // namespace kvt
