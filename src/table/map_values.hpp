#pragma once

// The one way a map entry is made from typed values, with the one check of a
// name: Write, Add, import and saving all go through here.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "resfile/result.hpp"
#include "table/map_table.hpp"
#include "table/table_error.hpp"

namespace tessaly {

// One map's values, each already in its range.
struct MapValues {
  // The map id, in the loaded file, of the map these values stand for, when an
  // import names one.
  std::optional<std::uint32_t> id;
  std::string name;  // UTF-8
  std::uint16_t model = 0;
  std::uint8_t listFlag = 0;
  std::string modes;  // six '0'/'1', flag 32 first
  std::uint8_t music = 0;
  std::uint8_t storyOrder = 0;

  friend bool operator==(const MapValues&, const MapValues&) = default;
};

// The GBK bytes a name is stored with. Refused (field kName) when the name
// holds a control character U+0000–U+001F or U+007F (the game ends a name at
// its first zero byte, and a line break splits listings), a character that GBK
// cannot store, or more than 254 GBK bytes.
[[nodiscard]] Result<std::string, TableError> NameBytes(std::string_view name);

// The name bytes saving writes for an entry: the bytes it was loaded with
// while its name is still their decoding, otherwise NameBytes of the name.
[[nodiscard]] Result<std::string, TableError> NameBytesForSave(const MapEntry& entry);

// The entry `values` describe, in place of `replaced` (null for a new entry):
// it takes the map id and record position of `replaced` (0 and 0 without
// one), and keeps its loaded name bytes while the name is unchanged, so a name
// GBK cannot write anew still saves as it was loaded. Folder text and length
// follow the model; a `replaced` of the same model keeps its length. Refused when the name fails
// NameBytes or the mode bits are not six '0'/'1'.
[[nodiscard]] Result<MapEntry, TableError> EntryFromValues(const MapValues& values,
                                                           const MapEntry* replaced);

}  // namespace tessaly
