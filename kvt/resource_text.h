#pragma once
// The text of a resource as ExtractResourceToXMLString hands it out, chosen
// by its first bytes: UTF-16 little-endian after FF FE (an odd last byte left
// out), UTF-8 after EF BB BF, else the ANSI code page.

#include <span>
#include <string>

namespace kvt {

std::u16string ResourceText(std::span<const unsigned char> bytes);

}  // namespace kvt
