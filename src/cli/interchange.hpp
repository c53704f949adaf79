#pragma once

// The maps of a Meteor.res as text for other programs (JSON and CSV), and the
// way back: reading such a text into checked MapValues (which ApplyMaps of
// table/apply_maps.hpp puts into a document's table).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "resfile/result.hpp"
#include "table/document.hpp"
#include "table/map_values.hpp"
#include "table/messages.hpp"

namespace tessaly::cli {

// The CSV header row that export writes and import expects (id may be left out).
inline constexpr std::string_view kCsvHeader = "id,name,model,listFlag,modes,music,storyOrder";
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

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

}  // namespace tessaly::cli
