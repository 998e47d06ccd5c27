#include "outside/crash_generation/amd64_context.h"

#include <string.h>

namespace google_breakpad {
namespace {

// Offsets of the CONTEXT_AMD64 fields this writer fills.
constexpr size_t kContextFlagsAt = 48;
constexpr size_t kMxCsrAt = 52;
constexpr size_t kSegCsAt = 56;  // then ds, es, fs, gs, ss, 2 bytes each
constexpr size_t kEFlagsAt = 68;
constexpr size_t kRaxAt = 120;   // then rcx, rdx, rbx, rsp, rbp, rsi, rdi, r8..r15
constexpr size_t kRipAt = 248;
constexpr size_t kFloatSaveAt = 256;
constexpr size_t kFxsaveMxCsrAt = 24;

template <class T>
void Store(std::array<uint8_t, minidump::kContextAmd64Size>& out, size_t at, T value) {
  for (size_t i = 0; i < sizeof(T); ++i) out[at + i] = static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i));
}

}  // namespace

std::array<uint8_t, minidump::kContextAmd64Size> EncodeAmd64Context(const ThreadRegisters& r) {
  std::array<uint8_t, minidump::kContextAmd64Size> out{};
  uint32_t flags = minidump::kContextControl | minidump::kContextInteger | minidump::kContextSegments;
  if (r.has_fxsave) {
    flags |= minidump::kContextFloatingPoint;
    uint32_t mxcsr;
    memcpy(&mxcsr, r.fxsave + kFxsaveMxCsrAt, sizeof mxcsr);
    Store(out, kMxCsrAt, mxcsr);
    memcpy(&out[kFloatSaveAt], r.fxsave, sizeof r.fxsave);
  }
  Store(out, kContextFlagsAt, flags);

  const uint16_t segments[] = {r.cs, r.ds, r.es, r.fs, r.gs, r.ss};
  for (size_t i = 0; i < std::size(segments); ++i) Store(out, kSegCsAt + 2 * i, segments[i]);
  Store(out, kEFlagsAt, static_cast<uint32_t>(r.eflags));

  const uint64_t integers[] = {r.rax, r.rcx, r.rdx, r.rbx, r.rsp, r.rbp, r.rsi, r.rdi,
                               r.r8,  r.r9,  r.r10, r.r11, r.r12, r.r13, r.r14, r.r15};
  for (size_t i = 0; i < std::size(integers); ++i) Store(out, kRaxAt + 8 * i, integers[i]);
  Store(out, kRipAt, r.rip);
  return out;
}

}  // namespace google_breakpad
