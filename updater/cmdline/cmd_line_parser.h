#pragma once
// Switches of the form -key=value in one command-line text.
//
// A switch starts at "-" and its key runs to the next "=", whatever lies
// between. A value ends before the next blank, or, when it starts with a
// double quote, before the next double quote. Keys are stored and looked up
// in lower case (ASCII letters); values keep their case. The first occurrence
// of a key wins.

#include <map>
#include <string>
#include <string_view>

class CCmdLineParser {
 public:
  // Parses `commandLine` at once unless it is null.
  explicit CCmdLineParser(const char16_t* commandLine = nullptr);
  virtual ~CCmdLineParser();

  // Replaces what an earlier call found. A null text changes nothing.
  void Parse(const char16_t* commandLine);

  // The value of `key`, or "" when it is absent (as for an empty value).
  std::u16string GetValue(std::u16string_view key) const;

 private:
  void Store(std::u16string key, std::u16string value);
  std::u16string FoldKey(std::u16string_view key) const;

  std::u16string commandLine_;
  std::map<std::u16string, std::u16string> values_;
  bool caseSensitive_ = false;
};
