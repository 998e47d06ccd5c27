// Records per second from two threads into a log file, one flush per record:
// LauncherLog beside spdlog's asynchronous file logger (flush_on(trace)), both
// writing records of the same size. A round ends when every record is on disk
// (LauncherLog shut down, spdlog's thread pool joined).
//
//   bench_launcher_log [--records=N] [--rounds=N]   (--help)

#include <spdlog/async.h>
#include <spdlog/async_logger.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tools/command_line/tool_command_line.h"
#include "zerozedev/log/launcher_log.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kThreads = 2;
const std::string kPadding(60, '.');

struct Written {
  std::uintmax_t bytes = 0;
  std::size_t lines = 0;
};

Written Measure(const fs::path& folder) {
  Written written;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    written.bytes += entry.file_size();
    std::FILE* file = std::fopen(entry.path().c_str(), "rb");
    if (!file) continue;
    for (int c; (c = std::fgetc(file)) != EOF;) written.lines += c == '\n';
    std::fclose(file);
  }
  return written;
}

// Runs `perThread(thread, records)` on kThreads threads, then `finish`;
// returns the seconds from the start until `finish` has returned.
double TimeRound(int records, const std::function<void(int, int)>& perThread, const std::function<void()>& finish) {
  const auto start = Clock::now();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back(perThread, t, records / kThreads);
  for (auto& thread : threads) thread.join();
  finish();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double LauncherLogRound(const fs::path& data, int records) {
  ::setenv("XDG_DATA_HOME", data.c_str(), 1);
  LauncherLog log;
  log.Open("zerozedev");
  return TimeRound(
      records,
      [&log](int thread, int count) {
        for (int i = 0; i < count; ++i) log.Write(4, "zerozedev", 123, "Bench::Run", "%d %08d %s", thread, i, kPadding.c_str());
      },
      [&log] { log.Shutdown(); });
}

double SpdlogRound(const fs::path& folder, int records) {
  auto pool = std::make_shared<spdlog::details::thread_pool>(8192, 1);
  auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>((folder / "spdlog.log").string(), true);
  auto logger = std::make_shared<spdlog::async_logger>("bench", sink, pool, spdlog::async_overflow_policy::block);
  // The same 24-character time and fields as a LauncherLog record.
  logger->set_pattern("%a %b %d %H:%M:%S %Y |4|zerozedev|123|Bench::Run|%v");
  logger->flush_on(spdlog::level::trace);
  return TimeRound(
      records,
      [&logger](int thread, int count) {
        for (int i = 0; i < count; ++i) logger->info("{} {:08d} {}", thread, i, kPadding);
      },
      [&] {
        logger.reset();
        pool.reset();  // drains the queue and joins the worker
      });
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int records = 200000;
  int rounds = 5;
  CLI::App app(
      "Records per second from two threads into a log file, one flush per record:\n"
      "LauncherLog beside spdlog's asynchronous file logger; prints both, the ratio\n"
      "and the bytes written. The median of the rounds counts.",
      "bench_launcher_log");
  app.add_option("--records", records, "records per round (default 200000)")
      ->check(CLI::Range(kThreads, 100000000))
      ->option_text("N");
  app.add_option("--rounds", rounds, "rounds (default 5)")->check(CLI::Range(1, 1000))->option_text("N");
  if (const auto exit_code = ParseToolCommandLine(app, argc, argv)) return *exit_code;
  const fs::path root = fs::temp_directory_path() / ("bench_launcher_log_" + std::to_string(::getpid()));

  std::vector<double> ours;
  std::vector<double> theirs;
  Written oursWritten;
  Written theirsWritten;
  for (int round = 0; round < rounds; ++round) {
    const fs::path a = root / ("launcher_log_" + std::to_string(round));
    const fs::path b = root / ("spdlog_" + std::to_string(round));
    fs::create_directories(a);
    fs::create_directories(b);
    ours.push_back(records / LauncherLogRound(a, records));
    theirs.push_back(records / SpdlogRound(b, records));
    oursWritten = Measure(a);
    theirsWritten = Measure(b);
    fs::remove_all(a);
    fs::remove_all(b);
  }
  fs::remove_all(root);

  const int written = records / kThreads * kThreads;
  std::printf("records per round: %d from %d threads, one flush per record, %d rounds (median)\n", written,
              kThreads, rounds);
  std::printf("LauncherLog: %10.0f records/s  (%zu lines, %ju bytes, %.1f bytes/record)\n", Median(ours),
              oursWritten.lines, oursWritten.bytes, static_cast<double>(oursWritten.bytes) / written);
  std::printf("spdlog async: %9.0f records/s  (%zu lines, %ju bytes, %.1f bytes/record)\n", Median(theirs),
              theirsWritten.lines, theirsWritten.bytes, static_cast<double>(theirsWritten.bytes) / written);
  std::printf("ratio LauncherLog/spdlog: %.2f\n", Median(ours) / Median(theirs));
  const bool complete = oursWritten.lines == static_cast<std::size_t>(written) &&
                        theirsWritten.lines == static_cast<std::size_t>(written);
  if (!complete) std::printf("records missing: the figures do not compare\n");
  return complete ? 0 : 1;
}
