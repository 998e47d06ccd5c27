// The file digest and the CRC-32 of libkvt.so beside their references on one
// large file (1 GiB by default, random bytes, read from the page cache):
//   - KvtGetFileMD5String against md5sum on the file;
//   - KvtGetCRC32 against zlib's crc32 on the file's bytes in memory.
// Each measurement runs in a child process of its own, so that its peak
// resident memory is its own; the best of the rounds counts, and the library
// and its reference take turns going first. Ratios above 1
// mean the library is faster.
//
//   bench_kvt_hashing [--size-mib=N] [--rounds=N] [--file=PATH]   (--help)

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "kvt.h"
#include "tools/command_line/tool_command_line.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Measurement {
  double seconds = 0;
  long peak_kib = 0;
  std::string answer;
};

// What the child writes to `fd` until it ends, then its end and its usage.
std::string ReadAllAndReap(int fd, pid_t pid, int& status, rusage& usage) {
  std::string text;
  char buffer[256];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
  close(fd);
  wait4(pid, &status, 0, &usage);
  return text;
}

// Runs `work` in a child; the child writes its answer and its own timing to
// a pipe, the parent reads the child's peak memory from wait4.
Measurement InChild(const std::function<std::string(double&)>& work) {
  int fds[2];
  if (pipe(fds) != 0) std::exit(1);
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    double seconds = 0;
    const std::string answer = work(seconds);
    const std::string line = std::to_string(seconds) + " " + answer + "\n";
    if (write(fds[1], line.data(), line.size()) < 0) _exit(2);
    _exit(0);
  }
  close(fds[1]);
  int status = 0;
  rusage usage{};
  const std::string text = ReadAllAndReap(fds[0], pid, status, usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "bench_kvt_hashing: a measurement failed\n");
    std::exit(1);
  }
  Measurement m;
  m.seconds = std::stod(text);
  m.answer = text.substr(text.find(' ') + 1);
  m.answer.erase(m.answer.find_last_not_of('\n') + 1);
  m.peak_kib = usage.ru_maxrss;
  return m;
}

// md5sum as its own process, timed from its start to its end.
Measurement Md5sum(const fs::path& file) {
  int fds[2];
  if (pipe(fds) != 0) std::exit(1);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  const std::string path = file.string();
  char* argv[] = {const_cast<char*>("md5sum"), const_cast<char*>(path.c_str()), nullptr};
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, "md5sum", &actions, nullptr, argv, environ) != 0) {
    std::fprintf(stderr, "bench_kvt_hashing: md5sum cannot be started\n");
    std::exit(1);
  }
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  int status = 0;
  rusage usage{};
  const std::string text = ReadAllAndReap(fds[0], pid, status, usage);
  Measurement m;
  m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  m.peak_kib = usage.ru_maxrss;
  m.answer = text.substr(0, 32);
  for (char& c : m.answer) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return m;
}

std::string FileDigest(const fs::path& file, double& seconds) {
  const std::string narrow = file.string();
  const std::u16string path(narrow.begin(), narrow.end());
  char16_t text[42] = {};
  const auto start = Clock::now();
  const bool ok = KvtGetFileMD5String(path.c_str(), text, 42);
  seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!ok) return "failed";
  return std::string(text, text + 32);
}

std::vector<unsigned char> ReadWhole(const fs::path& file) {
  std::vector<unsigned char> bytes(fs::file_size(file));
  std::ifstream in(file, std::ios::binary);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

std::string KvtCrc(const fs::path& file, double& seconds) {
  const auto bytes = ReadWhole(file);
  const auto start = Clock::now();
  const uint32_t crc = KvtGetCRC32(bytes.data(), static_cast<uint32_t>(bytes.size()));
  seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return Hex(crc);
}

std::string ZlibCrc(const fs::path& file, double& seconds) {
  const auto bytes = ReadWhole(file);
  const auto start = Clock::now();
  const uint32_t crc = static_cast<uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
  seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return Hex(crc);
}

void MakeFile(const fs::path& file, std::uint64_t size) {
  std::ofstream out(file, std::ios::binary);
  std::mt19937_64 random(42);
  std::vector<std::uint64_t> block(1 << 17);
  for (std::uint64_t written = 0; written < size;) {
    for (auto& word : block) word = random();
    const auto n = std::min<std::uint64_t>(size - written, block.size() * sizeof(std::uint64_t));
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
    written += n;
  }
}

// Reads the file once so that every measurement finds it in the page cache.
void Warm(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<char> block(1 << 20);
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
  }
}

struct Pair {
  Measurement ours;
  Measurement theirs;
};

// The best of each over the rounds; the two take turns going first, so that
// both meet the same load of a shared machine.
Pair BestOfRounds(int rounds, const std::function<Measurement()>& ours, const std::function<Measurement()>& theirs) {
  Pair best;
  for (int i = 0; i < rounds; ++i) {
    Measurement a, b;
    if (i % 2 == 0) {
      a = ours();
      b = theirs();
    } else {
      b = theirs();
      a = ours();
    }
    if (i == 0 || a.seconds < best.ours.seconds) best.ours = a;
    if (i == 0 || b.seconds < best.theirs.seconds) best.theirs = b;
  }
  return best;
}

void Print(const char* name, const Measurement& m, std::uint64_t size) {
  std::printf("  %-22s %8.3f s  %8.1f MB/s  peak %7.1f MiB  %s\n", name, m.seconds,
              static_cast<double>(size) / m.seconds / 1e6, static_cast<double>(m.peak_kib) / 1024.0, m.answer.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app(
      "KvtGetFileMD5String beside md5sum and KvtGetCRC32 beside zlib's crc32 on one large file; each measurement in a "
      "child process of its own, the best of the rounds, the two of a pair taking turns; ratios above 1 mean libkvt is faster",
      "bench_kvt_hashing");
  int size_mib = 1024;
  int rounds = 5;
  std::string given;
  app.add_option("--size-mib", size_mib, "size of the made-up file in MiB (default 1024, below 4096)")
      ->check(CLI::Range(1, 4095))
      ->option_text("N");
  app.add_option("--rounds", rounds, "rounds of each measurement (default 5)")->check(CLI::Range(1, 100))->option_text("N");
  app.add_option("--file", given, "use this file (below 4 GiB) instead of a made-up one")->option_text("PATH");
  if (const auto exit_code = ParseToolCommandLine(app, argc, argv)) return *exit_code;

  fs::path folder;
  fs::path file = given;
  if (given.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/bench_kvt_hashing.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return 1;
    folder = pattern;
    file = folder / "data.bin";
    MakeFile(file, static_cast<std::uint64_t>(size_mib) << 20);
  }
  const std::uint64_t size = fs::file_size(file);
  Warm(file);

  std::printf("file %s, %.1f MiB, best of %d rounds\n", file.c_str(), static_cast<double>(size) / (1 << 20), rounds);
  const auto [kvt_md5, md5sum] = BestOfRounds(
      rounds, [&] { return InChild([&](double& s) { return FileDigest(file, s); }); }, [&] { return Md5sum(file); });
  const auto [kvt_crc, zlib_crc] =
      BestOfRounds(rounds, [&] { return InChild([&](double& s) { return KvtCrc(file, s); }); },
                   [&] { return InChild([&](double& s) { return ZlibCrc(file, s); }); });
  std::printf("MD5 of the file (read in blocks)\n");
  Print("KvtGetFileMD5String", kvt_md5, size);
  Print("md5sum", md5sum, size);
  std::printf("  ratio md5sum/KvtGetFileMD5String time: %.2f%s\n", md5sum.seconds / kvt_md5.seconds,
              kvt_md5.answer == md5sum.answer ? "" : "  DIGESTS DIFFER");
  std::printf("CRC-32 of the file's bytes in memory (peak includes the bytes)\n");
  Print("KvtGetCRC32", kvt_crc, size);
  Print("zlib crc32", zlib_crc, size);
  std::printf("  ratio zlib/KvtGetCRC32 time: %.2f%s\n", zlib_crc.seconds / kvt_crc.seconds,
              kvt_crc.answer == zlib_crc.answer ? "" : "  VALUES DIFFER");
  if (!folder.empty()) fs::remove_all(folder);
  return kvt_md5.answer == md5sum.answer && kvt_crc.answer == zlib_crc.answer ? 0 : 1;
}
