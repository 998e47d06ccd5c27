#pragma once
// How a key's access entries answer a request for rights.

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/registry_store.h"

namespace platform::posix {

// The rights out of `wanted` that `entries` (a key's effective entries, in
// order) leave to `user`: for each right the first of the user's entries that
// names it decides; a right no entry names is granted. User names compare
// without regard to ASCII case, as account names do.
std::uint32_t GrantedRights(const std::vector<RegistryAccessEntry>& entries, std::string_view user,
                            std::uint32_t wanted);

}  // namespace platform::posix
