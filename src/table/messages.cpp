#include "messages.hpp"

#include "resfile/format.hpp"
#include "resfile/utf8.hpp"
#include "table/map_table.hpp"

namespace tessaly {
namespace {

// The field's word, with its key in an import file when there is one: "模型（model）".
std::string FieldName(const TableError& error) {
  const std::string word = FieldWord(error.field);
  return error.key.empty() ? word : word + "（" + error.key + "）";
}

std::string Label(const TableError& error) {
  return MapLabel(error.position, error.name ? &*error.name : nullptr);
}

// What a sentence about a field speaks of: "第2个地图“北门”的模型" for a map of
// a list; "模型" in the edit area, where the name is "地图名".
std::string Subject(const TableError& error) {
  if (error.position > 0) return Label(error) + "的" + FieldName(error);
  return error.field == MapField::kName ? "地图名" : FieldName(error);
}

// "，而不是“70000”" when the error holds the value given; "文本“5”" for a JSON string.
std::string InsteadOf(const TableError& error) {
  if (!error.given) return {};
  return std::string("，而不是") + (error.givenAsText ? "文本" : "") + "“" +
         ForMessage(*error.given) + "”";
}

}  // namespace

std::string FieldWord(MapField field) {
  switch (field) {
    case MapField::kId:
      return "编号";
    case MapField::kListFlag:
      return "列表标志";
    case MapField::kName:
      return "名称";
    case MapField::kModel:
      return "模型";
    case MapField::kMusic:
      return "音乐";
    case MapField::kStoryOrder:
      return "剧情排列";
    case MapField::kModes:
      return "模式";
    case MapField::kNone:
      break;
  }
  return {};
}

std::string MapLabel(std::size_t position, const std::string* name) {
  std::string label = "第" + std::to_string(position) + "个地图";
  if (name != nullptr) label += "“" + ForMessage(*name) + "”";
  return label;
}

std::string ErrorText(const TableError& error) {
  const std::string count = std::to_string(error.count);
  switch (error.kind) {
    case TableErrorKind::kNameEmpty:
      return std::string(kNameEmpty);
    case TableErrorKind::kModelEmpty:
      return std::string(kModelEmpty);
    case TableErrorKind::kMusicEmpty:
      return std::string(kMusicEmpty);
    case TableErrorKind::kStoryEmpty:
      return std::string(kStoryEmpty);
    case TableErrorKind::kNotInRange:
      // Only an import file has map ids, and there one may be left out.
      return Subject(error) + "必须是" + std::to_string(error.low) + " - " + count + "之间的数字" +
             (error.field == MapField::kId ? "或留空" : "") + InsteadOf(error);
    case TableErrorKind::kFieldMissing:
      return Label(error) + "缺少" + FieldName(error);
    case TableErrorKind::kNotText:
      return Subject(error) + "必须是文本" + InsteadOf(error);
    case TableErrorKind::kNameHasControl:
      return Subject(error) + "含有控制字符（如换行），无法保存";
    case TableErrorKind::kNameNotGbk:
      return Subject(error) + "含有GBK无法表示的字符，无法保存";
    case TableErrorKind::kNameTooLong:
      return Subject(error) + "有" + count + "个GBK字节，最多" + std::to_string(kMaxNameBytes) +
             "个，无法保存";
    case TableErrorKind::kModesInvalid:
      return Subject(error) +
             "必须是六位0或1（依次为剧情、死斗、暗杀、护城、劫镖、盟主，例如110000）" +
             InsteadOf(error);
    case TableErrorKind::kFolderTooLong:
      return Subject(error) + "文件夹名太长，无法保存";
    case TableErrorKind::kTableFull:
      return "地图数量已达上限（" + std::to_string(kMaxEntries) + "），无法再添加";
    case TableErrorKind::kTooManyMaps:
      return "地图超过" + std::to_string(kMaxEntries) + "个，无法保存";
    case TableErrorKind::kCountOutOfRange:
      return "条目数" + count + "超出0 - 65535，无法保存！";
    case TableErrorKind::kPhantomRecord:
      return "文件头末尾的字节会和新的地图记录连成一条假记录，保存后无法正确读回，已取消保存！";
  }
  return {};
}

std::string ErrorText(const SaveError& error) {
  if (const auto* invalid = std::get_if<TableError>(&error)) return ErrorText(*invalid);
  return UserText(std::get<SaveFailure>(error));
}

}  // namespace tessaly
