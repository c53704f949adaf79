#pragma once

// The platform's code page 936 converter, one character at a time: ICU's
// windows-936-2000 table on Linux, Windows' own code page 936 on Windows.
// What Tessaly accepts as a stored name is decided in gbk.cpp on top of these,
// so both platforms apply the same rules.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly::codepage936 {

// The one character that the bytes lead, trail stand for, or nothing when the
// converter refuses them or reads them as anything but exactly one character.
[[nodiscard]] std::optional<char32_t> DecodePair(std::uint8_t lead, std::uint8_t trail);

// The code page bytes of `text`, or nothing when a character has no exact
// counterpart (the converter would substitute or pick a look-alike).
[[nodiscard]] std::optional<std::string> Encode(std::u32string_view text);

}  // namespace tessaly::codepage936
