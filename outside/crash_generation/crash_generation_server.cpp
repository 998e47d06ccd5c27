#include "outside/crash_generation/crash_generation_server.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>

#include "platform/debug_output.h"
#include "platform/pipe_path.h"
#include "platform/text.h"
#include "platform/unique_fd.h"
#include "outside/crash_generation/crash_info_block.h"
#include "outside/crash_generation/crash_message.h"
#include "outside/crash_generation/minidump_writer.h"
#include "outside/crash_generation/process_memory.h"
#include "outside/crash_generation/socket_io.h"
#include "outside/crash_generation/task_group.h"

#ifndef SO_PEERPIDFD
#define SO_PEERPIDFD 77  // Linux 6.5; older kernels refuse it and pidfd_open serves
#endif

namespace google_breakpad {
namespace {

using platform::UniqueFd;

// Connections being read or served at once; more are turned away, so that a
// flood of idle connections cannot pile up threads.
constexpr size_t kMaxRequestsInProgress = 32;
// Dumps and exit notices are never turned away.
constexpr size_t kNoLimit = SIZE_MAX;
constexpr int kListenBacklog = 16;

enum EventKind : uint64_t {
  kListenEvent = 0,
  kStopEvent = 1,
  kClientExitEvent = 2,
  kDumpRequestEvent = 3,
};

uint64_t EventKey(uint64_t client_id, EventKind kind) { return (client_id << 2) | kind; }

void Log(const std::string& text) { platform::OutputDebugText("crash generation server: " + text); }

struct RegisteredClient {
  int pid = 0;
  CrashMessage registration;
  UniqueFd process;  // pidfd: readable once the client has ended
  UniqueFd dump_request;
  UniqueFd dump_generated;
  std::atomic<bool> dump_in_progress{false};

  // Held while a dump is written and while the exit is reported, so that the
  // exit notice always comes after the dump it may follow.
  std::mutex mutex;
  std::vector<CustomInfoField> custom_info;  // last copy read; under `mutex`
};

std::vector<CustomInfoField> ReadCustomInfo(int pid, const CrashMessage& registration) {
  std::vector<CustomInfoField> fields;
  if (registration.custom_info_address == 0) return fields;
  const uint32_t count = std::min(registration.custom_info_count, kMaxCustomInfoEntries);
  std::vector<CustomInfoEntry> entries(count);
  if (!ReadProcessMemoryExact(pid, registration.custom_info_address, entries.data(),
                              entries.size() * sizeof(CustomInfoEntry))) {
    return fields;
  }
  for (const CustomInfoEntry& entry : entries) {
    auto text = [](const char16_t* units, size_t capacity) {
      return std::u16string(units, std::find(units, units + capacity, u'\0'));
    };
    fields.push_back({text(entry.name, kCustomInfoNameLength), text(entry.value, kCustomInfoValueLength)});
  }
  return fields;
}

// Re-reads the custom entries (keeping the last copy when the client can no
// longer be read) and describes the client for a callback. Caller holds
// client.mutex.
ClientInfo DescribeClient(RegisteredClient& client) {
  std::vector<CustomInfoField> fresh = ReadCustomInfo(client.pid, client.registration);
  if (!fresh.empty() || client.registration.custom_info_count == 0) client.custom_info = std::move(fresh);
  return ClientInfo(client.pid, client.registration.dump_type, client.custom_info);
}

// The crashing thread and its signal context, as the client's handler
// stored them; nothing for a dump asked for without a crash.
std::optional<CrashDetails> ReadCrashDetails(int pid, const CrashMessage& registration) {
  CrashDetails details;
  uint64_t record_address = 0;
  if (!ReadProcessMemoryExact(pid, registration.thread_id_address, &details.thread_id, sizeof details.thread_id) ||
      !ReadProcessMemoryExact(pid, registration.exception_pointers_address, &record_address, sizeof record_address) ||
      record_address == 0 ||
      !ReadProcessMemoryExact(pid, record_address, &details.context, sizeof details.context)) {
    return std::nullopt;
  }
  return details;
}

std::string NewDumpFileName() {
  uint8_t id[16] = {};
  if (getrandom(id, sizeof id, 0) != static_cast<ssize_t>(sizeof id)) {
    // Unique enough as a fallback: time and a counter.
    static std::atomic<uint64_t> counter{0};
    const uint64_t parts[2] = {static_cast<uint64_t>(time(nullptr)), counter++};
    memcpy(id, parts, sizeof id);
  }
  char name[64];
  snprintf(name, sizeof name,
           "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x.dmp", id[0], id[1],
           id[2], id[3], id[4], id[5], id[6], id[7], id[8], id[9], id[10], id[11], id[12], id[13],
           id[14], id[15]);
  return name;
}

UniqueFd PeerProcessDescriptor(int socket, int pid) {
  int pidfd = -1;
  socklen_t length = sizeof pidfd;
  if (getsockopt(socket, SOL_SOCKET, SO_PEERPIDFD, &pidfd, &length) == 0 && pidfd >= 0) {
    return UniqueFd(pidfd);
  }
  return UniqueFd(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
}

UniqueFd NewEvent() { return UniqueFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)); }

void Signal(int event) {
  const uint64_t one = 1;
  while (write(event, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void Drain(int event) {
  uint64_t count;
  while (read(event, &count, sizeof count) < 0 && errno == EINTR) {
  }
}

}  // namespace

struct CrashGenerationServer::Core {
  std::u16string pipe_name;
  OnClientConnectedCallback connect_callback = nullptr;
  void* connect_context = nullptr;
  OnClientDumpRequestCallback dump_callback = nullptr;
  void* dump_context = nullptr;
  OnClientExitedCallback exit_callback = nullptr;
  void* exit_context = nullptr;
  OnClientUploadRequestCallback upload_callback = nullptr;
  void* upload_context = nullptr;
  bool generate_dumps = false;
  std::string dump_folder;
  std::chrono::milliseconds request_timeout{0};

  UniqueFd listener;
  std::string socket_path;
  struct stat socket_identity {};
  UniqueFd stop_event;  // readable from the moment stopping begins
  UniqueFd alive_read;  // handed to clients; its peer closes when we stop
  UniqueFd alive_write;
  UniqueFd epoll;
  std::atomic<bool> stopping{false};

  std::mutex clients_mutex;
  std::map<uint64_t, std::shared_ptr<RegisteredClient>> clients;
  uint64_t next_client_id = 1;

  TaskGroup tasks;

  std::shared_ptr<RegisteredClient> FindClient(uint64_t id) {
    std::lock_guard lock(clients_mutex);
    const auto it = clients.find(id);
    return it == clients.end() ? nullptr : it->second;
  }

  std::shared_ptr<RegisteredClient> FindClientByPid(int pid) {
    std::lock_guard lock(clients_mutex);
    for (const auto& [id, client] : clients) {
      if (client->pid == pid) return client;
    }
    return nullptr;
  }
};

namespace {

using Core = CrashGenerationServer::Core;

void ServeUpload(Core& core, const CrashMessage& request) {
  if (core.upload_callback == nullptr) return;
  const int pid = static_cast<int>(request.id);
  std::optional<ClientInfo> info;
  if (auto client = core.FindClientByPid(pid)) {
    std::lock_guard lock(client->mutex);
    info.emplace(DescribeClient(*client));
  } else {
    info.emplace(pid, request.dump_type, std::vector<CustomInfoField>{});
  }
  core.upload_callback(core.upload_context, &*info, &request.upload);
}

void ServeRegistration(Core& core, int socket, const CrashMessage& request) {
  auto client = std::make_shared<RegisteredClient>();
  client->pid = static_cast<int>(request.id);
  client->registration = request;
  client->process = PeerProcessDescriptor(socket, client->pid);
  client->dump_request = NewEvent();
  client->dump_generated = NewEvent();
  if (!client->process || !client->dump_request || !client->dump_generated) {
    Log("cannot set up client " + std::to_string(client->pid) + ": " + strerror(errno));
    return;
  }

  // First read while the client surely waits for our answer; a client that
  // ends right after registering still has its entries reported.
  client->custom_info = ReadCustomInfo(client->pid, request);

  CrashMessage response;
  response.tag = kRegistrationResponse;
  response.id = static_cast<uint32_t>(getpid());
  response.dump_type = request.dump_type;
  response.dump_request_handle = kDumpRequestDescriptor;
  response.dump_generated_handle = kDumpGeneratedDescriptor;
  response.server_alive_handle = kServerAliveDescriptor;
  int descriptors[kResponseDescriptorCount];
  descriptors[kDumpRequestDescriptor] = client->dump_request.get();
  descriptors[kDumpGeneratedDescriptor] = client->dump_generated.get();
  descriptors[kServerAliveDescriptor] = core.alive_read.get();
  const CrashMessageBytes response_bytes = EncodeCrashMessage(response);
  const Deadline deadline = std::chrono::steady_clock::now() + core.request_timeout;
  if (SendExact(socket, response_bytes.data(), response_bytes.size(), deadline, core.stop_event.get(),
                descriptors) != IoOutcome::kDone) {
    return;
  }
  CrashMessageBytes ack_bytes;
  if (ReceiveExact(socket, ack_bytes.data(), ack_bytes.size(), deadline, core.stop_event.get()) != IoOutcome::kDone ||
      DecodeCrashMessage(ack_bytes).tag != kRegistrationAck) {
    return;
  }

  // In the table before the connect notice: a client that hears back at once
  // may send an upload that must find it registered.
  uint64_t id;
  {
    std::lock_guard lock(core.clients_mutex);
    if (core.stopping) return;
    id = core.next_client_id++;
    core.clients[id] = client;
  }
  if (core.connect_callback != nullptr) {
    std::lock_guard lock(client->mutex);
    const ClientInfo info = DescribeClient(*client);
    core.connect_callback(core.connect_context, &info);
  }
  // Watched only now, so the exit notice cannot overtake the connect notice.
  epoll_event exit_event{EPOLLIN, {.u64 = EventKey(id, kClientExitEvent)}};
  epoll_event dump_event{EPOLLIN, {.u64 = EventKey(id, kDumpRequestEvent)}};
  if (epoll_ctl(core.epoll.get(), EPOLL_CTL_ADD, client->process.get(), &exit_event) != 0 ||
      epoll_ctl(core.epoll.get(), EPOLL_CTL_ADD, client->dump_request.get(), &dump_event) != 0) {
    Log("cannot watch client " + std::to_string(client->pid) + ": " + strerror(errno));
  }
}

void ServeConnection(Core& core, int socket) {
  const std::optional<int> peer = PeerProcessId(socket);
  CrashMessageBytes bytes;
  const Deadline deadline = std::chrono::steady_clock::now() + core.request_timeout;
  // A short message, a closed connection or a stalled client ends here,
  // before anything of the message is looked at.
  if (ReceiveExact(socket, bytes.data(), bytes.size(), deadline, core.stop_event.get()) != IoOutcome::kDone) {
    return;
  }
  const CrashMessage request = DecodeCrashMessage(bytes);
  if (CheckRequest(request) != RequestVerdict::kServable) return;
  if (!peer || request.id != static_cast<uint32_t>(*peer)) return;
  if (request.tag == kUploadRequest) {
    ServeUpload(core, request);
  } else {
    ServeRegistration(core, socket, request);
  }
}

void ServeDumpRequest(Core& core, RegisteredClient& client) {
  {
    std::lock_guard lock(client.mutex);
    const ClientInfo info = DescribeClient(client);
    if (!core.generate_dumps) {
      if (core.dump_callback != nullptr) core.dump_callback(core.dump_context, &info, nullptr);
    } else {
      std::string path = core.dump_folder;
      if (path.empty() || path.back() != '/') path += '/';
      path += NewDumpFileName();
      const platform::Status written =
          WriteMinidump(client.pid, ReadCrashDetails(client.pid, client.registration), path);
      if (!written) {
        Log("no dump of client " + std::to_string(client.pid) + ": " + written.error().Describe());
      } else if (core.dump_callback != nullptr) {
        const std::u16string full_path = platform::Utf8ToUtf16(path);
        core.dump_callback(core.dump_context, &info, &full_path);
      }
    }
  }
  client.dump_in_progress = false;
  // Written or not, the client may go on (and die).
  Signal(client.dump_generated.get());
}

void ServeClientExit(Core& core, RegisteredClient& client) {
  std::lock_guard lock(client.mutex);
  const ClientInfo info(client.pid, client.registration.dump_type, client.custom_info);
  if (core.exit_callback != nullptr) core.exit_callback(core.exit_context, &info);
}

void AcceptConnections(const std::shared_ptr<Core>& core) {
  for (;;) {
    const int fd = accept4(core->listener.get(), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) Log(std::string("accept: ") + strerror(errno));
      return;
    }
    auto socket = std::make_shared<UniqueFd>(fd);
    core->tasks.Run([core, socket] { ServeConnection(*core, socket->get()); }, kMaxRequestsInProgress);
  }
}

void OnDumpRequest(const std::shared_ptr<Core>& core, uint64_t id) {
  auto client = core->FindClient(id);
  if (!client) return;
  Drain(client->dump_request.get());
  if (client->dump_in_progress.exchange(true)) return;  // that dump answers this request too
  core->tasks.Run([core, client] { ServeDumpRequest(*core, *client); }, kNoLimit);
}

void OnClientExit(const std::shared_ptr<Core>& core, uint64_t id) {
  std::shared_ptr<RegisteredClient> client;
  {
    std::lock_guard lock(core->clients_mutex);
    const auto it = core->clients.find(id);
    if (it == core->clients.end()) return;
    client = it->second;
    core->clients.erase(it);
  }
  epoll_ctl(core->epoll.get(), EPOLL_CTL_DEL, client->process.get(), nullptr);
  epoll_ctl(core->epoll.get(), EPOLL_CTL_DEL, client->dump_request.get(), nullptr);
  core->tasks.Run([core, client] { ServeClientExit(*core, *client); }, kNoLimit);
}

void Dispatch(const std::shared_ptr<Core>& core) {
  epoll_event events[16];
  for (;;) {
    const int count = epoll_wait(core->epoll.get(), events, 16, -1);
    if (count < 0) {
      if (errno == EINTR) continue;
      Log(std::string("epoll_wait: ") + strerror(errno));
      return;
    }
    for (int i = 0; i < count; ++i) {
      const uint64_t key = events[i].data.u64;
      switch (static_cast<EventKind>(key & 3)) {
        case kStopEvent:
          return;
        case kListenEvent:
          AcceptConnections(core);
          break;
        case kClientExitEvent:
          OnClientExit(core, key >> 2);
          break;
        case kDumpRequestEvent:
          OnDumpRequest(core, key >> 2);
          break;
      }
    }
  }
}

// Binds the pipe's socket. A socket file left by a server that is gone is
// replaced; one that a live server answers on is not.
UniqueFd BindListener(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return UniqueFd();
  memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const auto* raw = reinterpret_cast<const sockaddr*>(&address);

  UniqueFd listener(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!listener) return UniqueFd();
  if (bind(listener.get(), raw, sizeof address) != 0) {
    if (errno != EADDRINUSE) return UniqueFd();
    UniqueFd probe(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!probe || connect(probe.get(), raw, sizeof address) == 0 || errno != ECONNREFUSED) {
      return UniqueFd();
    }
    unlink(path.c_str());
    if (bind(listener.get(), raw, sizeof address) != 0) return UniqueFd();
  }
  if (listen(listener.get(), kListenBacklog) != 0) return UniqueFd();
  return listener;
}

}  // namespace

CrashGenerationServer::CrashGenerationServer(
    const std::u16string& pipe_name, OnClientConnectedCallback connect_callback, void* connect_context,
    OnClientDumpRequestCallback dump_callback, void* dump_context, OnClientExitedCallback exit_callback,
    void* exit_context, OnClientUploadRequestCallback upload_request_callback, void* upload_context,
    bool generate_dumps, const std::u16string* dump_path)
    : core_(std::make_shared<Core>()) {
  core_->pipe_name = pipe_name;
  core_->connect_callback = connect_callback;
  core_->connect_context = connect_context;
  core_->dump_callback = dump_callback;
  core_->dump_context = dump_context;
  core_->exit_callback = exit_callback;
  core_->exit_context = exit_context;
  core_->upload_callback = upload_request_callback;
  core_->upload_context = upload_context;
  core_->generate_dumps = generate_dumps;
  if (dump_path != nullptr && !dump_path->empty()) {
    // Callbacks get full paths, also when the folder was given relative.
    std::error_code error;
    const auto folder = std::filesystem::absolute(platform::Utf16ToUtf8(*dump_path), error);
    core_->dump_folder = error ? platform::Utf16ToUtf8(*dump_path) : folder.string();
  }
}

CrashGenerationServer::~CrashGenerationServer() { Stop(); }

bool CrashGenerationServer::Start() {
  if (started_) return false;
  Core& core = *core_;
  core.request_timeout = request_timeout_;
  if (core.generate_dumps && core.dump_folder.empty()) {
    Log("dumps asked for without a dump folder");
    return false;
  }
  auto path = platform::PipeSocketPath(platform::Utf16ToUtf8(core.pipe_name));
  if (!path) {
    Log(path.error().Describe());
    return false;
  }
  core.listener = BindListener(*path);
  if (!core.listener) {
    Log("cannot listen on " + *path + ": " + strerror(errno));
    return false;
  }
  core.socket_path = *path;
  stat(path->c_str(), &core.socket_identity);

  int alive[2];
  core.stop_event = NewEvent();
  core.epoll = UniqueFd(epoll_create1(EPOLL_CLOEXEC));
  const bool pipe_made = pipe2(alive, O_CLOEXEC) == 0;
  if (pipe_made) {
    core.alive_read = UniqueFd(alive[0]);
    core.alive_write = UniqueFd(alive[1]);
  }
  epoll_event listen_event{EPOLLIN, {.u64 = EventKey(0, kListenEvent)}};
  epoll_event stop_event{EPOLLIN, {.u64 = EventKey(0, kStopEvent)}};
  if (!pipe_made || !core.stop_event || !core.epoll ||
      epoll_ctl(core.epoll.get(), EPOLL_CTL_ADD, core.listener.get(), &listen_event) != 0 ||
      epoll_ctl(core.epoll.get(), EPOLL_CTL_ADD, core.stop_event.get(), &stop_event) != 0) {
    Log(std::string("cannot start: ") + strerror(errno));
    core.listener.reset();
    unlink(core.socket_path.c_str());
    return false;
  }
  dispatcher_ = std::thread(Dispatch, core_);
  started_ = true;
  return true;
}

bool CrashGenerationServer::Stop() {
  if (!started_ || stopped_) return stop_result_;
  stopped_ = true;
  Core& core = *core_;
  core.stopping = true;
  Signal(core.stop_event.get());
  dispatcher_.join();

  core.listener.reset();
  // Remove the socket file only if it is still ours.
  struct stat now {};
  if (stat(core.socket_path.c_str(), &now) == 0 && now.st_ino == core.socket_identity.st_ino &&
      now.st_dev == core.socket_identity.st_dev) {
    unlink(core.socket_path.c_str());
  }

  stop_result_ = core.tasks.WaitAll(stop_timeout_);
  if (!stop_result_) {
    Log("request handlers still running after " + std::to_string(stop_timeout_.count()) +
        " ms; stopped without them");
  }
  core.alive_write.reset();
  std::lock_guard lock(core.clients_mutex);
  core.clients.clear();
  return stop_result_;
}

}  // namespace google_breakpad
