#pragma once
// What the server's callbacks learn about a client.

#include <cstdint>
#include <string>
#include <vector>

namespace google_breakpad {

struct CustomInfoField {
  std::u16string name;
  std::u16string value;
};

class ClientInfo {
 public:
  ClientInfo(int pid, uint32_t dump_type, std::vector<CustomInfoField> custom_info)
      : pid_(pid), dump_type_(dump_type), custom_info_(std::move(custom_info)) {}

  int pid() const { return pid_; }
  // Minidump type flags the client asked for at registration.
  uint32_t dump_type() const { return dump_type_; }
  // The client's custom entries as read from its memory for this callback
  // (the last copy that could be read once the client has gone).
  const std::vector<CustomInfoField>& custom_info() const { return custom_info_; }

 private:
  int pid_;
  uint32_t dump_type_;
  std::vector<CustomInfoField> custom_info_;
};

}  // namespace google_breakpad
