#pragma once

// The open resource file as the editor and tessaly-cli hold it: the loaded
// bytes, where the header ends, the count difference, and the map table.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "resfile/loader.hpp"
#include "resfile/result.hpp"
#include "resfile/save.hpp"
#include "table/map_table.hpp"

namespace tessaly {

struct Document {
  std::filesystem::path resPath;           // ResPath
  std::vector<std::uint8_t> resBytes;      // ResBytes
  std::optional<std::uint64_t> headerEnd;  // HeaderEnd; nothing when no record was found
  std::uint16_t entryCount = 0;            // the header's count at load
  std::int64_t extraCount = 0;             // ExtraCount
  MapTable table;
};

// Builds the document of a loaded file: map ids 1, 2, 3 … in file order.
[[nodiscard]] Document DocumentFromLoaded(LoadedFile loaded);

// Loads the file at `path` (see LoadResFile).
[[nodiscard]] Result<Document, LoadError> LoadDocument(const std::filesystem::path& path);

// "第3个地图“测试”": how messages name the map at a 1-based position; without
// the name part when `name` is null.
[[nodiscard]] std::string MapLabel(std::size_t position, const std::string* name);

// A value of the table that cannot be stored, named for the user.
struct ValueError {
  std::string message;
};

// The GBK bytes saving writes for an entry's name: the loaded bytes while the
// name is unchanged, otherwise the name encoded. Fails for a name GBK cannot
// hold or longer than 254 bytes; `what` names the map in the message.
[[nodiscard]] Result<std::string, ValueError> NameBytesForSave(const MapEntry& entry,
                                                               const std::string& what);

// The whole new file in memory: the loaded header (offsets 0 to HeaderEnd, or
// the whole loaded file when no record was found, padded to 54 bytes) with the
// new entry count, then one record per display item in display order.
[[nodiscard]] Result<std::vector<std::uint8_t>, ValueError> BuildSaveImage(const Document& doc);

// Saves the document: builds and checks the new file, writes it with a backup
// (WriteWithBackup) and loads it again. The reloaded state replaces `doc` only
// when the reload succeeds; on any failure `doc` is as it was.
[[nodiscard]] Result<SaveReport, SaveFailure> SaveDocument(Document& doc,
                                                           const SaveEnvironment& env);

}  // namespace tessaly
