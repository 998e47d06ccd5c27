#include "zerozedev/log/debug_output_streambuf.h"

#include "platform/debug_output.h"

namespace cpplog::helpers {

debug_output_streambuf::debug_output_streambuf(DebugTextSink sink)
    : sink_(sink ? std::move(sink) : DebugTextSink(platform::OutputDebugText)) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

debug_output_streambuf::~debug_output_streambuf() { SendPending(); }

void debug_output_streambuf::SendPending() {
  if (pptr() == pbase()) return;
  sink_(std::string_view(pbase(), static_cast<std::size_t>(pptr() - pbase())));
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

debug_output_streambuf::int_type debug_output_streambuf::overflow(int_type c) {
  SendPending();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int debug_output_streambuf::sync() {
  SendPending();
  return 0;
}

}  // namespace cpplog::helpers
