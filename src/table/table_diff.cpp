#include "table_diff.hpp"

#include <algorithm>
#include <limits>
#include <span>

#include "resfile/format.hpp"

namespace tessaly {
namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// The indexes of `values` that lie outside one longest strictly increasing
// run through them (patience sorting, n log n).
std::vector<std::size_t> OutsideLongestIncreasing(const std::vector<std::size_t>& values) {
  std::vector<std::size_t> tails;  // index of the smallest tail of each run length
  std::vector<std::size_t> before(values.size(), kNone);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const auto at = std::lower_bound(tails.begin(), tails.end(), values[i],
                                     [&](std::size_t t, std::size_t v) { return values[t] < v; });
    if (at != tails.begin()) before[i] = *(at - 1);
    if (at == tails.end()) {
      tails.push_back(i);
    } else {
      *at = i;
    }
  }
  std::vector<bool> kept(values.size(), false);
  for (std::size_t i = tails.empty() ? kNone : tails.back(); i != kNone; i = before[i]) {
    kept[i] = true;
  }
  std::vector<std::size_t> outside;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!kept[i]) outside.push_back(i);
  }
  return outside;
}

}  // namespace

TableIndex::TableIndex(const MapTable& table) {
  rows_.reserve(table.DisplayCount());
  names_.reserve(table.DisplayCount());
  for (const std::uint32_t id : table.DisplayIds()) {
    const MapEntry& entry = table.Records()[id - 1];
    NameRows& rows = names_[entry.name];
    if (rows.count++ == 0) rows.row = rows_.size();
    rows_.push_back(&entry);
  }
}

std::optional<std::size_t> TableIndex::UniqueRow(std::string_view name) const {
  const auto it = names_.find(name);
  if (it == names_.end() || it->second.count != 1) return std::nullopt;
  return it->second.row;
}

std::vector<FieldChange> ChangedFields(const MapEntry& oldMap, const MapEntry& newMap) {
  std::vector<FieldChange> fields;
  const bool bytesDiffer = oldMap.loadedNameBytes && newMap.loadedNameBytes &&
                           *oldMap.loadedNameBytes != *newMap.loadedNameBytes;
  if (oldMap.name != newMap.name || bytesDiffer) fields.push_back({MapField::kName});
  if (oldMap.model != newMap.model) fields.push_back({MapField::kModel});
  if (oldMap.music != newMap.music) fields.push_back({MapField::kMusic});
  if (oldMap.storyOrder != newMap.storyOrder) fields.push_back({MapField::kStoryOrder});
  if (oldMap.listFlag != newMap.listFlag) fields.push_back({MapField::kListFlag});
  for (std::size_t k = 0; k < kModeNames.size(); ++k) {
    const char oldBit = k < oldMap.modeBits.size() ? oldMap.modeBits[k] : '0';
    const char newBit = k < newMap.modeBits.size() ? newMap.modeBits[k] : '0';
    if (oldBit != newBit) fields.push_back({MapField::kModes, k});
  }
  return fields;
}

TableDiff CompareTables(const MapTable& oldTable, const TableIndex& newTable) {
  const std::size_t oldSize = oldTable.DisplayCount();
  const auto oldAt = [&](std::size_t i) -> const MapEntry& { return oldTable.EntryAtRow(i); };
  // One look-up per old map in the index of the new table, none the other
  // way: a name unique in the new table is unique in the old one when
  // exactly one old map carries it.
  std::vector<std::size_t> newOfOld(oldSize, kNone);
  std::vector<std::size_t> oldOfNew(newTable.size(), kNone);
  std::vector<std::uint8_t> hits(newTable.size(), 0);
  for (std::size_t i = 0; i < oldSize; ++i) {
    if (const auto j = newTable.UniqueRow(oldAt(i).name)) {
      if (hits[*j] < 2) ++hits[*j];
      oldOfNew[*j] = i;
    }
  }
  for (std::size_t j = 0; j < newTable.size(); ++j) {
    if (hits[j] == 1) {
      newOfOld[oldOfNew[j]] = j;
    } else {
      oldOfNew[j] = kNone;
    }
  }
  for (std::size_t p = 0; p < std::min(oldSize, newTable.size()); ++p) {
    if (newOfOld[p] == kNone && oldOfNew[p] == kNone) newOfOld[p] = oldOfNew[p] = p;
  }

  TableDiff diff;
  std::vector<std::size_t> oldRows;  // of the matched maps, in old order
  std::vector<std::size_t> newRows;
  for (std::size_t i = 0; i < oldSize; ++i) {
    if (newOfOld[i] == kNone) {
      diff.removed.push_back(i + 1);
    } else {
      oldRows.push_back(i);
      newRows.push_back(newOfOld[i]);
    }
  }
  for (const std::size_t k : OutsideLongestIncreasing(newRows)) {
    diff.moved.push_back({oldRows[k] + 1, newRows[k] + 1});
  }
  for (std::size_t j = 0; j < newTable.size(); ++j) {
    if (oldOfNew[j] == kNone) {
      diff.added.push_back(j + 1);
      continue;
    }
    auto fields = ChangedFields(oldAt(oldOfNew[j]), newTable.at(j));
    if (!fields.empty()) diff.changed.push_back({oldOfNew[j] + 1, j + 1, std::move(fields)});
  }
  return diff;
}

TableDiff CompareTables(const MapTable& oldTable, const MapTable& newTable) {
  return CompareTables(oldTable, TableIndex(newTable));
}

bool HeaderDiffers(const Document& oldDoc, const Document& newDoc) {
  const auto header = [](const Document& doc) {
    const std::size_t size =
        doc.headerEnd ? static_cast<std::size_t>(*doc.headerEnd) + 1 : doc.resBytes.size();
    return std::span<const std::uint8_t>(doc.resBytes.data(), std::min(size, doc.resBytes.size()));
  };
  const auto a = header(oldDoc);
  const auto b = header(newDoc);
  if (a.size() != b.size()) return true;
  // Every byte but the entry count, which follows from the maps.
  const auto same = [&](std::size_t from, std::size_t to) {
    to = std::min(to, a.size());
    from = std::min(from, to);
    return std::equal(a.begin() + from, a.begin() + to, b.begin() + from);
  };
  return !same(0, kCountOffset) || !same(kCountOffset + 2, a.size());
}

std::string DiffSummary(const TableDiff& diff, bool headerDiffers) {
  if (diff.Equal() && !headerDiffers) return std::string(kSameText);
  // Appended piece by piece: GCC 12 warns of "text" + std::to_string(…) at -O2.
  std::string text = "+";
  text += std::to_string(diff.added.size());
  text += " −";
  text += std::to_string(diff.removed.size());
  text += " ~";
  text += std::to_string(diff.changed.size());
  if (!diff.moved.empty()) text += " ↕" + std::to_string(diff.moved.size());
  if (headerDiffers) text += " 表头不同";
  return text;
}

}  // namespace tessaly
