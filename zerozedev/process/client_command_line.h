#pragma once
// The classroom client's command line: the launcher's own words as tokens,
// then "-key=value" switches. All text is UTF-8.

#include <string>
#include <string_view>
#include <vector>

namespace zerozedev {

struct CommandLineSwitch {
  std::string key;
  std::string value;

  bool operator==(const CommandLineSwitch&) const = default;
};

class ClientCommandLine {
 public:
  // Cuts `text` at each `delimiter`; runs of delimiters act as one. A
  // remainder after the last delimiter is dropped, so callers end the text
  // with a delimiter. Text without any delimiter is one token.
  static std::vector<std::string> SplitTokens(std::string_view text, std::string_view delimiter);

  // Appends the tokens; every token holding "=" also becomes a switch, its key
  // stripped of leading '-'.
  void AddArgs(const std::vector<std::string>& tokens);
  // The first value given for a key wins.
  void AddSwitch(const std::string& key, const std::string& value);
  void RemoveSwitch(const std::string& key);

  // Tokens, then switches, each followed by one blank.
  std::string RenderUtf8() const;
  std::u16string GetCommandLineString() const;

  const std::vector<std::string>& tokens() const { return tokens_; }
  const std::vector<CommandLineSwitch>& switches() const { return switches_; }

 private:
  std::vector<std::string> tokens_;
  std::vector<CommandLineSwitch> switches_;
};

}  // namespace zerozedev
