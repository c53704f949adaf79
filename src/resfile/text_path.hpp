#pragma once

#include <cstddef>
#include <filesystem>
#include <limits>
#include <string>

#include "utf8.hpp"

namespace tessaly {

// A path as UTF-8 text for messages, on every platform.
[[nodiscard]] inline std::string PathToUtf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

[[nodiscard]] inline std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline constexpr std::size_t kMessagePathLimit = 60;
inline constexpr std::size_t kWholePath = std::numeric_limits<std::size_t>::max();

// A path as a message quotes it (see ForMessage): shortened in the middle, so
// that its file name stays; with kWholePath, escaped only, for a path the user
// must be able to use, such as a backup's.
[[nodiscard]] inline std::string PathForMessage(const std::filesystem::path& path,
                                                std::size_t limit = kMessagePathLimit) {
  return ForMessage(PathToUtf8(path), limit, true);
}

}  // namespace tessaly
