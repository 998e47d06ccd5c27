#include "outside/crash_generation/client_crash_handler.h"

#include <asm/prctl.h>
#include <signal.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <iterator>

namespace google_breakpad {
namespace {

constexpr int kHandledSignals[] = {SIGSEGV, SIGABRT, SIGFPE, SIGILL, SIGBUS};
constexpr size_t kAlternateStackSize = 64 * 1024;

std::atomic<ClientCrashHandler*> g_handler{nullptr};
// The first crashing thread reports; any other one waits for it to finish.
std::atomic<bool> g_reporting{false};
struct sigaction g_previous[std::size(kHandledSignals)];

void FillRegisters(const ucontext_t& context, ThreadRegisters& out) {
  const greg_t* g = context.uc_mcontext.gregs;
  out.r8 = g[REG_R8]; out.r9 = g[REG_R9]; out.r10 = g[REG_R10]; out.r11 = g[REG_R11];
  out.r12 = g[REG_R12]; out.r13 = g[REG_R13]; out.r14 = g[REG_R14]; out.r15 = g[REG_R15];
  out.rdi = g[REG_RDI]; out.rsi = g[REG_RSI]; out.rbp = g[REG_RBP]; out.rbx = g[REG_RBX];
  out.rdx = g[REG_RDX]; out.rax = g[REG_RAX]; out.rcx = g[REG_RCX]; out.rsp = g[REG_RSP];
  out.rip = g[REG_RIP];
  out.eflags = g[REG_EFL];
  // cs, gs, fs and (on current kernels) ss, 16 bits each.
  const uint64_t segments = static_cast<uint64_t>(g[REG_CSGSFS]);
  out.cs = static_cast<uint16_t>(segments);
  out.gs = static_cast<uint16_t>(segments >> 16);
  out.fs = static_cast<uint16_t>(segments >> 32);
  out.ss = static_cast<uint16_t>(segments >> 48);
  unsigned long fs_base = 0;
  if (syscall(SYS_arch_prctl, ARCH_GET_FS, &fs_base) == 0) out.fs_base = fs_base;
  if (context.uc_mcontext.fpregs != nullptr) {
    static_assert(sizeof(*context.uc_mcontext.fpregs) == sizeof out.fxsave);
    memcpy(out.fxsave, context.uc_mcontext.fpregs, sizeof out.fxsave);
    out.has_fxsave = 1;
  }
}

void RestoreDefaultDispositions() {
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  for (const int signal_number : kHandledSignals) sigaction(signal_number, &fallback, nullptr);
}

void SleepMilliseconds(int milliseconds) {
  timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1'000'000L};
  while (nanosleep(&pause, &pause) != 0) {
  }
}

}  // namespace

ClientCrashHandler::ClientCrashHandler(CrashGenerationClient* client, std::chrono::milliseconds dump_wait,
                                       AfterDumpCallback after_dump, void* after_dump_context)
    : client_(client),
      dump_wait_ms_(static_cast<int>(dump_wait.count())),
      after_dump_(after_dump),
      after_dump_context_(after_dump_context) {
  ClientCrashHandler* expected = nullptr;
  if (!g_handler.compare_exchange_strong(expected, this)) return;
  InstallAlternateStack();
  struct sigaction action {};
  action.sa_sigaction = HandleSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  // While one is handled, the others wait: a second fault on the way must
  // not end the process before its dump is written.
  for (const int signal_number : kHandledSignals) sigaddset(&action.sa_mask, signal_number);
  for (size_t i = 0; i < std::size(kHandledSignals); ++i) sigaction(kHandledSignals[i], &action, &g_previous[i]);
  installed_ = true;
}

ClientCrashHandler::~ClientCrashHandler() {
  if (!installed_) return;
  for (size_t i = 0; i < std::size(kHandledSignals); ++i) sigaction(kHandledSignals[i], &g_previous[i], nullptr);
  g_handler = nullptr;
}

bool ClientCrashHandler::InstallAlternateStack() {
  stack_t current{};
  if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE) &&
      current.ss_size >= kAlternateStackSize) {
    return true;
  }
  // Kept for the thread's whole life: a thread may crash at any moment.
  void* memory = mmap(nullptr, kAlternateStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return false;
  stack_t stack{};
  stack.ss_sp = memory;
  stack.ss_size = kAlternateStackSize;
  if (sigaltstack(&stack, nullptr) != 0) {
    munmap(memory, kAlternateStackSize);
    return false;
  }
  return true;
}

void ClientCrashHandler::HandleSignal(int signal_number, siginfo_t* info, void* ucontext) {
  ClientCrashHandler* handler = g_handler.load();
  if (handler != nullptr) {
    if (!g_reporting.exchange(true)) {
      handler->Report(signal_number, info, ucontext);
    } else {
      // Another thread is reporting; give it the time its dump may take.
      SleepMilliseconds(handler->dump_wait_ms_ + 1000);
    }
  }
  RestoreDefaultDispositions();
  // A fault happens again when the handler returns and now kills the
  // process; a sent signal (raise, abort, kill) has to be sent again. It
  // stays blocked until the handler returns.
  if (info == nullptr || info->si_code <= 0 || signal_number == SIGABRT) {
    syscall(SYS_tgkill, getpid(), gettid(), signal_number);
  }
}

void ClientCrashHandler::Report(int signal_number, const siginfo_t* info, const void* ucontext) {
  CrashContextRecord record;
  record.signal_number = static_cast<uint32_t>(signal_number);
  if (info != nullptr) {
    record.signal_code = info->si_code;
    record.fault_address = reinterpret_cast<uintptr_t>(info->si_addr);
  }
  if (ucontext != nullptr) FillRegisters(*static_cast<const ucontext_t*>(ucontext), record.registers);
  if (signal_number == SIGABRT || info == nullptr || info->si_code <= 0) {
    record.fault_address = record.registers.rip;  // si_addr means nothing for a sent signal
  }
  const bool written = client_->RequestDumpForCrash(static_cast<uint32_t>(gettid()), record, dump_wait_ms_);
  if (after_dump_ != nullptr) after_dump_(after_dump_context_, written);
}

}  // namespace google_breakpad
