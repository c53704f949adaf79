#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_support.hpp"
#include "resfile/text_path.hpp"

namespace tessaly::cli {
namespace {

using namespace tessaly::cli::test;
using tessaly::test::Gbk;
using tessaly::test::ResBuilder;

Bytes File(const std::vector<tessaly::test::RecordValues>& maps) {
  ResBuilder builder;
  builder.Filler(20);
  for (const auto& map : maps) builder.Record(map);
  return builder.CountFromRecords().bytes();
}
Bytes OldFile() { return File({{Gbk("测试")}, {Gbk("北门"), 300, 10, 5}, {Gbk("青石镇")}}); }
// 青石镇 first, 测试 with model 6 and without 剧情, 北门 gone, 新图 added.
Bytes NewFile() { return File({{Gbk("青石镇")}, {Gbk("测试"), 6, 11, 16}, {Gbk("新图")}}); }

class CompareTest : public CliTest {};

TEST_F(CompareTest, DiffPrintsEachDifferenceAndExitsAsDiffDoes) {
  const std::string before = Write("old.res", OldFile());
  const std::string after = Write("new.res", NewFile());
  const std::string header = Write("header.res", ResBuilder().Filler(20, 1).bytes());
  const std::string empty = Write("empty.res", File({}));
  const std::string bad = Write("bad.res", AsBytes("not a file of maps"));
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;
  } cases[] = {
      {{"diff", before, before}, kExitOk, "相同\n"},
      {{"diff", before, after},
       kExitDiffer,
       "删除 第2个地图“北门”\n添加 第3个地图“新图”\n移动 第1个地图“测试” → 第2个\n"
       "修改 第2个地图“测试”（原第1个）：模型 5 → 6，模式“剧情” 是 → 否\n+1 −1 ~1 ↕1\n"},
      {{"diff", empty, header},
       kExitDiffer,
       "表头不同（第一个地图之前除条目数以外的字节）\n+0 −0 ~0 表头不同\n"},
      {{"diff", before, Utf8Path(dir_.path() / "none.res")}, kExitFileError, ""},
      {{"diff", bad, before}, kExitFileError, ""},
  };
  for (const auto& c : cases) {
    const CliRun run = Cli(c.args);
    EXPECT_EQ(run.status, c.status) << c.args[2];
    EXPECT_EQ(run.out, c.out) << c.args[2];
  }
  // A file that is no Meteor.res is named: the refusal itself does not say which.
  // Long paths are shortened in the middle, so only the file name is certain.
  EXPECT_NE(Cli({"diff", bad, before}).err.find("bad.res："), std::string::npos);
  const auto json = nlohmann::json::parse(Cli({"diff", "--json", before, after}).out);
  EXPECT_EQ(json["changed"][0]["fields"][1],
            (nlohmann::json{{"field", "剧情"}, {"old", true}, {"new", false}}));
}

TEST_F(CompareTest, BackupsListsTheFilesBackupsNewestFirst) {
  const std::string file = Write("Meteor.res", NewFile());
  EXPECT_EQ(Cli({"backups", file}).out, "");
  EXPECT_NE(Cli({"backups", file}).err.find("没有找到“Meteor.res”的备份"), std::string::npos);

  std::filesystem::create_directories(env_.UserFolder());
  const auto put = [&](const std::filesystem::path& folder, const std::string& name,
                       const Bytes& bytes) {
    std::filesystem::copy_file(dir_.Write("copy", bytes), folder / PathFromUtf8(name),
                               std::filesystem::copy_options::overwrite_existing);
    return Utf8Path(folder / PathFromUtf8(name));
  };
  const auto older = put(env_.ProgramFolder(), "[20240501120000备份]Meteor.res", OldFile());
  const auto same = put(env_.ProgramFolder(), "[20240501120000-2备份]Meteor.res", NewFile());
  const auto broken = put(env_.UserFolder(), "[20240502090000备份]Meteor.res", AsBytes("short"));
  put(env_.ProgramFolder(), "[20240503000000备份]Other.res", OldFile());
  const CliRun run = Cli({"backups", file});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out, "2024-05-02 09:00:00  5 字节  无法读取：不是Meteor.res文件  " + broken +
                         "\n2024-05-01 12:00:00 (2)  " + std::to_string(NewFile().size()) +
                         " 字节  3 个地图  相同  " + same + "\n2024-05-01 12:00:00  " +
                         std::to_string(OldFile().size()) + " 字节  3 个地图  +1 −1 ~1 ↕1  " +
                         older + "\n");

  const auto json = nlohmann::json::parse(Cli({"backups", "--json", file}).out)["backups"];
  EXPECT_TRUE(json[0]["maps"].is_null());
  EXPECT_EQ(json[2]["removed"], 1);

#ifndef _WIN32
  // A file whose last save was cut short is refused by list, but backups, the
  // way to its backup, says so and lists them all the same.
  ASSERT_TRUE(tessaly::test::LeaveInterruptedWrite(env_.Get(), PathFromUtf8(file)));
  EXPECT_EQ(Cli({"list", file}).status, kExitFileError);
  const CliRun interrupted = Cli({"backups", file});
  EXPECT_EQ(interrupted.status, kExitOk);
  EXPECT_NE(interrupted.err.find("tessaly-cli restore"), std::string::npos);
  EXPECT_NE(interrupted.out.find(older), std::string::npos);
#endif
}

}  // namespace
}  // namespace tessaly::cli
