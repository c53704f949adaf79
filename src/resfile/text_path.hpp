#pragma once

#include <filesystem>
#include <string>

namespace tessaly {

// A path as UTF-8 text for messages, on every platform.
[[nodiscard]] inline std::string PathToUtf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

[[nodiscard]] inline std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace tessaly
