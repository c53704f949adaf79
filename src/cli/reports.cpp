#include "reports.hpp"

#include "cli/interchange.hpp"
#include "resfile/text_path.hpp"
#include "resfile/utf8.hpp"
#include "table/messages.hpp"

namespace tessaly::cli {
namespace {

using Json = nlohmann::ordered_json;

std::string Label(std::size_t position, const MapEntry& entry) {
  return MapLabel(position, &entry.name);
}

// The key of a changed field in JSON: the import file's key, or the mode's name.
std::string FieldKey(const FieldChange& change) {
  if (change.field == MapField::kModes) return std::string(kModeNames[change.mode]);
  return std::string(ImportKey(change.field));
}

std::string ChangedFieldWord(const FieldChange& change) {
  if (change.field == MapField::kModes) {
    return "模式“" + std::string(kModeNames[change.mode]) + "”";
  }
  return FieldWord(change.field);
}

bool HasMode(const MapEntry& entry, std::size_t mode) {
  return mode < entry.modeBits.size() && entry.modeBits[mode] == '1';
}

Json FieldValue(const MapEntry& entry, const FieldChange& change) {
  switch (change.field) {
    case MapField::kName:
      return entry.name;
    case MapField::kModel:
      return entry.model;
    case MapField::kMusic:
      return entry.music;
    case MapField::kStoryOrder:
      return entry.storyOrder;
    case MapField::kListFlag:
      return entry.listFlag;
    case MapField::kModes:
      return HasMode(entry, change.mode);
    case MapField::kNone:
    case MapField::kId:
      break;  // a difference never names these
  }
  return nullptr;
}

std::string FieldText(const MapEntry& entry, const FieldChange& change) {
  const Json value = FieldValue(entry, change);
  if (value.is_string()) return "“" + ForMessage(value.get<std::string>(), kWholePath) + "”";
  if (value.is_boolean()) return value.get<bool>() ? "是" : "否";
  return value.dump();
}

Json MapJson(std::size_t position, const MapEntry& entry) {
  return Json{{"position", position}, {"name", entry.name}};
}

}  // namespace

std::string DiffText(const Document& oldDoc, const Document& newDoc, const TableDiff& diff,
                     bool headerDiffers) {
  const MapTable& before = oldDoc.table;
  const MapTable& after = newDoc.table;
  std::string text;
  for (const std::size_t p : diff.removed) {
    text += "删除 " + Label(p, before.EntryAtRow(p - 1)) + "\n";
  }
  for (const std::size_t p : diff.added) {
    text += "添加 " + Label(p, after.EntryAtRow(p - 1)) + "\n";
  }
  for (const MovedMap& m : diff.moved) {
    text += "移动 " + Label(m.oldPosition, before.EntryAtRow(m.oldPosition - 1)) + " → 第" +
            std::to_string(m.newPosition) + "个\n";
  }
  for (const ChangedMap& c : diff.changed) {
    const MapEntry& was = before.EntryAtRow(c.oldPosition - 1);
    const MapEntry& now = after.EntryAtRow(c.newPosition - 1);
    text += "修改 " + Label(c.newPosition, was);
    if (c.oldPosition != c.newPosition) text += "（原第" + std::to_string(c.oldPosition) + "个）";
    text += "：";
    for (std::size_t k = 0; k < c.fields.size(); ++k) {
      if (k > 0) text += "，";
      text += ChangedFieldWord(c.fields[k]) + " " + FieldText(was, c.fields[k]) + " → " +
              FieldText(now, c.fields[k]);
    }
    text += "\n";
  }
  if (headerDiffers) text += "表头不同（第一个地图之前除条目数以外的字节）\n";
  return text + DiffSummary(diff, headerDiffers) + "\n";
}

Json DiffJson(const Document& oldDoc, const Document& newDoc, const TableDiff& diff,
              bool headerDiffers) {
  const MapTable& before = oldDoc.table;
  const MapTable& after = newDoc.table;
  Json root;
  root["old"] = PathToUtf8(oldDoc.resPath);
  root["new"] = PathToUtf8(newDoc.resPath);
  root["equal"] = diff.Equal() && !headerDiffers;
  root["summary"] = DiffSummary(diff, headerDiffers);
  root["headerDiffers"] = headerDiffers;
  root["added"] = Json::array();
  for (const std::size_t p : diff.added)
    root["added"].push_back(MapJson(p, after.EntryAtRow(p - 1)));
  root["removed"] = Json::array();
  for (const std::size_t p : diff.removed) {
    root["removed"].push_back(MapJson(p, before.EntryAtRow(p - 1)));
  }
  root["moved"] = Json::array();
  for (const MovedMap& m : diff.moved) {
    root["moved"].push_back({{"oldPosition", m.oldPosition},
                             {"newPosition", m.newPosition},
                             {"name", before.EntryAtRow(m.oldPosition - 1).name}});
  }
  root["changed"] = Json::array();
  for (const ChangedMap& c : diff.changed) {
    const MapEntry& was = before.EntryAtRow(c.oldPosition - 1);
    const MapEntry& now = after.EntryAtRow(c.newPosition - 1);
    Json fields = Json::array();
    for (const FieldChange& f : c.fields) {
      fields.push_back(
          {{"field", FieldKey(f)}, {"old", FieldValue(was, f)}, {"new", FieldValue(now, f)}});
    }
    root["changed"].push_back({{"oldPosition", c.oldPosition},
                               {"newPosition", c.newPosition},
                               {"name", was.name},
                               {"fields", std::move(fields)}});
  }
  return root;
}

std::string BackupsText(const std::vector<BackupState>& backups) {
  std::string text;
  for (const BackupState& b : backups) {
    text += BackupTimeText(b.file) + "  " + std::to_string(b.file.size) + " 字节  ";
    text += b.error ? ForMessage(*b.error, kWholePath)
                    : std::to_string(b.maps) + " 个地图  " + b.summary;
    text += "  " + PathForMessage(b.file.path, kWholePath) + "\n";
  }
  return text;
}

Json BackupsJson(const Document& file, const std::vector<std::filesystem::path>& folders,
                 const std::vector<BackupState>& backups) {
  Json root;
  root["file"] = PathToUtf8(file.resPath);
  root["maps"] = file.table.DisplayCount();
  root["folders"] = Json::array();
  for (const auto& folder : folders) root["folders"].push_back(PathToUtf8(folder));
  root["backups"] = Json::array();
  for (const BackupState& b : backups) {
    Json item;
    item["path"] = PathToUtf8(b.file.path);
    item["time"] = BackupTimeText(b.file);
    item["stamp"] = b.file.stamp;
    item["sequence"] = b.file.sequence;
    item["size"] = b.file.size;
    item["error"] = b.error ? Json(*b.error) : Json(nullptr);
    const auto known = [&](auto value) { return b.error ? Json(nullptr) : Json(value); };
    item["maps"] = known(b.maps);
    item["added"] = known(b.added);
    item["removed"] = known(b.removed);
    item["changed"] = known(b.changed);
    item["moved"] = known(b.moved);
    item["headerDiffers"] = known(b.headerDiffers);
    item["difference"] = known(b.summary);
    root["backups"].push_back(std::move(item));
  }
  return root;
}

}  // namespace tessaly::cli
