#include "backup_list.hpp"

#include "table/table_diff.hpp"

namespace tessaly {

std::vector<BackupState> DescribeBackups(const Document& current,
                                         const std::vector<BackupFile>& backups) {
  const TableIndex now(current.table);
  std::vector<BackupState> states;
  states.reserve(backups.size());
  for (const BackupFile& file : backups) {
    BackupState& state = states.emplace_back();
    state.file = file;
    const auto loaded = LoadDocument(file.path);
    if (!loaded) {
      state.error = loaded.error().kind == LoadError::Kind::kRefused
                        ? std::string(kBackupNotResFile)
                        : loaded.error().message;
      continue;
    }
    const TableDiff diff = CompareTables(loaded->table, now);
    state.maps = loaded->table.DisplayCount();
    state.added = diff.added.size();
    state.removed = diff.removed.size();
    state.changed = diff.changed.size();
    state.moved = diff.moved.size();
    state.headerDiffers = HeaderDiffers(*loaded, current);
    state.summary = DiffSummary(diff, state.headerDiffers);
  }
  return states;
}

std::vector<std::filesystem::path> BackupFolders(const SaveEnvironment& env) {
  return {env.programFolder, env.userBackupFolder};
}

std::vector<BackupState> BackupsOf(const Document& current, const SaveEnvironment& env) {
  return DescribeBackups(current, FindBackups(current.resPath.filename(), BackupFolders(env)));
}

}  // namespace tessaly
