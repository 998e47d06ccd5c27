#pragma once
// The Windows version the library reports, and where it finds it.

#include <cstdint>
#include <functional>
#include <optional>

namespace kvt {

struct WindowsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
};

// The sources KvtGetWindowsVersion asks before and after the registry, in
// its order. On Linux the kernel query and the system file have no
// counterpart (0.0), and the answer in place of GetVersionExW is 10.0, the
// level this build stands for.
struct WindowsVersionSources {
  std::function<WindowsVersion()> kernel;       // RtlGetNtVersionNumbers
  std::function<WindowsVersion()> system_file;  // kernel32.dll's version resource
  std::function<std::optional<WindowsVersion>()> version_info;  // GetVersionExW; empty: failed
};

WindowsVersionSources DefaultWindowsVersionSources();

// The major version KvtGetWindowsVersion reports (0 when none is found): the
// level the helpers compare against (Vista is 6).
std::uint32_t WindowsMajorVersion();

// For tests: replaces the sources and forgets the cached version.
void SetWindowsVersionSourcesForTesting(WindowsVersionSources sources);

}  // namespace kvt
