#include "edit.hpp"

#include "resfile/decimal.hpp"
#include "table/map_values.hpp"

namespace tessaly {

std::optional<std::uint32_t> ParseDigits(std::string_view text, std::uint32_t limit) {
  const auto value = ParseDecimal(text, limit);
  if (!value) return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}

EditArea ShowEntry(const MapEntry& entry) {
  EditArea area;
  area.mapIdText = std::to_string(entry.mapId);
  area.name = entry.name;
  area.model = std::to_string(entry.model);
  area.music = std::to_string(entry.music);
  area.story = std::to_string(entry.storyOrder);
  area.listFlag = entry.listFlag == 11;
  for (std::size_t k = 0; k < area.modes.size(); ++k) {
    area.modes[k] = k < entry.modeBits.size() && entry.modeBits[k] == '1';
  }
  return area;
}

std::optional<EditArea> ResetArea(const MapTable& table, const EditArea& area) {
  const MapEntry* entry = table.FindByIdText(area.mapIdText);
  if (entry == nullptr) return std::nullopt;
  EditArea reset = ShowEntry(*entry);
  reset.mapIdText = area.mapIdText;
  return reset;
}

Result<MapEntry, TableError> EntryFromArea(const EditArea& area, const MapEntry* replaced) {
  const auto empty = [](TableErrorKind kind) { return Fail(TableError{.kind = kind}); };
  if (area.name.empty()) return empty(TableErrorKind::kNameEmpty);
  if (area.model.empty()) return empty(TableErrorKind::kModelEmpty);
  if (area.music.empty()) return empty(TableErrorKind::kMusicEmpty);
  if (area.story.empty()) return empty(TableErrorKind::kStoryEmpty);
  struct NumberField {
    const std::string& text;
    std::uint32_t limit;
    MapField field;
  };
  const NumberField numbers[] = {{area.model, kModelLimit, MapField::kModel},
                                 {area.music, kMusicLimit, MapField::kMusic},
                                 {area.story, kStoryLimit, MapField::kStoryOrder}};
  std::uint32_t parsed[3] = {};
  for (std::size_t k = 0; k < std::size(numbers); ++k) {
    const auto value = ParseDigits(numbers[k].text, numbers[k].limit);
    if (!value) {
      return Fail(TableError{.kind = TableErrorKind::kNotInRange,
                             .field = numbers[k].field,
                             .count = numbers[k].limit});
    }
    parsed[k] = *value;
  }
  MapValues values;
  values.name = area.name;
  values.model = static_cast<std::uint16_t>(parsed[0]);
  values.listFlag = area.listFlag ? 11 : 10;
  for (const bool set : area.modes) values.modes += set ? '1' : '0';
  values.music = static_cast<std::uint8_t>(parsed[1]);
  values.storyOrder = static_cast<std::uint8_t>(parsed[2]);
  return EntryFromValues(values, replaced);
}

Result<void, TableError> WriteEntry(MapTable& table, const EditArea& area) {
  const MapEntry* old = table.FindByIdText(area.mapIdText);
  auto built = EntryFromArea(area, old);
  if (!built) return Fail(built.error());
  if (old != nullptr) table.Replace(*built);
  return {};
}

bool HasUnwrittenEdits(const MapTable& table, const EditArea& area) {
  const MapEntry* stored = table.FindByIdText(area.mapIdText);
  if (stored == nullptr) return false;
  const auto built = EntryFromArea(area, stored);
  return !built || *built != *stored;
}

Result<std::uint32_t, TableError> AddEntry(MapTable& table, const EditArea& area,
                                           std::int64_t extraCount) {
  auto built = EntryFromArea(area, nullptr);
  if (!built) return Fail(built.error());
  // Only a count that grows past the top refuses an Add; one below 0 (more
  // maps found than the header counts, some deleted) is for saving to refuse.
  if (table.RecordCount() >= kMaxEntries ||
      EntryCountWith(extraCount, table.DisplayCount() + 1) > kMaxEntryCount) {
    return Fail(TableError{.kind = TableErrorKind::kTableFull});
  }
  MapEntry entry = std::move(built).value();
  entry.mapId = table.NextMapId();
  const std::uint32_t id = entry.mapId;
  table.Append(std::move(entry));
  return id;
}

bool DeleteRow(MapTable& table, std::optional<std::size_t> selectedRow) {
  if (!selectedRow || *selectedRow >= table.DisplayCount()) return false;
  table.RemoveRow(*selectedRow);
  return true;
}

std::optional<std::size_t> MoveUp(MapTable& table, std::optional<std::size_t> selectedRow) {
  if (!selectedRow || *selectedRow == 0 || *selectedRow >= table.DisplayCount()) {
    return std::nullopt;
  }
  table.SwapWithNext(*selectedRow - 1);
  return *selectedRow - 1;
}

std::optional<std::size_t> MoveDown(MapTable& table, std::optional<std::size_t> selectedRow) {
  if (!selectedRow || *selectedRow + 1 >= table.DisplayCount()) return std::nullopt;
  table.SwapWithNext(*selectedRow);
  return *selectedRow + 1;
}

std::string ClampDigits(std::string_view text, std::uint32_t limit) {
  std::string digits;
  for (const char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  if (!digits.empty() && !ParseDigits(digits, limit)) return std::to_string(limit);
  return digits;
}

}  // namespace tessaly
