#pragma once

// The open resource file as the editor and tessaly-cli hold it: the loaded
// bytes, where the header ends, the count difference, and the map table.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "resfile/loader.hpp"
#include "resfile/result.hpp"
#include "resfile/save.hpp"
#include "table/map_table.hpp"
#include "table/table_error.hpp"

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

// The whole new file in memory: the loaded header (offsets 0 to HeaderEnd, or
// the whole loaded file when no record was found, padded to 54 bytes) with the
// new entry count, then one record per display item in display order.
// Refused when a value cannot be stored: the entry count (kCountOutOfRange),
// a name (NameBytesForSave), mode bits or folder text of the map at a display
// position, or a header whose last bytes would read back as a map of their
// own once the new records follow (kPhantomRecord).
[[nodiscard]] Result<std::vector<std::uint8_t>, TableError> BuildSaveImage(const Document& doc);

// The entry count saving would write for `maps` maps (ExtraCount plus them)
// must lie between 0 and 65535.
[[nodiscard]] Result<void, TableError> CheckEntryCount(const Document& doc, std::size_t maps);

// Why SaveDocument did not save: a value of the table that cannot be stored
// (nothing was done), or a failure of the steps on disk.
using SaveError = std::variant<TableError, SaveFailure>;

// Saves the document: builds and checks the new file, writes it with a backup
// (WriteWithBackup) and loads it again. The reloaded state replaces `doc` only
// when the reload succeeds; on any failure `doc` is as it was.
[[nodiscard]] Result<SaveReport, SaveError> SaveDocument(Document& doc, const SaveEnvironment& env);

}  // namespace tessaly
