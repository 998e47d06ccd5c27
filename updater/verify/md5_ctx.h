#pragma once
// The MD5 message digest (RFC 1321).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class MD5_CTX {
 public:
  MD5_CTX() { Init(); }
  virtual ~MD5_CTX() = default;

  void Init();
  void Update(const void* data, std::size_t size);
  std::array<unsigned char, 16> Final();

  // The digest of a file's bytes as 32 lowercase hexadecimal digits. The file
  // is read in blocks, so memory does not grow with its size. False (text
  // unchanged) when the file cannot be opened or read.
  bool DigestFile(const std::string& path, std::string& text);

 private:
  void Transform(const unsigned char block[64]);

  std::uint32_t state_[4];
  std::uint32_t count_[2];  // bits, low word first
  unsigned char buffer_[64];
  unsigned char padding_[64];
};

// Lowercase hexadecimal text of a digest.
std::string DigestText(const std::array<unsigned char, 16>& digest);
