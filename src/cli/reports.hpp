#pragma once

// What diff and backups print: the differences of two files, and the list of
// a file's backups, as text for people and as JSON for programs.

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "table/backup_list.hpp"
#include "table/document.hpp"
#include "table/table_diff.hpp"

namespace tessaly::cli {

// One line per added, removed, moved and changed map, each changed map with
// its fields ("修改 第3个地图“北门”：模型 5 → 6，模式“剧情” 是 → 否"), a line
// when the header differs, and last the summary ("+1 −0 ~1", or "相同").
[[nodiscard]] std::string DiffText(const Document& oldDoc, const Document& newDoc,
                                   const TableDiff& diff, bool headerDiffers);
[[nodiscard]] nlohmann::ordered_json DiffJson(const Document& oldDoc, const Document& newDoc,
                                              const TableDiff& diff, bool headerDiffers);

// One line per backup: time, size, map count, difference, path.
[[nodiscard]] std::string BackupsText(const std::vector<BackupState>& backups);
[[nodiscard]] nlohmann::ordered_json BackupsJson(const Document& file,
                                                 const std::vector<std::filesystem::path>& folders,
                                                 const std::vector<BackupState>& backups);

}  // namespace tessaly::cli
