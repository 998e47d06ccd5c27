#pragma once
// A stream buffer whose put area is a caller's fixed buffer: it never grows,
// and writes past its end fail.

#include <cstddef>
#include <streambuf>
#include <string_view>

namespace cpplog::helpers {

class fixed_streambuf : public std::streambuf {
 public:
  fixed_streambuf(char* buffer, std::size_t size) { setp(buffer, buffer + size); }

  std::string_view written() const { return {pbase(), static_cast<std::size_t>(pptr() - pbase())}; }
  bool full() const { return pptr() == epptr(); }
  // Forgets what was written after the first `size` bytes.
  void truncate(std::size_t size) {
    if (size < static_cast<std::size_t>(pptr() - pbase())) {
      char* const begin = pbase();
      char* const end = epptr();
      setp(begin, end);
      pbump(static_cast<int>(size));
    }
  }
  // Overwrites the last byte written; nothing happens when none was.
  void replace_last(char c) {
    if (pptr() != pbase()) pptr()[-1] = c;
  }
};

}  // namespace cpplog::helpers
