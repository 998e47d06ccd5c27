#include "safe_unzip/zip_fixture.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <stdexcept>

namespace veska_test {
namespace {

constexpr unsigned long kMadeOnUnix = (3UL << 8) | 20;
constexpr unsigned long kMadeOnDos = 20;

void Check(int result, const std::string& what) {
  if (result != ZIP_OK) throw std::runtime_error(what + " failed: " + std::to_string(result));
}

}  // namespace

void WriteZip(const std::filesystem::path& path, const std::vector<ZipTestEntry>& entries) {
  std::filesystem::create_directories(path.parent_path());
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (zip == nullptr) throw std::runtime_error("cannot create " + path.string());
  for (const auto& e : entries) {
    zip_fileinfo info{};
    info.external_fa = e.unix_mode ? (static_cast<unsigned long>(*e.unix_mode) << 16) : 0;
    const int raw = e.broken_crc ? 1 : 0;
    const int method = e.broken_crc ? 0 : Z_DEFLATED;
    Check(zipOpenNewFileInZip4(zip, e.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                               method, Z_DEFAULT_COMPRESSION, raw, -MAX_WBITS, DEF_MEM_LEVEL,
                               Z_DEFAULT_STRATEGY, nullptr, 0,
                               e.unix_mode ? kMadeOnUnix : kMadeOnDos, 0),
          "open entry " + e.name);
    if (!e.content.empty()) {
      Check(zipWriteInFileInZip(zip, e.content.data(), static_cast<unsigned>(e.content.size())),
            "write entry " + e.name);
    }
    if (e.broken_crc) {
      const uLong good = crc32(0, reinterpret_cast<const Bytef*>(e.content.data()),
                               static_cast<uInt>(e.content.size()));
      Check(zipCloseFileInZipRaw(zip, e.content.size(), good ^ 0x5a5a5a5aUL),
            "close entry " + e.name);
    } else {
      Check(zipCloseFileInZip(zip), "close entry " + e.name);
    }
  }
  Check(zipClose(zip, nullptr), "close " + path.string());
}

}  // namespace veska_test
