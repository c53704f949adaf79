#include "map_table.hpp"

#include <cassert>
#include <limits>
#include <utility>

#include "resfile/decimal.hpp"
#include "resfile/format.hpp"

namespace tessaly {

MapEntry EntryFromRecord(const MapRecord& record, std::uint32_t mapId) {
  MapEntry entry;
  entry.mapId = mapId;
  entry.recordPos = record.offset;
  entry.model = record.model;
  entry.name = record.name;
  entry.folderLength = record.folderLength;
  entry.folder = FolderText(record.model);
  entry.listFlag = record.listFlag;
  entry.modeBits = ModeBitsFromByte(record.modeByte);
  entry.music = record.music;
  entry.storyOrder = record.storyOrder;
  entry.loadedNameBytes = record.nameBytes;
  return entry;
}

std::string DisplayItem(const MapEntry& entry) {
  return std::to_string(entry.mapId) + ":" + entry.name;
}

std::string RecordString(const MapEntry& entry) {
  const std::string fields[] = {
      std::to_string(entry.mapId),        std::to_string(entry.recordPos),
      std::to_string(entry.model),        entry.name,
      std::to_string(entry.folderLength), entry.folder,
      std::to_string(entry.listFlag),     entry.modeBits,
      std::to_string(entry.music),        std::to_string(entry.storyOrder)};
  std::string s = fields[0];
  for (std::size_t i = 1; i < std::size(fields); ++i) {
    s += kFieldSeparator;
    s += fields[i];
  }
  return s;
}

std::string_view MapIdOfItem(std::string_view displayItem) {
  return displayItem.substr(0, displayItem.find(':'));
}

std::optional<std::uint32_t> ParseMapId(std::string_view text) {
  if (text.empty() || text.size() > 10 || text[0] == '0') return std::nullopt;
  const auto value = ParseDecimal(text, std::numeric_limits<std::uint32_t>::max());
  if (!value) return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}

MapTable::MapTable(const MapTable& other) : records_(other.records_), display_(other.display_) {}

MapTable::MapTable(MapTable&& other) noexcept
    : records_(std::move(other.records_)), display_(std::move(other.display_)) {}

MapTable& MapTable::operator=(const MapTable& other) {
  if (this == &other) return *this;
  return *this = MapTable(other);
}

MapTable& MapTable::operator=(MapTable&& other) noexcept {
  if (this == &other) return *this;
  if (listener_ != nullptr) listener_->BeforeReset();
  records_ = std::move(other.records_);
  display_ = std::move(other.display_);
  if (listener_ != nullptr) listener_->AfterReset();
  return *this;
}

void MapTable::Clear() {
  if (listener_ != nullptr) listener_->BeforeReset();
  display_.clear();
  records_.clear();
  if (listener_ != nullptr) listener_->AfterReset();
}

void MapTable::Reserve(std::size_t maps) {
  records_.reserve(maps);
  display_.reserve(maps);
}

void MapTable::Append(MapEntry entry) {
  assert(entry.mapId == records_.size() + 1);
  if (listener_ != nullptr) listener_->BeforeInsert(display_.size());
  display_.push_back(entry.mapId);
  records_.push_back(std::move(entry));
  if (listener_ != nullptr) listener_->AfterInsert();
}

std::string MapTable::DisplayItemAt(std::size_t row) const { return DisplayItem(EntryAtRow(row)); }

const MapEntry& MapTable::EntryAtRow(std::size_t row) const {
  return records_[display_.at(row) - 1];
}

const MapEntry* MapTable::FindByIdText(std::string_view mapIdText) const {
  const auto id = ParseMapId(mapIdText);
  if (!id || *id > records_.size()) return nullptr;
  return &records_[*id - 1];
}

std::optional<std::size_t> MapTable::RowOfId(std::uint32_t mapId) const {
  for (std::size_t row = 0; row < display_.size(); ++row) {
    if (display_[row] == mapId) return row;
  }
  return std::nullopt;
}

bool MapTable::Replace(const MapEntry& entry) {
  if (entry.mapId == 0 || entry.mapId > records_.size()) return false;
  records_[entry.mapId - 1] = entry;
  if (listener_ != nullptr) {
    if (const auto row = RowOfId(entry.mapId)) listener_->RowChanged(*row);
  }
  return true;
}

void MapTable::RemoveRow(std::size_t row) {
  assert(row < display_.size());
  if (listener_ != nullptr) listener_->BeforeRemove(row);
  display_.erase(display_.begin() + static_cast<std::ptrdiff_t>(row));
  if (listener_ != nullptr) listener_->AfterRemove();
}

void MapTable::InsertRow(std::size_t row, std::uint32_t mapId) {
  assert(row <= display_.size() && mapId >= 1 && mapId <= records_.size());
  if (listener_ != nullptr) listener_->BeforeInsert(row);
  display_.insert(display_.begin() + static_cast<std::ptrdiff_t>(row), mapId);
  if (listener_ != nullptr) listener_->AfterInsert();
}

void MapTable::SwapWithNext(std::size_t upper) {
  assert(upper + 1 < display_.size());
  if (listener_ != nullptr) listener_->BeforeSwap(upper);
  std::swap(display_[upper], display_[upper + 1]);
  if (listener_ != nullptr) listener_->AfterSwap();
}

void MapTable::RemoveLastRecord() {
  assert(!records_.empty() && !display_.empty() && display_.back() == records_.size());
  const std::size_t row = display_.size() - 1;
  if (listener_ != nullptr) listener_->BeforeRemove(row);
  display_.pop_back();
  records_.pop_back();
  if (listener_ != nullptr) listener_->AfterRemove();
}

}  // namespace tessaly
