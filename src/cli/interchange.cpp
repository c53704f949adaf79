#include "interchange.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <set>
#include <utility>

#include "resfile/format.hpp"
#include "resfile/gbk.hpp"
#include "resfile/utf8.hpp"
#include "table/edit.hpp"

namespace tessaly::cli {
namespace {

// A value of an import file before it is checked.
struct RawField {
  enum class Kind {
    kAbsent,  // no such key, a JSON null id, or an empty CSV cell of a number column
    kText,    // a JSON string, or the CSV name cell
    kNumber,  // a JSON integer in decimal, or a CSV cell of a number column
    kOther,   // any other JSON value (a fraction, true, an array …), as written
  };
  Kind kind = Kind::kAbsent;
  std::string text;
};

struct RawMap {
  RawField id, name, model, listFlag, modes, music, storyOrder;
};

// The import fields: their keys in a file and the map fields they stand for.
struct FieldInfo {
  std::string_view key;
  MapField field;
};
constexpr FieldInfo kId{"id", MapField::kId};
constexpr FieldInfo kName{"name", MapField::kName};
constexpr FieldInfo kModel{"model", MapField::kModel};
constexpr FieldInfo kListFlag{"listFlag", MapField::kListFlag};
constexpr FieldInfo kModes{"modes", MapField::kModes};
constexpr FieldInfo kMusic{"music", MapField::kMusic};
constexpr FieldInfo kStoryOrder{"storyOrder", MapField::kStoryOrder};

constexpr std::array<const FieldInfo*, 7> kFields = {&kId,    &kName,  &kModel,     &kListFlag,
                                                     &kModes, &kMusic, &kStoryOrder};

}  // namespace

std::string_view ImportKey(MapField field) {
  for (const FieldInfo* info : kFields) {
    if (info->field == field) return info->key;
  }
  return {};
}

namespace {

RawField RawMap::*MemberOf(const FieldInfo& field) {
  if (&field == &kId) return &RawMap::id;
  if (&field == &kName) return &RawMap::name;
  if (&field == &kModel) return &RawMap::model;
  if (&field == &kListFlag) return &RawMap::listFlag;
  if (&field == &kModes) return &RawMap::modes;
  if (&field == &kMusic) return &RawMap::music;
  return &RawMap::storyOrder;
}

// The value of a text of decimal digits (leading zeros allowed) when it lies
// between `low` and `high`.
std::optional<std::uint32_t> DigitsWithin(std::string_view text, std::uint32_t low,
                                          std::uint32_t high) {
  const auto value = ParseDigits(text, high);
  if (!value || *value < low) return std::nullopt;
  return value;
}

// Checks the values of one map; a refusal is worded by ErrorText, as the
// editor words the same rule.
class MapChecker {
 public:
  MapChecker(std::size_t position, const RawMap& raw) : raw_(raw), position_(position) {
    if (raw.name.kind == RawField::Kind::kText) name_ = raw.name.text;
  }

  Result<MapValues, ImportError> Check() {
    MapValues values;
    if (raw_.id.kind != RawField::Kind::kAbsent) {
      const auto id = Number(kId, 1, 0xFFFFFFFFU);
      if (!id) return Refused();
      values.id = *id;
    }
    if (raw_.name.kind == RawField::Kind::kAbsent) {
      error_ = About(TableErrorKind::kFieldMissing, kName);
      return Refused();
    }
    if (raw_.name.kind != RawField::Kind::kText) {
      error_ = Given(About(TableErrorKind::kNotText, kName), raw_.name);
      return Refused();
    }
    values.name = raw_.name.text;
    const auto model = Number(kModel, 0, kModelLimit);
    if (!model) return Refused();
    values.model = static_cast<std::uint16_t>(*model);
    const auto listFlag = Number(kListFlag, 0, 255);
    if (!listFlag) return Refused();
    values.listFlag = static_cast<std::uint8_t>(*listFlag);
    auto modes = Modes();
    if (!modes) return Refused();
    values.modes = std::move(*modes);
    const auto music = Number(kMusic, 0, kMusicLimit);
    if (!music) return Refused();
    values.music = static_cast<std::uint8_t>(*music);
    const auto story = Number(kStoryOrder, 0, kStoryLimit);
    if (!story) return Refused();
    values.storyOrder = static_cast<std::uint8_t>(*story);
    return values;
  }

 private:
  Failure<ImportError> Refused() const { return Fail(ImportError{ErrorText(error_)}); }

  [[nodiscard]] TableError About(TableErrorKind kind, const FieldInfo& field) const {
    return AtMap(TableError{.kind = kind, .field = field.field, .key = std::string(field.key)},
                 position_, name_);
  }

  [[nodiscard]] static TableError Given(TableError error, const RawField& raw) {
    error.given = raw.text;
    error.givenAsText = raw.kind == RawField::Kind::kText;
    return error;
  }

  // A whole number between low and high; a JSON string is the wrong type even
  // when it holds digits.
  std::optional<std::uint32_t> Number(const FieldInfo& field, std::uint32_t low,
                                      std::uint32_t high) {
    const RawField& raw = raw_.*MemberOf(field);
    if (raw.kind == RawField::Kind::kAbsent) {
      error_ = About(TableErrorKind::kFieldMissing, field);
      return std::nullopt;
    }
    if (raw.kind == RawField::Kind::kNumber) {
      if (const auto value = DigitsWithin(raw.text, low, high)) return value;
    }
    error_ = Given(About(TableErrorKind::kNotInRange, field), raw);
    error_.low = low;
    error_.count = high;
    return std::nullopt;
  }

  // Six '0'/'1' characters; one to five of them are padded on the left, since
  // spreadsheet programs turn 000101 into 101.
  std::optional<std::string> Modes() {
    const RawField& raw = raw_.modes;
    if (raw.kind == RawField::Kind::kAbsent) {
      error_ = About(TableErrorKind::kFieldMissing, kModes);
      return std::nullopt;
    }
    if (raw.kind == RawField::Kind::kText || raw.kind == RawField::Kind::kNumber) {
      const bool bits = !raw.text.empty() && raw.text.size() <= 6 &&
                        std::all_of(raw.text.begin(), raw.text.end(),
                                    [](char c) { return c == '0' || c == '1'; });
      if (bits) return std::string(6 - raw.text.size(), '0') + raw.text;
    }
    error_ = Given(About(TableErrorKind::kModesInvalid, kModes), raw);
    return std::nullopt;
  }

  const RawMap& raw_;
  std::size_t position_;
  std::optional<std::string> name_;
  TableError error_;
};

std::string ParseErrorText(const nlohmann::detail::exception& e) {
  // what() starts with "[json.exception.parse_error.101] "; the rest says where and why.
  std::string_view text = e.what();
  if (const auto end = text.find("] "); text.starts_with("[json.") && end != text.npos) {
    text.remove_prefix(end + 2);
  }
  return std::string(text);
}

// Deeper than any value of a map file needs ({"maps": [{"note": [ … ]}]}).
constexpr std::size_t kMaxJsonDepth = 8;

// Reads a map file as a stream of JSON events straight into raw maps, so
// that memory follows the maps, not the size or shape of the text, and no
// value is ever rebuilt (or printed) recursively. Refuses nesting deeper than
// a map file needs, more maps than a file holds, and a key given twice in
// one object (a parser building a document would keep the last silently).
class MapsReader final : public nlohmann::json_sax<nlohmann::json> {
 public:
  std::vector<RawMap> maps;
  std::optional<ImportError> error;
  bool sawMaps = false;

  bool null() override { return Value(RawField{RawField::Kind::kOther, "null"}, true); }
  bool boolean(bool value) override {
    return Value(RawField{RawField::Kind::kOther, value ? "true" : "false"});
  }
  bool number_integer(number_integer_t value) override {
    return Value(RawField{RawField::Kind::kNumber, std::to_string(value)});
  }
  bool number_unsigned(number_unsigned_t value) override {
    return Value(RawField{RawField::Kind::kNumber, std::to_string(value)});
  }
  bool number_float(number_float_t, const string_t& written) override {
    return Value(RawField{RawField::Kind::kOther, written});
  }
  bool string(string_t& value) override {
    return Value(RawField{RawField::Kind::kText, std::move(value)});
  }
  bool binary(binary_t&) override { return Value(RawField{RawField::Kind::kOther, "…"}); }

  bool start_object(std::size_t) override { return Open('{'); }
  bool end_object() override { return Close('}'); }
  bool start_array(std::size_t) override { return Open('['); }
  bool end_array() override { return Close(']'); }

  bool key(string_t& key) override {
    if (!keys_.back().insert(key).second) {
      const std::string where =
          depth_ == 3 && inMaps_ ? MapLabel(maps.size(), nullptr) : std::string("JSON对象");
      return Refuse(where + "中的键“" + ForMessage(key) + "”出现了两次");
    }
    if (capture_) {
      Append(QuotedKey(key));
      capture_->afterKey = true;
      return true;
    }
    if (depth_ == 1) rootKey_ = key;
    if (depth_ == 3 && inMaps_) field_ = FieldNamed(key);
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override {
    if (!error) error = ImportError{"JSON格式错误：" + ParseErrorText(e)};
    return false;
  }

 private:
  // A nested value of a map field, written out as far as a message needs it.
  struct Capture {
    RawField* into;
    std::size_t depth;  // of the container it opened
    bool first = true;
    bool afterKey = false;
  };

  static std::string QuotedKey(const std::string& key) {
    return nlohmann::json(key).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + ":";
  }

  static const FieldInfo* FieldNamed(const std::string& key) {
    for (const FieldInfo* field : kFields) {
      if (field->key == key) return field;
    }
    return nullptr;
  }

  bool Refuse(std::string message) {
    error = ImportError{std::move(message)};
    return false;
  }

  void Append(const std::string& piece) {
    std::string& text = capture_->into->text;
    if (!capture_->first && !capture_->afterKey) text += ",";
    capture_->first = false;
    capture_->afterKey = false;
    if (text.size() < 64) text += piece.substr(0, 64);
  }

  bool Value(RawField value, bool isNull = false) {
    if (capture_) {
      Append(value.kind == RawField::Kind::kText
                 ? nlohmann::json(value.text)
                       .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                 : value.text);
      return true;
    }
    if (depth_ == 0 || (depth_ == 1 && rootKey_ != "maps")) return RootValue();
    if (depth_ == 1) return Refuse(kNoMapsArray);
    if (depth_ == 2 && inMaps_) {
      return Refuse(MapLabel(maps.size() + 1, nullptr) + "必须是JSON对象（{…}）");
    }
    if (depth_ == 3 && inMaps_ && field_ != nullptr) {
      if (isNull && field_ == &kId) value = RawField{};
      maps.back().*MemberOf(*field_) = std::move(value);
    }
    return true;
  }

  bool RootValue() {
    if (depth_ == 0) return Refuse(kNoMapsArray);
    return true;
  }

  bool Open(char bracket) {
    if (++depth_ > kMaxJsonDepth) {
      return Refuse("JSON嵌套超过" + std::to_string(kMaxJsonDepth) + "层，不是地图文件");
    }
    if (bracket == '{') keys_.emplace_back();
    if (capture_) {
      Append(std::string(1, bracket));
      capture_->first = true;
      return true;
    }
    if (depth_ == 1) return bracket == '{' || Refuse(kNoMapsArray);
    if (depth_ == 2 && rootKey_ == "maps") {
      if (bracket != '[') return Refuse(kNoMapsArray);
      inMaps_ = true;
      sawMaps = true;
      return true;
    }
    if (depth_ == 3 && inMaps_) {
      if (bracket != '{')
        return Refuse(MapLabel(maps.size() + 1, nullptr) + "必须是JSON对象（{…}）");
      if (maps.size() >= kMaxEntries) {
        return Refuse(ErrorText(TableError{.kind = TableErrorKind::kTooManyMaps}));
      }
      maps.emplace_back();
      field_ = nullptr;
      return true;
    }
    if (depth_ == 4 && inMaps_ && field_ != nullptr) {
      RawField& into = maps.back().*MemberOf(*field_);
      into = RawField{RawField::Kind::kOther, std::string(1, bracket)};
      capture_ = Capture{&into, depth_};
    }
    return true;
  }

  bool Close(char bracket) {
    if (bracket == '}') keys_.pop_back();
    if (capture_) {
      capture_->into->text += capture_->into->text.size() < 64 ? std::string(1, bracket) : "";
      capture_->first = false;
      if (depth_ == capture_->depth) capture_.reset();
    }
    if (depth_ == 2 && inMaps_) inMaps_ = false;
    --depth_;
    return true;
  }

  static constexpr const char* kNoMapsArray = "JSON文档必须是带有“maps”数组的对象，如 export 所写";

  std::size_t depth_ = 0;
  std::vector<std::set<std::string>> keys_;  // of each open object
  std::string rootKey_;
  bool inMaps_ = false;
  const FieldInfo* field_ = nullptr;
  std::optional<Capture> capture_;
};

struct CsvRow {
  std::size_t line = 0;  // where the row starts, from 1
  std::vector<std::string> fields;
};

std::string AtLine(std::size_t line) { return "CSV第" + std::to_string(line) + "行"; }

// Splits RFC 4180 text into rows of fields. A row ends at CRLF, LF or CR
// outside quotes; a line end inside quotes is part of the field as it stands.
Result<std::vector<CsvRow>, ImportError> SplitCsv(std::string_view text) {
  std::vector<CsvRow> rows;
  std::size_t i = 0;
  std::size_t line = 1;
  const std::size_t n = text.size();
  const auto atRowEnd = [&] { return i >= n || text[i] == '\r' || text[i] == '\n'; };
  while (i < n) {
    CsvRow row{line, {}};
    for (;;) {
      std::string field;
      if (text[i] == '"') {
        const std::size_t openedAt = line;
        ++i;
        for (;;) {
          if (i >= n) {
            return Fail(ImportError{AtLine(openedAt) + "：引号没有结束（缺少配对的\"）"});
          }
          const char c = text[i];
          if (c == '"') {
            if (i + 1 < n && text[i + 1] == '"') {
              field += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          if (c == '\n' || (c == '\r' && (i + 1 >= n || text[i + 1] != '\n'))) ++line;
          field += c;
          ++i;
        }
        if (!atRowEnd() && text[i] != ',') {
          return Fail(ImportError{AtLine(line) + "：结束引号后面只能是逗号或换行"});
        }
      } else {
        while (!atRowEnd() && text[i] != ',') {
          if (text[i] == '"') {
            return Fail(ImportError{AtLine(line) +
                                    "：不在引号中的字段里有引号（含引号的字段要整个放在引号中，"
                                    "其中的引号写成两个\"\"）"});
          }
          field += text[i++];
        }
      }
      row.fields.push_back(std::move(field));
      if (i < n && text[i] == ',') {
        ++i;
        if (i >= n) row.fields.emplace_back();  // "a," at the very end: a last empty field
        if (i >= n) break;
        continue;
      }
      break;
    }
    if (i < n) {
      if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
      ++i;
      ++line;
    }
    // Blank lines after the header are skipped anyway; not keeping them holds
    // memory to the rows that count, which no valid file has more than
    // 65535 of.
    if (!rows.empty() && row.fields.size() == 1 && row.fields[0].empty()) continue;
    if (rows.size() > kMaxEntries) {
      return Fail(ImportError{ErrorText(TableError{.kind = TableErrorKind::kTooManyMaps})});
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

bool IsEmptyRow(const CsvRow& row) {
  return std::all_of(row.fields.begin(), row.fields.end(),
                     [](const std::string& f) { return f.empty(); });
}

}  // namespace

nlohmann::ordered_json DocumentJson(const Document& doc) {
  nlohmann::ordered_json root;
  root["headerEnd"] = doc.headerEnd ? nlohmann::ordered_json(*doc.headerEnd) : nullptr;
  root["entryCount"] = doc.entryCount;
  root["extraCount"] = doc.extraCount;
  auto maps = nlohmann::ordered_json::array();
  for (const MapEntry& e : doc.table.Records()) {
    nlohmann::ordered_json m;
    m["id"] = e.mapId;
    m["offset"] = e.recordPos;
    m["model"] = e.model;
    m["name"] = e.name;
    m["folderTextLength"] = e.folderLength;
    m["folder"] = e.folder;
    m["listFlag"] = e.listFlag;
    m["modes"] = e.modeBits;
    m["music"] = e.music;
    m["storyOrder"] = e.storyOrder;
    maps.push_back(std::move(m));
  }
  root["maps"] = std::move(maps);
  return root;
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

namespace {

// One map as a CSV row in UTF-8, with its line end.
std::string CsvLine(const MapEntry& e) {
  return std::to_string(e.mapId) + ',' + CsvField(e.name) + ',' + std::to_string(e.model) + ',' +
         std::to_string(e.listFlag) + ',' + CsvField(e.modeBits) + ',' + std::to_string(e.music) +
         ',' + std::to_string(e.storyOrder) + "\r\n";
}

}  // namespace

std::string WriteCsv(const Document& doc) {
  std::string csv(kUtf8Bom);
  csv += kCsvHeader;
  csv += "\r\n";
  for (const MapEntry& e : doc.table.Records()) csv += CsvLine(e);
  return csv;
}

Result<std::string, ImportError> WriteCsvGbk(const Document& doc) {
  std::string csv(kCsvHeader);
  csv += "\r\n";
  std::size_t position = 0;
  for (const MapEntry& e : doc.table.Records()) {
    ++position;
    const auto row = EncodeGbk(CsvLine(e));
    if (!row) {
      return Fail(ImportError{MapLabel(position, &e.name) +
                              "的名称含有GBK无法表示的字符，无法写成GBK；请不加 --encoding gbk，"
                              "写成UTF-8"});
    }
    csv += *row;
  }
  return csv;
}

Result<std::string, ImportError> DecodeGbkMaps(std::string_view bytes, bool csv) {
  const std::string kind = csv ? "CSV" : "JSON";
  if (bytes.starts_with(kUtf8Bom)) {
    return Fail(
        ImportError{kind + "文件以UTF-8的字节顺序标记开头，是UTF-8编码；请去掉 --encoding gbk"});
  }
  auto text = DecodeGbkText(bytes);
  if (text) return std::move(text).value();
  const GbkTextError& e = text.error();
  std::string hex;
  for (const char c : e.bytes) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    const auto b = static_cast<unsigned char>(c);
    if (!hex.empty()) hex += ' ';
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return Fail(ImportError{kind + "第" + std::to_string(e.line) + "行第" + std::to_string(e.column) +
                          "个字符：字节 " + hex + " 不是GBK字符（按 --encoding gbk 读取）"});
}

Result<void, ImportError> CheckUtf8Maps(std::string_view bytes, bool csv) {
  if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
  if (IsUtf8(bytes) || !DecodeGbkText(bytes)) return {};
  return Fail(ImportError{std::string(csv ? "CSV" : "JSON") + "文件不是UTF-8编码，但可以按GBK读取" +
                          (csv ? "（表格程序的“CSV (逗号分隔)”格式就是GBK）" : "") +
                          "；请加上 --encoding gbk 再导入"});
}

Result<std::vector<MapValues>, ImportError> ParseMapsJson(std::string_view text) {
  MapsReader reader;
  const bool read = nlohmann::json::sax_parse(text.begin(), text.end(), &reader);
  if (reader.error) return Fail(*reader.error);
  if (!read || !reader.sawMaps) {
    return Fail(ImportError{"JSON文档必须是带有“maps”数组的对象，如 export 所写"});
  }
  std::vector<MapValues> maps;
  maps.reserve(reader.maps.size());
  std::size_t position = 0;
  for (const RawMap& raw : reader.maps) {
    auto values = MapChecker(++position, raw).Check();
    if (!values) return Fail(values.error());
    maps.push_back(std::move(values).value());
  }
  return maps;
}

Result<std::vector<MapValues>, ImportError> ParseMapsCsv(std::string_view text) {
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  if (!IsUtf8(text)) {
    return Fail(ImportError{
        "CSV文件不是UTF-8编码；请在表格程序中另存为“CSV UTF-8”格式，或用 export --csv 生成"});
  }
  auto rows = SplitCsv(text);
  if (!rows) return Fail(rows.error());
  if (rows->empty() || IsEmptyRow(rows->front())) {
    return Fail(ImportError{"CSV文件缺少标题行（" + std::string(kCsvHeader) + "）"});
  }

  const CsvRow& header = rows->front();
  std::array<std::optional<std::size_t>, kFields.size()> column{};
  for (std::size_t c = 0; c < header.fields.size(); ++c) {
    for (std::size_t f = 0; f < kFields.size(); ++f) {
      if (header.fields[c] != kFields[f]->key) continue;
      if (column[f]) {
        return Fail(ImportError{"CSV标题行中的列“" + header.fields[c] + "”出现了两次"});
      }
      column[f] = c;
    }
  }
  std::string missing;
  for (std::size_t f = 0; f < kFields.size(); ++f) {
    if (kFields[f] == &kId || column[f]) continue;
    if (!missing.empty()) missing += ", ";
    missing += kFields[f]->key;
  }
  if (!missing.empty()) {
    return Fail(ImportError{"CSV标题行缺少列：" + missing + "（标题行应为 " +
                            std::string(kCsvHeader) + "）"});
  }

  std::vector<MapValues> maps;
  std::size_t position = 0;
  for (std::size_t r = 1; r < rows->size(); ++r) {
    const CsvRow& row = (*rows)[r];
    if (IsEmptyRow(row)) continue;
    if (row.fields.size() != header.fields.size()) {
      return Fail(ImportError{AtLine(row.line) + "有" + std::to_string(row.fields.size()) +
                              "个字段，而标题行有" + std::to_string(header.fields.size()) + "个"});
    }
    ++position;
    RawMap raw;
    for (std::size_t f = 0; f < kFields.size(); ++f) {
      if (!column[f]) continue;
      const std::string& cell = row.fields[*column[f]];
      RawField& target = raw.*MemberOf(*kFields[f]);
      if (kFields[f] == &kName) {
        target = {RawField::Kind::kText, cell};
      } else if (!cell.empty()) {
        target = {RawField::Kind::kNumber, cell};
      }
    }
    auto values = MapChecker(position, raw).Check();
    if (!values) return Fail(values.error());
    maps.push_back(std::move(values).value());
  }
  return maps;
}

}  // namespace tessaly::cli
