#pragma once

// The backups of an open file as tessaly-cli's backups and the editor list
// them: each loaded once and compared with the current table.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resfile/backups.hpp"
#include "resfile/save.hpp"
#include "table/document.hpp"

namespace tessaly {

// Why a backup that lacks the magic text of Meteor.res is not compared.
inline constexpr std::string_view kBackupNotResFile = "无法读取：不是Meteor.res文件";

struct BackupState {
  BackupFile file;
  std::optional<std::string> error;  // why the backup does not load, when it does not
  std::size_t maps = 0;
  // From the backup to the current table.
  std::size_t added = 0;
  std::size_t removed = 0;
  std::size_t changed = 0;
  std::size_t moved = 0;
  bool headerDiffers = false;
  std::string summary;  // DiffSummary: "+2 −1 ~3"
};

// Loads each backup once, one at a time, and compares its table with that of
// `current` (a file as loaded, or a table being edited).
[[nodiscard]] std::vector<BackupState> DescribeBackups(const Document& current,
                                                       const std::vector<BackupFile>& backups);

// The folders a save puts backups in: the program folder, then the user's.
[[nodiscard]] std::vector<std::filesystem::path> BackupFolders(const SaveEnvironment& env);

// The backups of `current`'s file in the program folder and the user's backup
// folder of `env`, newest first, described.
[[nodiscard]] std::vector<BackupState> BackupsOf(const Document& current,
                                                 const SaveEnvironment& env);

}  // namespace tessaly
