#include "commands.hpp"

#include <CLI/CLI.hpp>
#include <ostream>

#include "resfile/text_path.hpp"

namespace tessaly::cli {
namespace {

// Loads a file or reports why not; nothing is written to `out` on failure.
std::optional<Document> Open(const std::filesystem::path& file, std::ostream& err) {
  auto doc = LoadDocument(file);
  if (!doc) {
    err << doc.error().message << '\n';
    return std::nullopt;
  }
  return std::move(doc).value();
}

}  // namespace

nlohmann::ordered_json DocumentJson(const Document& doc) {
  nlohmann::ordered_json root;
  root["headerEnd"] = doc.headerEnd ? nlohmann::ordered_json(*doc.headerEnd) : nullptr;
  root["entryCount"] = doc.entryCount;
  root["extraCount"] = doc.extraCount;
  auto maps = nlohmann::ordered_json::array();
  for (const std::uint32_t id : doc.table.DisplayIds()) {
    const MapEntry& e = doc.table.Records()[id - 1];
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

int List(const std::filesystem::path& file, std::ostream& out, std::ostream& err) {
  const auto doc = Open(file, err);
  if (!doc) return kExitFileError;
  std::string text;
  for (std::size_t row = 0; row < doc->table.DisplayCount(); ++row) {
    text += doc->table.DisplayItemAt(row);
    text += '\n';
  }
  out << text;
  return kExitOk;
}

int Dump(const std::filesystem::path& file, bool json, std::ostream& out, std::ostream& err) {
  const auto doc = Open(file, err);
  if (!doc) return kExitFileError;
  if (json) {
    out << DocumentJson(*doc).dump(2) << '\n';
    return kExitOk;
  }
  std::string text;
  for (const std::uint32_t id : doc->table.DisplayIds()) {
    text += RecordString(doc->table.Records()[id - 1]);
    text += '\n';
  }
  out << text;
  return kExitOk;
}

int Run(int argc, char** argv, std::ostream& out, std::ostream& err) {
  CLI::App app{
      "tessaly-cli: reads and edits the table of maps in Meteor.res of 流星蝴蝶剑.NET.\n"
      "Map names are shown in UTF-8; the file keeps them in GBK."};
  app.require_subcommand(1);
  std::string file;
  bool json = false;

  auto* list = app.add_subcommand("list", "Print one line per map: its id, ':' and its name (3:测试).");
  list->add_option("FILE", file, "The Meteor.res file to read")->required();

  auto* dump = app.add_subcommand(
      "dump",
      "Print every map with all its fields, one line per map, fields joined by \"::::::\":\n"
      "id, offset, model, name, folder text length, folder, list flag (11 shown, 10 hidden),\n"
      "modes (剧情 死斗 暗杀 护城 劫镖 盟主 as 0/1), music, story order.");
  dump->add_option("FILE", file, "The Meteor.res file to read")->required();
  dump->add_flag("--json", json, "Print one JSON document instead (names in UTF-8)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err);
  }
  const std::filesystem::path path = PathFromUtf8(file);
  if (*list) return List(path, out, err);
  if (*dump) return Dump(path, json, out, err);
  return kExitOk;
}

}  // namespace tessaly::cli
