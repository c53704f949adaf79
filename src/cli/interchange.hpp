#pragma once

// The maps of a Meteor.res as text for other programs (JSON and CSV), and the
// way back: reading such a text, checking every value, and putting the maps
// into a document's table so that saving writes them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "resfile/result.hpp"
#include "table/document.hpp"

namespace tessaly::cli {

// The CSV header row that export writes and import expects (id may be left out).
inline constexpr std::string_view kCsvHeader = "id,name,model,listFlag,modes,music,storyOrder";
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// One map of an import file, every value checked and in range.
struct MapValues {
  std::optional<std::uint32_t> id;  // the map id in the loaded file, when given
  std::string name;                 // UTF-8
  std::uint16_t model = 0;
  std::uint8_t listFlag = 0;
  std::string modes;  // exactly six '0'/'1', padded on the left when shorter
  std::uint8_t music = 0;
  std::uint8_t storyOrder = 0;

  friend bool operator==(const MapValues&, const MapValues&) = default;
};

// Why an import file cannot be used, for the user: names the map (position
// from 1 and name) and the field, or the place of a format error.
struct ImportError {
  std::string message;
};

// The document of a loaded file (what dump --json and export print): headerEnd
// (null when no record was found), entryCount, extraCount and the maps in file
// order with all their fields.
[[nodiscard]] nlohmann::ordered_json DocumentJson(const Document& doc);

// The maps of a loaded file as CSV: UTF-8 with a byte-order mark, the header
// kCsvHeader, one row per map in file order, CRLF line ends, and RFC 4180
// quoting (a field holding a comma, a quote, CR or LF is put in quotes, with
// inner quotes doubled).
[[nodiscard]] std::string WriteCsv(const Document& doc);

// One CSV field, quoted when RFC 4180 needs it.
[[nodiscard]] std::string CsvField(std::string_view text);

// Reads a JSON document with a "maps" array, as DocumentJson writes it; keys
// other than id, name, model, listFlag, modes, music and storyOrder are ignored.
[[nodiscard]] Result<std::vector<MapValues>, ImportError> ParseMapsJson(std::string_view text);

// Reads CSV as WriteCsv writes it, with or without the byte-order mark, with
// CRLF, LF or CR line ends. Columns are found by the header's names, in any
// order; other columns are ignored; rows that are wholly empty are skipped.
[[nodiscard]] Result<std::vector<MapValues>, ImportError> ParseMapsCsv(std::string_view text);

// Replaces the table of `doc` with `maps`, in that order. A map whose id names
// a loaded map keeps its record position, and its loaded name bytes while the
// name is unchanged. Checks every name and then the whole file as saving would
// build it; on failure `doc` is left as it was.
[[nodiscard]] Result<void, ImportError> ApplyMaps(Document& doc,
                                                  const std::vector<MapValues>& maps);

}  // namespace tessaly::cli
