#pragma once
// Bytes as a program's argument words: a NUL ends one word and starts the
// next, as in a process's argument block. The first word is the program.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz_support {

inline std::vector<std::string> ArgumentWords(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.emplace_back();
    } else {
      words.back() += static_cast<char>(data[i]);
    }
  }
  return words;
}

}  // namespace fuzz_support
