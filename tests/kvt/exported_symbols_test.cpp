// libkvt.so exports exactly the exports of the Windows library the classroom
// client binds by name, plus the Linux additions kvt/README.md documents; the
// README's table has a row for each of them.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>

#include "support/files.h"
#include "support/regex_match.h"
#include "support/run_program.h"

namespace {

const std::set<std::string> kWindowsExports = {
    "DllCanUnloadNow", "KvtVersion", "KvtInitialize", "KvtUninitialize", "KvtCreateObject",
    "KvtCreateInstance", "KvtFreeLibrary", "KvtCreateThread", "KvtGetWindowsVersion",
    "IsWindow2000", "IsWindowXP", "IsWindowVista", "IsWindow7", "IsWindow8", "IsWindow8_1",
    "IsWindows10", "IsWindowVistaLatter", "IsWindow7Latter", "IsWindow8Latter", "IsWindows10Later",
    "IsWindowServer", "IsWindow64", "Is64bitDLL", "IsVMVare", "KvtRegGetBOOL", "KvtRegSetBOOL",
    "KvtRegGetDWORD", "KvtRegSetDWORD", "KvtRegGetString", "KvtRegSetString", "KvtRegIsKeyExist",
    "KvtRegDeleteKeyValue", "GetDllPathForClsid", "FileAddAccessRights", "IsHasUAC",
    "IsSystemUACEnable", "IsProcessVirtualized", "EnableVirtualized", "UACAllowWindowMeesage",
    "KvtExecuteApp", "KvtExecuteAppWithUAC", "UACExecuteApp", "GetDebugPrivilege", "ShutdownWindow",
    "KvtRegDll", "MinimizeMemory", "KvtCreateFileW", "KvtCreateFileA", "KvtCreateDirectoryW",
    "KvtCreateDirectoryA", "KvtCopyFile", "KvtMoveFile", "KvtMoveFileEx", "PathCreateDirectory",
    "PathCreateDirectoryFromFile", "RecurseRemoveDirectory", "IsFileWritable", "KvtGetFileSize",
    "GetFileTimeString", "TimeStringToFileTime", "GetFileVersionString", "GetFileVersionStringEx",
    "KvtDllGetVersion", "KvtDllGetVersionString", "GetFileInfomationString", "KvtGetStringMD5A",
    "KvtGetStringMD5W", "KvtGetFileMD5String", "KvtGetVideoMD5String", "KvtGetCRC32",
    "KvtUrlEncodeW", "KvtUrlEncodeA", "KvtGetResourceSize", "KvtGetResource",
    "ExtractResourceToFile", "ExtractResourceToXMLString", "UnZipFileToDirectory",
    "IsHasInternetConnection", "KvtIERunUrl", "IsConnectProjector",
};

// The README table's rows: export name to its Linux meaning.
std::map<std::string, std::string> TableRows() {
  std::map<std::string, std::string> rows;
  for (const auto& line : veska_test::SplitLines(veska_test::ReadFile(VESKA_KVT_README))) {
    if (auto groups = veska_test::RegexGroups(line, R"(\| `([A-Za-z_][A-Za-z0-9_]*)` \| (.*) \|)")) {
      rows[(*groups)[1]] = (*groups)[2];
    }
  }
  return rows;
}

std::set<std::string> DynamicExports() {
  const auto run = veska_test::RunProgram("/usr/bin/nm", {"-D", "--defined-only", VESKA_KVT_LIBRARY});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  std::set<std::string> names;
  std::istringstream lines(run.out);
  std::string address, type, name;
  while (lines >> address >> type >> name) names.insert(name);
  return names;
}

TEST(ExportedSymbolsTest, TheWindowsExportsAndTheDocumentedLinuxAdditions) {
  const auto rows = TableRows();
  std::set<std::string> documented, additions;
  for (const auto& [name, meaning] : rows) {
    documented.insert(name);
    if (meaning.rfind("Linux addition", 0) == 0) additions.insert(name);
  }
  std::set<std::string> expected = kWindowsExports;
  expected.insert(additions.begin(), additions.end());
  EXPECT_EQ(documented, expected) << "a README row that is neither a Windows export nor a Linux addition, "
                                     "or a Windows export without a row";
  for (const auto& name : additions) EXPECT_EQ(kWindowsExports.count(name), 0u) << name;
  EXPECT_EQ(DynamicExports(), expected);
}

}  // namespace
