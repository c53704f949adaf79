#pragma once

// Why the table refuses a value or an operation, as data: a kind and, where
// they apply, the map (its place in the list and its name), the field and the
// number or value at fault. messages.hpp turns it into words for the user.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tessaly {

enum class TableErrorKind {
  kNameEmpty,        // the edit area's name is exactly empty
  kModelEmpty,       // … its model
  kMusicEmpty,       // … its music
  kStoryEmpty,       // … its story order
  kNotInRange,       // a number is not decimal digits between `low` and `count`
  kFieldMissing,     // a map of an import file lacks the field
  kNotText,          // a map's name in an import file is not text
  kNameHasControl,   // the name holds a control character (U+0000–U+001F, U+007F)
  kNameNotGbk,       // the name holds a character GBK cannot store
  kNameTooLong,      // the name takes `count` GBK bytes, more than a record holds
  kModesInvalid,     // the mode bits are not six '0' or '1'
  kFolderTooLong,    // the model folder text is longer than a record holds
  kTableFull,        // one more map would pass the entries a file can count
  kTooManyMaps,      // a list of more maps than a table holds
  kCountOutOfRange,  // the entry count `count` to be saved does not fit 0 - 65535
  kPhantomRecord,    // the header's last bytes would read back as a map of their own
};

enum class MapField { kNone, kId, kName, kModel, kListFlag, kMusic, kStoryOrder, kModes };

struct TableError {
  TableErrorKind kind = TableErrorKind::kNameEmpty;
  MapField field = MapField::kNone;
  // The map's place in the list, from 1; 0 when the error is not about one
  // map of a list (the edit area, the entry count).
  std::size_t position = 0;
  std::optional<std::string> name;  // the map's name, when known (UTF-8)
  std::int64_t count = 0;           // the number the kind names
  std::int64_t low = 0;             // kNotInRange: the smallest value allowed
  // The value at fault as it was given, when the message quotes it (values of
  // an import file); `givenAsText` when it was a JSON string.
  std::optional<std::string> given;
  bool givenAsText = false;
  // The field's key in an import file ("model"), which the message names
  // after the field's word: 模型（model）.
  std::string key;

  friend bool operator==(const TableError&, const TableError&) = default;
};

// `error` about the map at `position` (from 1) named `name`.
[[nodiscard]] inline TableError AtMap(TableError error, std::size_t position,
                                      std::optional<std::string> name) {
  error.position = position;
  error.name = std::move(name);
  return error;
}

}  // namespace tessaly
