#pragma once
// Text conversions. UTF-16 is char16_t (never Linux's 32-bit wchar_t); the
// ANSI code page of this backend is UTF-8.

#include <string>
#include <string_view>

namespace platform {

// Invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// The ANSI code page (WideCharToMultiByte with CP_ACP and back).
inline std::string Utf16ToAnsi(std::u16string_view text) { return Utf16ToUtf8(text); }
inline std::u16string AnsiToUtf16(std::string_view text) { return Utf8ToUtf16(text); }

bool IsValidUtf8(std::string_view text);
// Copy of `text` with every invalid UTF-8 sequence replaced by U+FFFD.
std::string ReplaceInvalidUtf8(std::string_view text);

// Lower case by the wide-character case mapping (ASCII and the common
// alphabets; characters without a mapping stay as they are).
std::u16string ToLowerUtf16(std::u16string_view text);
std::string ToLowerUtf8(std::string_view text);

// Case-insensitive comparison of ASCII letters; other bytes compare exactly.
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// `text` fit for one line of a log: every control character (below 0x20, and
// 0x7F) becomes an escape ("\n", "\r", "\t", else "\xHH"), so that text from
// a peer can never start a line of its own. A newline that ends the text stays
// (it ends the line, it cannot start another), and so does every other byte,
// the backslash included.
std::string EscapeControlCharacters(std::string_view text);

}  // namespace platform
