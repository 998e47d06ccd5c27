#include "md5_digest.h"

#include <cstring>
#include <utility>

#include "machine_sources.h"

namespace kvt {

// OpenSSL's EVP interface, as libcrypto exports it.
struct Md5Digester::Functions {
  void* (*new_context)();
  void (*free_context)(void*);
  const void* (*md5)();
  int (*init)(void*, const void*, void*);
  int (*update)(void*, const void*, std::size_t);
  int (*final)(void*, unsigned char*, unsigned int*);
};

std::optional<Md5Digester> Md5Digester::Start() {
  auto library = platform::LoadedModule::LoadSystemLibrary(CurrentMachineSources().crypto_library);
  if (!library) return std::nullopt;
  Functions functions{};
  auto find = [&library](auto& function, const char* name) {
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library->FindExport(name));
    return function != nullptr;
  };
  if (!find(functions.new_context, "EVP_MD_CTX_new") || !find(functions.free_context, "EVP_MD_CTX_free") ||
      !find(functions.md5, "EVP_md5") || !find(functions.init, "EVP_DigestInit_ex") ||
      !find(functions.update, "EVP_DigestUpdate") || !find(functions.final, "EVP_DigestFinal_ex")) {
    return std::nullopt;
  }
  void* context = functions.new_context();
  if (context == nullptr) return std::nullopt;
  const void* md5 = functions.md5();
  // A system that forbids MD5 has no such digest.
  if (md5 == nullptr || functions.init(context, md5, nullptr) != 1) {
    functions.free_context(context);
    return std::nullopt;
  }
  return Md5Digester(std::move(*library), functions, context);
}

Md5Digester::Md5Digester(platform::LoadedModule library, const Functions& functions, void* context)
    : library_(std::move(library)),
      free_context_(functions.free_context),
      update_(functions.update),
      final_(functions.final),
      context_(context) {}

Md5Digester::Md5Digester(Md5Digester&& other) noexcept
    : library_(std::move(other.library_)),
      free_context_(other.free_context_),
      update_(other.update_),
      final_(other.final_),
      context_(std::exchange(other.context_, nullptr)),
      failed_(other.failed_) {}

Md5Digester::~Md5Digester() {
  if (context_ != nullptr) free_context_(context_);
}

bool Md5Digester::Update(const void* data, std::size_t size) {
  if (failed_) return false;
  if (size != 0 && update_(context_, data, size) != 1) failed_ = true;
  return !failed_;
}

std::optional<Md5> Md5Digester::Finish() {
  Md5 digest{};
  unsigned int size = 0;
  if (failed_ || final_(context_, digest.data(), &size) != 1 || size != digest.size()) return std::nullopt;
  return digest;
}

bool ComputeMD5(const void* data, std::uint32_t length, std::uint8_t* digest, std::uint32_t digest_size) {
  if (digest == nullptr || digest_size < sizeof(Md5)) return false;
  if (data == nullptr && length != 0) return false;
  auto digester = Md5Digester::Start();
  if (!digester || !digester->Update(data, length)) return false;
  const auto result = digester->Finish();
  if (!result) return false;
  std::memcpy(digest, result->data(), result->size());
  return true;
}

}  // namespace kvt
