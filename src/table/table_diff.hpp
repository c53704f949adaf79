#pragma once

// How two map tables differ, as a modder thinks of it: maps added, removed,
// moved and changed, each change with its fields. One comparison serves
// tessaly-cli's diff and backups and the editor's list of backups.
//
// Maps are matched by name where a name occurs exactly once in each table;
// the others by position (the n-th map of one with the n-th of the other,
// where neither is matched by name yet). A matched map is moved when it left
// the order of the others: the largest set of matched maps that keep their
// order stays, and the rest count as moved.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "table/document.hpp"
#include "table/map_table.hpp"
#include "table/table_error.hpp"

namespace tessaly {

// A changed field of a map; each mode is a field of its own (kModes with the
// index into kModeNames).
struct FieldChange {
  MapField field = MapField::kName;
  std::size_t mode = 0;
};

// Positions count from 1 in the display order of each table.
struct ChangedMap {
  std::size_t oldPosition = 0;
  std::size_t newPosition = 0;
  std::vector<FieldChange> fields;
};

struct MovedMap {
  std::size_t oldPosition = 0;
  std::size_t newPosition = 0;
};

struct TableDiff {
  std::vector<std::size_t> added;    // positions in the new table
  std::vector<std::size_t> removed;  // positions in the old table
  std::vector<MovedMap> moved;
  std::vector<ChangedMap> changed;

  [[nodiscard]] bool Equal() const {
    return added.empty() && removed.empty() && moved.empty() && changed.empty();
  }
};

// A table's maps in display order with the index of their names. It refers
// to the table's entries, which must not change while it is in use.
class TableIndex {
 public:
  explicit TableIndex(const MapTable& table);
  [[nodiscard]] std::size_t size() const { return rows_.size(); }
  [[nodiscard]] const MapEntry& at(std::size_t row) const { return *rows_[row]; }
  // The row of `name` when it is the name of exactly one map; nothing otherwise.
  [[nodiscard]] std::optional<std::size_t> UniqueRow(std::string_view name) const;

 private:
  struct NameRows {
    std::size_t row = 0;
    std::size_t count = 0;
  };
  std::vector<const MapEntry*> rows_;
  std::unordered_map<std::string_view, NameRows> names_;
};

// The fields in which two maps differ. Names differ when their text differs,
// or the bytes they were loaded with.
[[nodiscard]] std::vector<FieldChange> ChangedFields(const MapEntry& oldMap,
                                                     const MapEntry& newMap);

// What changed from `oldTable` to `newTable`; the index of the new table
// serves any number of old ones.
[[nodiscard]] TableDiff CompareTables(const MapTable& oldTable, const TableIndex& newTable);
[[nodiscard]] TableDiff CompareTables(const MapTable& oldTable, const MapTable& newTable);

// Whether the header bytes (those before the first map, or the whole file
// when it holds none) differ other than in the entry count.
[[nodiscard]] bool HeaderDiffers(const Document& oldDoc, const Document& newDoc);

// "+2 −1 ~3": maps added, removed, changed; then "↕1" for moved maps and
// "表头不同" for a header that differs, when they do; "相同" when nothing does.
[[nodiscard]] std::string DiffSummary(const TableDiff& diff, bool headerDiffers);

inline constexpr std::string_view kSameText = "相同";

}  // namespace tessaly
