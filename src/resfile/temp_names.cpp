#include "temp_names.hpp"

#include <random>

#include "decimal.hpp"

namespace tessaly {
namespace {

constexpr std::string_view kPrefix = ".tessaly-";
constexpr std::string_view kSuffix = ".tmp";

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
  if (dash == std::string_view::npos || !ParseDecimal(name.substr(dash + 1))) return std::nullopt;
  return ParseDecimal(name.substr(0, dash));
}

}  // namespace tessaly
