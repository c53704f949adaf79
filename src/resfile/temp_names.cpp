#include "temp_names.hpp"

#include <random>

namespace tessaly {
namespace {

constexpr std::string_view kPrefix = ".tessaly-";
constexpr std::string_view kSuffix = ".tmp";

std::optional<std::uint64_t> Digits(std::string_view text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value;
}

}  // namespace

std::string TempFileName(std::uint64_t processId) {
  thread_local std::mt19937_64 random(std::random_device{}());
  return std::string(kPrefix) + std::to_string(processId) + "-" +
         std::to_string(random() % 1000000000U) + std::string(kSuffix);
}

std::optional<std::uint64_t> TempFileProcess(std::string_view name) {
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return std::nullopt;
  name.remove_prefix(kPrefix.size());
  name.remove_suffix(kSuffix.size());
  const auto dash = name.find('-');
  if (dash == std::string_view::npos || !Digits(name.substr(dash + 1))) return std::nullopt;
  return Digits(name.substr(0, dash));
}

}  // namespace tessaly
