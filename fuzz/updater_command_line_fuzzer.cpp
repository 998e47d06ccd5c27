// The updater's command line: either its arguments (cut at NUL bytes) joined
// into one text, or a text of UTF-16 units as a Windows updater receives it;
// then the switches read into the update record.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/support/argument_words.h"
#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/scratch.h"
#include "platform/text.h"
#include "updater/cmdline/cmd_line_parser.h"
#include "updater/cmdline/command_line_from_arguments.h"
#include "updater/cmdline/parse_zip_conf.h"

namespace {

constexpr const char16_t* kKeys[] = {u"url", u"md5", u"forcedupdate", u"newver", u"prompt", u"pagecallparam"};

// Switches "-key=value" with keys of lower-case letters and values without
// double quotes, as a caller of the updater writes them, and words between
// them: the parser must give back each key's first value.
void CheckRoundTrip(FuzzedDataProvider& input) {
  std::vector<std::string> arguments;
  std::vector<std::pair<std::u16string, std::string>> expected;
  while (input.remaining_bytes() > 0 && arguments.size() < 64) {
    const int kind = input.ConsumeIntegralInRange(0, 3);
    std::string text = input.ConsumeRandomLengthString(64);
    std::erase_if(text, [](char c) { return c == '\0' || c == '"'; });
    if (kind == 0) {
      std::erase_if(text, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
      arguments.push_back(text);
      continue;
    }
    const std::u16string key = kind == 1 ? std::u16string(kKeys[input.ConsumeIntegralInRange<std::size_t>(0, 5)])
                                         : std::u16string(1, static_cast<char16_t>(u'a' + input.ConsumeIntegralInRange(0, 25)));
    arguments.push_back("-" + platform::Utf16ToUtf8(key) + "=" + text);
    expected.emplace_back(key, text);
  }
  const std::u16string command_line = CommandLineFromArguments(arguments);
  const CCmdLineParser parser(command_line.c_str());
  std::vector<std::u16string> seen;
  for (const auto& [key, value] : expected) {
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
    seen.push_back(key);
    FUZZ_CHECK(parser.GetValue(key) == platform::Utf8ToUtf16(value));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::u16string command_line;
  switch (data[0] % 3) {
    case 0: {
      command_line = CommandLineFromArguments(fuzz_support::ArgumentWords(data + 1, size - 1));
      break;
    }
    case 1:
      command_line = fuzz::Utf16Units(data + 1, size - 1);
      break;
    default: {
      FuzzedDataProvider input(data + 1, size - 1);
      CheckRoundTrip(input);
      return 0;
    }
  }

  const CCmdLineParser parser(command_line.c_str());
  const ZipConf conf = ZipConfFrom(parser, "/opt/veska/app/temp/Updater.exe");
  FUZZ_CHECK(conf.zipPath == "/opt/veska/app/temp/update.zip");
  FUZZ_CHECK(conf.launcherPath == "/opt/veska/app/VESKALaunch.exe");
  FUZZ_CHECK(conf.zipUrl == platform::Utf16ToAnsi(parser.GetValue(u"url")) + "?" + conf.zipMd5);
  return 0;
}
