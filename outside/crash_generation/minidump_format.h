#pragma once
// Constants of the minidump file format (the Windows debugging format, with
// the Linux extensions that debuggers such as LLDB read). Records are written
// field by field in little-endian order, so only their sizes appear here.

#include <cstdint>

namespace google_breakpad::minidump {

inline constexpr uint32_t kSignature = 0x504d444d;  // "MDMP"
inline constexpr uint32_t kVersion = 0xa793;

enum StreamType : uint32_t {
  kThreadListStream = 3,
  kModuleListStream = 4,
  kMemoryListStream = 5,
  kExceptionStream = 6,
  kSystemInfoStream = 7,
  kMiscInfoStream = 15,
  kLinuxProcStatusStream = 0x47670004,
  kLinuxCmdLineStream = 0x47670006,
  kLinuxAuxvStream = 0x47670008,
  kLinuxMapsStream = 0x47670009,
};

inline constexpr uint32_t kHeaderSize = 32;
inline constexpr uint32_t kDirectoryEntrySize = 12;
inline constexpr uint32_t kThreadSize = 48;
inline constexpr uint32_t kModuleSize = 108;
inline constexpr uint32_t kMemoryDescriptorSize = 16;
inline constexpr uint32_t kExceptionStreamSize = 168;
inline constexpr uint32_t kSystemInfoSize = 56;
inline constexpr uint32_t kMiscInfoSize = 24;
inline constexpr uint32_t kContextAmd64Size = 1232;

inline constexpr uint16_t kProcessorArchitectureAmd64 = 9;
inline constexpr uint32_t kPlatformLinux = 0x8201;

inline constexpr uint32_t kMiscInfoProcessId = 0x1;

// CONTEXT_AMD64 flags: which parts of the record are valid.
inline constexpr uint32_t kContextAmd64 = 0x00100000;
inline constexpr uint32_t kContextControl = kContextAmd64 | 0x1;
inline constexpr uint32_t kContextInteger = kContextAmd64 | 0x2;
inline constexpr uint32_t kContextSegments = kContextAmd64 | 0x4;
inline constexpr uint32_t kContextFloatingPoint = kContextAmd64 | 0x8;

// CodeView record carrying an ELF build id: "BpEL" then the id's bytes.
inline constexpr uint32_t kCvSignatureElfBuildId = 0x4270454c;

inline constexpr uint32_t kFixedFileInfoSignature = 0xfeef04bd;
inline constexpr uint32_t kFixedFileInfoVersion = 0x00010000;

}  // namespace google_breakpad::minidump
