#include "map_values.hpp"

#include <algorithm>

#include "resfile/format.hpp"
#include "resfile/gbk.hpp"

namespace tessaly {
namespace {

TableError NameError(TableErrorKind kind, std::int64_t count = 0) {
  return TableError{.kind = kind, .field = MapField::kName, .count = count};
}

// In UTF-8 the control characters U+0000–U+001F and U+007F are exactly the
// bytes 0x00–0x1F and 0x7F: no byte of a longer sequence is below 0x80.
bool HasControlCharacter(std::string_view utf8) {
  return std::any_of(utf8.begin(), utf8.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

}  // namespace

Result<std::string, TableError> NameBytes(std::string_view name) {
  if (HasControlCharacter(name)) return Fail(NameError(TableErrorKind::kNameHasControl));
  auto encoded = EncodeGbk(name);
  if (!encoded) return Fail(NameError(TableErrorKind::kNameNotGbk));
  if (encoded->size() > kMaxNameBytes) {
    return Fail(
        NameError(TableErrorKind::kNameTooLong, static_cast<std::int64_t>(encoded->size())));
  }
  return std::move(encoded).value();
}

Result<std::string, TableError> NameBytesForSave(const MapEntry& entry) {
  if (entry.loadedNameBytes && Bytes2Str(*entry.loadedNameBytes) == entry.name) {
    return *entry.loadedNameBytes;
  }
  return NameBytes(entry.name);
}

Result<MapEntry, TableError> EntryFromValues(const MapValues& values, const MapEntry* replaced) {
  MapEntry entry;
  const bool keepsLoadedName =
      replaced != nullptr && replaced->loadedNameBytes && values.name == replaced->name;
  if (keepsLoadedName) {
    entry.loadedNameBytes = replaced->loadedNameBytes;
  } else if (auto bytes = NameBytes(values.name); !bytes) {
    return Fail(bytes.error());
  }
  if (!IsModeBits(values.modes)) {
    return Fail(TableError{
        .kind = TableErrorKind::kModesInvalid, .field = MapField::kModes, .given = values.modes});
  }
  if (replaced != nullptr) {
    entry.mapId = replaced->mapId;
    entry.recordPos = replaced->recordPos;
  }
  entry.model = values.model;
  entry.name = values.name;
  entry.folder = FolderText(values.model);
  // A loaded map keeps the length it was loaded with while its model stays.
  entry.folderLength = replaced != nullptr && replaced->model == values.model
                           ? replaced->folderLength
                           : static_cast<std::uint32_t>(entry.folder.size() + 1);
  entry.listFlag = values.listFlag;
  entry.modeBits = values.modes;
  entry.music = values.music;
  entry.storyOrder = values.storyOrder;
  return entry;
}

}  // namespace tessaly
