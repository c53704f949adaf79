#pragma once

// The edit operations of the window as plain functions over the map table and
// the values of the edit area: show, reset, write, add, delete, move.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "resfile/result.hpp"
#include "table/map_table.hpp"
#include "table/table_error.hpp"

namespace tessaly {

// The edit area: the map id of the entry being edited (DiTu_ID), the four text
// fields as typed (Text1 name, Text2 model, Text3 music, Text4 story order),
// the list flag (Check7) and the six mode boxes (模式 0 to 5).
struct EditArea {
  std::string mapIdText;
  std::string name;
  std::string model;
  std::string music;
  std::string story;
  bool listFlag = false;
  std::array<bool, 6> modes{};

  friend bool operator==(const EditArea&, const EditArea&) = default;
};

inline constexpr std::uint32_t kModelLimit = 65535;
inline constexpr std::uint32_t kMusicLimit = 255;
inline constexpr std::uint32_t kStoryLimit = 255;

// The edit area filled from an entry: DiTu_ID gets its map id, the fields its
// stored values; the list flag shows as set for 11 only.
[[nodiscard]] EditArea ShowEntry(const MapEntry& entry);

// Reset: the stored values of the entry named by area.mapIdText, keeping that
// map id; nothing when no record has that map id.
[[nodiscard]] std::optional<EditArea> ResetArea(const MapTable& table, const EditArea& area);

// The entry the edit area describes in place of `replaced` (null for a new
// one). The fields are checked in the order name, model, music, story order:
// the first exactly empty one is refused (kNameEmpty … kStoryEmpty), then a
// number that is not decimal digits within its limit (kNotInRange); the rest
// is EntryFromValues, so "007" describes the same entry as "7".
[[nodiscard]] Result<MapEntry, TableError> EntryFromArea(const EditArea& area,
                                                         const MapEntry* replaced);

// Write: stores the edit area into the record (and so the display item) of
// area.mapIdText, keeping its map id and file position. No matching record:
// nothing changes, and that is no error.
[[nodiscard]] Result<void, TableError> WriteEntry(MapTable& table, const EditArea& area);

// True when Write of `area` would change the record its map id names, or
// would be refused: the edit area holds edits that are not in the table.
// False when no record has that map id.
[[nodiscard]] bool HasUnwrittenEdits(const MapTable& table, const EditArea& area);

// Add: appends a new entry with map id RecordCount() + 1 and file position 0.
// Refused (kTableFull) when one more entry could not be saved: the entry count
// (extraCount + display items + 1) would pass 65535, or the table is full.
[[nodiscard]] Result<std::uint32_t, TableError> AddEntry(MapTable& table, const EditArea& area,
                                                         std::int64_t extraCount);

// Delete: removes the selected display item; its record stays. False when
// nothing is selected.
bool DeleteRow(MapTable& table, std::optional<std::size_t> selectedRow);

// Move up / down: swaps the selected display item with its neighbour and
// returns the row to select; nothing when there is nothing to move.
[[nodiscard]] std::optional<std::size_t> MoveUp(MapTable& table,
                                                std::optional<std::size_t> selectedRow);
[[nodiscard]] std::optional<std::size_t> MoveDown(MapTable& table,
                                                  std::optional<std::size_t> selectedRow);

// The value of a text of decimal digits (leading zeros allowed) of at most
// `limit`; nothing for an empty text, any other character or a larger value.
[[nodiscard]] std::optional<std::uint32_t> ParseDigits(std::string_view text, std::uint32_t limit);

// The upper-limit rule of a number field: the text with non-digits removed, and
// the limit's text when its value passes the limit. Leading zeros stay.
[[nodiscard]] std::string ClampDigits(std::string_view text, std::uint32_t limit);

}  // namespace tessaly
