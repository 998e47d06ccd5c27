#include "test_package.h"

#include <optional>
#include <random>
#include <stdexcept>

#include "support/files.h"
#include "support/wait.h"
#include "updater/verify/md5_ctx.h"

namespace download_test {

std::string PackageBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (auto& b : bytes) b = static_cast<char>(random());
  return bytes;
}

std::string Md5Hex(const std::string& bytes) {
  MD5_CTX md5;
  md5.Update(bytes.data(), bytes.size());
  return DigestText(md5.Final());
}

std::string FileMd5(const std::filesystem::path& path) {
  std::string text;
  MD5_CTX md5;
  if (!md5.DigestFile(path.string(), text)) return "unreadable";
  return text;
}

std::string TempFileBytes(const std::string& package, const std::vector<TrailerRecord>& records,
                          std::uint32_t storedSize) {
  std::string bytes(package.size(), '\0');
  for (const auto& r : records) {
    if (r.start < package.size() && r.done <= package.size() - r.start) {
      bytes.replace(r.start, r.done, package, r.start, r.done);
    }
  }
  for (const auto& r : records) {
    const auto encoded = EncodeRecord(r);
    bytes.append(encoded.begin(), encoded.end());
  }
  const auto size = EncodeU32(storedSize);
  bytes.append(size.begin(), size.end());
  return bytes;
}

std::optional<std::uint64_t> DoneBytesInTempFile(const std::filesystem::path& path, std::uint32_t size) {
  if (!std::filesystem::exists(path)) return std::nullopt;
  const std::string bytes = veska_test::ReadFile(path);
  if (bytes.size() < std::uint64_t{size} + TrailerBytes(1)) return std::nullopt;
  const auto* tail = reinterpret_cast<const unsigned char*>(bytes.data());
  if (DecodeU32(tail + bytes.size() - 4) != size) return std::nullopt;
  const std::uint64_t records = (bytes.size() - size - 4) / kTrailerRecordBytes;
  std::uint64_t done = 0;
  for (std::uint64_t i = 0; i < records; ++i) done += DecodeRecord(tail + size + i * kTrailerRecordBytes).done;
  return done;
}

HeldFile::HeldFile(const std::filesystem::path& path, const std::filesystem::path& scratch, bool shareWrite) {
  const auto marker = scratch / "held.marker";
  std::filesystem::remove(marker);
  holder_ = std::make_unique<veska_test::ChildProcess>(
      VESKA_DOWNLOAD_DRIVER, std::vector<std::string>{"hold", path.string(), marker.string(), shareWrite ? "read-write" : "read"});
  if (!veska_test::WaitUntil([&] { return std::filesystem::exists(marker); })) {
    throw std::runtime_error("the helper did not hold " + path.string());
  }
}

HeldFile::~HeldFile() = default;

}  // namespace download_test
