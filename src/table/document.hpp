#pragma once

// The open resource file as the editor and tessaly-cli hold it: the loaded
// bytes, where the header ends, the count difference, and the map table.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
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
  // The file the bytes were read from; a save checks that the path still
  // leads to it, unchanged.
  std::optional<FileIdentity> identity;
};

// Builds the document of a loaded file: map ids 1, 2, 3 … in file order.
[[nodiscard]] Document DocumentFromLoaded(LoadedFile loaded);

// Loads the file at `path` (see LoadResFile).
[[nodiscard]] Result<Document, LoadError> LoadDocument(const std::filesystem::path& path);

// The new file of a save without a copy of the loaded header: its first 54
// bytes (with the new entry count), the loaded bytes up to the header's last
// stretch, then `lead` again from offset 54 on: the header's last stretch and
// the new records.
struct SavePlan {
  std::size_t tailFrom = 0;        // file offset of lead[54]
  std::vector<std::uint8_t> lead;  // new bytes 0 to 53, then those from tailFrom to the end
  ScanResult scan;                 // what a load of the new file finds
  // The new file's bytes in order, the middle piece straight from doc.resBytes.
  [[nodiscard]] std::array<std::span<const std::uint8_t>, 3> Pieces(const Document& doc) const;
};

// Plans the new file as BuildSaveImage describes it, with the same checks.
[[nodiscard]] Result<SavePlan, TableError> PlanSave(const Document& doc);

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

// How SaveDocument treats the file on disk.
struct SaveOptions {
  // Held since before the document was loaded (see LockForSave).
  SaveLock* lock = nullptr;
  // Writes even over a file that changed since it was read (the user said so).
  bool overwriteChanged = false;
};

// Saves the document: plans and checks the new file, writes it with a backup
// (WriteWithBackup, refused as kChanged when the file is no longer the one
// that was read) and reads it back. The new state replaces `doc` only when the
// file reads back as written (or, failing that, loads anew); on any failure
// `doc` is as it was.
[[nodiscard]] Result<SaveReport, SaveError> SaveDocument(Document& doc, const SaveEnvironment& env,
                                                         const SaveOptions& options = {});

}  // namespace tessaly
