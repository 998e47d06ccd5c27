#include "platform/process.h"

namespace platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The program name is read apart: a quoted one ends at the next quote, an
// unquoted one at the next blank; backslashes are plain characters in it.
std::string_view TakeProgramName(std::string_view& rest) {
  std::string_view name;
  if (!rest.empty() && rest.front() == '"') {
    const auto close = rest.find('"', 1);
    name = rest.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    rest.remove_prefix(close == std::string_view::npos ? rest.size() : close + 1);
  } else {
    size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    name = rest.substr(0, end);
    rest.remove_prefix(end);
  }
  return name;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view command_line) {
  std::vector<std::string> args;
  std::string_view rest = command_line;
  // Leading blanks would make an empty program name; nobody means that.
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  if (rest.empty()) return args;
  args.emplace_back(TakeProgramName(rest));

  std::string current;
  bool in_argument = false;
  int quotes = 0;        // 1 while inside a quoted part
  size_t backslashes = 0;
  for (size_t i = 0; i < rest.size();) {
    const char c = rest[i];
    if (IsBlank(c) && quotes == 0) {
      current.append(backslashes, '\\');
      backslashes = 0;
      if (in_argument) args.push_back(std::move(current));
      current.clear();
      in_argument = false;
      ++i;
      continue;
    }
    in_argument = true;
    if (c == '\\') {
      ++backslashes;
      ++i;
      continue;
    }
    if (c != '"') {
      current.append(backslashes, '\\');
      backslashes = 0;
      current += c;
      ++i;
      continue;
    }
    // A quote: 2n backslashes before it give n and the quote acts; 2n+1
    // give n and a literal quote.
    current.append(backslashes / 2, '\\');
    if (backslashes % 2 == 1) {
      current += '"';
    } else {
      ++quotes;
    }
    backslashes = 0;
    ++i;
    // Further quotes in a row: every third one (the opening one counted) is
    // a literal quote; a run leaves the quoted part unless one is pending.
    while (i < rest.size() && rest[i] == '"') {
      if (++quotes == 3) {
        current += '"';
        quotes = 0;
      }
      ++i;
    }
    if (quotes == 2) quotes = 0;
  }
  current.append(backslashes, '\\');
  if (in_argument) args.push_back(std::move(current));
  return args;
}

}  // namespace platform
