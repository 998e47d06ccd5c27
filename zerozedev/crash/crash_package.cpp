#include "zerozedev/crash/crash_package.h"

#include <minizip/zip.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "platform/private_files.h"

namespace google_breakpad {
namespace {

constexpr std::size_t kChunkSize = 64 * 1024;
// General-purpose flag: the stored name is UTF-8.
constexpr uLong kUtf8NameFlag = 1u << 11;

bool IsAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The archive library's stdio file functions, except that the package is
// created private: it holds the client's memory and log.
voidpf OpenPrivatePackage(voidpf, const void* path, int) {
  auto file = platform::CreatePrivateFile(static_cast<const char*>(path), platform::PrivateFileCreation::kReplace);
  return file ? file->release() : nullptr;
}

}  // namespace

std::unique_ptr<CrashPackage> CrashPackage::Create(const std::string& path, const CalendarTime& time) {
  zlib_filefunc64_def functions;
  fill_fopen64_filefunc(&functions);
  functions.zopen64_file = OpenPrivatePackage;
  zipFile zip = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
  if (zip == nullptr) return nullptr;
  return std::unique_ptr<CrashPackage>(new CrashPackage(zip, time));
}

CrashPackage::~CrashPackage() { Close(); }

bool CrashPackage::AddFile(const std::string& path, const std::string& stored_name) {
  if (zip_ == nullptr) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  file.seekg(0, std::ios::end);
  const auto size = static_cast<unsigned long long>(file.tellg());
  file.seekg(0, std::ios::beg);
  if (!file) return false;

  zip_fileinfo info{};
  info.tmz_date.tm_year = static_cast<uInt>(time_.year);
  info.tmz_date.tm_mon = static_cast<uInt>(time_.month - 1);
  info.tmz_date.tm_mday = static_cast<uInt>(time_.day);
  info.tmz_date.tm_hour = static_cast<uInt>(time_.hour);
  info.tmz_date.tm_min = static_cast<uInt>(time_.minute);
  info.tmz_date.tm_sec = static_cast<uInt>(time_.second);
  const int zip64 = size >= 0xffffffffULL ? 1 : 0;
  if (zipOpenNewFileInZip4_64(zip_, stored_name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                              nullptr, 0, 0, IsAscii(stored_name) ? 0 : kUtf8NameFlag, zip64) != ZIP_OK) {
    return false;
  }
  std::vector<char> chunk(kChunkSize);
  bool complete = true;
  unsigned long long copied = 0;
  while (copied < size) {
    file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const auto got = file.gcount();
    if (got <= 0) break;
    if (zipWriteInFileInZip(zip_, chunk.data(), static_cast<unsigned>(got)) != ZIP_OK) {
      complete = false;
      break;
    }
    copied += static_cast<unsigned long long>(got);
  }
  if (copied != size) complete = false;
  return zipCloseFileInZip(zip_) == ZIP_OK && complete;
}

bool CrashPackage::Close() {
  if (zip_ == nullptr) return false;
  const bool closed = zipClose(zip_, nullptr) == ZIP_OK;
  zip_ = nullptr;
  return closed;
}

}  // namespace google_breakpad
