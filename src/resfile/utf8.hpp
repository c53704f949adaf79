#pragma once

// UTF-8, the text form Tessaly holds names and messages in, decoded and
// encoded without any library, so the Windows build needs none.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

// The code points of well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF), or nothing.
[[nodiscard]] std::optional<std::u32string> DecodeUtf8(std::string_view text);

[[nodiscard]] bool IsUtf8(std::string_view text);

// Whether a byte continues a UTF-8 sequence (10xxxxxx) rather than starts one.
[[nodiscard]] constexpr bool IsUtf8Continuation(unsigned char b) { return (b & 0xC0U) == 0x80U; }

// How many bytes the sequence that `lead` starts takes: 1 for ASCII (and for
// a byte that starts none), 2, 3 or 4.
[[nodiscard]] constexpr std::size_t Utf8SequenceLength(unsigned char lead) {
  return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// UTF-16 of code points (surrogate pairs above U+FFFF), for the converters of
// code page 936, which take UTF-16.
[[nodiscard]] std::u16string ToUtf16(std::u32string_view text);

// Appends one code point; one that is no character (a surrogate, or above
// U+10FFFF) becomes U+FFFD.
void AppendUtf8(std::string& out, char32_t c);

inline constexpr std::size_t kMessageValueLimit = 40;

// A value (a name, a field, a path) as a message quotes it: control and
// line-breaking characters as escapes (\n, \r, \t, \0, \x1B, \u0085,
// \u202E), bytes that are not UTF-8 as \xB2, and at most `limit` characters
// with "…" for the rest (in the middle when `keepEnd`, so a path keeps its
// file name), so that a hostile value can neither flood a message nor steer
// the terminal.
[[nodiscard]] std::string ForMessage(std::string_view text, std::size_t limit = kMessageValueLimit,
                                     bool keepEnd = false);

}  // namespace tessaly
