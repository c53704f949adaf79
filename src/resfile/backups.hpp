#pragma once

// Finding the backups that saving made of a file: the names BackupName gives,
// "[yyyymmddhhnnss备份]NAME" and "[yyyymmddhhnnss-k备份]NAME", shortened as it
// shortens them, in the folders where saving puts them.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

struct BackupFile {
  std::filesystem::path path;
  std::string stamp;  // yyyymmddhhnnss: the local time of the save
  int sequence = 1;   // k of "-k备份]"; 1 for the first backup of its second
  std::uint64_t size = 0;
};

struct BackupNameParts {
  std::string stamp;
  int sequence = 1;
};

// The stamp and sequence of `name` when it is exactly the name BackupName
// gives them for `fileName` (on Windows, letters A to Z in either case).
[[nodiscard]] std::optional<BackupNameParts> ParseBackupName(const std::string& name,
                                                             const std::filesystem::path& fileName);

// The backups of a file named `fileName` in `folders`, newest first: by stamp,
// then sequence. A folder that is missing, unreadable or given twice is
// skipped; only ordinary files count.
[[nodiscard]] std::vector<BackupFile> FindBackups(
    const std::filesystem::path& fileName, const std::vector<std::filesystem::path>& folders);

// "2024-05-01 12:00:00" from the stamp, with " (k)" for the k-th backup of a second.
[[nodiscard]] std::string BackupTimeText(const BackupFile& backup);

}  // namespace tessaly
