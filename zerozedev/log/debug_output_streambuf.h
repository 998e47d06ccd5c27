#pragma once
// A stream buffer that hands its text to the debugger output in pieces of at
// most 256 characters: each time its buffer is full, and when flushed.

#include <array>
#include <functional>
#include <streambuf>
#include <string_view>

namespace cpplog::helpers {

using DebugTextSink = std::function<void(std::string_view)>;

class debug_output_streambuf : public std::streambuf {
 public:
  static constexpr std::size_t kPieceSize = 256;

  // `sink` receives each piece; by default the debugger output.
  explicit debug_output_streambuf(DebugTextSink sink = {});
  ~debug_output_streambuf() override;
  debug_output_streambuf(const debug_output_streambuf&) = delete;
  debug_output_streambuf& operator=(const debug_output_streambuf&) = delete;

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  void SendPending();

  std::array<char, kPieceSize> buffer_;
  DebugTextSink sink_;
};

}  // namespace cpplog::helpers
