// Builds the updater's skin at build time: the zip archive of the window
// layouts and the drawn images (resource ZIPRES 102), and the window icon
// (resource 101).
//   skin_archive_builder LAYOUT_FOLDER ARCHIVE ICON
// The archive is the same for the same input: entries in name order, one
// fixed time stamp.

#include <minizip/zip.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "updater/skin/skin_artwork.h"

namespace {

constexpr const char* kLayouts[] = {"UpdaterWnd.xml",  "UpdaterWnd_en.xml", "LaunchWnd.xml",
                                    "LaunchWnd_en.xml", "TipsBoxWnd.xml",   "TipsBoxWnd_en.xml"};

bool ReadFile(const std::filesystem::path& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return in.good() || in.eof();
}

bool WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return out.good();
}

bool AddEntry(zipFile zip, const std::string& name, const std::string& bytes) {
  zip_fileinfo info{};
  info.tmz_date = tm_zip{0, 0, 12, 1, 0, 2024};  // 2024-01-01 12:00
  if (zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                          Z_BEST_COMPRESSION) != ZIP_OK) {
    return false;
  }
  const bool written = zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size())) == ZIP_OK;
  return zipCloseFileInZip(zip) == ZIP_OK && written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s LAYOUT_FOLDER ARCHIVE ICON\n", argv[0]);
    return 2;
  }
  const std::filesystem::path layouts = argv[1];
  std::vector<skin::Artwork> entries;
  for (const char* name : kLayouts) {
    std::string bytes;
    if (!ReadFile(layouts / name, bytes) || bytes.empty()) {
      std::fprintf(stderr, "skin: cannot read %s\n", (layouts / name).c_str());
      return 1;
    }
    entries.push_back({name, std::move(bytes)});
  }
  for (auto& image : skin::DrawSkinImages()) entries.push_back(std::move(image));
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });

  const std::string archive = argv[2];
  const std::string partial = archive + ".partial";
  zipFile zip = zipOpen(partial.c_str(), APPEND_STATUS_CREATE);
  if (zip == nullptr) {
    std::fprintf(stderr, "skin: cannot create %s\n", partial.c_str());
    return 1;
  }
  bool ok = true;
  for (const auto& entry : entries) {
    if (!AddEntry(zip, entry.name, entry.png)) {
      std::fprintf(stderr, "skin: cannot add %s\n", entry.name.c_str());
      ok = false;
      break;
    }
  }
  ok = zipClose(zip, nullptr) == ZIP_OK && ok;
  std::error_code ignored;
  if (!ok) {
    std::filesystem::remove(partial, ignored);
    return 1;
  }
  std::filesystem::rename(partial, archive, ignored);
  if (ignored || !WriteFile(argv[3], skin::DrawWindowIcon())) {
    std::fprintf(stderr, "skin: cannot write %s or %s\n", archive.c_str(), argv[3]);
    return 1;
  }
  return 0;
}
