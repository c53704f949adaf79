#pragma once

// The map table between two loads: the display list (what the user sees, in
// the order saving writes) and the record list (one entry per map id, deleted
// entries included).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "resfile/loader.hpp"

namespace tessaly {

inline constexpr std::string_view kFieldSeparator = "::::::";
// Both lists hold at most this many items between two loads, deleted entries included.
inline constexpr std::size_t kMaxEntries = 65535;

// The entry count a save writes with `maps` maps shown (ExtraCount plus them)
// must lie between 0 and kMaxEntryCount, the largest the header's 16 bits hold.
inline constexpr std::int64_t kMaxEntryCount = 65535;
[[nodiscard]] constexpr std::int64_t EntryCountWith(std::int64_t extraCount, std::size_t maps) {
  return extraCount + static_cast<std::int64_t>(maps);
}

// The six modes, in the order of the mode bits.
inline constexpr std::array<std::string_view, 6> kModeNames = {"剧情", "死斗", "暗杀",
                                                               "护城", "劫镖", "盟主"};

struct MapEntry {
  std::uint32_t mapId = 0;         // field 0
  std::uint64_t recordPos = 0;     // field 1: offset in the file, 0 for an added entry
  std::uint16_t model = 0;         // field 2
  std::string name;                // field 3, UTF-8
  std::uint32_t folderLength = 0;  // field 4: L as loaded, or folder.size() + 1
  std::string folder;              // field 5: made from the model
  std::uint8_t listFlag = 0;       // field 6: 11 shown in the game's list, 10 not
  std::string modeBits;            // field 7: six '0'/'1', flag 32 first
  std::uint8_t music = 0;          // field 8
  std::uint8_t storyOrder = 0;     // field 9
  // The GBK bytes the name was loaded with; saving writes them back as they
  // were while `name` is still their decoding.
  std::optional<std::string> loadedNameBytes;

  friend bool operator==(const MapEntry&, const MapEntry&) = default;
};

// The entry of a loaded record with map id `mapId`.
[[nodiscard]] MapEntry EntryFromRecord(const MapRecord& record, std::uint32_t mapId);

// "3:测试": the map id, ':' and the name.
[[nodiscard]] std::string DisplayItem(const MapEntry& entry);

// The ten fields joined by "::::::", for instance
// 3::::::1234::::::5::::::测试::::::5::::::SN05::::::11::::::110000::::::3::::::0
[[nodiscard]] std::string RecordString(const MapEntry& entry);

// The map id of a display item: the text before its first ':'.
[[nodiscard]] std::string_view MapIdOfItem(std::string_view displayItem);

// Told about every change of a table's display list, so that a view of it
// can follow. Rows are display rows. Each change comes as a Before… call, the
// change itself, then the matching After… call.
class MapTableListener {
 public:
  virtual ~MapTableListener() = default;
  virtual void BeforeInsert(std::size_t row) = 0;
  virtual void AfterInsert() = 0;
  virtual void BeforeRemove(std::size_t row) = 0;
  virtual void AfterRemove() = 0;
  // Rows `upper` and `upper` + 1 trade places.
  virtual void BeforeSwap(std::size_t upper) = 0;
  virtual void AfterSwap() = 0;
  // The display item of `row` changed (its record was replaced).
  virtual void RowChanged(std::size_t row) = 0;
  // Everything may change: both lists are cleared or replaced.
  virtual void BeforeReset() = 0;
  virtual void AfterReset() = 0;
};

class MapTable {
 public:
  MapTable() = default;
  // A copy or a moved-from table has no listener: a listener watches one
  // table object, whatever values are later put into it. Assigning to a table
  // tells its listener of a reset.
  MapTable(const MapTable& other);
  MapTable(MapTable&& other) noexcept;
  MapTable& operator=(const MapTable& other);
  MapTable& operator=(MapTable&& other) noexcept;
  ~MapTable() = default;

  // The one listener of this table, or null. It must outlive the table or be
  // taken away first.
  void SetListener(MapTableListener* listener) { listener_ = listener; }

  // Clears both lists.
  void Clear();
  // Room for `maps` entries in both lists, so that appending them moves nothing.
  void Reserve(std::size_t maps);
  // Appends a display item and a record; the entry's map id must be
  // RecordCount() + 1, so the record of map id k stays at row k - 1.
  void Append(MapEntry entry);

  [[nodiscard]] std::size_t DisplayCount() const { return display_.size(); }
  [[nodiscard]] std::size_t RecordCount() const { return records_.size(); }
  // The map id the next added entry receives.
  [[nodiscard]] std::uint32_t NextMapId() const {
    return static_cast<std::uint32_t>(records_.size() + 1);
  }

  // The display list, walked in order by saving.
  [[nodiscard]] const std::vector<std::uint32_t>& DisplayIds() const { return display_; }
  [[nodiscard]] std::string DisplayItemAt(std::size_t row) const;
  // The entry behind display row `row` (the selected entry).
  [[nodiscard]] const MapEntry& EntryAtRow(std::size_t row) const;
  // The record list in map id order.
  [[nodiscard]] const std::vector<MapEntry>& Records() const { return records_; }

  // The record whose map id has exactly the text `mapIdText` ("3", never "03"
  // or " 3"); nothing when no record has it.
  [[nodiscard]] const MapEntry* FindByIdText(std::string_view mapIdText) const;
  // The display row showing map id `mapId`, if any.
  [[nodiscard]] std::optional<std::size_t> RowOfId(std::uint32_t mapId) const;

  // Replaces the record of entry.mapId in place; its display item follows,
  // since a display item is made from the record. False if no such record.
  bool Replace(const MapEntry& entry);
  // Removes a display item; its record stays and still counts for NextMapId.
  void RemoveRow(std::size_t row);
  // Shows the record of `mapId` again at display row `row` (row <= DisplayCount()).
  void InsertRow(std::size_t row, std::uint32_t mapId);
  // Swaps the display items of rows `upper` and `upper` + 1.
  void SwapWithNext(std::size_t upper);
  // Takes back the last Append: removes the last record, which must be shown
  // in the last display row. The one way the record list shrinks between two
  // loads, so the next Append gives the same map id again.
  void RemoveLastRecord();

 private:
  std::vector<MapEntry> records_;       // List2: row r holds map id r + 1
  std::vector<std::uint32_t> display_;  // List1: map ids in display order
  MapTableListener* listener_ = nullptr;
};

// Parses a map id written in canonical decimal (no sign, blanks or leading zeros).
[[nodiscard]] std::optional<std::uint32_t> ParseMapId(std::string_view text);

}  // namespace tessaly
