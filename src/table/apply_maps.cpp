#include "apply_maps.hpp"

#include <utility>

namespace tessaly {

Result<void, TableError> ApplyMaps(Document& doc, const std::vector<MapValues>& maps) {
  if (maps.size() > kMaxEntries) {
    return Fail(TableError{.kind = TableErrorKind::kTooManyMaps});
  }
  // Every other value is checked as its entry is made; the whole new file is
  // built once, by the save.
  if (auto counted = CheckEntryCount(doc, maps.size()); !counted) return Fail(counted.error());
  const std::vector<MapEntry>& loaded = doc.table.Records();
  MapTable table;
  std::size_t position = 0;
  for (const MapValues& m : maps) {
    ++position;
    const bool namesLoaded = m.id && *m.id >= 1 && *m.id <= loaded.size();
    auto entry = EntryFromValues(m, namesLoaded ? &loaded[*m.id - 1] : nullptr);
    if (!entry) return Fail(AtMap(entry.error(), position, m.name));
    entry->mapId = table.NextMapId();
    table.Append(std::move(entry).value());
  }
  std::swap(doc.table, table);
  return {};
}

}  // namespace tessaly
