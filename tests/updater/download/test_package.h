#pragma once
// Packages for download tests: reproducible pseudo-random bytes, their MD5,
// and a file that another process holds open.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/named_program.h"
#include "updater/download/temp_trailer.h"

namespace download_test {

std::string PackageBytes(std::size_t size, std::uint32_t seed = 1);
std::string Md5Hex(const std::string& bytes);
std::string FileMd5(const std::filesystem::path& path);

// A temporary download file as an earlier run would have left it: the
// package area (with `package` bytes where records say they are done, zeros
// elsewhere), the records and the stored size.
std::string TempFileBytes(const std::string& package, const std::vector<TrailerRecord>& records,
                          std::uint32_t storedSize);

// Sum of the done fields of a temporary file's trailer; nothing when its
// trailer does not describe a package of `size` bytes.
std::optional<std::uint64_t> DoneBytesInTempFile(const std::filesystem::path& path, std::uint32_t size);

// `path` held open for reading by the helper program until the object goes,
// shared for reading only, or also for writing (so that it can be held beside
// a writer).
class HeldFile {
 public:
  HeldFile(const std::filesystem::path& path, const std::filesystem::path& scratch, bool shareWrite = false);
  ~HeldFile();

 private:
  std::unique_ptr<veska_test::ChildProcess> holder_;
};

}  // namespace download_test
