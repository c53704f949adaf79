#pragma once

#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace tessaly {

// The value of a text of decimal digits and nothing else ("007" is 7): the one
// way Tessaly reads a number from text. Nothing for an empty text, any other
// character (a sign, a blank, a dot) or a value above `limit`.
[[nodiscard]] inline std::optional<std::uint64_t> ParseDecimal(
    std::string_view text, std::uint64_t limit = std::numeric_limits<std::uint64_t>::max()) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc{} || stop != end || value > limit) return std::nullopt;
  return value;
}

}  // namespace tessaly
