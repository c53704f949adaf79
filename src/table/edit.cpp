#include "edit.hpp"

#include "resfile/format.hpp"
#include "resfile/gbk.hpp"

namespace tessaly {
namespace {

std::string RangeMessage(std::string_view field, std::uint32_t limit) {
  return std::string(field) + "必须是0 - " + std::to_string(limit) + "之间的数字";
}

}  // namespace

std::optional<std::uint32_t> ParseDigits(std::string_view text, std::uint32_t limit) {
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > limit) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
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

std::uint32_t FolderLengthOfModelText(std::string_view modelText) {
  // The model text is counted as typed, leading zeros included: "007" gives 6.
  return modelText.size() == 1 ? 5U : static_cast<std::uint32_t>(modelText.size() + 3);
}

namespace {

// The entry the edit area describes. `previous` is the entry being written, if
// any: a name it was loaded with and that is unchanged is saved with its loaded
// bytes, so it need not be one that GBK can encode anew.
Result<MapEntry, EditMessage> BuildEntry(const EditArea& area, const MapEntry* previous) {
  if (area.name.empty()) return Fail(EditMessage{std::string(kNameEmpty)});
  if (area.model.empty()) return Fail(EditMessage{std::string(kModelEmpty)});
  if (area.music.empty()) return Fail(EditMessage{std::string(kMusicEmpty)});
  if (area.story.empty()) return Fail(EditMessage{std::string(kStoryEmpty)});
  const auto model = ParseDigits(area.model, kModelLimit);
  if (!model) return Fail(EditMessage{RangeMessage("模型", kModelLimit)});
  const auto music = ParseDigits(area.music, kMusicLimit);
  if (!music) return Fail(EditMessage{RangeMessage("音乐", kMusicLimit)});
  const auto story = ParseDigits(area.story, kStoryLimit);
  if (!story) return Fail(EditMessage{RangeMessage("剧情排列", kStoryLimit)});
  const bool keepsLoadedName =
      previous != nullptr && previous->loadedNameBytes && area.name == previous->name;
  if (!keepsLoadedName) {
    const auto encoded = EncodeGbk(area.name);
    if (!encoded) return Fail(EditMessage{"地图名含有GBK无法表示的字符，无法保存"});
    if (encoded->size() > kMaxNameBytes) {
      return Fail(EditMessage{"地图名太长：" + std::to_string(encoded->size()) + "个GBK字节，最多" +
                              std::to_string(kMaxNameBytes) + "个"});
    }
  }

  MapEntry entry;
  entry.model = static_cast<std::uint16_t>(*model);
  entry.name = area.name;
  entry.folderLength = FolderLengthOfModelText(area.model);
  entry.folder = FolderText(*model);
  entry.listFlag = area.listFlag ? 11 : 10;
  entry.modeBits.clear();
  for (const bool set : area.modes) entry.modeBits += set ? '1' : '0';
  entry.music = static_cast<std::uint8_t>(*music);
  entry.storyOrder = static_cast<std::uint8_t>(*story);
  if (keepsLoadedName) entry.loadedNameBytes = previous->loadedNameBytes;
  return entry;
}

}  // namespace

Result<MapEntry, EditMessage> EntryFromArea(const EditArea& area) {
  return BuildEntry(area, nullptr);
}

Result<void, EditMessage> WriteEntry(MapTable& table, const EditArea& area) {
  const MapEntry* old = table.FindByIdText(area.mapIdText);
  auto built = BuildEntry(area, old);
  if (!built) return Fail(built.error());
  if (old == nullptr) return {};
  MapEntry entry = std::move(built).value();
  entry.mapId = old->mapId;
  entry.recordPos = old->recordPos;
  table.Replace(entry);
  return {};
}

Result<std::uint32_t, EditMessage> AddEntry(MapTable& table, const EditArea& area,
                                            std::int64_t extraCount) {
  auto built = EntryFromArea(area);
  if (!built) return Fail(built.error());
  const std::int64_t countAfter = extraCount + static_cast<std::int64_t>(table.DisplayCount()) + 1;
  if (table.RecordCount() >= kMaxEntries || countAfter > 65535) {
    return Fail(EditMessage{"地图数量已达上限（65535），无法再添加"});
  }
  MapEntry entry = std::move(built).value();
  entry.mapId = table.NextMapId();
  entry.recordPos = 0;
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
  table.SwapRows(*selectedRow, *selectedRow - 1);
  return *selectedRow - 1;
}

std::optional<std::size_t> MoveDown(MapTable& table, std::optional<std::size_t> selectedRow) {
  if (!selectedRow || *selectedRow + 1 >= table.DisplayCount()) return std::nullopt;
  table.SwapRows(*selectedRow, *selectedRow + 1);
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
