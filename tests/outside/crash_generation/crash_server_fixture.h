#pragma once
// A crash generation server on a private runtime folder, with every callback
// recorded.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "callback_recorder.h"
#include "platform/text.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace veska_test {

class CrashServerFixture : public ::testing::Test {
 protected:
  static constexpr const char* kPipeName = "\\\\.\\pipe\\BreakpadCrashServices\\veskaroom.exe";

  CrashServerFixture()
      : runtime_folder_(MakeFolder(temp_ / "run")),
        runtime_env_("XDG_RUNTIME_DIR", runtime_folder_),
        dump_folder_(MakeFolder(temp_ / "dumps")) {}

  void StartServer(std::chrono::milliseconds request_timeout = std::chrono::seconds(5)) {
    server_ = recorder_.MakeServer(platform::Utf8ToUtf16(kPipeName), dump_folder_);
    server_->set_request_timeout(request_timeout);
    ASSERT_TRUE(server_->Start());
  }

  static std::string MakeFolder(const std::filesystem::path& path) {
    std::filesystem::create_directories(path);
    return path.string();
  }

  TempDir temp_;
  std::string runtime_folder_;
  ScopedEnv runtime_env_;
  std::string dump_folder_;
  CallbackRecorder recorder_;
  std::unique_ptr<google_breakpad::CrashGenerationServer> server_;
};

}  // namespace veska_test
