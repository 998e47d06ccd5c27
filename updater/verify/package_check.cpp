#include "updater/verify/package_check.h"

#include "updater/verify/md5_ctx.h"

namespace {

// _stricmp on hexadecimal text: ASCII letters compared without case.
bool EqualsIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

bool PackageDigestMatches(const std::string& packagePath, const std::string& expectedMd5) {
  if (expectedMd5.empty()) return false;
  std::string digest;
  MD5_CTX md5;
  if (!md5.DigestFile(packagePath, digest)) return false;
  return EqualsIgnoringAsciiCase(digest, expectedMd5);
}
