#pragma once

// Conversion between map names as Tessaly holds them (UTF-8) and the GBK bytes
// of Meteor.res, through ICU's windows-936-2000 converter.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "result.hpp"

namespace tessaly {

// Decodes GBK name bytes into UTF-8. A byte below 128 is one character; every
// byte of 128 or more starts a two-byte character. A lead byte without its trail
// byte, or a pair that is no GBK character, becomes U+FFFD; nothing past the
// span is ever read.
[[nodiscard]] std::string Bytes2Str(std::span<const std::uint8_t> bytes);
[[nodiscard]] std::string Bytes2Str(std::string_view bytes);

// The first byte sequence of a GBK text that is no character: where it
// starts (line and column from 1; a column counts characters, a line ends at
// CRLF, LF or CR) and its one or two bytes.
struct GbkTextError {
  std::size_t line = 1;
  std::size_t column = 1;
  std::string bytes;
};

// Decodes a whole text in GBK (a CSV or JSON file) into UTF-8 by the rules of
// Bytes2Str, refusing the first sequence that Bytes2Str would replace.
[[nodiscard]] Result<std::string, GbkTextError> DecodeGbkText(std::string_view text);

enum class GbkError {
  kInvalidUtf8,  // the text itself is not valid UTF-8
  kUnmappable,   // a character that GBK lacks (an emoji, for instance)
};

// Encodes UTF-8 text as GBK bytes. Fails, never substituting '?', when a
// character cannot be stored so that it reads back as the same character.
[[nodiscard]] Result<std::string, GbkError> EncodeGbk(std::string_view utf8);

}  // namespace tessaly
