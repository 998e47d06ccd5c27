#pragma once
// MD5 digests (RFC 1321) from the system's crypto library, loaded by name
// for each digest and freed after it, as the library loads "cryptdll.dll".

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/module_loader.h"

namespace kvt {

using Md5 = std::array<std::uint8_t, 16>;

class Md5Digester {
 public:
  // Nothing when the library or one of its functions is missing.
  static std::optional<Md5Digester> Start();
  Md5Digester(Md5Digester&& other) noexcept;
  Md5Digester& operator=(Md5Digester&&) = delete;
  ~Md5Digester();

  bool Update(const void* data, std::size_t size);
  std::optional<Md5> Finish();

 private:
  struct Functions;
  Md5Digester(platform::LoadedModule library, const Functions& functions, void* context);

  platform::LoadedModule library_;
  void (*free_context_)(void*) = nullptr;
  int (*update_)(void*, const void*, std::size_t) = nullptr;
  int (*final_)(void*, unsigned char*, unsigned int*) = nullptr;
  void* context_ = nullptr;
  bool failed_ = false;
};

// ComputeMD5: the digest of `length` bytes into `digest`, which holds
// `digest_size` bytes (at least 16).
bool ComputeMD5(const void* data, std::uint32_t length, std::uint8_t* digest, std::uint32_t digest_size);

}  // namespace kvt
