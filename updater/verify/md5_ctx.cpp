#include "updater/verify/md5_ctx.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr std::uint32_t kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                      5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                      4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                      6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

// floor(abs(sin(i + 1)) * 2^32)
constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

std::uint32_t RotateLeft(std::uint32_t x, std::uint32_t n) { return (x << n) | (x >> (32 - n)); }

constexpr std::size_t kFileBlockBytes = 1 << 20;

}  // namespace

void MD5_CTX::Init() {
  state_[0] = 0x67452301;
  state_[1] = 0xefcdab89;
  state_[2] = 0x98badcfe;
  state_[3] = 0x10325476;
  count_[0] = count_[1] = 0;
  std::memset(buffer_, 0, sizeof buffer_);
  std::memset(padding_, 0, sizeof padding_);
  padding_[0] = 0x80;
}

void MD5_CTX::Update(const void* data, std::size_t size) {
  const auto* input = static_cast<const unsigned char*>(data);
  std::size_t index = (count_[0] >> 3) & 0x3F;
  const std::uint64_t bits = (std::uint64_t{count_[1]} << 32 | count_[0]) + std::uint64_t{size} * 8;
  count_[0] = static_cast<std::uint32_t>(bits);
  count_[1] = static_cast<std::uint32_t>(bits >> 32);

  const std::size_t room = 64 - index;
  std::size_t used = 0;
  if (size >= room) {
    std::memcpy(buffer_ + index, input, room);
    Transform(buffer_);
    for (used = room; used + 63 < size; used += 64) Transform(input + used);
    index = 0;
  }
  std::memcpy(buffer_ + index, input + used, size - used);
}

std::array<unsigned char, 16> MD5_CTX::Final() {
  unsigned char length[8];
  for (int i = 0; i < 4; ++i) {
    length[i] = static_cast<unsigned char>(count_[0] >> (8 * i));
    length[i + 4] = static_cast<unsigned char>(count_[1] >> (8 * i));
  }
  const std::size_t index = (count_[0] >> 3) & 0x3F;
  const std::size_t padBytes = index < 56 ? 56 - index : 120 - index;
  Update(padding_, padBytes);
  Update(length, 8);

  std::array<unsigned char, 16> digest{};
  for (int i = 0; i < 16; ++i) digest[i] = static_cast<unsigned char>(state_[i / 4] >> (8 * (i % 4)));
  Init();
  return digest;
}

void MD5_CTX::Transform(const unsigned char block[64]) {
  std::uint32_t word[16];
  for (int i = 0; i < 16; ++i) {
    word[i] = static_cast<std::uint32_t>(block[i * 4]) | static_cast<std::uint32_t>(block[i * 4 + 1]) << 8 |
              static_cast<std::uint32_t>(block[i * 4 + 2]) << 16 |
              static_cast<std::uint32_t>(block[i * 4 + 3]) << 24;
  }
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  for (int i = 0; i < 64; ++i) {
    std::uint32_t f = 0;
    int g = 0;
    if (i < 16) {
      f = (b & c) | (~b & d);
      g = i;
    } else if (i < 32) {
      f = (d & b) | (~d & c);
      g = (5 * i + 1) % 16;
    } else if (i < 48) {
      f = b ^ c ^ d;
      g = (3 * i + 5) % 16;
    } else {
      f = c ^ (b | ~d);
      g = (7 * i) % 16;
    }
    const std::uint32_t next = d;
    d = c;
    c = b;
    b = b + RotateLeft(a + f + kSine[i] + word[g], kShift[i]);
    a = next;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

bool MD5_CTX::DigestFile(const std::string& path, std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  Init();
  auto block = std::make_unique<unsigned char[]>(kFileBlockBytes);
  bool readAll = true;
  for (;;) {
    const std::size_t n = std::fread(block.get(), 1, kFileBlockBytes, file);
    Update(block.get(), n);
    if (n < kFileBlockBytes) {
      readAll = std::ferror(file) == 0;
      break;
    }
  }
  std::fclose(file);
  if (!readAll) {
    Init();
    return false;
  }
  text = DigestText(Final());
  return true;
}

std::string DigestText(const std::array<unsigned char, 16>& digest) {
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (unsigned char byte : digest) {
    text += kHex[byte >> 4];
    text += kHex[byte & 0x0F];
  }
  return text;
}
