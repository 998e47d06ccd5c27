// KvtGetWindowsVersion and the version predicates built on it.

#include "windows_version.h"

#include <atomic>
#include <mutex>
#include <string>

#include "kvt.h"
#include "registry_calls.h"

namespace kvt {
namespace {

constexpr const char16_t* kCurrentVersionKey = u"Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::size_t kCurrentVersionChars = 260;

// Major in the high half, minor in the low half: one atomic store, so that a
// concurrent first call never sees half a pair. 0 = nothing cached yet.
std::atomic<std::uint64_t> cached_version{0};

std::mutex sources_lock;
WindowsVersionSources& Sources() {
  static WindowsVersionSources sources = DefaultWindowsVersionSources();
  return sources;
}

WindowsVersionSources CurrentSources() {
  std::lock_guard lock(sources_lock);
  return Sources();
}

std::uint32_t RegistryDword(const char16_t* name) {
  std::uint32_t value = 0;
  std::uint32_t bytes = sizeof value;
  std::uint32_t type = 0;
  if (ShGetValue(KVT_HKEY_LOCAL_MACHINE, kCurrentVersionKey, name, &type, &value, &bytes) !=
      kErrorSuccess) {
    return 0;
  }
  return value;
}

// The decimal digits at the start of `text` (as _wtoi reads them).
std::uint32_t LeadingNumber(std::u16string_view text) {
  std::uint32_t number = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    number = number * 10 + static_cast<std::uint32_t>(c - u'0');
  }
  return number;
}

// "CurrentVersion" as "major.minor" with exactly one dot after the first
// character.
std::optional<WindowsVersion> RegistryCurrentVersion() {
  char16_t text[kCurrentVersionChars] = {};
  std::uint32_t bytes = sizeof text - sizeof(char16_t);
  std::uint32_t type = 0;
  if (ShGetValue(KVT_HKEY_LOCAL_MACHINE, kCurrentVersionKey, u"CurrentVersion", &type, text,
                 &bytes) != kErrorSuccess) {
    return std::nullopt;
  }
  const std::u16string_view version(text);
  const auto dot = version.find(u'.');
  if (version.empty() || dot == std::u16string_view::npos || dot == 0 ||
      version.find(u'.', dot + 1) != std::u16string_view::npos) {
    return std::nullopt;
  }
  return WindowsVersion{LeadingNumber(version.substr(0, dot)),
                        LeadingNumber(version.substr(dot + 1))};
}

void Remember(WindowsVersion version) {
  cached_version.store((std::uint64_t{version.major} << 32) | version.minor);
}

int32_t FindWindowsVersion(WindowsVersion& out) {
  out = {};
  const WindowsVersionSources sources = CurrentSources();
  for (const auto& source : {sources.kernel, sources.system_file}) {
    out = source ? source() : WindowsVersion{};
    if (out.major != 0) {
      Remember(out);
      return 1;
    }
  }
  out = {RegistryDword(u"CurrentMajorVersionNumber"), RegistryDword(u"CurrentMinorVersionNumber")};
  if (out.major != 0) {
    Remember(out);
    return 1;
  }
  if (out.minor != 0) return 0;

  const auto reported = sources.version_info ? sources.version_info() : std::nullopt;
  if (!reported) return 0;
  out = *reported;
  if (out.major == 6 && out.minor == 2) {
    if (const auto current = RegistryCurrentVersion()) out = *current;
  }
  if (out.major == 0) return 0;
  Remember(out);
  return 1;
}

WindowsVersion Version() {
  WindowsVersion version;
  KvtGetWindowsVersion(&version.major, &version.minor);
  return version;
}

bool Is(std::uint32_t major, std::uint32_t minor) {
  const WindowsVersion v = Version();
  return v.major == major && v.minor == minor;
}

bool AtLeast(std::uint32_t major, std::uint32_t minor) {
  const WindowsVersion v = Version();
  return v.major > major || (v.major == major && v.minor >= minor);
}

}  // namespace

WindowsVersionSources DefaultWindowsVersionSources() {
  return {[] { return WindowsVersion{}; }, [] { return WindowsVersion{}; },
          [] { return std::optional<WindowsVersion>(WindowsVersion{10, 0}); }};
}

std::uint32_t WindowsMajorVersion() { return Version().major; }

void SetWindowsVersionSourcesForTesting(WindowsVersionSources sources) {
  std::lock_guard lock(sources_lock);
  Sources() = std::move(sources);
  cached_version.store(0);
}

}  // namespace kvt

extern "C" {

int32_t KvtGetWindowsVersion(uint32_t* major, uint32_t* minor) {
  kvt::WindowsVersion version;
  const std::uint64_t cached = kvt::cached_version.load();
  int32_t found = 1;
  if (cached != 0) {
    version = {static_cast<std::uint32_t>(cached >> 32), static_cast<std::uint32_t>(cached)};
  } else {
    found = kvt::FindWindowsVersion(version);
  }
  if (major != nullptr) *major = version.major;
  if (minor != nullptr) *minor = version.minor;
  return found;
}

bool IsWindow2000(void) { return kvt::Is(5, 0); }
bool IsWindowXP(void) {
  const kvt::WindowsVersion v = kvt::Version();
  return v.major == 5 && (v.minor == 1 || v.minor == 2);
}
bool IsWindowVista(void) { return kvt::Is(6, 0); }
bool IsWindow7(void) { return kvt::Is(6, 1); }
bool IsWindow8(void) { return kvt::Is(6, 2); }
bool IsWindow8_1(void) { return kvt::Is(6, 3); }
bool IsWindows10(void) { return kvt::Is(10, 0); }
bool IsWindowVistaLatter(void) { return kvt::Version().major >= 6; }
bool IsWindow7Latter(void) { return kvt::AtLeast(6, 1); }
bool IsWindow8Latter(void) { return kvt::AtLeast(6, 2); }
bool IsWindows10Later(void) { return kvt::Version().major >= 10; }

}  // extern "C"
