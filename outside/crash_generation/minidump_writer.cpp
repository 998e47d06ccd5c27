#include "outside/crash_generation/minidump_writer.h"

#include <cpuid.h>
#include <fcntl.h>
#include <string.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

#include "platform/text.h"
#include "platform/unique_fd.h"
#include "outside/crash_generation/amd64_context.h"
#include "outside/crash_generation/elf_build_id.h"
#include "outside/crash_generation/minidump_builder.h"
#include "outside/crash_generation/minidump_format.h"
#include "outside/crash_generation/process_memory.h"
#include "outside/crash_generation/process_suspension.h"
#include "outside/crash_generation/proc_maps.h"

namespace google_breakpad {
namespace {

using platform::Error;
using platform::Status;

constexpr auto kStopLimitPerThread = std::chrono::milliseconds(2000);
// The x86-64 ABI lets leaf functions use 128 bytes below the stack pointer.
constexpr uint64_t kRedZone = 128;
constexpr uint64_t kMaxStackBytes = 512 * 1024;
// Code around the crashing instruction, for disassembly without the file.
constexpr uint64_t kCodeAroundCrash = 256;

struct CapturedMemory {
  uint64_t start = 0;
  std::vector<uint8_t> bytes;
};

struct CapturedThread {
  uint32_t tid = 0;
  ThreadRegisters registers;
  CapturedMemory stack;
};

struct CapturedModule {
  MappedFile file;
  std::vector<uint8_t> build_id;
};

struct ProcessSnapshot {
  std::vector<CapturedThread> threads;
  std::vector<CapturedModule> modules;
  std::vector<CapturedMemory> extra_memory;
  std::string maps, status, cmdline, auxv;
};

CapturedMemory CaptureRange(int pid, const std::vector<MemoryMapping>& mappings, uint64_t start,
                            uint64_t wanted) {
  CapturedMemory memory;
  memory.start = start;
  const MemoryMapping* mapping = FindMapping(mappings, start);
  if (mapping == nullptr || !mapping->readable) return memory;
  memory.bytes.resize(static_cast<size_t>(std::min(wanted, mapping->end - start)));
  memory.bytes.resize(ReadProcessMemory(pid, start, memory.bytes.data(), memory.bytes.size()));
  return memory;
}

CapturedMemory CaptureStack(int pid, const std::vector<MemoryMapping>& mappings, uint64_t sp) {
  const MemoryMapping* mapping = FindMapping(mappings, sp);
  if (mapping == nullptr) return CapturedMemory{sp, {}};
  const uint64_t start = std::max(mapping->start, sp >= kRedZone ? sp - kRedZone : 0);
  return CaptureRange(pid, mappings, start, kMaxStackBytes);
}

platform::Result<ProcessSnapshot> CaptureProcess(int pid, const std::optional<CrashDetails>& crash) {
  // The crashing thread waits in its signal handler, which recorded its
  // registers; it is not stopped. That keeps the stop away from the main
  // thread in the usual case, whose stop notices our parent process (the
  // launcher) could otherwise collect in its own waitpid for the client.
  const int crashing_tid = crash ? static_cast<int>(crash->thread_id) : 0;
  ProcessSuspension suspension = ProcessSuspension::Suspend(pid, kStopLimitPerThread, crashing_tid);
  const auto& suspended = suspension.threads();
  // A client with one thread has nothing to stop: its crashing thread waits
  // in the handler, which holds the process still enough for the dump.
  const bool usable = std::any_of(suspended.begin(), suspended.end(), [&](const SuspendedThread& t) {
    return t.stopped || (crashing_tid != 0 && t.tid == crashing_tid);
  });
  if (!usable) {
    return Error{ESRCH, "no thread of process " + std::to_string(pid) + " could be stopped"};
  }
  ProcessSnapshot snapshot;
  snapshot.maps = ReadProcFile(pid, "maps");
  const std::vector<MemoryMapping> mappings = ParseProcMaps(snapshot.maps);
  if (mappings.empty()) return Error{ESRCH, "no memory map of process " + std::to_string(pid)};

  for (const SuspendedThread& listed : suspended) {
    CapturedThread thread;
    thread.tid = static_cast<uint32_t>(listed.tid);
    if (crash && crash->thread_id == thread.tid) {
      // Where the thread really was when the signal came, not where its
      // handler waits now.
      thread.registers = crash->context.registers;
    } else if (listed.has_registers) {
      thread.registers = listed.registers;
    } else {
      continue;
    }
    snapshot.threads.push_back(std::move(thread));
  }
  for (CapturedThread& thread : snapshot.threads) {
    thread.stack = CaptureStack(pid, mappings, thread.registers.rsp);
  }
  if (crash) {
    const uint64_t ip = crash->context.registers.rip;
    const uint64_t start = ip >= kCodeAroundCrash ? ip - kCodeAroundCrash : 0;
    const MemoryMapping* code = FindMapping(mappings, ip);
    if (code != nullptr) {
      CapturedMemory memory = CaptureRange(pid, mappings, std::max(start, code->start), 2 * kCodeAroundCrash);
      if (!memory.bytes.empty()) snapshot.extra_memory.push_back(std::move(memory));
    }
  }
  for (const MappedFile& file : MappedFiles(mappings)) {
    if (!IsLoadedElfImage(pid, file.base)) continue;
    snapshot.modules.push_back(CapturedModule{file, ReadLoadedElfBuildId(pid, file.base)});
  }
  snapshot.status = ReadProcFile(pid, "status");
  snapshot.cmdline = ReadProcFile(pid, "cmdline");
  snapshot.auxv = ReadProcFile(pid, "auxv");
  return snapshot;
}

class StreamDirectory {
 public:
  void Add(uint32_t type, MinidumpLocation location) { entries_.push_back({type, location}); }

  // Writes the header and the directory; call once every stream is in.
  void Finish(MinidumpBuilder& builder, uint32_t header_rva) const {
    const MinidumpLocation directory =
        builder.Allocate(entries_.size() * minidump::kDirectoryEntrySize, 4);
    for (size_t i = 0; i < entries_.size(); ++i) {
      const uint32_t at = directory.rva + static_cast<uint32_t>(i * minidump::kDirectoryEntrySize);
      builder.Put32(at, entries_[i].type);
      builder.PutLocation(at + 4, entries_[i].location);
    }
    builder.Put32(header_rva, minidump::kSignature);
    builder.Put32(header_rva + 4, minidump::kVersion);
    builder.Put32(header_rva + 8, static_cast<uint32_t>(entries_.size()));
    builder.Put32(header_rva + 12, directory.rva);
    builder.Put32(header_rva + 16, 0);  // checksum
    builder.Put32(header_rva + 20, static_cast<uint32_t>(time(nullptr)));
    builder.Put64(header_rva + 24, 0);  // flags
  }

 private:
  struct Entry {
    uint32_t type;
    MinidumpLocation location;
  };
  std::vector<Entry> entries_;
};

struct WrittenThread {
  uint32_t tid;
  MinidumpLocation context;
  uint64_t stack_start;
  MinidumpLocation stack;
};

std::vector<WrittenThread> AddThreadList(MinidumpBuilder& builder, StreamDirectory& directory,
                                         const ProcessSnapshot& snapshot) {
  const size_t count = snapshot.threads.size();
  const MinidumpLocation list = builder.Allocate(4 + count * minidump::kThreadSize, 8);
  builder.Put32(list.rva, static_cast<uint32_t>(count));
  std::vector<WrittenThread> written;
  for (size_t i = 0; i < count; ++i) {
    const CapturedThread& thread = snapshot.threads[i];
    const auto context_bytes = EncodeAmd64Context(thread.registers);
    const MinidumpLocation context = builder.AppendBytes(context_bytes.data(), context_bytes.size(), 16);
    const MinidumpLocation stack = builder.AppendBytes(thread.stack.bytes.data(), thread.stack.bytes.size(), 16);
    const uint32_t at = list.rva + 4 + static_cast<uint32_t>(i * minidump::kThreadSize);
    builder.Put32(at, thread.tid);
    // Suspend count, priority class and priority stay 0; the TEB field
    // carries the thread pointer, as is usual on Linux.
    builder.Put64(at + 16, thread.registers.fs_base);
    builder.Put64(at + 24, thread.stack.start);
    builder.PutLocation(at + 32, stack);
    builder.PutLocation(at + 40, context);
    written.push_back(WrittenThread{thread.tid, context, thread.stack.start, stack});
  }
  directory.Add(minidump::kThreadListStream, list);
  return written;
}

void AddModuleList(MinidumpBuilder& builder, StreamDirectory& directory, const ProcessSnapshot& snapshot) {
  const size_t count = snapshot.modules.size();
  const MinidumpLocation list = builder.Allocate(4 + count * minidump::kModuleSize, 8);
  builder.Put32(list.rva, static_cast<uint32_t>(count));
  for (size_t i = 0; i < count; ++i) {
    const CapturedModule& module = snapshot.modules[i];
    const MinidumpLocation name = builder.AppendString(platform::Utf8ToUtf16(module.file.path));
    MinidumpLocation codeview;
    if (!module.build_id.empty()) {
      codeview = builder.Allocate(4 + module.build_id.size(), 4);
      builder.Put32(codeview.rva, minidump::kCvSignatureElfBuildId);
      builder.PutBytes(codeview.rva + 4, module.build_id.data(), module.build_id.size());
    }
    const uint32_t at = list.rva + 4 + static_cast<uint32_t>(i * minidump::kModuleSize);
    builder.Put64(at, module.file.base);
    builder.Put32(at + 8, static_cast<uint32_t>(module.file.end - module.file.base));
    builder.Put32(at + 20, name.rva);
    builder.Put32(at + 24, minidump::kFixedFileInfoSignature);
    builder.Put32(at + 28, minidump::kFixedFileInfoVersion);
    builder.PutLocation(at + 76, codeview);
  }
  directory.Add(minidump::kModuleListStream, list);
}

void AddMemoryList(MinidumpBuilder& builder, StreamDirectory& directory,
                   const std::vector<WrittenThread>& threads, const ProcessSnapshot& snapshot) {
  struct Range {
    uint64_t start;
    MinidumpLocation location;
  };
  std::vector<Range> ranges;
  for (const WrittenThread& thread : threads) {
    if (thread.stack.size != 0) ranges.push_back({thread.stack_start, thread.stack});
  }
  for (const CapturedMemory& memory : snapshot.extra_memory) {
    ranges.push_back({memory.start, builder.AppendBytes(memory.bytes.data(), memory.bytes.size(), 16)});
  }
  const MinidumpLocation list = builder.Allocate(4 + ranges.size() * minidump::kMemoryDescriptorSize, 8);
  builder.Put32(list.rva, static_cast<uint32_t>(ranges.size()));
  for (size_t i = 0; i < ranges.size(); ++i) {
    const uint32_t at = list.rva + 4 + static_cast<uint32_t>(i * minidump::kMemoryDescriptorSize);
    builder.Put64(at, ranges[i].start);
    builder.PutLocation(at + 8, ranges[i].location);
  }
  directory.Add(minidump::kMemoryListStream, list);
}

void AddException(MinidumpBuilder& builder, StreamDirectory& directory, const CrashDetails& crash,
                  const std::vector<WrittenThread>& threads) {
  const auto thread = std::find_if(threads.begin(), threads.end(),
                                   [&](const WrittenThread& t) { return t.tid == crash.thread_id; });
  if (thread == threads.end()) return;
  const MinidumpLocation stream = builder.Allocate(minidump::kExceptionStreamSize, 8);
  builder.Put32(stream.rva, crash.thread_id);
  // As on Linux dumps generally: the signal as the exception code, its
  // si_code as the flags, the fault address as the exception address.
  builder.Put32(stream.rva + 8, crash.context.signal_number);
  builder.Put32(stream.rva + 12, static_cast<uint32_t>(crash.context.signal_code));
  builder.Put64(stream.rva + 24, crash.context.fault_address);
  builder.PutLocation(stream.rva + 160, thread->context);
  directory.Add(minidump::kExceptionStream, stream);
}

void AddSystemInfo(MinidumpBuilder& builder, StreamDirectory& directory) {
  const MinidumpLocation info = builder.Allocate(minidump::kSystemInfoSize, 8);
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  uint32_t vendor[3] = {};
  uint32_t version = 0, features = 0, extended = 0;
  if (__get_cpuid(0, &eax, &ebx, &ecx, &edx)) {
    vendor[0] = ebx; vendor[1] = edx; vendor[2] = ecx;
  }
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
    version = eax;
    features = edx;
  }
  if (__get_cpuid(0x80000001, &eax, &ebx, &ecx, &edx)) extended = ecx;
  const uint32_t family = ((version >> 8) & 0xf) + ((version >> 20) & 0xff);
  const uint32_t model = ((version >> 4) & 0xf) | ((version >> 12) & 0xf0);
  const uint32_t stepping = version & 0xf;

  builder.Put16(info.rva, minidump::kProcessorArchitectureAmd64);
  builder.Put16(info.rva + 2, static_cast<uint16_t>(family));
  builder.Put16(info.rva + 4, static_cast<uint16_t>((model << 8) | stepping));
  const uint8_t processors = static_cast<uint8_t>(std::clamp<long>(sysconf(_SC_NPROCESSORS_ONLN), 1, 255));
  builder.PutBytes(info.rva + 6, &processors, 1);

  utsname names{};
  std::u16string description;
  if (uname(&names) == 0) {
    uint32_t parts[3] = {};
    const char* at = names.release;
    const char* end = names.release + strlen(names.release);
    for (uint32_t& part : parts) {
      const auto result = std::from_chars(at, end, part);
      at = result.ptr;
      if (at == end || *at != '.') break;
      ++at;
    }
    builder.Put32(info.rva + 8, parts[0]);
    builder.Put32(info.rva + 12, parts[1]);
    builder.Put32(info.rva + 16, parts[2]);
    description = platform::Utf8ToUtf16(std::string(names.sysname) + " " + names.release + " " +
                                        names.version + " " + names.machine);
  }
  builder.Put32(info.rva + 20, minidump::kPlatformLinux);
  builder.Put32(info.rva + 32, vendor[0]);
  builder.Put32(info.rva + 36, vendor[1]);
  builder.Put32(info.rva + 40, vendor[2]);
  builder.Put32(info.rva + 44, version);
  builder.Put32(info.rva + 48, features);
  builder.Put32(info.rva + 52, extended);
  const MinidumpLocation csd = builder.AppendString(description);
  builder.Put32(info.rva + 24, csd.rva);
  directory.Add(minidump::kSystemInfoStream, info);
}

void AddMiscInfo(MinidumpBuilder& builder, StreamDirectory& directory, int pid) {
  const MinidumpLocation info = builder.Allocate(minidump::kMiscInfoSize, 4);
  builder.Put32(info.rva, minidump::kMiscInfoSize);
  builder.Put32(info.rva + 4, minidump::kMiscInfoProcessId);
  builder.Put32(info.rva + 8, static_cast<uint32_t>(pid));
  directory.Add(minidump::kMiscInfoStream, info);
}

void AddText(MinidumpBuilder& builder, StreamDirectory& directory, uint32_t type, const std::string& text) {
  if (text.empty()) return;
  directory.Add(type, builder.AppendBytes(text.data(), text.size(), 4));
}

Status WriteFileExclusively(const std::string& path, const std::vector<uint8_t>& bytes) {
  platform::UniqueFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (!fd) return platform::LastError("create " + path);
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd.get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Error error = platform::LastError("write " + path);
      unlink(path.c_str());
      return error;
    }
    done += static_cast<size_t>(n);
  }
  if (close(fd.release()) != 0) {
    Error error = platform::LastError("close " + path);
    unlink(path.c_str());
    return error;
  }
  return Status::Ok();
}

}  // namespace

Status WriteMinidump(int pid, const std::optional<CrashDetails>& crash, const std::string& path) {
  auto snapshot = CaptureProcess(pid, crash);
  if (!snapshot) return snapshot.error();

  MinidumpBuilder builder;
  StreamDirectory directory;
  const MinidumpLocation header = builder.Allocate(minidump::kHeaderSize, 4);
  AddSystemInfo(builder, directory);
  AddMiscInfo(builder, directory, pid);
  const std::vector<WrittenThread> threads = AddThreadList(builder, directory, *snapshot);
  AddModuleList(builder, directory, *snapshot);
  AddMemoryList(builder, directory, threads, *snapshot);
  if (crash) AddException(builder, directory, *crash, threads);
  AddText(builder, directory, minidump::kLinuxProcStatusStream, snapshot->status);
  AddText(builder, directory, minidump::kLinuxCmdLineStream, snapshot->cmdline);
  AddText(builder, directory, minidump::kLinuxAuxvStream, snapshot->auxv);
  AddText(builder, directory, minidump::kLinuxMapsStream, snapshot->maps);
  directory.Finish(builder, header.rva);
  // Offsets inside the file are 32 bits wide.
  if (builder.size() > UINT32_MAX) return Error{EFBIG, "minidump of process " + std::to_string(pid)};
  return WriteFileExclusively(path, builder.bytes());
}

}  // namespace google_breakpad
