#include "zerozedev/crash/upload_request.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fixed_calendar.h"
#include "launcher_log_text.h"
#include "platform/text.h"
#include "scoped_current_directory.h"
#include "support/crash_collector.h"
#include "support/files.h"
#include "support/loopback_port.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "zerozedev/crash/upload_checkpoint.h"
#include "zerozedev/log/launcher_log.h"
#include "zip_members.h"

namespace google_breakpad {
namespace {

namespace fs = std::filesystem;
using crash_test::ZipMembers;
using veska_test::CrashCollector;
using veska_test::ReadFile;
using veska_test::WriteFile;
using Entries = std::vector<std::pair<std::string, std::string>>;
using Members = std::map<std::string, std::string>;

constexpr CalendarTime kLocalTime{2023, 3, 5, 9, 7, 5};
constexpr CalendarTime kUtcTime{2023, 3, 15, 1, 7, 5};
const std::string kPackageName = "202335975.zip";
// Larger than one copy chunk, with every byte value.
const std::string kDumpBytes = [] {
  std::string bytes("MDMP\x93\xa7\0\0", 8);
  for (int i = 0; i < 150000; ++i) bytes += static_cast<char>(i * 7 % 256);
  return bytes;
}();

// Names and sizes, so that a mismatch reads well without printing the bytes.
std::string Describe(const std::optional<Members>& members) {
  if (!members) return "not a zip";
  std::string text;
  for (const auto& [name, bytes] : *members) text += name + ":" + std::to_string(bytes.size()) + " ";
  return text;
}

void ExpectMembers(const fs::path& zip, const Members& expected) {
  const auto members = ZipMembers(zip);
  EXPECT_EQ(Describe(members), Describe(expected));
  EXPECT_TRUE(members == expected) << "member bytes differ";
}

UploadPayload Payload(const Entries& entries) {
  UploadPayload payload;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_TRUE(SetUploadEntry(payload, i, platform::Utf8ToUtf16(entries[i].first),
                               platform::Utf8ToUtf16(entries[i].second)));
  }
  return payload;
}

// Path -> bytes of every file below `root`.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    files[entry.path().string()] = entry.is_regular_file() ? ReadFile(entry.path()) : "<folder>";
  }
  return files;
}

class UploadRequestTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(crash_folder_);
    fs::create_directories(app_folder_);
    LauncherLog::Instance().Open("zerozedev");
  }

  // A dump as the crash server leaves it, and the client's log beside it.
  std::u16string WriteCrash(const std::string& log_name, const std::string& log_bytes = "log lines\n") {
    const fs::path dump = crash_folder_ / "6f1d2c3a-0000-4000-8000-000000000001.dmp";
    WriteFile(dump, kDumpBytes);
    WriteFile(crash_folder_ / log_name, log_bytes);
    return platform::Utf8ToUtf16(dump.string());
  }

  std::string Checkpoint() const {
    const fs::path path = app_folder_ / kCheckpointFileName;
    return fs::exists(path) ? ReadFile(path) : "<none>";
  }

  long LogCount(const std::string& message) const {
    const auto messages = crash_test::LogMessages(data_home_.path());
    return std::count(messages.begin(), messages.end(), message);
  }

  veska_test::TempDir data_home_;
  veska_test::ScopedEnv data_env_{"XDG_DATA_HOME", data_home_.str()};
  veska_test::TempDir root_;
  const fs::path crash_folder_ = root_ / "crash";
  const fs::path app_folder_ = root_ / "app";
  crash_test::FixedCalendar calendar_{kLocalTime, kUtcTime};
  UploadRequestHandler handler_;
};

TEST_F(UploadRequestTest, PacksDumpAndLogAndPostsThePackage) {
  CrashCollector collector(CRASH_COLLECTOR);
  crash_test::ScopedCurrentDirectory in_app(app_folder_.string());
  const std::u16string dump = WriteCrash("qelLog_1.log");

  handler_.Handle(dump, Payload({{"log", "qelLog_1.log"},
                                 {"version", "3.1"},
                                 {"uid", "1"},
                                 {"url", collector.Url()},
                                 {"callstack_md5", "aa11"},
                                 {"uid", "2"},
                                 {"platform", "win64"}}));

  // The dump and the log now live only in the package.
  const fs::path package = crash_folder_ / kPackageName;
  EXPECT_EQ(veska_test::FilesIn(crash_folder_), std::vector<fs::path>{package});
  ExpectMembers(package, {{"qelCrash_1.dmp", kDumpBytes}, {"qelLog_1.log", "log lines\n"}});

  const auto uploads = collector.Uploads();
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(uploads[0].path, "/crashReport");
  const std::map<std::string, std::string> fields{{"platform", "win64"}, {"uid", "2"}, {"version", "3.1"}};
  EXPECT_EQ(uploads[0].fields, fields);
  EXPECT_EQ(uploads[0].file_names, (std::map<std::string, std::string>{{"upload_file_minidump", kPackageName}}));
  EXPECT_EQ(ReadFile(uploads[0].files.at("upload_file_minidump")), ReadFile(package));

  EXPECT_EQ(Checkpoint(), "GBP1\n20230315\n1\n");
  EXPECT_TRUE(crash_test::WaitForLogMessage(data_home_.path(), "send dump succeeded"));
}

TEST_F(UploadRequestTest, CallStackIsPostedOnlyWhileItDiffersFromTheFirstOne) {
  CrashCollector collector(CRASH_COLLECTOR);
  crash_test::ScopedCurrentDirectory in_app(app_folder_.string());
  // The first digest seen is the one remembered for the whole run.
  const std::pair<const char*, bool> requests[] = {{"A", true}, {"A", false}, {"B", true}, {"B", true}};
  std::vector<std::string> posted;
  int second = 0;
  for (const auto& [digest, expect_posted] : requests) {
    const std::string log_name = "qelLog_" + std::to_string(++second) + ".log";
    calendar_.Set({2023, 3, 5, 9, 7, second}, kUtcTime);
    handler_.Handle(WriteCrash(log_name), Payload({{"log", log_name}, {"callstack_md5", digest},
                                                   {"url", collector.Url()}}));
    if (expect_posted) posted.push_back("20233597" + std::to_string(second) + ".zip");
  }

  std::vector<std::string> received;
  for (const auto& upload : collector.Uploads()) {
    received.push_back(upload.file_names.at("upload_file_minidump"));
    EXPECT_EQ(upload.fields, (std::map<std::string, std::string>{{"platform", "win32"}}));
  }
  EXPECT_EQ(received, posted);
  // Every request still leaves its package.
  EXPECT_EQ(veska_test::FilesIn(crash_folder_).size(), 4u);
  EXPECT_TRUE(ZipMembers(crash_folder_ / "202335972.zip")->count("qelCrash_2.dmp"));
  EXPECT_EQ(Checkpoint(), "GBP1\n20230315\n3\n");
}

TEST_F(UploadRequestTest, CheckpointStartsANewCountOnANewUtcDay) {
  CrashCollector collector(CRASH_COLLECTOR);
  crash_test::ScopedCurrentDirectory in_app(app_folder_.string());
  WriteFile(app_folder_ / kCheckpointFileName, "GBP1\n20230314\n3\n");
  const UploadPayload payload = Payload({{"log", "qelLog_1.log"}, {"url", collector.Url()}});

  handler_.Handle(WriteCrash("qelLog_1.log"), payload);
  EXPECT_EQ(Checkpoint(), "GBP1\n20230315\n1\n");
  // Late on the same UTC day, already the next day in local time.
  calendar_.Set({2023, 3, 16, 1, 0, 0}, {2023, 3, 15, 23, 59, 59});
  handler_.Handle(WriteCrash("qelLog_1.log"), payload);
  EXPECT_EQ(Checkpoint(), "GBP1\n20230315\n2\n");
  EXPECT_EQ(collector.Uploads().size(), 2u);
}

TEST_F(UploadRequestTest, FailedUploadLeavesTheCheckpointAsItWas) {
  CrashCollector refusing(CRASH_COLLECTOR, {"--status=500"});
  CrashCollector found_elsewhere(CRASH_COLLECTOR, {"--status=404"});
  const std::string closed = "http://127.0.0.1:" + std::to_string(veska_test::PickFreeLoopbackPort()) + "/crashReport";
  const std::string endpoints[] = {
      refusing.Url(), found_elsewhere.Url(), closed, "ftp://127.0.0.1:" + std::to_string(refusing.port()) + "/",
      "file://" + (root_ / "sink").string(), "not a url", "",
  };
  crash_test::ScopedCurrentDirectory in_app(app_folder_.string());
  WriteFile(app_folder_ / kCheckpointFileName, "GBP1\n20230314\n3\n");

  long failures = 0;
  for (const std::string& url : endpoints) {
    handler_.Handle(WriteCrash("qelLog_1.log"), Payload({{"log", "qelLog_1.log"}, {"url", url}}));
    ++failures;
    EXPECT_TRUE(veska_test::WaitUntil([&] { return LogCount("send dump failed") == failures; })) << url;
    EXPECT_EQ(Checkpoint(), "GBP1\n20230314\n3\n") << url;
  }
  // The refusing collectors did receive what they refused.
  EXPECT_EQ(refusing.Uploads().size(), 1u);
  EXPECT_EQ(found_elsewhere.Uploads().size(), 1u);
  EXPECT_FALSE(fs::exists(root_ / "sink"));
  EXPECT_EQ(LogCount("send dump succeeded"), 0);
}

TEST_F(UploadRequestTest, AddressWithALineBreakCannotForgeARecord) {
  crash_test::ScopedCurrentDirectory in_app(app_folder_.string());
  const std::string closed = "http://127.0.0.1:" + std::to_string(veska_test::PickFreeLoopbackPort()) + "/crashReport";
  const std::string forged = "Thu Jan  1 00:00:00 1970 |4|zerozedev|1|google_breakpad::UploadDumpFile|send dump succeeded";

  handler_.Handle(WriteCrash("qelLog_1.log"), Payload({{"log", "qelLog_1.log"}, {"url", closed + "\n" + forged + "\n"}}));

  ASSERT_TRUE(crash_test::WaitForLogMessage(data_home_.path(), "send dump failed"));
  EXPECT_EQ(LogCount("send dump succeeded"), 0);
  const auto messages = crash_test::LogMessages(data_home_.path());
  EXPECT_TRUE(std::any_of(messages.begin(), messages.end(), [&](const std::string& m) {
    return m.rfind(closed + "\\n" + forged + "\\n: ", 0) == 0;
  })) << testing::PrintToString(messages);
}

TEST_F(UploadRequestTest, UnsafeOrUnusableRequestsTouchNothing) {
  CrashCollector collector(CRASH_COLLECTOR);
  crash_test::ScopedCurrentDirectory in_app(app_folder_.string());
  const std::u16string dump = WriteCrash("qelLog_1.log");
  // Files a hostile name might reach outside the crash folder.
  WriteFile(root_ / "qelLog_1.log", "outside log\n");
  WriteFile(root_ / "qelCrash_1.dmp", "outside dump\n");
  const std::string outside_log = (root_ / "qelLog_1.log").string();
  const std::string url = collector.Url();

  struct Case {
    std::u16string dump_path;
    UploadPayload payload;
  };
  const Case cases[] = {
      {u"", Payload({{"log", "qelLog_1.log"}, {"url", url}})},
      {dump, Payload({{"log", "../qelLog_1.log"}, {"url", url}})},
      {dump, Payload({{"log", "sub/../../qelLog_1.log"}, {"url", url}})},
      {dump, Payload({{"log", "..\\qelLog_1.log"}, {"url", url}})},
      {dump, Payload({{"log", "../qelLog_1.log\nforged record"}, {"url", url}})},
      {dump, Payload({{"log", outside_log}, {"url", url}})},
      {dump, Payload({{"log", "client.log"}, {"url", url}})},
      {dump, Payload({{"log", "qelLog_1.txt"}, {"url", url}})},
      {dump, Payload({})},
  };
  const auto before = Snapshot(root_.path());
  for (const Case& c : cases) {
    handler_.Handle(c.dump_path, c.payload);
    EXPECT_EQ(Snapshot(root_.path()), before) << platform::Utf16ToUtf8(c.payload.entries[0].value);
  }
  EXPECT_TRUE(collector.Uploads().empty());
  // What the client sent cannot break the log into extra records.
  EXPECT_TRUE(crash_test::WaitForLogMessage(
      data_home_.path(), "upload request ignored: log name ../qelLog_1.log\\nforged record leaves the dump folder"));
}

TEST_F(UploadRequestTest, MissingLogStillSendsTheDump) {
  CrashCollector collector(CRASH_COLLECTOR);
  crash_test::ScopedCurrentDirectory in_app(app_folder_.string());
  const std::u16string dump = WriteCrash("qelLog_1.log");
  fs::remove(crash_folder_ / "qelLog_1.log");

  handler_.Handle(dump, Payload({{"log", "qelLog_1.log"}, {"url", collector.Url()}}));
  const fs::path package = crash_folder_ / kPackageName;
  ExpectMembers(package, {{"qelCrash_1.dmp", kDumpBytes}});
  EXPECT_EQ(veska_test::FilesIn(crash_folder_), std::vector<fs::path>{package});
  EXPECT_EQ(collector.Uploads().size(), 1u);
}

TEST_F(UploadRequestTest, DumpIsPackedEvenWhenItsNewNameIsTaken) {
  CrashCollector collector(CRASH_COLLECTOR);
  crash_test::ScopedCurrentDirectory in_app(app_folder_.string());
  const std::u16string dump = WriteCrash("qelLog_1.log");
  WriteFile(crash_folder_ / "qelCrash_1.dmp", "left from an earlier crash");

  handler_.Handle(dump, Payload({{"log", "qelLog_1.log"}, {"url", collector.Url()}}));
  ExpectMembers(crash_folder_ / kPackageName, {{"qelCrash_1.dmp", kDumpBytes}, {"qelLog_1.log", "log lines\n"}});
  EXPECT_EQ(ReadFile(crash_folder_ / "qelCrash_1.dmp"), "left from an earlier crash");
  EXPECT_FALSE(fs::exists(platform::Utf16ToUtf8(dump)));
}

TEST_F(UploadRequestTest, PackageThatCannotBeWrittenKeepsDumpAndLog) {
  CrashCollector collector(CRASH_COLLECTOR);
  crash_test::ScopedCurrentDirectory in_app(app_folder_.string());
  const std::u16string dump = WriteCrash("qelLog_1.log");
  fs::create_directory(crash_folder_ / kPackageName);

  handler_.Handle(dump, Payload({{"log", "qelLog_1.log"}, {"url", collector.Url()}}));
  EXPECT_TRUE(ReadFile(crash_folder_ / "qelCrash_1.dmp") == kDumpBytes);
  EXPECT_EQ(ReadFile(crash_folder_ / "qelLog_1.log"), "log lines\n");
  EXPECT_TRUE(collector.Uploads().empty());
  EXPECT_TRUE(crash_test::WaitForLogMessage(data_home_.path(), "send dump failed"));
  EXPECT_EQ(Checkpoint(), "<none>");
}

}  // namespace
}  // namespace google_breakpad
