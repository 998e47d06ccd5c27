// A small HTTP/1.1 server for the downloader's tests: it serves one file and
// misbehaves on request (ignored ranges, no length, cut or stalled bodies,
// failures, redirect chains and loops, redirect bodies sent after their head,
// a wrong size), and records every request it received so that a test can
// check what the client asked.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "tools/faulty_http/http_request.h"
#include "tools/faulty_http/server_options.h"

namespace {

constexpr std::size_t kPieceBytes = 16 * 1024;
constexpr int kIdleMs = 30000;

struct ServerState {
  ServerOptions options;
  std::mutex mutex;
  std::FILE* log = nullptr;
  int requests = 0;
  int drops = 0;
  int stalls = 0;
  std::chrono::steady_clock::time_point deadline;
};

bool SendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool SendText(int fd, const std::string& text) { return SendAll(fd, text.data(), text.size()); }

// Reads up to the blank line that ends a request head; false at the end of
// the connection or after a long silence.
bool ReadHead(int fd, std::string& pending, std::string& head) {
  for (;;) {
    const auto end = pending.find("\r\n\r\n");
    if (end != std::string::npos) {
      head = pending.substr(0, end);
      pending.erase(0, end + 4);
      return true;
    }
    pollfd waiting{fd, POLLIN, 0};
    if (poll(&waiting, 1, kIdleMs) <= 0) return false;
    char buffer[4096];
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    pending.append(buffer, static_cast<std::size_t>(n));
  }
}

// Holds a stalled answer open until the client gives up or the server ends.
void WaitForPeerToLeave(int fd, const ServerState& state) {
  while (std::chrono::steady_clock::now() < state.deadline) {
    pollfd waiting{fd, POLLIN, 0};
    if (poll(&waiting, 1, 200) > 0) {
      char buffer[256];
      if (recv(fd, buffer, sizeof buffer, 0) <= 0) return;
    }
  }
}

std::string StatusLine(int status) {
  const char* reason = "Status";
  switch (status) {
    case 200: reason = "OK"; break;
    case 206: reason = "Partial Content"; break;
    case 301: reason = "Moved Permanently"; break;
    case 302: reason = "Found"; break;
    case 404: reason = "Not Found"; break;
    case 416: reason = "Range Not Satisfiable"; break;
    case 500: reason = "Internal Server Error"; break;
    case 503: reason = "Service Unavailable"; break;
  }
  return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n";
}

bool SendSmall(int fd, int status, const std::string& extraHeaders, const std::string& body) {
  return SendText(fd, StatusLine(status) + extraHeaders + "Content-Length: " + std::to_string(body.size()) +
                          "\r\n\r\n" + body);
}

enum class Ending { kKeepOpen, kClose };

// A redirect whose body leaves after its head, as real servers and proxies
// often send it: a client that reads only the head finds the body waiting on
// the connection.
constexpr auto kLateBodyDelay = std::chrono::milliseconds(100);

Ending SendRedirectWithLateBody(int fd, const std::string& location) {
  const std::string body = "<html><head><title>302 Found</title></head><body>Moved to <a href=\"" + location +
                           "\">" + location + "</a></body></html>\n";
  if (!SendText(fd, StatusLine(302) + "Location: " + location +
                        "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
                        "\r\n\r\n")) {
    return Ending::kClose;
  }
  std::this_thread::sleep_for(kLateBodyDelay);
  return SendText(fd, body) ? Ending::kKeepOpen : Ending::kClose;
}

struct BodyPlan {
  std::uint64_t first = 0;
  std::uint64_t length = 0;    // bytes the answer announces
  std::uint64_t sendable = 0;  // bytes actually sent before a fault or the file's end
  bool chunked = false;
  bool stall = false;
};

Ending SendBody(int fd, int file, const BodyPlan& plan, const ServerState& state) {
  const auto begin = std::chrono::steady_clock::now();
  char buffer[kPieceBytes];
  std::uint64_t sent = 0;
  while (sent < plan.sendable) {
    const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(kPieceBytes, plan.sendable - sent));
    const ssize_t n = pread(file, buffer, piece, static_cast<off_t>(plan.first + sent));
    if (n <= 0) return Ending::kClose;
    if (plan.chunked) {
      char size[32];
      std::snprintf(size, sizeof size, "%zx\r\n", static_cast<std::size_t>(n));
      if (!SendText(fd, size)) return Ending::kClose;
    }
    if (!SendAll(fd, buffer, static_cast<std::size_t>(n))) return Ending::kClose;
    if (plan.chunked && !SendText(fd, "\r\n")) return Ending::kClose;
    sent += static_cast<std::uint64_t>(n);
    if (state.options.rate > 0) {
      const auto due = begin + std::chrono::microseconds(sent * 1000000 / state.options.rate);
      std::this_thread::sleep_until(due);
    }
  }
  if (plan.stall) {
    WaitForPeerToLeave(fd, state);
    return Ending::kClose;
  }
  if (sent < plan.length) return Ending::kClose;
  if (plan.chunked && !SendText(fd, "0\r\n\r\n")) return Ending::kClose;
  return Ending::kKeepOpen;
}

Ending ServeFile(int fd, const HttpRequest& request, ServerState& state) {
  const ServerOptions& options = state.options;
  const int file = open(options.file.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (file < 0 || fstat(file, &info) != 0) {
    if (file >= 0) close(file);
    return SendSmall(fd, 404, "", "no file\n") ? Ending::kKeepOpen : Ending::kClose;
  }
  const std::uint64_t realSize = static_cast<std::uint64_t>(info.st_size);
  const std::uint64_t told = options.claimSize.value_or(realSize);

  int status = 200;
  BodyPlan plan;
  plan.length = told;
  std::string headers;
  if (!options.ignoreRanges) headers += "Accept-Ranges: bytes\r\n";
  const bool honourRange = !options.ignoreRanges && (!options.rangesOnHeadOnly || request.method == "HEAD");
  if (honourRange && !request.range.empty()) {
    const auto range = ParseRange(request.range, told);
    if (!range) {
      close(file);
      return SendSmall(fd, 416, "Content-Range: bytes */" + std::to_string(told) + "\r\n", "") ? Ending::kKeepOpen
                                                                                               : Ending::kClose;
    }
    status = 206;
    plan.first = range->first;
    plan.length = range->last - range->first + 1;
    headers += "Content-Range: bytes " + std::to_string(range->first) + "-" + std::to_string(range->last) + "/" +
               std::to_string(told) + "\r\n";
  }
  plan.sendable = plan.first < realSize ? std::min(plan.length, realSize - plan.first) : 0;

  const bool isGet = request.method == "GET";
  bool closeAfter = false;
  bool announceLength = !options.noLength;
  {
    std::lock_guard guard(state.mutex);
    if (isGet && status == 206 && options.shortRanges && *options.shortRanges < plan.sendable) {
      plan.sendable = *options.shortRanges;
      plan.length = plan.sendable;
      announceLength = false;
      closeAfter = true;
    }
    if (isGet && options.dropAfter && *options.dropAfter < plan.sendable &&
        (options.dropCount < 0 || state.drops < options.dropCount)) {
      ++state.drops;
      plan.sendable = *options.dropAfter;
    } else if (isGet && options.stallAfter && *options.stallAfter < plan.sendable &&
               (options.stallCount < 0 || state.stalls < options.stallCount)) {
      ++state.stalls;
      plan.sendable = *options.stallAfter;
      plan.stall = true;
    }
  }
  if (announceLength) {
    headers += "Content-Length: " + std::to_string(plan.length) + "\r\n";
  } else if (!closeAfter) {
    headers += "Transfer-Encoding: chunked\r\n";
    plan.chunked = true;
  }
  if (closeAfter) headers += "Connection: close\r\n";

  Ending ending = SendText(fd, StatusLine(status) + headers + "\r\n") ? Ending::kKeepOpen : Ending::kClose;
  if (ending == Ending::kKeepOpen && request.method != "HEAD") ending = SendBody(fd, file, plan, state);
  close(file);
  return closeAfter ? Ending::kClose : ending;
}

Ending Answer(int fd, const HttpRequest& request, ServerState& state) {
  int sequence = 0;
  {
    std::lock_guard guard(state.mutex);
    sequence = ++state.requests;
    if (state.log != nullptr) {
      std::fprintf(state.log, "%s %s %s\n", request.method.c_str(), request.path.c_str(),
                   request.range.empty() ? "-" : request.range.c_str());
      std::fflush(state.log);
    }
  }
  auto small = [fd](int status, const std::string& headers, const std::string& body) {
    return SendSmall(fd, status, headers, body) ? Ending::kKeepOpen : Ending::kClose;
  };
  const int failing = sequence - state.options.failSkip;
  if (failing > 0 && failing <= state.options.failFirst) return small(state.options.failStatus, "", "failure\n");

  const std::string& path = request.path;
  const std::string chain = "/redirect/";
  if (path.compare(0, chain.size(), chain) == 0) {
    const int steps = std::atoi(path.c_str() + chain.size());
    const std::string next = steps > 1 ? chain + std::to_string(steps - 1) : "/file";
    return small(302, "Location: " + next + "\r\n", "");
  }
  const std::string lateChain = "/redirect-late-body/";
  if (path.compare(0, lateChain.size(), lateChain) == 0) {
    const int steps = std::atoi(path.c_str() + lateChain.size());
    return SendRedirectWithLateBody(fd, steps > 1 ? lateChain + std::to_string(steps - 1) : "/file");
  }
  if (path == "/moved") return small(301, "Location: /file\r\n", "");
  if (path == "/loop") return small(302, "Location: /loop\r\n", "");
  if (path == "/redirect-empty") return small(302, "", "");
  if (path == "/file") return ServeFile(fd, request, state);
  return small(404, "", "not found\n");
}

void ServeConnection(int fd, ServerState* state) {
  std::string pending;
  std::string head;
  while (ReadHead(fd, pending, head)) {
    const auto request = ParseRequestHead(head);
    if (!request || Answer(fd, *request, *state) == Ending::kClose) break;
  }
  close(fd);
}

}  // namespace

int main(int argc, char** argv) {
  ServerOptions options;
  if (const auto exit_code = ParseServerOptions(argc, argv, options)) return *exit_code;
  signal(SIGPIPE, SIG_IGN);

  static ServerState state;
  state.options = options;
  state.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.lifetimeSeconds);
  if (!options.log.empty()) {
    state.log = std::fopen(options.log.c_str(), "a");
    if (state.log == nullptr) {
      std::perror("faulty_http: log");
      return 1;
    }
  }

  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 64) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::perror("faulty_http: listen");
    return 1;
  }
  std::printf("port %d\n", ntohs(address.sin_port));
  std::fflush(stdout);

  while (std::chrono::steady_clock::now() < state.deadline) {
    pollfd waiting{listener, POLLIN, 0};
    if (poll(&waiting, 1, 200) <= 0) continue;
    const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    std::thread(ServeConnection, client, &state).detach();
  }
  return 0;
}
