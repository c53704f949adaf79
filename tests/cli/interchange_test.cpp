#include "cli/interchange.hpp"

#include <gtest/gtest.h>

#include "cli_support.hpp"
#include "resfile/gbk.hpp"
#include "resfile/text_path.hpp"

namespace tessaly::cli {
namespace {

using namespace tessaly::cli::test;
using tessaly::test::Gbk;
using tessaly::test::ReadFile;
using tessaly::test::ResBuilder;

constexpr std::string_view kHeaderRow = "id,name,model,listFlag,modes,music,storyOrder\r\n";

std::string Repeat(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

Document Load(const std::filesystem::path& path) {
  auto doc = LoadDocument(path);
  EXPECT_TRUE(doc.ok());
  return doc.ok() ? std::move(doc).value() : Document{};
}

// A file with every kind of value a round trip must carry: names with CSV's
// special characters and with a byte pair that is no GBK character, N = 0,
// list flags other than 10/11, a mode byte with the unused bit 64, an entry
// count above the records, and data after the last record.
Bytes TrickyFile() {
  ResBuilder b;
  b.Filler(300, 0xAA);
  b.Record({.nameBytes = Gbk("青石镇"), .model = 0, .listFlag = 11, .modeByte = 63});
  b.Record({.nameBytes = "North, \"gate\"", .model = 9, .listFlag = 0, .modeByte = 0});
  b.Record({.nameBytes = "two\r\nlines\rand\nmore", .model = 10, .listFlag = 7});
  b.Record({.nameBytes = "A\x81\x20"
                         "B",
            .model = 65535,
            .modeByte = 64 + 5,
            .music = 255,
            .storyOrder = 255});
  b.Raw(NameLengthZeroRecord(99));
  b.Record({.nameBytes = "", .model = 100});
  b.Record({.nameBytes = ":::::::", .model = 1234, .listFlag = 10});
  b.Count(9);
  b.Raw("trailing bytes");
  return b.bytes();
}

TEST(CsvField, QuotesOnlyWhatRfc4180Needs) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"plain", "plain"},
      {"测试", "测试"},
      {" spaced ", " spaced "},
      {"a:b::::::c", "a:b::::::c"},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"\"", "\"\"\"\""},
      {"a\rb", "\"a\rb\""},
      {"a\nb", "\"a\nb\""},
      {"a\r\nb", "\"a\r\nb\""},
  };
  for (const auto& [text, field] : cases) EXPECT_EQ(CsvField(text), field) << text;
}

TEST(WriteCsv, BomHeaderAndCrlfRows) {
  TempDir dir;
  const Document doc = Load(dir.Write("Meteor.res", TrickyFile()));
  const std::string csv = WriteCsv(doc);
  EXPECT_EQ(csv.substr(0, 3 + kHeaderRow.size()), std::string(kUtf8Bom) + std::string(kHeaderRow));
  EXPECT_NE(csv.find("\r\n2,\"North, \"\"gate\"\"\",9,0,000000,3,0\r\n"), std::string::npos);
  EXPECT_NE(csv.find("\r\n3,\"two\r\nlines\rand\nmore\",10,7,110000,3,0\r\n"), std::string::npos);
  EXPECT_NE(csv.find("\r\n4,A\xEF\xBF\xBD"
                     "B,65535,11,000101,255,255\r\n"),
            std::string::npos);
  EXPECT_NE(csv.find("\r\n5,,99,11,110000,3,0\r\n"), std::string::npos);
}

TEST(ParseMapsCsv, ReadsWhatWriteCsvWrote) {
  TempDir dir;
  const Document doc = Load(dir.Write("Meteor.res", TrickyFile()));
  const auto maps = ParseMapsCsv(WriteCsv(doc));
  ASSERT_TRUE(maps.ok()) << maps.error().message;
  ASSERT_EQ(maps->size(), doc.table.RecordCount());
  for (std::size_t i = 0; i < maps->size(); ++i) {
    const MapEntry& e = doc.table.Records()[i];
    const MapValues& m = (*maps)[i];
    EXPECT_EQ(m.id, e.mapId);
    EXPECT_EQ(m.name, e.name);
    EXPECT_EQ(m.model, e.model);
    EXPECT_EQ(m.listFlag, e.listFlag);
    EXPECT_EQ(m.modes, e.modeBits);
    EXPECT_EQ(m.music, e.music);
    EXPECT_EQ(m.storyOrder, e.storyOrder);
  }
}

TEST(ParseMapsCsv, AcceptsTheFormsSpreadsheetsWrite) {
  const std::vector<MapValues> expected = {
      MapValues{.id = 2,
                .name = "测试",
                .model = 5,
                .listFlag = 11,
                .modes = "000101",
                .music = 3,
                .storyOrder = 0},
      MapValues{.id = std::nullopt,
                .name = "x,y",
                .model = 7,
                .listFlag = 10,
                .modes = "000000",
                .music = 0,
                .storyOrder = 9},
  };
  const std::pair<std::string, std::string> cases[] = {
      {"with BOM, CRLF",
       "\xEF\xBB\xBFid,name,model,listFlag,modes,music,storyOrder\r\n2,测试,5,11,101,3,0\r\n"
       ",\"x,y\",7,10,0,0,9\r\n"},
      {"no BOM, LF, no final line end",
       "id,name,model,listFlag,modes,music,storyOrder\n2,测试,5,11,000101,3,0\n,\"x,y\",7,10,"
       "000000,0,9"},
      {"CR line ends, leading zeros in numbers",
       "id,name,model,listFlag,modes,music,storyOrder\r002,测试,005,11,0101,3,0\r,\"x,y\",7,10,"
       "00,000,9\r"},
      {"columns reordered, an extra column, blank and empty rows skipped",
       "note,storyOrder,music,modes,listFlag,model,name,id\r\n\r\nhello,0,3,101,11,5,测试,2\r\n"
       ",,,,,,,\r\n,9,0,0,10,7,\"x,y\",\r\n\r\n"},
  };
  for (const auto& [what, text] : cases) {
    const auto maps = ParseMapsCsv(text);
    ASSERT_TRUE(maps.ok()) << what << ": " << maps.error().message;
    EXPECT_EQ(*maps, expected) << what;
  }
  const auto noIdColumn =
      ParseMapsCsv("name,model,listFlag,modes,music,storyOrder\r\nA,1,2,1,4,5\r\n");
  ASSERT_TRUE(noIdColumn.ok());
  EXPECT_EQ(noIdColumn->at(0).id, std::nullopt);
  EXPECT_EQ(noIdColumn->at(0).modes, "000001");
}

TEST(ParseMapsCsv, MalformedTextIsRefusedWithItsPlace) {
  const std::string h = "id,name,model,listFlag,modes,music,storyOrder\r\n";
  const std::pair<std::string, std::string> cases[] = {
      {"", "缺少标题行"},
      {"\xEF\xBB\xBF", "缺少标题行"},
      {h + "1,\"open,5,11,110000,3,0\r\n", "CSV第2行：引号没有结束"},
      {h + "1,A,5,11,110000,3,0\r\n2,\"B\"x,5,11,110000,3,0\r\n", "CSV第3行：结束引号后面"},
      {h + "1,A\"B,5,11,110000,3,0\r\n", "CSV第2行：不在引号中的字段里有引号"},
      {h + "1,A,5,11,110000,3\r\n", "CSV第2行有6个字段，而标题行有7个"},
      {h + "1,\"two\nlines\",5,11,110000,3,0\r\n2,B,5,11\r\n", "CSV第4行有4个字段"},
      {"id,name,model,modes,music\r\n", "CSV标题行缺少列：listFlag, storyOrder"},
      {"id;name;model;listFlag;modes;music;storyOrder\r\n", "缺少列：name, model"},
      {"name,name,model,listFlag,modes,music,storyOrder\r\n", "列“name”出现了两次"},
      {h + "1," + Gbk("测试") + ",5,11,110000,3,0\r\n", "不是UTF-8编码"},
  };
  for (const auto& [text, part] : cases) {
    const auto maps = ParseMapsCsv(text);
    ASSERT_FALSE(maps.ok()) << text;
    EXPECT_NE(maps.error().message.find(part), std::string::npos)
        << text << " -> " << maps.error().message;
  }
}

TEST(ParseMaps, ModesArePaddedOrRefused) {
  const std::pair<std::string, std::string> padded[] = {
      {"\"110000\"", "110000"}, {"\"101\"", "000101"}, {"\"0\"", "000000"},  {"\"1\"", "000001"},
      {"101", "000101"},        {"0", "000000"},       {"111111", "111111"}, {"10000", "010000"},
  };
  for (const auto& [json, bits] : padded) {
    const auto maps = ParseMapsJson(R"({"maps":[{"name":"A","model":5,"listFlag":11,"modes":)" +
                                    json + R"(,"music":3,"storyOrder":0}]})");
    ASSERT_TRUE(maps.ok()) << json << ": " << maps.error().message;
    EXPECT_EQ(maps->at(0).modes, bits) << json;
  }
  for (const std::string json : {"\"1012\"", "\"1100000\"", "\"\"", "\"abc\"", "-1", "2", "1.5",
                                 "true", "null", "[1]", "\" 101\"", "1100001"}) {
    const auto maps = ParseMapsJson(R"({"maps":[{"name":"A","model":5,"listFlag":11,"modes":)" +
                                    json + R"(,"music":3,"storyOrder":0}]})");
    ASSERT_FALSE(maps.ok()) << json;
    EXPECT_NE(maps.error().message.find("第1个地图“A”的模式（modes）必须是六位0或1"),
              std::string::npos)
        << maps.error().message;
  }
  const auto csv =
      ParseMapsCsv("name,model,listFlag,modes,music,storyOrder\r\nA,5,11,1012,3,0\r\n");
  ASSERT_FALSE(csv.ok());
  EXPECT_NE(csv.error().message.find("模式（modes）"), std::string::npos);
}

TEST(ParseMapsJson, TakesExportsDocumentAndIgnoresOtherKeys) {
  const auto maps = ParseMapsJson(
      "\xEF\xBB\xBF"
      R"({"headerEnd": null, "maps": [{"id": 4, "offset": 1, "folder": "SN99",
          "folderTextLength": 2, "name": "测试", "model": 65535, "listFlag": 255,
          "modes": "000001", "music": 255, "storyOrder": 255, "note": [1, 2]},
          {"id": null, "name": "", "model": 0, "listFlag": 0, "modes": 0, "music": 0,
          "storyOrder": 0}]})");
  ASSERT_TRUE(maps.ok()) << maps.error().message;
  EXPECT_EQ(*maps, (std::vector<MapValues>{{.id = 4,
                                            .name = "测试",
                                            .model = 65535,
                                            .listFlag = 255,
                                            .modes = "000001",
                                            .music = 255,
                                            .storyOrder = 255},
                                           {.id = std::nullopt,
                                            .name = "",
                                            .model = 0,
                                            .listFlag = 0,
                                            .modes = "000000",
                                            .music = 0,
                                            .storyOrder = 0}}));
}

// Export, then import of the unchanged text, must save exactly what saving the
// unchanged table saves.
TEST(RoundTrip, ExportThenImportIsByteIdenticalToSavingTheUnchangedTable) {
  for (const bool csv : {true, false}) {
    for (const Bytes& original : {TrickyFile(), SampleFile(), ResBuilder().Filler(10).bytes(),
                                  ResBuilder().Count(1).bytes()}) {
      TempDir dir;
      TestEnvironment env;
      // What the editor's save of the unchanged table writes, on a copy.
      Document editor = Load(dir.Write("editor.res", original));
      ASSERT_TRUE(SaveDocument(editor, env.Get()).ok());
      const Bytes expected = ReadFile(dir.path() / "editor.res");
      for (const auto& b : env.Backups()) std::filesystem::remove(b);

      const auto res = dir.Write("Meteor.res", original);
      const auto mapsPath = dir.path() / (csv ? "maps.CSV" : "maps.Json");
      std::vector<std::string> exportArgs = {"export", Utf8Path(res), "-o", Utf8Path(mapsPath)};
      if (csv) exportArgs.push_back("--csv");
      ASSERT_EQ(RunCli(exportArgs, env.Get()).status, kExitOk);
      const CliRun run = RunCli({"import", Utf8Path(res), Utf8Path(mapsPath)}, env.Get());
      ASSERT_EQ(run.status, kExitOk) << run.err;
      EXPECT_EQ(ReadFile(res), expected) << (csv ? "csv" : "json");
      ASSERT_EQ(env.Backups().size(), 1U);
      EXPECT_EQ(ReadFile(env.Backups()[0]), original);
    }
  }
}

TEST(RoundTrip, LoadedNameBytesSurviveOnlyThroughTheirId) {
  TempDir dir;
  TestEnvironment env;
  const Bytes original = ResBuilder()
                             .Record({.nameBytes = "A\x81\x20"
                                                   "B",
                                      .model = 5})
                             .CountFromRecords()
                             .bytes();
  const auto res = dir.Write("Meteor.res", original);

  // Without the id the name is new text, and U+FFFD has no GBK form.
  const auto noId = dir.Write("noid.csv", AsBytes("name,model,listFlag,modes,music,storyOrder\r\n"
                                                  "A\xEF\xBF\xBD"
                                                  "B,5,11,110000,3,0\r\n"));
  const CliRun refused = RunCli({"import", Utf8Path(res), Utf8Path(noId)}, env.Get());
  EXPECT_EQ(refused.status, kExitFileError);
  EXPECT_NE(refused.err.find("第1个地图“A\xEF\xBF\xBD"
                             "B”的名称含有GBK无法表示的字符"),
            std::string::npos)
      << refused.err;
  EXPECT_EQ(ReadFile(res), original);

  const auto withId = dir.Write("maps.csv", AsBytes(WriteCsv(Load(res))));
  const CliRun kept = RunCli({"import", Utf8Path(res), Utf8Path(withId)}, env.Get());
  ASSERT_EQ(kept.status, kExitOk) << kept.err;
  EXPECT_EQ(ReadFile(res), original);
}

TEST(Import, PrintsTheBackupPathAndTheWorkedExampleComesOut) {
  TempDir dir;
  TestEnvironment env;
  const auto res = dir.Write("Meteor.res", SampleFile());
  const auto csvPath = dir.path() / "maps.csv";

  ASSERT_EQ(RunCli({"export", "--csv", Utf8Path(res), "-o", Utf8Path(csvPath)}, env.Get()).status,
            kExitOk);
  std::string csv = AsText(ReadFile(csvPath));
  const std::string old = "\r\n1,测试,";
  csv.replace(csv.find(old), old.size(), "\r\n1,\"测试, 新\",");
  dir.Write("maps.csv", AsBytes(csv));

  const CliRun run = RunCli({"import", Utf8Path(res), Utf8Path(csvPath)}, env.Get());
  ASSERT_EQ(run.status, kExitOk) << run.err;
  const auto backup = env.ProgramFolder() / PathFromUtf8("[20240501120000备份]Meteor.res");
  EXPECT_EQ(run.out, "修改成功！\n备份：" + Utf8Path(backup) + "\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ReadFile(backup), SampleFile());
  EXPECT_EQ(RunCli({"list", Utf8Path(res)}, env.Get()).out, "1:测试, 新\n2:a:b::::::c\n3:\n");

  // A second import in the same second gets a backup of its own.
  const CliRun again = RunCli({"import", Utf8Path(res), Utf8Path(csvPath)}, env.Get());
  ASSERT_EQ(again.status, kExitOk) << again.err;
  EXPECT_NE(again.out.find("[20240501120000-2备份]Meteor.res"), std::string::npos) << again.out;
}

// A MAPS without maps would delete every map: refused unless asked for.
TEST(Import, AnEmptyListDeletesEverythingOnlyWithAllowEmpty) {
  const std::pair<const char*, const char*> files[] = {
      {"maps.csv", "\xEF\xBB\xBFid,name,model,listFlag,modes,music,storyOrder\r\n\r\n"},
      {"maps.json", R"({"maps": []})"}};
  for (const auto& [name, text] : files) {
    TempDir dir;
    TestEnvironment env;
    const auto res = dir.Write("Meteor.res", SampleFile());
    const auto maps = dir.Write(name, AsBytes(text));
    const CliRun refused = RunCli({"import", Utf8Path(res), Utf8Path(maps)}, env.Get());
    EXPECT_EQ(refused.status, kExitFileError) << name;
    EXPECT_NE(refused.err.find("--allow-empty"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadFile(res), SampleFile()) << name;
    EXPECT_TRUE(env.Backups().empty()) << name;

    const CliRun allowed =
        RunCli({"import", "--allow-empty", Utf8Path(res), Utf8Path(maps)}, env.Get());
    ASSERT_EQ(allowed.status, kExitOk) << allowed.err;
    EXPECT_EQ(RunCli({"list", Utf8Path(res)}, env.Get()).out, "") << name;
    EXPECT_EQ(env.Backups().size(), 1U) << name;
  }
}

// Every refusal: a message naming the map and the field, status 2, nothing on
// stdout, the file byte-identical and no backup made.
TEST(Import, InvalidValuesAreRefusedBeforeTheDiskIsTouched) {
  const auto json = [](const std::string& second) {
    return R"({"maps": [{"name": "甲", "model": 1, "listFlag": 11, "modes": "110000",)"
           R"( "music": 0, "storyOrder": 0}, )" +
           second + "]}";
  };
  const std::string ok = R"("music": 3, "storyOrder": 0)";
  const std::string h = "id,name,model,listFlag,modes,music,storyOrder\r\n1,甲,1,11,110000,0,0\r\n";
  const struct {
    std::string file;
    std::string text;
    std::string part;
  } cases[] = {
      {"m.json", json(R"({"name": "北门", "listFlag": 11, "modes": "1", )" + ok + "}"),
       "第2个地图“北门”缺少模型（model）"},
      {"m.json",
       json(R"({"name": "北门", "model": 70000, "listFlag": 11, "modes": "1", )" + ok + "}"),
       "第2个地图“北门”的模型（model）必须是0 - 65535之间的数字，而不是“70000”"},
      {"m.json",
       json(R"({"name": "北门", "model": "5", "listFlag": 11, "modes": "1", )" + ok + "}"),
       "第2个地图“北门”的模型（model）必须是0 - 65535之间的数字，而不是文本“5”"},
      {"m.json",
       json(R"({"name": "北门", "model": 5.0, "listFlag": 11, "modes": "1", )" + ok + "}"),
       "的模型（model）必须是0 - 65535之间的数字，而不是“5.0”"},
      {"m.json", json(R"({"name": "北门", "model": -1, "listFlag": 11, "modes": "1", )" + ok + "}"),
       "的模型（model）必须是0 - 65535之间的数字，而不是“-1”"},
      {"m.json", json(R"({"name": "北门", "model": 5, "listFlag": 256, "modes": "1", )" + ok + "}"),
       "第2个地图“北门”的列表标志（listFlag）必须是0 - 255之间的数字，而不是“256”"},
      {"m.json", json(R"({"name": "北门", "model": 5, "modes": "1", )" + ok + "}"),
       "第2个地图“北门”缺少列表标志（listFlag）"},
      {"m.json", json(R"({"name": "北门", "model": 5, "listFlag": 11, )" + ok + "}"),
       "第2个地图“北门”缺少模式（modes）"},
      {"m.json", json(R"({"name": "北门", "model": 5, "listFlag": 11, "modes": "2", )" + ok + "}"),
       "第2个地图“北门”的模式（modes）必须是六位0或1"},
      {"m.json",
       json(
           R"({"name": "北门", "model": 5, "listFlag": 11, "modes": "1", "music": 300, "storyOrder": 0})"),
       "第2个地图“北门”的音乐（music）必须是0 - 255之间的数字，而不是“300”"},
      {"m.json",
       json(
           R"({"name": "北门", "model": 5, "listFlag": 11, "modes": "1", "music": 3, "storyOrder": true})"),
       "第2个地图“北门”的剧情排列（storyOrder）必须是0 - 255之间的数字，而不是“true”"},
      {"m.json", json(R"({"name": "北门", "model": 5, "listFlag": 11, "modes": "1", "music": 3})"),
       "第2个地图“北门”缺少剧情排列（storyOrder）"},
      {"m.json", json(R"({"model": 5, "listFlag": 11, "modes": "1", )" + ok + "}"),
       "第2个地图缺少名称（name）"},
      {"m.json", json(R"({"name": 12, "model": 5, "listFlag": 11, "modes": "1", )" + ok + "}"),
       "第2个地图的名称（name）必须是文本，而不是“12”"},
      {"m.json", json(R"({"name": "北门😀", "model": 5, "listFlag": 11, "modes": "1", )" + ok + "}"),
       "第2个地图“北门😀”的名称含有GBK无法表示的字符"},
      {"m.json",
       json(R"({"name": ")" + std::string(255, 'x') +
            R"(", "model": 5, "listFlag": 11, "modes": "1", )" + ok + "}"),
       "的名称有255个GBK字节，最多254个"},
      {"m.json",
       json(R"({"id": 0, "name": "北门", "model": 5, "listFlag": 11, "modes": "1", )" + ok + "}"),
       "第2个地图“北门”的编号（id）必须是1 - 4294967295之间的数字或留空，而不是“0”"},
      {"m.json",
       json(R"({"id": "1", "name": "北门", "model": 5, "listFlag": 11, "modes": "1", )" + ok + "}"),
       "的编号（id）必须是1 - 4294967295之间的数字或留空，而不是文本“1”"},
      {"m.json", json("[]"), "第2个地图必须是JSON对象"},
      {"m.json", R"({"maps": {}})", "JSON文档必须是带有“maps”数组的对象"},
      {"m.json", R"([{"name": "A"}])", "JSON文档必须是带有“maps”数组的对象"},
      {"m.json", R"({"maps": [)", "JSON格式错误"},
      {"m.json", "{\"maps\": [{\"name\": \"\xFF\xFF\"}]}", "JSON格式错误"},
      {"m.csv", h + "2,北门,abc,11,1,3,0\r\n",
       "第2个地图“北门”的模型（model）必须是0 - 65535之间的数字，而不是“abc”"},
      {"m.csv", h + "2,北门,,11,1,3,0\r\n", "第2个地图“北门”缺少模型（model）"},
      {"m.csv", h + "2,北门, 5,11,1,3,0\r\n", "而不是“ 5”"},
      {"m.csv", h + "2,北门,5,11,,3,0\r\n", "第2个地图“北门”缺少模式（modes）"},
      {"m.csv", h + "2,北门,5,11,1,3,-0\r\n", "第2个地图“北门”的剧情排列（storyOrder）"},
      {"m.csv", h + "x,北门,5,11,1,3,0\r\n", "第2个地图“北门”的编号（id）"},
      {"m.csv", h + "2,\"北门,5,11,1,3,0\r\n", "CSV第3行：引号没有结束"},
      {"m.txt", h, "扩展名必须是 .json 或 .csv"},
      // Hostile files: refused with a short message, never a crash.
      {"m.json",
       json(R"({"name": "北门", "model": )" + std::string(100000, '[') + std::string(100000, ']') +
            "}"),
       "JSON嵌套超过8层"},
      {"m.json",
       json(R"({"name": "北门", "model": 70000, "listFlag": 11, "model": 1, "modes": "1", )" + ok +
            "}"),
       "第2个地图中的键“model”出现了两次"},
      {"m.json",
       json(R"({"name": "北门", "model": ")" + std::string(5000, 'x') +
            R"(", "listFlag": 11, "modes": "1", )" + ok + "}"),
       "而不是文本“" + std::string(40, 'x') + "…”"},
      {"m.csv", h + Repeat("\r\n", 100000) + Repeat("2,北门,5,11,1,3,0\r\n", 65536),
       "地图超过65535个，无法保存"},
  };
  TempDir dir;
  TestEnvironment env;
  const Bytes original = SampleFile();
  const auto res = dir.Write("Meteor.res", original);
  for (const auto& c : cases) {
    const auto maps = dir.Write(c.file, AsBytes(c.text));
    const CliRun run = RunCli({"import", Utf8Path(res), Utf8Path(maps)}, env.Get());
    EXPECT_EQ(run.status, kExitFileError) << c.part;
    EXPECT_EQ(run.out, "") << c.part;
    EXPECT_EQ(run.err.find(Utf8Path(maps) + "："), 0U) << run.err;
    EXPECT_NE(run.err.find(c.part), std::string::npos)
        << "expected: " << c.part << "\ngot: " << run.err;
    EXPECT_LT(run.err.size(), 400U) << c.part;
    EXPECT_EQ(ReadFile(res), original) << c.part;
  }
  // Larger than any map file: refused before it is read.
  const auto huge = dir.Write("huge.json", AsBytes("{}"));
  std::filesystem::resize_file(huge, (std::uintmax_t{64} << 20) + 1);
  const CliRun tooLarge = RunCli({"import", Utf8Path(res), Utf8Path(huge)}, env.Get());
  EXPECT_EQ(tooLarge.status, kExitFileError);
  EXPECT_NE(tooLarge.err.find("文件太大"), std::string::npos) << tooLarge.err;

  const CliRun missing =
      RunCli({"import", Utf8Path(res), Utf8Path(dir.path() / "none.csv")}, env.Get());
  EXPECT_EQ(missing.status, kExitFileError);
  EXPECT_NE(missing.err.find("无法读取文件"), std::string::npos);
  EXPECT_EQ(ReadFile(res), original);
  EXPECT_TRUE(env.Backups().empty());
}

}  // namespace
}  // namespace tessaly::cli
