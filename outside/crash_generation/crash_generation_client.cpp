#include "outside/crash_generation/crash_generation_client.h"

#include <poll.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "platform/pipe_path.h"
#include "platform/text.h"
#include "outside/crash_generation/crash_message.h"
#include "outside/crash_generation/socket_io.h"

namespace google_breakpad {

// The records the server reads, at the start of a mapping below 4 GiB; the
// custom entries follow.
struct CrashGenerationClient::Block {
  uint32_t crashing_thread_id = 0;
  uint32_t reserved = 0;
  uint64_t exception_pointers = 0;  // address of crash_context while a crash is reported
  AssertionInfo assertion;
  CrashContextRecord crash_context;
};

namespace {

constexpr uint64_t kAddressLimit = uint64_t{1} << 32;

uint32_t Address32(const void* pointer) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}

int64_t MonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
  address = sockaddr_un{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

platform::UniqueFd ConnectTo(const std::string& path) {
  sockaddr_un address;
  if (!FillAddress(path, address)) return platform::UniqueFd();
  platform::UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd) return fd;
  while (connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    if (errno != EINTR) return platform::UniqueFd();
  }
  return fd;
}

void CopyText(std::u16string_view text, char16_t* units, size_t capacity) {
  const size_t length = std::min(text.size(), capacity - 1);
  std::copy_n(text.begin(), length, units);
  units[length] = u'\0';
}

}  // namespace

CrashGenerationClient::CrashGenerationClient(const std::u16string& pipe_name, uint32_t dump_type,
                                             const std::vector<CustomInfoField>& custom_info)
    : pipe_name_(pipe_name), dump_type_(dump_type), custom_info_(custom_info) {
  if (auto path = platform::PipeSocketPath(platform::Utf16ToUtf8(pipe_name))) socket_path_ = *path;
}

CrashGenerationClient::~CrashGenerationClient() {
  if (block_ != nullptr) munmap(block_, block_size_);
}

bool CrashGenerationClient::MapBlock(const std::vector<CustomInfoField>& custom_info) {
  const size_t count = std::min<size_t>(custom_info.size(), kMaxCustomInfoEntries);
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t wanted = sizeof(Block) + count * sizeof(CustomInfoEntry);
  block_size_ = (wanted + page - 1) / page * page;
  // MAP_32BIT: the registration's address fields are 32 bits wide.
  void* memory = mmap(nullptr, block_size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
  if (memory == MAP_FAILED) return false;
  if (reinterpret_cast<uintptr_t>(memory) + block_size_ > kAddressLimit) {
    munmap(memory, block_size_);
    return false;
  }
  block_ = new (memory) Block();
  auto* entries = reinterpret_cast<CustomInfoEntry*>(reinterpret_cast<char*>(memory) + sizeof(Block));
  for (size_t i = 0; i < count; ++i) {
    new (&entries[i]) CustomInfoEntry();
    CopyText(custom_info[i].name, entries[i].name, kCustomInfoNameLength);
    CopyText(custom_info[i].value, entries[i].value, kCustomInfoValueLength);
  }
  custom_info_count_ = static_cast<uint32_t>(count);
  return true;
}

bool CrashGenerationClient::Register(std::chrono::milliseconds timeout) {
  if (registered_) return true;
  if (block_ == nullptr && !MapBlock(custom_info_)) return false;
  platform::UniqueFd socket = ConnectTo(socket_path_);
  if (!socket) return false;

  CrashMessage request;
  request.tag = kRegistrationRequest;
  request.id = static_cast<uint32_t>(getpid());
  request.dump_type = dump_type_;
  request.thread_id_address = Address32(&block_->crashing_thread_id);
  request.exception_pointers_address = Address32(&block_->exception_pointers);
  request.assertion_info_address = Address32(&block_->assertion);
  request.custom_info_address = custom_info_count_ == 0 ? 0 : Address32(block_ + 1);
  request.custom_info_count = custom_info_count_;
  const CrashMessageBytes request_bytes = EncodeCrashMessage(request);
  const Deadline deadline = std::chrono::steady_clock::now() + timeout;
  if (SendExact(socket.get(), request_bytes.data(), request_bytes.size(), deadline) != IoOutcome::kDone) {
    return false;
  }

  CrashMessageBytes response_bytes;
  std::vector<platform::UniqueFd> descriptors;
  if (ReceiveExact(socket.get(), response_bytes.data(), response_bytes.size(), deadline, -1, &descriptors) !=
      IoOutcome::kDone) {
    return false;
  }
  const CrashMessage response = DecodeCrashMessage(response_bytes);
  const uint32_t handles[] = {response.dump_request_handle, response.dump_generated_handle,
                              response.server_alive_handle};
  if (response.tag != kRegistrationResponse || descriptors.size() != kResponseDescriptorCount) return false;
  for (size_t i = 0; i < std::size(handles); ++i) {
    if (handles[i] >= descriptors.size() || std::count(std::begin(handles), std::end(handles), handles[i]) != 1) {
      return false;
    }
  }

  CrashMessage ack;
  ack.tag = kRegistrationAck;
  ack.id = request.id;
  const CrashMessageBytes ack_bytes = EncodeCrashMessage(ack);
  if (SendExact(socket.get(), ack_bytes.data(), ack_bytes.size(), deadline) != IoOutcome::kDone) return false;

  dump_request_ = std::move(descriptors[response.dump_request_handle]);
  dump_generated_ = std::move(descriptors[response.dump_generated_handle]);
  server_alive_ = std::move(descriptors[response.server_alive_handle]);
  registered_ = true;
  return true;
}

bool CrashGenerationClient::RequestDumpForCrash(uint32_t thread_id, const CrashContextRecord& context,
                                                int timeout_ms) {
  if (!registered_) return false;
  block_->crashing_thread_id = thread_id;
  memcpy(&block_->crash_context, &context, sizeof context);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  block_->exception_pointers = reinterpret_cast<uintptr_t>(&block_->crash_context);
  return SignalAndWait(timeout_ms);
}

bool CrashGenerationClient::RequestDump(int timeout_ms) {
  if (!registered_) return false;
  block_->crashing_thread_id = static_cast<uint32_t>(gettid());
  block_->exception_pointers = 0;
  return SignalAndWait(timeout_ms);
}

bool CrashGenerationClient::SignalAndWait(int timeout_ms) {
  const uint64_t one = 1;
  while (write(dump_request_.get(), &one, sizeof one) < 0) {
    if (errno != EINTR) return false;
  }
  const int64_t deadline = MonotonicMilliseconds() + timeout_ms;
  for (;;) {
    const int64_t left = deadline - MonotonicMilliseconds();
    if (left <= 0) return false;
    pollfd fds[2] = {{dump_generated_.get(), POLLIN, 0}, {server_alive_.get(), POLLIN, 0}};
    const int n = poll(fds, 2, static_cast<int>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (fds[0].revents & POLLIN) {
      uint64_t count;
      while (read(dump_generated_.get(), &count, sizeof count) < 0 && errno == EINTR) {
      }
      return true;
    }
    // Nothing is ever written to the server-alive pipe: any event there
    // means its writer, the server, has gone.
    if (fds[1].revents != 0) return false;
  }
}

bool CrashGenerationClient::RequestUpload(const UploadPayload& payload, int timeout_ms) const {
  platform::UniqueFd socket = ConnectTo(socket_path_);
  if (!socket) return false;
  CrashMessage request;
  request.tag = kUploadRequest;
  request.id = static_cast<uint32_t>(getpid());
  request.dump_type = dump_type_;
  request.upload = payload;
  const CrashMessageBytes bytes = EncodeCrashMessage(request);
  const Deadline deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  return SendExact(socket.get(), bytes.data(), bytes.size(), deadline) == IoOutcome::kDone;
}

}  // namespace google_breakpad
