#include "outside/duilib/skin_files.h"

#include <minizip/unzip.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace DuiLib {
namespace {

// minizip reads through these callbacks, here from a buffer in memory.
struct MemoryStream {
  std::span<const unsigned char> bytes;
  ZPOS64_T position = 0;
};

voidpf ZCALLBACK OpenMemory(voidpf opaque, const void*, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READ) == 0) return nullptr;
  auto* stream = static_cast<MemoryStream*>(opaque);
  stream->position = 0;
  return stream;
}

uLong ZCALLBACK ReadMemory(voidpf, voidpf handle, void* buffer, uLong size) {
  auto* stream = static_cast<MemoryStream*>(handle);
  const ZPOS64_T left = stream->bytes.size() - stream->position;
  const uLong count = static_cast<uLong>(std::min<ZPOS64_T>(size, left));
  std::memcpy(buffer, stream->bytes.data() + stream->position, count);
  stream->position += count;
  return count;
}

uLong ZCALLBACK WriteMemory(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellMemory(voidpf, voidpf handle) { return static_cast<MemoryStream*>(handle)->position; }

long ZCALLBACK SeekMemory(voidpf, voidpf handle, ZPOS64_T offset, int origin) {
  auto* stream = static_cast<MemoryStream*>(handle);
  ZPOS64_T base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = stream->position; break;
    case ZLIB_FILEFUNC_SEEK_END: base = stream->bytes.size(); break;
    default: return -1;
  }
  if (offset > stream->bytes.size() - base) return -1;
  stream->position = base + offset;
  return 0;
}

int ZCALLBACK CloseMemory(voidpf, voidpf) { return 0; }
int ZCALLBACK ErrorMemory(voidpf, voidpf) { return 0; }

bool ReadCurrentFile(unzFile zip, std::string& bytes) {
  if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
  char buffer[16384];
  int count = 0;
  while ((count = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) bytes.append(buffer, count);
  // Closing checks the CRC of what was read.
  return unzCloseCurrentFile(zip) == UNZ_OK && count == 0;
}

}  // namespace

std::shared_ptr<SkinFiles> SkinFiles::FromZip(std::span<const unsigned char> zip, std::string& error) {
  MemoryStream stream{zip};
  zlib_filefunc64_def functions{};
  functions.zopen64_file = &OpenMemory;
  functions.zread_file = &ReadMemory;
  functions.zwrite_file = &WriteMemory;
  functions.ztell64_file = &TellMemory;
  functions.zseek64_file = &SeekMemory;
  functions.zclose_file = &CloseMemory;
  functions.zerror_file = &ErrorMemory;
  functions.opaque = &stream;
  unzFile archive = unzOpen2_64("skin", &functions);
  if (archive == nullptr) {
    error = "not a zip archive";
    return nullptr;
  }
  auto files = std::make_shared<SkinFiles>();
  int step = unzGoToFirstFile(archive);
  while (step == UNZ_OK) {
    char name[512];
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(archive, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
      error = "unreadable entry";
      break;
    }
    const std::string_view entry(name);
    if (!entry.empty() && entry.back() != '/') {
      std::string bytes;
      if (!ReadCurrentFile(archive, bytes)) {
        error = "damaged entry " + std::string(entry);
        break;
      }
      files->Add(entry, std::move(bytes));
    }
    step = unzGoToNextFile(archive);
  }
  unzClose(archive);
  if (step != UNZ_END_OF_LIST_OF_FILE) {
    if (error.empty()) error = "damaged archive";
    return nullptr;
  }
  return files;
}

std::string SkinFiles::Key(std::string_view name) {
  std::string key(name);
  for (char& c : key) {
    if (c == '\\') c = '/';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

std::shared_ptr<SkinFiles> SkinFiles::FromFolder(std::string folder) {
  auto files = std::make_shared<SkinFiles>();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  files->folder_ = folder.empty() ? "./" : folder;
  return files;
}

void SkinFiles::Add(std::string_view name, std::string bytes) { files_[Key(name)] = std::move(bytes); }

std::optional<std::string_view> SkinFiles::Read(std::string_view name) const {
  const std::string key = Key(name);
  if (const auto found = files_.find(key); found != files_.end()) return std::string_view(found->second);
  if (folder_.empty() || name.empty()) return std::nullopt;
  std::string relative(name);
  for (char& c : relative) {
    if (c == '\\') c = '/';
  }
  std::ifstream in(folder_ + relative, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return std::string_view(files_[key] = std::move(bytes));
}

}  // namespace DuiLib
