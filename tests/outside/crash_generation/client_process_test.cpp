// Real client processes against the server: exit notices, real crashes
// written as minidumps (checked field by field and opened with LLDB), and
// an upload sent from the crash handler.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <sstream>
#include <thread>

#include "crash_server_fixture.h"
#include "minidump_reader.h"
#include "support/files.h"
#include "support/named_program.h"
#include "support/run_program.h"
#include "outside/crash_generation/minidump_format.h"

namespace veska_test {
namespace {

namespace minidump = google_breakpad::minidump;

const std::filesystem::path kClientProgram = CRASH_TEST_CLIENT;

// The GNU build id of a file as binutils' readelf prints it.
std::vector<uint8_t> BuildIdByReadelf(const std::filesystem::path& file) {
  const ProgramRun run = RunProgram("/usr/bin/readelf", {"-n", file.string()});
  const size_t label = run.out.find("Build ID: ");
  if (label == std::string::npos) return {};
  std::istringstream hex(run.out.substr(label + 10));
  std::string digits;
  hex >> digits;
  std::vector<uint8_t> id;
  for (size_t i = 0; i + 1 < digits.size(); i += 2) id.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return id;
}

size_t IndexOf(const std::vector<ServerEvent>& events, ServerEvent::Kind kind) {
  return static_cast<size_t>(std::find_if(events.begin(), events.end(),
                                          [&](const ServerEvent& e) { return e.kind == kind; }) -
                             events.begin());
}

using CrashClientProcess = CrashServerFixture;

TEST_F(CrashClientProcess, RegisteredClientThatExitsIsReportedInOrder) {
  StartServer();
  ChildProcess child(kClientProgram, {"register-and-exit", kPipeName});
  ASSERT_TRUE(recorder_.WaitFor(ServerEvent::kExited));
  EXPECT_EQ(child.WaitExit(), 0);

  const std::vector<ServerEvent> events = recorder_.Events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, ServerEvent::kConnected);
  EXPECT_EQ(events[1].kind, ServerEvent::kExited);
  for (const ServerEvent& event : events) {
    EXPECT_EQ(event.pid, child.pid());
    ASSERT_EQ(event.custom_info.size(), 2u);
    EXPECT_EQ(event.custom_info[0].name, u"role");
    EXPECT_EQ(event.custom_info[0].value, u"register-and-exit");
  }
}

TEST_F(CrashClientProcess, DumpAskedForWithoutACrashHasNoExceptionAndTheClientGoesOn) {
  StartServer();
  ChildProcess child(kClientProgram, {"request-dump", kPipeName});
  ASSERT_TRUE(recorder_.WaitFor(ServerEvent::kExited));
  EXPECT_EQ(child.WaitExit(), 0) << "the client must hear that its dump is done";

  const auto dumps = recorder_.EventsOf(ServerEvent::kDumped);
  ASSERT_EQ(dumps.size(), 1u);
  const std::string content = ReadFile(dumps[0].path);
  const MinidumpReader reader(std::vector<uint8_t>(content.begin(), content.end()));
  ASSERT_TRUE(reader.HasValidHeader());
  EXPECT_FALSE(reader.GetException().has_value());
  const auto threads = reader.Threads();
  EXPECT_TRUE(std::any_of(threads.begin(), threads.end(),
                          [&](const auto& thread) { return thread.tid == static_cast<uint32_t>(child.pid()); }));
  EXPECT_FALSE(reader.Modules().empty());
  EXPECT_FALSE(reader.malformed());
}

TEST_F(CrashClientProcess, DumpIsWrittenWhileTheParentKeepsWaitingForTheClient) {
  // The launcher is the client's parent and polls it with waitpid; such a
  // call can collect the stop that the dump writer's ptrace causes. The
  // writer must not depend on receiving it.
  StartServer();
  const std::string program = kClientProgram.string();
  const std::string pipe_name = kPipeName;
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("request-dump"),
                  const_cast<char*>(pipe_name.c_str()), nullptr};
  pid_t pid = -1;
  ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ), 0);
  std::atomic<bool> give_up{false};
  int exit_status = -1;
  int collected_stops = 0;
  std::thread parent([&] {
    while (!give_up) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) != pid) continue;
      if (WIFSTOPPED(status)) {
        ++collected_stops;
      } else {
        exit_status = status;
        return;
      }
    }
    kill(pid, SIGKILL);
    waitpid(pid, &exit_status, 0);
  });
  const bool exited = recorder_.WaitFor(ServerEvent::kExited);
  give_up = true;
  parent.join();
  ASSERT_TRUE(exited);
  const auto dumps = recorder_.EventsOf(ServerEvent::kDumped);
  ASSERT_EQ(dumps.size(), 1u);
  EXPECT_TRUE(WIFEXITED(exit_status) && WEXITSTATUS(exit_status) == 0) << "status " << exit_status;
  // The main thread, whose stop the parent may have collected, is in the
  // dump with its registers.
  const std::string content = ReadFile(dumps[0].path);
  const MinidumpReader reader(std::vector<uint8_t>(content.begin(), content.end()));
  const auto threads = reader.Threads();
  const auto main_thread = std::find_if(threads.begin(), threads.end(),
                                        [&](const auto& thread) { return thread.tid == static_cast<uint32_t>(pid); });
  ASSERT_NE(main_thread, threads.end());
  EXPECT_NE(reader.ReadContext(main_thread->context).rip, 0u);
  RecordProperty("stops_collected_by_the_parent", collected_stops);
}

struct CrashCase {
  const char* role;
  int signal_number;
  const char* signal_name;
  bool on_main_thread = true;
  size_t threads_at_least = 3;  // main thread, two idle ones
};

void PrintTo(const CrashCase& c, std::ostream* out) { *out << c.role; }

class CrashDump : public CrashServerFixture, public ::testing::WithParamInterface<CrashCase> {};

TEST_P(CrashDump, WrittenForTheCrashAndReadableByLldb) {
  const CrashCase& c = GetParam();
  StartServer();
  ChildProcess child(kClientProgram, {c.role, kPipeName});
  ASSERT_TRUE(recorder_.WaitFor(ServerEvent::kExited)) << "the client never ended";
  EXPECT_EQ(child.WaitExit(), 128 + c.signal_number) << "the client must die by its signal";

  const std::vector<ServerEvent> events = recorder_.Events();
  ASSERT_EQ(recorder_.EventsOf(ServerEvent::kDumped).size(), 1u);
  EXPECT_LT(IndexOf(events, ServerEvent::kDumped), IndexOf(events, ServerEvent::kExited));
  const ServerEvent dumped = recorder_.EventsOf(ServerEvent::kDumped)[0];
  EXPECT_EQ(dumped.pid, child.pid());
  ASSERT_TRUE(dumped.has_path);
  const std::filesystem::path dump = dumped.path;
  EXPECT_EQ(dump.parent_path(), std::filesystem::path(dump_folder_));
  EXPECT_EQ(dump.extension(), ".dmp");
  ASSERT_EQ(FilesIn(dump_folder_), std::vector<std::filesystem::path>{dump});

  const std::string content = ReadFile(dump);
  const MinidumpReader reader(std::vector<uint8_t>(content.begin(), content.end()));
  ASSERT_TRUE(reader.HasValidHeader());
  EXPECT_EQ(reader.ProcessId(), static_cast<uint32_t>(child.pid()));
  EXPECT_EQ(reader.ProcessorArchitecture(), minidump::kProcessorArchitectureAmd64);
  EXPECT_EQ(reader.PlatformId(), minidump::kPlatformLinux);
  EXPECT_NE(reader.StreamText(minidump::kLinuxMapsStream).find(kClientProgram.string()), std::string::npos);
  EXPECT_NE(reader.StreamText(minidump::kLinuxProcStatusStream).find("Pid:\t" + std::to_string(child.pid())),
            std::string::npos);

  // The exception names the crashing thread with its signal.
  const auto exception = reader.GetException();
  ASSERT_TRUE(exception.has_value());
  EXPECT_EQ(exception->tid == static_cast<uint32_t>(child.pid()), c.on_main_thread);
  EXPECT_EQ(exception->code, static_cast<uint32_t>(c.signal_number));
  const auto crash_context = reader.ReadContext(exception->context);
  EXPECT_EQ(crash_context.flags & minidump::kContextAmd64, minidump::kContextAmd64);

  // Every thread with registers and a stack that the memory list holds too;
  // the crashing one with the handler's context.
  const auto threads = reader.Threads();
  EXPECT_GE(threads.size(), c.threads_at_least);
  EXPECT_TRUE(std::any_of(threads.begin(), threads.end(),
                          [&](const auto& thread) { return thread.tid == static_cast<uint32_t>(child.pid()); }));
  const auto ranges = reader.MemoryRanges();
  bool crashing_thread_listed = false;
  for (const auto& thread : threads) {
    const auto context = reader.ReadContext(thread.context);
    EXPECT_NE(context.rip, 0u) << "thread " << thread.tid;
    ASSERT_GT(thread.stack.size, 0u) << "thread " << thread.tid;
    EXPECT_LE(thread.stack_start, context.rsp);
    EXPECT_LT(context.rsp, thread.stack_start + thread.stack.size);
    EXPECT_TRUE(std::any_of(ranges.begin(), ranges.end(), [&](const auto& range) {
      return range.start == thread.stack_start && range.data.rva == thread.stack.rva;
    })) << "stack of thread " << thread.tid << " missing from the memory list";
    if (thread.tid == exception->tid) {
      crashing_thread_listed = true;
      EXPECT_EQ(thread.context.rva, exception->context.rva);
    }
  }
  EXPECT_TRUE(crashing_thread_listed);

  // The client's executable, with the build id its file carries; the crash
  // address inside a listed module.
  const auto modules = reader.Modules();
  const auto client_module = std::find_if(modules.begin(), modules.end(),
                                          [](const auto& m) { return m.name == kClientProgram.string(); });
  ASSERT_NE(client_module, modules.end());
  EXPECT_EQ(client_module->codeview_signature, minidump::kCvSignatureElfBuildId);
  const std::vector<uint8_t> build_id = BuildIdByReadelf(kClientProgram);
  ASSERT_FALSE(build_id.empty());
  EXPECT_EQ(client_module->codeview_data, build_id);
  EXPECT_TRUE(std::any_of(modules.begin(), modules.end(), [&](const auto& m) {
    return crash_context.rip >= m.base && crash_context.rip < m.base + m.size;
  }));
  EXPECT_FALSE(reader.malformed());

  if (!std::filesystem::exists("/usr/bin/lldb")) GTEST_SKIP() << "lldb is not installed";
  const ProgramRun lldb = RunProgram("/usr/bin/lldb", {"--batch", "-c", dump.string(), "-o", "bt"}, {},
                                     std::chrono::seconds(90));
  EXPECT_NE(lldb.out.find("CrashInNamedFunctionForTest"), std::string::npos) << lldb.out << lldb.err;
  EXPECT_NE(lldb.out.find(std::string("signal ") + c.signal_name), std::string::npos) << lldb.out;
  EXPECT_NE(lldb.out.find("main"), std::string::npos) << lldb.out;
}

INSTANTIATE_TEST_SUITE_P(Signals, CrashDump,
                         ::testing::Values(CrashCase{"segv", SIGSEGV, "SIGSEGV"},
                                           CrashCase{"segv-in-thread", SIGSEGV, "SIGSEGV", false, 4},
                                           CrashCase{"segv-alone", SIGSEGV, "SIGSEGV", true, 1},
                                           CrashCase{"abort", SIGABRT, "SIGABRT"},
                                           CrashCase{"fpe", SIGFPE, "SIGFPE"}),
                         [](const auto& info) {
                           std::string name = info.param.role;
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

TEST_F(CrashClientProcess, UploadSentFromTheCrashHandlerArrivesAfterTheDump) {
  StartServer();
  ChildProcess child(kClientProgram, {"segv-then-upload", kPipeName, "qelLog_crash.log"});
  ASSERT_TRUE(recorder_.WaitFor(ServerEvent::kExited));
  ASSERT_TRUE(recorder_.WaitFor(ServerEvent::kUpload));
  EXPECT_EQ(child.WaitExit(), 128 + SIGSEGV);

  const std::vector<ServerEvent> events = recorder_.Events();
  EXPECT_LT(IndexOf(events, ServerEvent::kDumped), IndexOf(events, ServerEvent::kUpload));
  const ServerEvent upload = recorder_.EventsOf(ServerEvent::kUpload)[0];
  EXPECT_EQ(upload.pid, child.pid());
  ASSERT_EQ(upload.payload.count, 2u);
  EXPECT_EQ(google_breakpad::TerminatedText(upload.payload.entries[0].value, google_breakpad::kUploadValueLength),
            u"qelLog_crash.log");
  EXPECT_EQ(google_breakpad::TerminatedText(upload.payload.entries[1].name, google_breakpad::kUploadNameLength),
            u"callstack_md5");
}

TEST_F(CrashClientProcess, DumpThatCannotBeWrittenIsNotReportedAndTheClientStillEnds) {
  std::filesystem::remove(dump_folder_);
  StartServer();
  const auto started = std::chrono::steady_clock::now();
  ChildProcess child(kClientProgram, {"segv", kPipeName});
  ASSERT_TRUE(recorder_.WaitFor(ServerEvent::kExited));
  EXPECT_EQ(child.WaitExit(), 128 + SIGSEGV);
  // Told at once that the dump is over: well before its 10-second wait.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
  EXPECT_TRUE(recorder_.EventsOf(ServerEvent::kDumped).empty());
  EXPECT_FALSE(std::filesystem::exists(dump_folder_));
}

}  // namespace
}  // namespace veska_test
