#include "backups.hpp"

#include <algorithm>
#include <charconv>

#include "decimal.hpp"
#include "save.hpp"
#include "text_path.hpp"

namespace fs = std::filesystem;

namespace tessaly {
namespace {

constexpr std::size_t kStampLength = 14;
constexpr std::string_view kBackupWord = "备份]";

bool SameName(std::string_view a, std::string_view b) {
#ifdef _WIN32
  // Windows finds a file by its name in any case of A to Z.
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](char x, char y) { return lower(x) == lower(y); });
#else
  return a == b;
#endif
}

}  // namespace

std::optional<BackupNameParts> ParseBackupName(const std::string& name, const fs::path& fileName) {
  std::string_view rest(name);
  if (!rest.starts_with('[') || rest.size() < 1 + kStampLength) return std::nullopt;
  const std::string_view stamp = rest.substr(1, kStampLength);
  if (!ParseDecimal(stamp)) return std::nullopt;
  rest.remove_prefix(1 + kStampLength);
  int sequence = 1;
  if (rest.starts_with('-')) {
    const auto [end, ec] = std::from_chars(rest.data() + 1, rest.data() + rest.size(), sequence);
    if (ec != std::errc{} || sequence < 2) return std::nullopt;
    rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
  }
  if (!rest.starts_with(kBackupWord)) return std::nullopt;
  // Whatever BackupName makes of the file name (a long one is shortened), the
  // name must be exactly that: "-02", "-1" or another file's name do not count.
  BackupNameParts parts{std::string(stamp), sequence};
  if (!SameName(name, BackupName(parts.stamp, sequence, fileName))) return std::nullopt;
  return parts;
}

std::vector<BackupFile> FindBackups(const fs::path& fileName,
                                    const std::vector<fs::path>& folders) {
  std::vector<BackupFile> found;
  std::vector<fs::path> seen;
  for (const fs::path& folder : folders) {
    std::error_code ec;
    const bool again = std::any_of(seen.begin(), seen.end(), [&](const fs::path& other) {
      std::error_code ignored;
      return fs::equivalent(folder, other, ignored);
    });
    if (again || !fs::is_directory(folder, ec)) continue;
    seen.push_back(folder);
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      const auto parts = ParseBackupName(PathToUtf8(it->path().filename()), fileName);
      std::error_code fileEc;
      if (!parts || !it->is_regular_file(fileEc)) continue;
      const std::uint64_t size = it->file_size(fileEc);
      found.push_back({it->path(), parts->stamp, parts->sequence, fileEc ? 0 : size});
    }
  }
  std::sort(found.begin(), found.end(), [](const BackupFile& a, const BackupFile& b) {
    if (a.stamp != b.stamp) return a.stamp > b.stamp;
    if (a.sequence != b.sequence) return a.sequence > b.sequence;
    return a.path < b.path;
  });
  return found;
}

std::string BackupTimeText(const BackupFile& backup) {
  const std::string& s = backup.stamp;
  std::string text = s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2) + " " +
                     s.substr(8, 2) + ":" + s.substr(10, 2) + ":" + s.substr(12, 2);
  if (backup.sequence >= 2) text += " (" + std::to_string(backup.sequence) + ")";
  return text;
}

}  // namespace tessaly
