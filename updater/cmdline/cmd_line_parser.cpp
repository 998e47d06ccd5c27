#include "updater/cmdline/cmd_line_parser.h"

namespace {

constexpr char16_t kSwitchPrefix = u'-';
constexpr char16_t kValueSeparator = u'=';
constexpr char16_t kQuote = u'"';
constexpr char16_t kValueEnd = u' ';  // a tab does not end a value

}  // namespace

CCmdLineParser::CCmdLineParser(const char16_t* commandLine) { Parse(commandLine); }

CCmdLineParser::~CCmdLineParser() = default;

void CCmdLineParser::Parse(const char16_t* commandLine) {
  if (commandLine == nullptr) return;
  commandLine_ = commandLine;
  values_.clear();

  const std::u16string_view text = commandLine_;
  std::size_t cursor = 0;
  while (cursor < text.size()) {
    const std::size_t prefix = text.find(kSwitchPrefix, cursor);
    if (prefix == std::u16string_view::npos) return;
    const std::size_t keyStart = prefix + 1;
    if (keyStart == text.size()) return;

    const std::size_t separator = text.find(kValueSeparator, keyStart);
    if (separator == std::u16string_view::npos) {
      Store(std::u16string(text.substr(keyStart)), {});
      return;
    }
    std::u16string key(text.substr(keyStart, separator - keyStart));
    std::size_t valueStart = separator + 1;
    if (valueStart == text.size()) {
      if (!key.empty()) Store(std::move(key), {});
      return;
    }

    std::size_t valueEnd;
    if (text[valueStart] == kQuote) {
      ++valueStart;
      valueEnd = text.find(kQuote, valueStart);
    } else {
      valueEnd = text.find(kValueEnd, valueStart);
    }
    if (valueEnd == std::u16string_view::npos) {
      if (!key.empty()) Store(std::move(key), std::u16string(text.substr(valueStart)));
      return;
    }
    if (!key.empty()) Store(std::move(key), std::u16string(text.substr(valueStart, valueEnd - valueStart)));
    cursor = valueEnd + 1;
  }
}

std::u16string CCmdLineParser::GetValue(std::u16string_view key) const {
  const auto found = values_.find(FoldKey(key));
  return found == values_.end() ? std::u16string() : found->second;
}

void CCmdLineParser::Store(std::u16string key, std::u16string value) {
  values_.emplace(FoldKey(key), std::move(value));  // keeps an earlier value
}

std::u16string CCmdLineParser::FoldKey(std::u16string_view key) const {
  std::u16string folded(key);
  if (caseSensitive_) return folded;
  for (char16_t& c : folded) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return folded;
}
