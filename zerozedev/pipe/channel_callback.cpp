#include "zerozedev/pipe/channel_callback.h"

#include <cstring>

void ChannelCallback::Invoke(CefPipeChannel& owner, const std::string& text) const {
  if (const auto* plain = std::get_if<Plain>(&fn_)) {
    (*plain)(owner);
  } else {
    std::get<WithText>(fn_)(owner, text);
  }
}

bool CallbackTable::Register(const char* name, const ChannelCallback* callback) {
  if (count >= kSlotCount) return false;
  CallbackSlot& slot = slots[count];
  std::strncpy(slot.name, name, sizeof slot.name - 1);
  slot.name[sizeof slot.name - 1] = '\0';
  slot.callback = callback;
  ++count;
  return true;
}

const CallbackSlot* CallbackTable::Find(const char* name) const {
  for (std::uint8_t i = 0; i < count && i < kSlotCount; ++i) {
    if (std::strcmp(slots[i].name, name) == 0) return &slots[i];
  }
  return nullptr;
}

void CallbackTable::Dispatch(const char* name, CefPipeChannel& owner,
                             const std::string& text) const {
  const CallbackSlot* slot = Find(name);
  if (slot != nullptr && slot->callback != nullptr) slot->callback->Invoke(owner, text);
}
