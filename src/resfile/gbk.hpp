#pragma once

// Conversion between map names as Tessaly holds them (UTF-8) and the GBK bytes
// of Meteor.res, through ICU's windows-936-2000 converter.

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

enum class GbkError {
  kInvalidUtf8,  // the text itself is not valid UTF-8
  kUnmappable,   // a character that GBK lacks (an emoji, for instance)
};

// Encodes UTF-8 text as GBK bytes. Fails, never substituting '?', when a
// character cannot be stored so that it reads back as the same character.
[[nodiscard]] Result<std::string, GbkError> EncodeGbk(std::string_view utf8);

}  // namespace tessaly
