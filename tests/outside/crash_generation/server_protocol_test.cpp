// The server's side of the pipe protocol, driven by bare socket clients (this
// test process is the client) and by the client library.

#include <dirent.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

#include "crash_server_fixture.h"
#include "platform/pipe_path.h"
#include "raw_connection.h"
#include "support/files.h"
#include "support/wait.h"
#include "outside/crash_generation/crash_generation_client.h"
#include "outside/crash_generation/crash_info_block.h"

namespace veska_test {
namespace {

using google_breakpad::CrashGenerationClient;
using google_breakpad::CrashMessage;
using google_breakpad::CustomInfoEntry;
using google_breakpad::SetUploadEntry;
using google_breakpad::TerminatedText;
using google_breakpad::UploadPayload;

// Crash-info records of this process below 4 GiB, as a real client keeps them.
class LowMemoryRecords {
 public:
  LowMemoryRecords() {
    memory_ = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
  }
  ~LowMemoryRecords() {
    if (memory_ != MAP_FAILED) munmap(memory_, kSize);
  }
  bool valid() const { return memory_ != MAP_FAILED; }
  uint32_t address(size_t offset) const {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(memory_) + offset);
  }
  CustomInfoEntry* custom_entries() { return reinterpret_cast<CustomInfoEntry*>(static_cast<char*>(memory_) + 2048); }

 private:
  static constexpr size_t kSize = 8192;
  void* memory_;
};

CrashMessage Registration(const LowMemoryRecords& records, uint32_t pid = static_cast<uint32_t>(getpid())) {
  CrashMessage message;
  message.tag = google_breakpad::kRegistrationRequest;
  message.id = pid;
  message.thread_id_address = records.address(0);
  message.exception_pointers_address = records.address(8);
  message.assertion_info_address = records.address(64);
  return message;
}

CrashMessage Upload(uint32_t pid = static_cast<uint32_t>(getpid())) {
  CrashMessage message;
  message.tag = google_breakpad::kUploadRequest;
  message.id = pid;
  SetUploadEntry(message.upload, 0, u"log", u"qelLog_7.log");
  SetUploadEntry(message.upload, 1, u"callstack_md5", u"abc");
  SetUploadEntry(message.upload, 2, u"url", u"http://127.0.0.1:9/crashReport");
  return message;
}

std::string DescriptorKind(int fd) {
  std::error_code error;
  const auto target = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), error);
  const std::string text = target.string();
  return text.substr(0, text.find(':'));
}

size_t OpenDescriptorCount() {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

// Readable, or (for a pipe) hung up by its writer.
bool Signalled(int fd, int timeout_ms) {
  pollfd ready{fd, POLLIN, 0};
  return poll(&ready, 1, timeout_ms) == 1 && ready.revents != 0;
}

using CrashServerProtocol = CrashServerFixture;

TEST_F(CrashServerProtocol, RegistrationHandsOverThreeDescriptorsAndReportsAfterTheAck) {
  StartServer();
  LowMemoryRecords records;
  ASSERT_TRUE(records.valid());
  CustomInfoEntry* entries = records.custom_entries();
  std::u16string_view name = u"version", value = u"1.2.3";
  std::copy(name.begin(), name.end(), entries[0].name);
  std::copy(value.begin(), value.end(), entries[0].value);
  std::u16string_view name2 = u"channel";
  std::copy(name2.begin(), name2.end(), entries[1].name);
  CrashMessage request = Registration(records);
  request.custom_info_address = records.address(2048);
  request.custom_info_count = 2;

  RawConnection connection(kPipeName);
  ASSERT_TRUE(connection.valid());
  ASSERT_TRUE(connection.Send(request));
  auto reply = connection.Receive();
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->message.tag, google_breakpad::kRegistrationResponse);
  EXPECT_EQ(reply->message.id, static_cast<uint32_t>(getpid()));  // the server runs in this process
  ASSERT_EQ(reply->descriptors.size(), 3u);
  const uint32_t request_at = reply->message.dump_request_handle;
  const uint32_t generated_at = reply->message.dump_generated_handle;
  const uint32_t alive_at = reply->message.server_alive_handle;
  ASSERT_LT(request_at, 3u);
  ASSERT_LT(generated_at, 3u);
  ASSERT_LT(alive_at, 3u);
  EXPECT_EQ(DescriptorKind(reply->descriptors[request_at].get()), "anon_inode");
  EXPECT_EQ(DescriptorKind(reply->descriptors[generated_at].get()), "anon_inode");
  EXPECT_EQ(DescriptorKind(reply->descriptors[alive_at].get()), "pipe");
  EXPECT_TRUE(recorder_.Events().empty()) << "reported before the acknowledgement";

  CrashMessage ack;
  ack.tag = google_breakpad::kRegistrationAck;
  ack.id = request.id;
  ASSERT_TRUE(connection.Send(ack));
  ASSERT_TRUE(recorder_.WaitFor(ServerEvent::kConnected));
  const ServerEvent connected = recorder_.EventsOf(ServerEvent::kConnected)[0];
  EXPECT_EQ(connected.pid, getpid());
  ASSERT_EQ(connected.custom_info.size(), 2u);
  EXPECT_EQ(connected.custom_info[0].name, u"version");
  EXPECT_EQ(connected.custom_info[0].value, u"1.2.3");
  EXPECT_EQ(connected.custom_info[1].name, u"channel");
  EXPECT_EQ(connected.custom_info[1].value, u"");

  // A dump of a process cannot be taken from inside it (ptrace refuses our
  // own threads): the request is answered all the same, nothing is reported
  // and no file is left.
  const uint64_t one = 1;
  ASSERT_EQ(write(reply->descriptors[request_at].get(), &one, sizeof one), static_cast<ssize_t>(sizeof one));
  EXPECT_TRUE(Signalled(reply->descriptors[generated_at].get(), 10000));
  EXPECT_TRUE(recorder_.EventsOf(ServerEvent::kDumped).empty());
  EXPECT_TRUE(FilesIn(dump_folder_).empty());

  // The alive pipe hangs up once the server has gone.
  EXPECT_FALSE(Signalled(reply->descriptors[alive_at].get(), 0));
  server_.reset();
  EXPECT_TRUE(Signalled(reply->descriptors[alive_at].get(), 0));
}

TEST_F(CrashServerProtocol, RegistrationWithoutAckIsNotReported) {
  StartServer();
  LowMemoryRecords records;
  {
    RawConnection connection(kPipeName);
    ASSERT_TRUE(connection.Send(Registration(records)));
    ASSERT_TRUE(connection.Receive().has_value());
  }
  // Served afterwards, and only this one is reported.
  RawConnection upload(kPipeName);
  ASSERT_TRUE(upload.Send(Upload()));
  ASSERT_TRUE(recorder_.WaitFor(ServerEvent::kUpload));
  EXPECT_TRUE(recorder_.EventsOf(ServerEvent::kConnected).empty());
}

TEST_F(CrashServerProtocol, UploadRequestIsHandedOverThenDisconnected) {
  StartServer();
  const CrashMessage request = Upload();
  RawConnection connection(kPipeName);
  ASSERT_TRUE(connection.Send(request));
  ASSERT_TRUE(recorder_.WaitFor(ServerEvent::kUpload));
  EXPECT_TRUE(connection.ClosedWithoutReply());

  const ServerEvent upload = recorder_.EventsOf(ServerEvent::kUpload)[0];
  EXPECT_EQ(upload.pid, getpid());
  ASSERT_EQ(upload.payload.count, 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(TerminatedText(upload.payload.entries[i].name, google_breakpad::kUploadNameLength),
              TerminatedText(request.upload.entries[i].name, google_breakpad::kUploadNameLength));
    EXPECT_EQ(TerminatedText(upload.payload.entries[i].value, google_breakpad::kUploadValueLength),
              TerminatedText(request.upload.entries[i].value, google_breakpad::kUploadValueLength));
  }
}

TEST_F(CrashServerProtocol, HostileRequestsAreRefusedAndServingGoesOn) {
  StartServer(std::chrono::milliseconds(300));
  LowMemoryRecords records;
  const auto forged_pid = static_cast<uint32_t>(getpid() + 1);

  struct Case {
    std::string name;
    google_breakpad::CrashMessageBytes bytes;
    size_t length = google_breakpad::kCrashMessageSize;
    bool half_close = false;  // else the connection stays open
    bool attach_descriptors = false;
  };
  auto with = [](std::string name, const CrashMessage& message) {
    return Case{std::move(name), google_breakpad::EncodeCrashMessage(message)};
  };
  std::vector<Case> cases;
  Case short_closed = with("44-byte registration, then end of data", Registration(records));
  short_closed.length = 44;
  short_closed.half_close = true;
  cases.push_back(short_closed);
  Case short_open = with("44-byte registration, connection kept open", Registration(records));
  short_open.length = 44;
  cases.push_back(short_open);
  Case one_byte_short = with("6191 bytes", Upload());
  one_byte_short.length = google_breakpad::kCrashMessageSize - 1;
  one_byte_short.half_close = true;
  cases.push_back(one_byte_short);

  CrashMessage zero_fields;
  zero_fields.tag = google_breakpad::kRegistrationRequest;
  cases.push_back(with("tag 1 with zero fields", zero_fields));
  Case zero_with_descriptors = with("tag 1 with zero fields and descriptors attached", zero_fields);
  zero_with_descriptors.attach_descriptors = true;
  cases.push_back(zero_with_descriptors);
  CrashMessage no_thread_address = Registration(records);
  no_thread_address.thread_id_address = 0;
  cases.push_back(with("registration without thread-id address", no_thread_address));

  CrashMessage seventeen = Upload();
  seventeen.upload.count = 17;
  cases.push_back(with("upload count 17", seventeen));
  CrashMessage open_name = Upload();
  std::fill(std::begin(open_name.upload.entries[2].name), std::end(open_name.upload.entries[2].name), u'n');
  cases.push_back(with("upload name without terminator", open_name));
  CrashMessage open_value = Upload();
  std::fill(std::begin(open_value.upload.entries[0].value), std::end(open_value.upload.entries[0].value), u'v');
  cases.push_back(with("upload value without terminator", open_value));

  cases.push_back(with("registration with a forged process id", Registration(records, forged_pid)));
  cases.push_back(with("upload with a forged process id", Upload(forged_pid)));
  CrashMessage ack_first;
  ack_first.tag = google_breakpad::kRegistrationAck;
  ack_first.id = static_cast<uint32_t>(getpid());
  cases.push_back(with("acknowledgement without registration", ack_first));
  CrashMessage response_tag = Registration(records);
  response_tag.tag = google_breakpad::kRegistrationResponse;
  cases.push_back(with("response tag from a client", response_tag));

  const size_t descriptors_before = OpenDescriptorCount();
  for (Case& c : cases) {
    RawConnection connection(kPipeName);
    ASSERT_TRUE(connection.valid()) << c.name;
    std::vector<int> extra;
    int pipe_ends[2] = {-1, -1};
    if (c.attach_descriptors) {
      ASSERT_EQ(pipe(pipe_ends), 0);
      extra = {pipe_ends[0], pipe_ends[1]};
    }
    EXPECT_TRUE(connection.Send(c.bytes.data(), c.length, extra)) << c.name;
    for (int fd : extra) close(fd);
    if (c.half_close) connection.ShutdownWrite();
    EXPECT_TRUE(connection.ClosedWithoutReply()) << c.name;
  }
  EXPECT_TRUE(recorder_.Events().empty());
  // Nothing the refused requests brought or caused stays open here.
  EXPECT_TRUE(WaitUntil([&] { return OpenDescriptorCount() == descriptors_before; }))
      << OpenDescriptorCount() << " open, " << descriptors_before << " before";

  // Still serving: an upload and a registration through the client library.
  RawConnection upload(kPipeName);
  ASSERT_TRUE(upload.Send(Upload()));
  EXPECT_TRUE(recorder_.WaitFor(ServerEvent::kUpload));
  CrashGenerationClient client(platform::Utf8ToUtf16(kPipeName), 0);
  EXPECT_TRUE(client.Register());
  EXPECT_TRUE(recorder_.WaitFor(ServerEvent::kConnected));
}

TEST_F(CrashServerProtocol, ClientLibraryRegistersUploadsAndNoticesTheServerGoing) {
  StartServer();
  CrashGenerationClient client(platform::Utf8ToUtf16(kPipeName), 0x2,
                               {{u"ver", u"9.9"}, {std::u16string(100, u'n'), u"cut to fit"}});
  ASSERT_TRUE(client.Register());
  ASSERT_TRUE(recorder_.WaitFor(ServerEvent::kConnected));
  const ServerEvent connected = recorder_.EventsOf(ServerEvent::kConnected)[0];
  EXPECT_EQ(connected.pid, getpid());
  ASSERT_EQ(connected.custom_info.size(), 2u);
  EXPECT_EQ(connected.custom_info[0].value, u"9.9");
  EXPECT_EQ(connected.custom_info[1].name, std::u16string(63, u'n'));

  UploadPayload payload;
  ASSERT_TRUE(SetUploadEntry(payload, 0, u"log", u"qelLog_2.log"));
  ASSERT_TRUE(client.RequestUpload(payload, 5000));
  ASSERT_TRUE(recorder_.WaitFor(ServerEvent::kUpload));
  const ServerEvent upload = recorder_.EventsOf(ServerEvent::kUpload)[0];
  EXPECT_EQ(TerminatedText(upload.payload.entries[0].value, google_breakpad::kUploadValueLength), u"qelLog_2.log");
  // The uploader is a registered client: its custom entries come along.
  EXPECT_EQ(upload.custom_info.size(), 2u);

  server_.reset();
  // With the server gone, a dump request ends at once instead of waiting
  // out its bound.
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.RequestDump(30000));
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(15));
  EXPECT_FALSE(client.RequestUpload(payload, 1000));
}

TEST_F(CrashServerProtocol, RegistrationFailsWithoutAServer) {
  CrashGenerationClient client(platform::Utf8ToUtf16(kPipeName), 0);
  EXPECT_FALSE(client.Register(std::chrono::seconds(2)));
  EXPECT_FALSE(client.IsRegistered());
  EXPECT_FALSE(client.RequestDump(100));
}

TEST_F(CrashServerProtocol, StopWaitsForAnUploadInProgress) {
  StartServer();
  recorder_.HoldUploads(std::chrono::seconds(20));
  RawConnection connection(kPipeName);
  ASSERT_TRUE(connection.Send(Upload()));
  ASSERT_TRUE(recorder_.WaitFor(ServerEvent::kUpload));

  auto stopped = std::async(std::launch::async, [&] { return server_->Stop(); });
  EXPECT_EQ(stopped.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  recorder_.Release();
  ASSERT_EQ(stopped.wait_for(std::chrono::seconds(15)), std::future_status::ready);
  EXPECT_TRUE(stopped.get());
  EXPECT_TRUE(recorder_.upload_finished());
  EXPECT_FALSE(std::filesystem::exists(*platform::PipeSocketPath(kPipeName)));
}

TEST_F(CrashServerProtocol, StopGivesUpOnAHandlerPastItsBound) {
  server_ = recorder_.MakeServer(platform::Utf8ToUtf16(kPipeName), dump_folder_);
  server_->set_stop_timeout(std::chrono::milliseconds(100));
  ASSERT_TRUE(server_->Start());
  recorder_.HoldUploads(std::chrono::seconds(20));
  RawConnection connection(kPipeName);
  ASSERT_TRUE(connection.Send(Upload()));
  ASSERT_TRUE(recorder_.WaitFor(ServerEvent::kUpload));

  EXPECT_FALSE(server_->Stop());
  EXPECT_FALSE(recorder_.upload_finished());
  server_.reset();
  // The handler left behind still finishes safely after the server is gone.
  recorder_.Release();
  EXPECT_TRUE(WaitUntil([&] { return recorder_.upload_finished(); }));
  EXPECT_TRUE(connection.ClosedWithoutReply());
}

TEST_F(CrashServerProtocol, StartRefusesALiveServerAndReplacesAStaleSocket) {
  const std::string path = *platform::PipeSocketPath(kPipeName);
  {
    // A socket file nobody listens on any more.
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, path.c_str(), path.size() + 1);
    platform::UniqueFd stale(socket(AF_UNIX, SOCK_STREAM, 0));
    ASSERT_EQ(bind(stale.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  }
  ASSERT_TRUE(std::filesystem::exists(path));
  StartServer();

  CallbackRecorder other_recorder;
  auto second = other_recorder.MakeServer(platform::Utf8ToUtf16(kPipeName), dump_folder_);
  EXPECT_FALSE(second->Start());
  second.reset();
  EXPECT_TRUE(std::filesystem::exists(path)) << "the refused server removed the live one's socket";

  CrashGenerationClient client(platform::Utf8ToUtf16(kPipeName), 0);
  EXPECT_TRUE(client.Register());
  EXPECT_TRUE(recorder_.WaitFor(ServerEvent::kConnected));
  EXPECT_FALSE(server_->Start()) << "started twice";
}

TEST_F(CrashServerProtocol, StartFailsOnANameThatIsNoPipeOrWithoutADumpFolder) {
  const std::u16string folder = platform::Utf8ToUtf16(dump_folder_);
  const std::u16string no_folder;
  struct Case {
    std::u16string pipe_name;
    const std::u16string* dump_folder;
  };
  const Case cases[] = {
      {u"veskaroom.exe", &folder},
      {u"\\\\.\\pipe\\", &folder},
      {u"\\\\.\\pipe\\..\\escape", &folder},
      {platform::Utf8ToUtf16(kPipeName), nullptr},
      {platform::Utf8ToUtf16(kPipeName), &no_folder},
  };
  for (const Case& c : cases) {
    google_breakpad::CrashGenerationServer server(c.pipe_name, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                  nullptr, nullptr, nullptr, true, c.dump_folder);
    EXPECT_FALSE(server.Start()) << platform::Utf16ToUtf8(c.pipe_name);
  }
  EXPECT_FALSE(std::filesystem::exists(*platform::PipeSocketPath(kPipeName)));
}

}  // namespace
}  // namespace veska_test
