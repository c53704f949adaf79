#include "commands.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <fstream>
#include <ostream>

#include "cli/interchange.hpp"
#include "cli/reports.hpp"
#include "resfile/io_reason.hpp"
#include "resfile/loader.hpp"
#include "resfile/text_path.hpp"
#include "table/apply_maps.hpp"
#include "table/backup_list.hpp"
#include "table/messages.hpp"
#include "version.hpp"

namespace tessaly::cli {
namespace {

// Larger than any map file: 65535 maps take a few MB as JSON or CSV.
constexpr std::uint64_t kMaxMapsFileBytes = std::uint64_t{64} << 20;

// How a command that only compares takes a file whose last save was cut
// short, and whether a refusal names the file (it does not name it itself).
struct OpenFor {
  bool comparing = false;
  bool namePath = false;
};

// Loads a file or reports why not; nothing is written to `out` on failure. A
// file whose last write in place was cut short may be half old and half new:
// it is refused, with the way back; diff and backups, which help find that
// way, only say so and go on.
std::optional<Document> Open(const std::filesystem::path& file, const SaveEnvironment& env,
                             std::ostream& err, OpenFor how = {}) {
  if (const auto interrupted = FindInterruptedWrite(env, file)) {
    err << InterruptedWriteMessage(*interrupted) << "\n恢复备份：tessaly-cli restore \""
        << PathForMessage(file, kWholePath) << "\" \""
        << PathForMessage(interrupted->backup, kWholePath) << "\"\n";
    if (!how.comparing) return std::nullopt;
  }
  auto doc = LoadDocument(file);
  if (!doc) {
    if (how.namePath && doc.error().kind == LoadError::Kind::kRefused) {
      err << PathForMessage(file) << "：";
    }
    err << doc.error().message << '\n';
    return std::nullopt;
  }
  return std::move(doc).value();
}

// Writes the whole output at once and reports a stream that failed.
int Emit(const std::string& text, std::ostream& out, std::ostream& err) {
  out << text;
  out.flush();
  if (!out) {
    err << "无法写入输出\n";
    return kExitWriteFailed;
  }
  return kExitOk;
}

// What a failed save tells, and its exit status.
int ReportSaveFailure(const SaveFailure& failure, std::ostream& err) {
  switch (failure.kind) {
    case SaveFailure::Kind::kSourceMissing:
      err << failure.message << "（" << failure.detail << "）\n";
      return kExitFileError;
    case SaveFailure::Kind::kIoFailed:
    case SaveFailure::Kind::kChanged:
      err << UserText(failure) << "\n" << failure.detail << "\n文件未被修改。\n";
      return kExitWriteFailed;
    case SaveFailure::Kind::kDamaged:
      err << UserText(failure) << "\n" << failure.detail << '\n';
      return kExitWriteFailed;
    case SaveFailure::Kind::kReloadFailed:
      err << failure.message << "\n文件已写入，但无法重新读取：" << failure.detail << '\n';
      return kExitReloadFailed;
  }
  return kExitWriteFailed;
}

std::string JsonText(const Document& doc) {
  // Names are valid UTF-8 (undecodable bytes became U+FFFD at load), so the
  // replace handler is only a guard against an exception.
  return DocumentJson(doc).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) +
         '\n';
}

std::string LowerAscii(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  });
  return text;
}

constexpr const char* kDescription =
    "tessaly-cli: reads and edits the table of maps in Meteor.res of 流星蝴蝶剑.NET.\n"
    "Map names are printed and read as UTF-8; the file keeps them in GBK.";

constexpr const char* kFooter = R"(Examples:
  tessaly-cli list Meteor.res                    one line per map: 3:测试
  tessaly-cli dump --json Meteor.res             every field of every map as JSON
  tessaly-cli export --csv Meteor.res -o maps.csv
  (edit maps.csv in a text editor or a spreadsheet program; save it as CSV UTF-8)
  tessaly-cli import Meteor.res maps.csv         check maps.csv, back up and save Meteor.res
  tessaly-cli import --encoding gbk Meteor.res maps.csv
                                                 the same for a CSV saved as GBK (“CSV (逗号分隔)”)
  tessaly-cli backups Meteor.res                 the backups of Meteor.res, newest first
  tessaly-cli diff old.res Meteor.res            maps added, removed, moved and changed
  tessaly-cli restore Meteor.res BACKUP          put a backup back (Meteor.res is backed up first)

Run "tessaly-cli COMMAND --help" for the details of a command.

Exit status:
  0    success (diff: the files do not differ)
  1    diff: the files differ
  2    FILE is no Meteor.res or cannot be read, its last save was interrupted
       (the message names the backup and the restore command), or MAPS or BACKUP
       cannot be read or holds a value that cannot be stored; the message is on
       stderr, nothing is on stdout and no file was changed
  3    writing failed: FILE could not be saved (it is unchanged unless the
       message says it may be damaged), FILE was changed or replaced by another
       program since it was read, or the output could not be written
  4    FILE was saved but could not be read back
  100 and above: a mistake in the command line (CLI11's codes)
)";

constexpr const char* kDumpFooter =
    R"(Without --json, one line per map, its ten fields joined by "::::::":
  id, offset, model, name, folder text length, folder, list flag, modes, music, story order
  1::::::1000::::::5::::::测试::::::5::::::SN05::::::11::::::110000::::::3::::::0
With --json, one document:
  {"headerEnd": 999 (null when the file holds no map), "entryCount": the header's count,
   "extraCount": entryCount minus the maps found, "maps": [{"id", "offset", "model", "name",
   "folderTextLength", "folder", "listFlag", "modes", "music", "storyOrder"}, …]}
The list flag is 11 when the game lists the map, 10 when it does not. The modes are six
digits 0/1 for 剧情 死斗 暗杀 护城 劫镖 盟主 in this order: 110000 is 剧情 and 死斗.
)";

constexpr const char* kExportFooter = R"(JSON (the default) is the document of "dump --json".
CSV is UTF-8 with a byte-order mark (so spreadsheet programs show the Chinese names),
CRLF line ends, quotes around a field that holds a comma, a quote or a line break
(a quote inside is doubled), and the header row
  id,name,model,listFlag,modes,music,storyOrder
for instance
  1,测试,5,11,110000,3,0
  2,"Forest, north",300,10,000101,7,1
With --encoding gbk the CSV is GBK instead, without a byte-order mark, for programs that
read CSV only in the code page of a Chinese Windows; a name that GBK cannot hold is refused.
Use -o rather than ">" on Windows PowerShell, which would change the encoding.

Example:
  tessaly-cli export --csv Meteor.res -o maps.csv
)";

constexpr const char* kImportFooter =
    R"(MAPS is a .json file with a "maps" array (as export writes it) or a .csv file with
the header row id,name,model,listFlag,modes,music,storyOrder (as export --csv writes
it, with or without the byte-order mark; columns in any order, other columns are
ignored). The kind is taken from the extension, .json or .csv in any case.
MAPS is read as UTF-8; with --encoding gbk as GBK (what a spreadsheet program on a
Chinese Windows writes for “CSV (逗号分隔)”), with the same rules as the names in
FILE: a byte sequence that GBK does not have is refused with its line and column.
A MAPS that is not UTF-8 but reads as GBK is refused with a hint to add --encoding gbk.

The maps of MAPS replace the whole table of FILE, in the order given: leave a map
out to delete it, move a row to move it, add a row (id empty) to add a map.
Each map needs:
  name        text that GBK can hold, at most 254 GBK bytes (may be empty)
  model       0 - 65535; the folder text (SN05, SN300 …) follows from it
  listFlag    0 - 255; 11 lists the map in the game, 10 does not
  modes       six digits 0/1 for 剧情 死斗 暗杀 护城 劫镖 盟主, e.g. 110000; fewer
              digits are padded on the left (101 is 000101), since spreadsheet
              programs drop leading zeros. In JSON a string or a number.
  music       0 - 255
  storyOrder  0 - 255
  id          optional: the map's id in FILE as list and export show it; when the
              name is unchanged the map keeps the exact name bytes it was loaded with
Other fields (offset, folder, folderTextLength in JSON) are ignored.

Every map is checked before anything is written. The first bad value is reported
with the map's position (the first map is 1; in a CSV the row after the header),
its name and the field, for instance
  maps.csv：第3个地图“测试”的模型（model）必须是0 - 65535之间的数字，而不是“70000”
and the command ends with exit status 2, leaving every file as it was.

Saving first copies FILE to a new backup named "[yyyymmddhhnnss备份]" + file name
("[yyyymmddhhnnss-2备份]" … for further saves in the same second) in the folder of
tessaly-cli, or, when that folder cannot take it, in $XDG_DATA_HOME/tessaly/backups
(~/.local/share/tessaly/backups; on Windows %LOCALAPPDATA%\tessaly\backups). The new
content goes to a temporary file beside FILE, which then replaces FILE. On success
two lines are printed:
  修改成功！
  备份：<path of the backup>

FILE is locked against other Tessaly saves before it is read, and must still be
the file that was read when it is written: one changed or replaced by another
program meanwhile is not written (exit status 3).

Example:
  tessaly-cli export --csv Meteor.res -o maps.csv
  (change a name in maps.csv)
  tessaly-cli import Meteor.res maps.csv
)";

constexpr const char* kRestoreFooter =
    R"(BACKUP must load as a Meteor.res. Its bytes are written to FILE by the same
safe save as import's: FILE is first copied to a new backup, whose path is
printed:
  恢复成功！
  备份：<path of the backup of FILE>
A restore also ends the refusal of a FILE whose last save was interrupted.

Example (the names as the refusal prints them):
  tessaly-cli restore Meteor.res "/…/[20261207140509备份]Meteor.res"
)";

constexpr const char* kDiffFooter =
    R"(Compares the tables of maps: a map is matched by its name where that name is
unique in both files, otherwise by its position. One line per difference, from OLD
to NEW, then a summary: maps added, removed and changed, moved when any were, and
"表头不同" when the header bytes before the first map differ (the entry count aside):
  删除 第2个地图“北门”
  添加 第5个地图“新图”
  移动 第1个地图“测试” → 第3个
  修改 第3个地图“青石镇”：模型 5 → 6，模式“剧情” 是 → 否
  +1 −1 ~1 ↕1
or "相同" alone. --json prints the same as one document.
Exit status: 0 the files do not differ, 1 they differ, 2 a file cannot be read.
)";

constexpr const char* kBackupsFooter =
    R"(Lists the backups that saving made of FILE: the files named "[yyyymmddhhnnss备份]"
or "[yyyymmddhhnnss-k备份]" + the name of FILE (shortened where saving shortened it) in
the folder of tessaly-cli and in the user's backup folder, newest first. Each line
holds the time of the save, the size, the map count and how FILE differs from the
backup now (maps added, removed, changed, as diff BACKUP FILE counts them), then the path:
  2024-05-01 12:00:05  1232 字节  3 个地图  +1 −0 ~1  /games/[20240501120005备份]Meteor.res
A backup that does not load says why instead. --json prints the same as one document.
)";

}  // namespace

int List(const std::filesystem::path& file, const SaveEnvironment& env, std::ostream& out,
         std::ostream& err) {
  const auto doc = Open(file, env, err);
  if (!doc) return kExitFileError;
  std::string text;
  for (std::size_t row = 0; row < doc->table.DisplayCount(); ++row) {
    text += doc->table.DisplayItemAt(row);
    text += '\n';
  }
  return Emit(text, out, err);
}

int Dump(const std::filesystem::path& file, bool json, const SaveEnvironment& env,
         std::ostream& out, std::ostream& err) {
  const auto doc = Open(file, env, err);
  if (!doc) return kExitFileError;
  if (json) return Emit(JsonText(*doc), out, err);
  std::string text;
  for (const MapEntry& entry : doc->table.Records()) {
    text += RecordString(entry);
    text += '\n';
  }
  return Emit(text, out, err);
}

int Export(const std::filesystem::path& file, bool csv,
           const std::optional<std::filesystem::path>& output, const SaveEnvironment& env,
           std::ostream& out, std::ostream& err, TextEncoding encoding) {
  const auto doc = Open(file, env, err);
  if (!doc) return kExitFileError;
  std::string text;
  if (csv && encoding == TextEncoding::kGbk) {
    auto gbk = WriteCsvGbk(*doc);
    if (!gbk) {
      err << gbk.error().message << '\n';
      return kExitFileError;
    }
    text = std::move(gbk).value();
  } else {
    text = csv ? WriteCsv(*doc) : JsonText(*doc);
  }
  if (!output) return Emit(text, out, err);

  std::error_code ec;
  if (std::filesystem::equivalent(file, *output, ec)) {
    err << "输出文件“" << PathForMessage(*output) << "”就是要读取的文件，不会覆盖它\n";
    return kExitFileError;
  }
  std::ofstream stream(*output, std::ios::binary | std::ios::trunc);
  stream.write(text.data(), static_cast<std::streamsize>(text.size()));
  stream.close();
  if (!stream) {
    err << "无法写入文件“" << PathForMessage(*output) << "”\n";
    return kExitWriteFailed;
  }
  return kExitOk;
}

int Import(const std::filesystem::path& file, const std::filesystem::path& maps,
           const SaveEnvironment& env, std::ostream& out, std::ostream& err, bool allowEmpty,
           TextEncoding encoding) {
  // Locked before it is loaded, so that loading, checking and saving are one
  // step against other Tessaly processes. A file that cannot be read is
  // reported by the load; one that appeared meanwhile is locked by the save.
  auto lock = LockForSave(env, file);
  auto doc = Open(file, env, err);
  if (!doc) return kExitFileError;
  if (!lock && lock.error().kind != SaveFailure::Kind::kSourceMissing) {
    return ReportSaveFailure(lock.error(), err);
  }

  const std::string mapsName = PathForMessage(maps);
  const std::string extension = LowerAscii(PathToUtf8(maps.extension()));
  if (extension != ".json" && extension != ".csv") {
    err << mapsName << "：地图文件的扩展名必须是 .json 或 .csv\n";
    return kExitFileError;
  }
  // 65535 maps take a few MB in either form; a larger file is no map file,
  // and is refused before it is read.
  const auto bytes = ReadWholeFile(maps, kMaxMapsFileBytes);
  if (!bytes) {
    err << bytes.error() << '\n';
    return kExitFileError;
  }
  std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  const bool csv = extension == ".csv";
  std::string decoded;
  if (encoding == TextEncoding::kGbk) {
    auto gbk = DecodeGbkMaps(text, csv);
    if (!gbk) {
      err << mapsName << "：" << gbk.error().message << '\n';
      return kExitFileError;
    }
    decoded = std::move(gbk).value();
    text = decoded;
  } else if (const auto utf8 = CheckUtf8Maps(text, csv); !utf8) {
    err << mapsName << "：" << utf8.error().message << '\n';
    return kExitFileError;
  }
  auto parsed = csv ? ParseMapsCsv(text) : ParseMapsJson(text);
  if (!parsed) {
    err << mapsName << "：" << parsed.error().message << '\n';
    return kExitFileError;
  }
  // An empty list that would delete maps is most often a spreadsheet saved
  // without its rows.
  if (parsed->empty() && doc->table.DisplayCount() > 0 && !allowEmpty) {
    err << mapsName << "：没有任何地图，导入会删除全部地图；确实要这样做时请加上 --allow-empty\n";
    return kExitFileError;
  }
  if (const auto applied = ApplyMaps(*doc, *parsed); !applied) {
    err << mapsName << "：" << ErrorText(applied.error()) << '\n';
    return kExitFileError;
  }

  const auto saved = SaveDocument(*doc, env, SaveOptions{.lock = lock ? &*lock : nullptr});
  if (!saved) {
    if (const auto* invalid = std::get_if<TableError>(&saved.error())) {
      err << ErrorText(*invalid) << '\n';
      return kExitFileError;
    }
    return ReportSaveFailure(std::get<SaveFailure>(saved.error()), err);
  }
  // The file is saved whatever happens to the report of it.
  (void)Emit("修改成功！\n备份：" + PathForMessage(saved->backupPath, kWholePath) + "\n", out, err);
  return kExitOk;
}

int Restore(const std::filesystem::path& file, const std::filesystem::path& backup,
            const SaveEnvironment& env, std::ostream& out, std::ostream& err) {
  const auto restored = RestoreBackup(env, file, backup);
  if (!restored) {
    if (restored.error().save) return ReportSaveFailure(*restored.error().save, err);
    err << restored.error().message << '\n';
    return kExitFileError;
  }
  (void)Emit("恢复成功！\n备份：" + PathForMessage(restored->backupPath, kWholePath) + "\n", out,
             err);
  return kExitOk;
}

int Diff(const std::filesystem::path& oldFile, const std::filesystem::path& newFile, bool json,
         const SaveEnvironment& env, std::ostream& out, std::ostream& err) {
  const OpenFor how{.comparing = true, .namePath = true};
  const auto before = Open(oldFile, env, err, how);
  if (!before) return kExitFileError;
  const auto after = Open(newFile, env, err, how);
  if (!after) return kExitFileError;
  const TableDiff diff = CompareTables(before->table, after->table);
  const bool header = HeaderDiffers(*before, *after);
  const std::string text =
      json ? DiffJson(*before, *after, diff, header)
                     .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) +
                 '\n'
           : DiffText(*before, *after, diff, header);
  if (const int status = Emit(text, out, err); status != kExitOk) return status;
  return diff.Equal() && !header ? kExitOk : kExitDiffer;
}

int Backups(const std::filesystem::path& file, bool json, const SaveEnvironment& env,
            std::ostream& out, std::ostream& err) {
  const auto doc = Open(file, env, err, OpenFor{.comparing = true});
  if (!doc) return kExitFileError;
  const auto folders = BackupFolders(env);
  const auto backups = BackupsOf(*doc, env);
  if (json) {
    return Emit(BackupsJson(*doc, folders, backups)
                        .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) +
                    '\n',
                out, err);
  }
  if (backups.empty()) {
    err << "没有找到“" << PathForMessage(file.filename()) << "”的备份（查找了“"
        << PathForMessage(folders[0]) << "”和“" << PathForMessage(folders[1]) << "”）\n";
  }
  return Emit(BackupsText(backups), out, err);
}

namespace {

// Parses the command line and runs the command; `file` and `mapsFile` keep
// the paths given, for a message should memory run out.
int RunCommand(int argc, char** argv, std::ostream& out, std::ostream& err,
               const SaveEnvironment& env, std::string& file, std::string& mapsFile) {
  CLI::App app{kDescription, "tessaly-cli"};
  // CLI11 takes "/x" for an option on Windows by default; a path such as
  // /Games/Meteor.res must stay a file argument. Subcommands inherit this.
  app.allow_windows_style_options(false);
  app.footer(kFooter);
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("tessaly-cli ") + kVersion,
                       "Print the version and exit");
  std::string outputFile;
  bool json = false;
  bool csv = false;

  auto* list =
      app.add_subcommand("list", "Print one line per map: its id, ':' and its name (3:测试)");
  list->add_option("FILE", file, "The Meteor.res file to read")->type_name("")->required();
  list->footer("Example:\n  tessaly-cli list Meteor.res\n");

  auto* dump = app.add_subcommand("dump", "Print every field of every map, as text or JSON");
  dump->add_option("FILE", file, "The Meteor.res file to read")->type_name("")->required();
  dump->add_flag("--json", json, "Print one JSON document instead (names in UTF-8)");
  dump->footer(kDumpFooter);

  auto* exportCmd = app.add_subcommand(
      "export", "Write the maps as JSON or CSV, to edit them in another program");
  exportCmd->add_option("FILE", file, "The Meteor.res file to read")->type_name("")->required();
  exportCmd->add_flag("--csv", csv, "Write CSV instead of JSON");
  exportCmd->add_option("-o,--output", outputFile, "Write to this file instead of stdout")
      ->type_name("PATH");
  exportCmd->footer(kExportFooter);

  auto* importCmd = app.add_subcommand(
      "import", "Replace the maps of FILE with those of a JSON or CSV file, and save FILE");
  importCmd->add_option("FILE", file, "The Meteor.res file to change")->type_name("")->required();
  importCmd->add_option("MAPS", mapsFile, "The maps: a .json or .csv file as export writes it")
      ->type_name("")
      ->required();
  bool allowEmpty = false;
  importCmd->add_flag("--allow-empty", allowEmpty,
                      "Accept a MAPS without any map, which deletes every map of FILE");
  importCmd->footer(kImportFooter);

  std::string backupFile;
  auto* restoreCmd =
      app.add_subcommand("restore", "Write a backup back to FILE, after a backup of FILE itself");
  restoreCmd->add_option("FILE", file, "The Meteor.res file to restore")->type_name("")->required();
  restoreCmd->add_option("BACKUP", backupFile, "The backup to put back (a Meteor.res)")
      ->type_name("")
      ->required();
  restoreCmd->footer(kRestoreFooter);

  // utf-8 or gbk (cp936 and utf8 too), in any case.
  std::string encodingName = "utf-8";
  const auto encodingNames = CLI::IsMember({"utf-8", "utf8", "gbk", "cp936"}, CLI::ignore_case);
  importCmd
      ->add_option("--encoding", encodingName,
                   "The encoding of MAPS: utf-8 (the default) or gbk, as a spreadsheet program on "
                   "a Chinese Windows saves \"CSV (逗号分隔)\"")
      ->transform(encodingNames)
      ->type_name("ENCODING");
  exportCmd
      ->add_option("--encoding", encodingName,
                   "With --csv: utf-8 (the default, with a byte-order mark) or gbk (no mark)")
      ->transform(encodingNames)
      ->type_name("ENCODING")
      ->needs(exportCmd->get_option("--csv"));

  std::string newFile;
  auto* diffCmd = app.add_subcommand(
      "diff", "Print the differences of the maps of two files: added, removed, moved, changed");
  diffCmd->add_option("OLD", file, "The older Meteor.res")->type_name("")->required();
  diffCmd->add_option("NEW", newFile, "The newer Meteor.res")->type_name("")->required();
  diffCmd->add_flag("--json", json, "Print one JSON document instead");
  diffCmd->footer(kDiffFooter);

  auto* backupsCmd = app.add_subcommand(
      "backups", "List the backups of FILE, newest first, with how each differs from FILE now");
  backupsCmd->add_option("FILE", file, "The Meteor.res whose backups to list")
      ->type_name("")
      ->required();
  backupsCmd->add_flag("--json", json, "Print one JSON document instead");
  backupsCmd->footer(kBackupsFooter);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err);
  }
  const TextEncoding encoding =
      encodingName == "gbk" || encodingName == "cp936" ? TextEncoding::kGbk : TextEncoding::kUtf8;
  const std::filesystem::path path = PathFromUtf8(file);
  if (*list) return List(path, env, out, err);
  if (*dump) return Dump(path, json, env, out, err);
  if (*exportCmd) {
    std::optional<std::filesystem::path> output;
    if (!outputFile.empty()) output = PathFromUtf8(outputFile);
    return Export(path, csv, output, env, out, err, encoding);
  }
  if (*importCmd) {
    return Import(path, PathFromUtf8(mapsFile), env, out, err, allowEmpty, encoding);
  }
  if (*restoreCmd) return Restore(path, PathFromUtf8(backupFile), env, out, err);
  if (*diffCmd) return Diff(path, PathFromUtf8(newFile), json, env, out, err);
  if (*backupsCmd) return Backups(path, json, env, out, err);
  return kExitOk;
}

}  // namespace

int Run(int argc, char** argv, std::ostream& out, std::ostream& err, const SaveEnvironment& env) {
  std::string file;
  std::string mapsFile;
  try {
    return RunCommand(argc, argv, out, err, env, file, mapsFile);
  } catch (const std::bad_alloc&) {
    // Whatever ran out of memory, no file was written: a save plans the
    // whole new file before it touches the disk, and what runs after the
    // write reports a lack of memory itself.
    const std::string& culprit = mapsFile.empty() ? file : mapsFile;
    err << ReadFailureMessage(PathFromUtf8(culprit), kReasonOutOfMemory) << '\n';
    return kExitFileError;
  }
}

int Run(int argc, char** argv, std::ostream& out, std::ostream& err) {
  return Run(argc, argv, out, err, DefaultSaveEnvironment());
}

}  // namespace tessaly::cli
