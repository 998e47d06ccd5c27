#include "version_block.h"

namespace kvt {
namespace {

constexpr std::size_t kNodeHeader = 6;
constexpr std::uint16_t kTextValue = 1;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::size_t Aligned(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

struct Node {
  std::u16string key;
  bool is_text = false;
  std::span<const std::uint8_t> value;
  std::size_t children_begin = 0;  // offsets in the block
  std::size_t end = 0;
};

bool SameKey(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The node at `at`, which must lie inside [at, limit).
std::optional<Node> ReadNode(std::span<const std::uint8_t> block, std::size_t at, std::size_t limit) {
  if (at + kNodeHeader > limit) return std::nullopt;
  const std::size_t length = Le16(block.data() + at);
  const std::size_t value_length = Le16(block.data() + at + 2);
  const std::uint16_t type = Le16(block.data() + at + 4);
  if (length < kNodeHeader || at + length > limit) return std::nullopt;
  Node node;
  node.end = at + length;
  std::size_t offset = at + kNodeHeader;
  for (;; offset += 2) {
    if (offset + 2 > node.end) return std::nullopt;
    const char16_t c = Le16(block.data() + offset);
    if (c == u'\0') break;
    node.key += c;
  }
  offset = Aligned(offset + 2);
  node.is_text = type == kTextValue;
  // A text value's length counts characters; some writers counted bytes, so
  // it is cut at the node's end and at its terminator.
  std::size_t value_bytes = node.is_text ? value_length * 2 : value_length;
  if (offset > node.end) offset = node.end;
  if (offset + value_bytes > node.end) {
    if (!node.is_text) return std::nullopt;
    value_bytes = node.end - offset;
  }
  node.value = block.subspan(offset, value_bytes);
  node.children_begin = Aligned(offset + value_bytes);
  return node;
}

std::optional<Node> FindChild(std::span<const std::uint8_t> block, const Node& parent, std::u16string_view key) {
  for (std::size_t at = parent.children_begin; at < parent.end;) {
    const auto child = ReadNode(block, at, parent.end);
    if (!child) return std::nullopt;
    if (SameKey(child->key, key)) return child;
    at = Aligned(child->end);
  }
  return std::nullopt;
}

std::optional<Node> FindNode(std::span<const std::uint8_t> block, std::u16string_view sub_block) {
  auto node = ReadNode(block, 0, block.size());
  if (!node) return std::nullopt;
  while (!sub_block.empty()) {
    const auto start = sub_block.find_first_not_of(u'\\');
    if (start == std::u16string_view::npos) break;
    sub_block.remove_prefix(start);
    const auto end = sub_block.find(u'\\');
    const std::u16string_view key = sub_block.substr(0, end);
    node = FindChild(block, *node, key);
    if (!node) return std::nullopt;
    sub_block.remove_prefix(end == std::u16string_view::npos ? sub_block.size() : end);
  }
  return node;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> QueryVersionValue(std::span<const std::uint8_t> block,
                                                                std::u16string_view sub_block) {
  const auto node = FindNode(block, sub_block);
  if (!node || node->value.empty()) return std::nullopt;
  return node->value;
}

std::optional<std::u16string> QueryVersionText(std::span<const std::uint8_t> block, std::u16string_view sub_block) {
  const auto node = FindNode(block, sub_block);
  if (!node || !node->is_text) return std::nullopt;
  std::u16string text;
  for (std::size_t i = 0; i + 1 < node->value.size(); i += 2) {
    const char16_t c = Le16(node->value.data() + i);
    if (c == u'\0') break;
    text += c;
  }
  return text;
}

}  // namespace kvt
