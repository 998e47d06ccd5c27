#include "updater/cmdline/parse_zip_conf.h"

#include <cstdint>
#include <limits>
#include <string>

#include "platform/folders.h"
#include "platform/text.h"
#include "updater/cmdline/update_folders.h"
#include "updater/log/updater_log.h"

namespace {

constexpr char kPackageName[] = "update.zip";
constexpr char kLauncherName[] = "VESKALaunch.exe";
constexpr std::string_view kStrippedScheme = "http://";

std::string Ansi(const std::u16string& text) { return platform::Utf16ToAnsi(text); }

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// A file name in `folder`, or "" when the folder is unknown, so that nothing
// lands in whatever the current directory happens to be.
std::string InFolder(const std::string& folder, const char* name) {
  return folder.empty() ? std::string() : folder + name;
}

}  // namespace

std::int32_t LeadingDecimal(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    magnitude = std::min(kLimit, magnitude * 10 + (text[i] - u'0'));
  }
  if (negative) return static_cast<std::int32_t>(-magnitude);
  return static_cast<std::int32_t>(std::min<std::int64_t>(magnitude, kLimit - 1));
}

ZipConf ZipConfFrom(const CCmdLineParser& parser, std::string_view programPath) {
  ZipConf conf;
  const std::string url = Ansi(parser.GetValue(u"url"));
  conf.zipMd5 = Ansi(parser.GetValue(u"md5"));
  conf.zipUrl = url + "?" + conf.zipMd5;
  conf.pageCallParam = Ansi(parser.GetValue(u"pagecallparam"));
  conf.launchAfterInstall = true;

  const UpdateFolders folders = UpdateFoldersOf(programPath);
  conf.zipPath = InFolder(folders.programFolder, kPackageName);
  conf.launcherPath = InFolder(folders.applicationFolder, kLauncherName);
  conf.installRoot = folders.installRoot;

  std::string_view address = url;
  if (address.starts_with(kStrippedScheme)) address.remove_prefix(kStrippedScheme.size());
  const auto slash = address.find('/');
  if (slash != std::string_view::npos) conf.host = address.substr(0, slash);
  conf.urlPath = address.substr(slash == std::string_view::npos ? 0 : slash);

  conf.forcedUpdate = LeadingDecimal(parser.GetValue(u"forcedupdate"));
  conf.newVersion = Ansi(parser.GetValue(u"newver"));
  conf.prompt = Ansi(parser.GetValue(u"prompt"));
  return conf;
}

ZipConf parseZipConf(const char16_t* commandLine) {
  const CCmdLineParser parser(commandLine);

  UpdaterLog& log = UpdaterLog::Instance();
  log.Open("qelUpdater");
  log.SetExactLevel(-1);
  log.SetMaxLevel(0);
  log.Write(0, "UpdaterApp", 59, "parseZipConf",
            "ZipUrl : %s zipMd5 : %s pageCallParam : %s forcedupdate : %s\n",
            Ansi(parser.GetValue(u"url")).c_str(), Ansi(parser.GetValue(u"md5")).c_str(),
            Ansi(parser.GetValue(u"pagecallparam")).c_str(),
            Ansi(parser.GetValue(u"forcedupdate")).c_str());

  const auto programPath = platform::OwnExecutablePath();
  return ZipConfFrom(parser, programPath ? std::string_view(*programPath) : std::string_view());
}
