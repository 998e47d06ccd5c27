#pragma once
// The registers of one x86-64 thread, filled either from ptrace or from the
// context the kernel hands a signal handler. Fixed-width fields only: the
// client stores this record in its crash-info block and the server reads it
// from there byte for byte.

#include <cstdint>

namespace google_breakpad {

struct ThreadRegisters {
  uint64_t rax = 0, rbx = 0, rcx = 0, rdx = 0;
  uint64_t rsi = 0, rdi = 0, rbp = 0, rsp = 0;
  uint64_t r8 = 0, r9 = 0, r10 = 0, r11 = 0, r12 = 0, r13 = 0, r14 = 0, r15 = 0;
  uint64_t rip = 0;
  uint64_t eflags = 0;
  uint64_t fs_base = 0;
  uint64_t gs_base = 0;
  uint16_t cs = 0, ds = 0, es = 0, fs = 0, gs = 0, ss = 0;
  uint32_t has_fxsave = 0;  // 1 when `fxsave` holds the FXSAVE image
  alignas(16) uint8_t fxsave[512] = {};
};

static_assert(sizeof(ThreadRegisters) == 688, "shared between processes: keep the layout");

}  // namespace google_breakpad
