#include "zerozedev/process/client_command_line.h"

#include <algorithm>

#include "platform/text.h"

namespace zerozedev {

std::vector<std::string> ClientCommandLine::SplitTokens(std::string_view text,
                                                        std::string_view delimiter) {
  // An empty delimiter is found everywhere and would never consume text.
  if (delimiter.empty() || text.find(delimiter) == std::string_view::npos) {
    return {std::string(text)};
  }
  std::vector<std::string> tokens;
  std::string_view rest = text;
  for (auto at = rest.find(delimiter); at != std::string_view::npos; at = rest.find(delimiter)) {
    tokens.emplace_back(rest.substr(0, at));
    rest.remove_prefix(at);
    const auto next = rest.find_first_not_of(delimiter);
    rest.remove_prefix(next == std::string_view::npos ? rest.size() : next);
  }
  return tokens;
}

void ClientCommandLine::AddArgs(const std::vector<std::string>& tokens) {
  tokens_.insert(tokens_.end(), tokens.begin(), tokens.end());
  for (const auto& token : tokens) {
    const auto equals = token.find('=');
    if (equals == std::string::npos) continue;
    const auto key_start = std::min(token.find_first_not_of('-'), equals);
    AddSwitch(token.substr(key_start, equals - key_start), token.substr(equals + 1));
  }
}

void ClientCommandLine::AddSwitch(const std::string& key, const std::string& value) {
  const bool present = std::any_of(switches_.begin(), switches_.end(),
                                   [&](const CommandLineSwitch& s) { return s.key == key; });
  if (!present) switches_.push_back({key, value});
}

void ClientCommandLine::RemoveSwitch(const std::string& key) {
  const auto found = std::find_if(switches_.begin(), switches_.end(),
                                  [&](const CommandLineSwitch& s) { return s.key == key; });
  if (found != switches_.end()) switches_.erase(found);
}

std::string ClientCommandLine::RenderUtf8() const {
  std::string line;
  for (const auto& token : tokens_) {
    line += token;
    line += ' ';
  }
  for (const auto& s : switches_) {
    line += '-';
    line += s.key;
    line += '=';
    line += s.value;
    line += ' ';
  }
  return line;
}

std::u16string ClientCommandLine::GetCommandLineString() const {
  return platform::Utf8ToUtf16(RenderUtf8());
}

}  // namespace zerozedev
