#pragma once
// Named callbacks of the client channel: a small table the channel fills and
// its receiver copies, dispatched by exact name.

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

class CefPipeChannel;

// Holds one callback; the owner's table points at it.
class ChannelCallback {
 public:
  using Plain = void (*)(CefPipeChannel& owner);
  using WithText = void (*)(CefPipeChannel& owner, const std::string& text);

  explicit ChannelCallback(Plain fn) : fn_(fn) {}
  explicit ChannelCallback(WithText fn) : fn_(fn) {}

  // A plain callback ignores `text`.
  void Invoke(CefPipeChannel& owner, const std::string& text) const;

 private:
  std::variant<Plain, WithText> fn_;
};

struct CallbackSlot {
  char name[32] = {};  // NUL-terminated, at most 31 characters
  const ChannelCallback* callback = nullptr;
};

struct CallbackTable {
  static constexpr std::size_t kSlotCount = 16;

  CallbackSlot slots[kSlotCount] = {};
  std::uint8_t count = 0;

  // false when every slot is taken (the registration is skipped). A longer
  // name is cut to 31 characters.
  bool Register(const char* name, const ChannelCallback* callback);
  // The first slot whose name equals `name` byte for byte; nullptr if none.
  const CallbackSlot* Find(const char* name) const;
  // Calls the named callback if the name is registered with one; otherwise
  // nothing happens.
  void Dispatch(const char* name, CefPipeChannel& owner, const std::string& text = {}) const;
};
