#include "safe_unzip/extract_entry.h"

#include <fstream>
#include <optional>

namespace safe_unzip {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kPermissionBits = 0777;

std::optional<fs::perms> ModeFor(const ZipEntryInfo& entry, const fs::path& target) {
  if (entry.unix_mode) return static_cast<fs::perms>(*entry.unix_mode & kPermissionBits);
  std::error_code ec;
  const auto old = fs::status(target, ec);
  if (!ec && fs::is_regular_file(old)) return old.permissions() & fs::perms::mask;
  return std::nullopt;
}

bool WriteEntryTo(ZipArchiveReader& archive, const fs::path& file, std::string& error) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) {
    error = "cannot create " + file.string();
    return false;
  }
  const bool read = archive.ReadCurrentEntry(
      [&out](const char* data, std::size_t size) {
        out.write(data, static_cast<std::streamsize>(size));
        return static_cast<bool>(out);
      },
      error);
  out.close();
  if (read && !out) {
    error = "cannot write " + file.string();
    return false;
  }
  return read;
}

}  // namespace

bool ExtractEntryReplacing(ZipArchiveReader& archive, const ZipEntryInfo& entry,
                           const fs::path& target, std::string_view temporary_suffix,
                           std::string& error) {
  fs::path temporary = target;
  temporary += temporary_suffix;
  std::error_code ec;
  // A leftover of an interrupted run, possibly a link: never write through it.
  fs::remove(temporary, ec);

  bool done = WriteEntryTo(archive, temporary, error);
  if (done) {
    if (const auto mode = ModeFor(entry, target)) {
      fs::permissions(temporary, *mode, fs::perm_options::replace, ec);
      if (ec) {
        error = "cannot set the mode of " + temporary.string() + ": " + ec.message();
        done = false;
      }
    }
  }
  if (done) {
    fs::rename(temporary, target, ec);
    if (ec) {
      error = "cannot replace " + target.string() + ": " + ec.message();
      done = false;
    }
  }
  if (!done) fs::remove(temporary, ec);
  return done;
}

}  // namespace safe_unzip
