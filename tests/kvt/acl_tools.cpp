#include "acl_tools.h"

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/run_program.h"

namespace kvt_test {

namespace fs = std::filesystem;

std::optional<std::string> AclUnsupportedReason(const fs::path& folder) {
  const fs::path probe = folder / ".acl-probe";
  veska_test::WriteFile(probe, "");
  const auto run = veska_test::RunProgram("/usr/bin/setfacl", {"-m", "group:users:r--", probe.string()});
  fs::remove(probe);
  if (run.exit_code == 0) return std::nullopt;
  return "setfacl on " + folder.string() + " exited " + std::to_string(run.exit_code) + ": " + run.err;
}

std::vector<std::string> AclLines(const fs::path& path) {
  const auto run = veska_test::RunProgram(
      "/usr/bin/getfacl", {"--omit-header", "--no-effective", "--absolute-names", path.string()});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  std::vector<std::string> lines;
  for (const auto& line : veska_test::SplitLines(run.out)) {
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> WithPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
  std::vector<std::string> found;
  for (const auto& line : lines) {
    if (line.starts_with(prefix)) found.push_back(line);
  }
  return found;
}

void ModifyAcl(const fs::path& path, const std::string& entries) {
  const auto run = veska_test::RunProgram("/usr/bin/setfacl", {"-m", entries, path.string()});
  ASSERT_EQ(run.exit_code, 0) << run.err;
}

}  // namespace kvt_test
