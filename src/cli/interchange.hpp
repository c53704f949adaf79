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

// The key of a map field in an import file ("name", "storyOrder" …).
[[nodiscard]] std::string_view ImportKey(MapField field);

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

// The encoding of a CSV or JSON file that import reads or export writes.
enum class TextEncoding { kUtf8, kGbk };

// The maps as WriteCsv writes them, but in GBK without a byte-order mark, for
// programs that read CSV in the code page of a Chinese Windows. Refused when
// a name holds a character GBK lacks (a name whose loaded bytes were no GBK).
[[nodiscard]] Result<std::string, ImportError> WriteCsvGbk(const Document& doc);

// The text of a MAPS file in GBK as UTF-8, decoded by the rules of map names
// in Meteor.res. A byte sequence GBK lacks is refused with its line and
// column; so is a UTF-8 byte-order mark.
[[nodiscard]] Result<std::string, ImportError> DecodeGbkMaps(std::string_view bytes, bool csv);

// Refuses a MAPS text meant as UTF-8 that is no UTF-8 but reads as GBK, with a
// message that names --encoding gbk; anything else is left to the parsers.
[[nodiscard]] Result<void, ImportError> CheckUtf8Maps(std::string_view bytes, bool csv);

// Reads a JSON document with a "maps" array, as DocumentJson writes it; keys
// other than id, name, model, listFlag, modes, music and storyOrder are ignored.
[[nodiscard]] Result<std::vector<MapValues>, ImportError> ParseMapsJson(std::string_view text);

// Reads CSV as WriteCsv writes it, with or without the byte-order mark, with
// CRLF, LF or CR line ends. Columns are found by the header's names, in any
// order; other columns are ignored; rows that are wholly empty are skipped.
[[nodiscard]] Result<std::vector<MapValues>, ImportError> ParseMapsCsv(std::string_view text);

}  // namespace tessaly::cli
