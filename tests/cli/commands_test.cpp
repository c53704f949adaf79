#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "cli/interchange.hpp"
#include "cli_support.hpp"
#include "resfile/format.hpp"
#include "resfile/io_reason.hpp"
#include "resfile/loader.hpp"
#include "resfile/text_path.hpp"
#include "version.hpp"

namespace tessaly::cli {
namespace {

using namespace tessaly::cli::test;
using tessaly::test::ResBuilder;

constexpr std::string_view kSampleJson = R"({
  "headerEnd": 999,
  "entryCount": 5,
  "extraCount": 2,
  "maps": [
    {
      "id": 1,
      "offset": 1000,
      "model": 5,
      "name": "测试",
      "folderTextLength": 5,
      "folder": "SN05",
      "listFlag": 11,
      "modes": "110000",
      "music": 3,
      "storyOrder": 0
    },
    {
      "id": 2,
      "offset": 1075,
      "model": 300,
      "name": "a:b::::::c",
      "folderTextLength": 6,
      "folder": "SN300",
      "listFlag": 10,
      "modes": "000101",
      "music": 7,
      "storyOrder": 1
    },
    {
      "id": 3,
      "offset": 1157,
      "model": 7,
      "name": "",
      "folderTextLength": 5,
      "folder": "SN07",
      "listFlag": 11,
      "modes": "110000",
      "music": 3,
      "storyOrder": 0
    }
  ]
}
)";

class CommandsTest : public CliTest {};

TEST_F(CommandsTest, ListDumpAndJsonOfTheSampleAreExact) {
  const std::string file = Utf8Path(dir_.Write("Meteor.res", SampleFile()));
  const struct {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {{"list", file}, "1:测试\n2:a:b::::::c\n3:\n"},
      {{"dump", file},
       "1::::::1000::::::5::::::测试::::::5::::::SN05::::::11::::::110000::::::3::::::0\n"
       "2::::::1075::::::300::::::a:b::::::c::::::6::::::SN300::::::10::::::000101::::::7::::::1\n"
       "3::::::1157::::::7::::::::::::5::::::SN07::::::11::::::110000::::::3::::::0\n"},
      {{"--version"}, std::string("tessaly-cli ") + tessaly::kVersion + "\n"},
      {{"dump", "--json", file}, std::string(kSampleJson)},
      {{"export", file}, std::string(kSampleJson)},
      {{"export", "--csv", file},
       "\xEF\xBB\xBFid,name,model,listFlag,modes,music,storyOrder\r\n"
       "1,测试,5,11,110000,3,0\r\n"
       "2,a:b::::::c,300,10,000101,7,1\r\n"
       "3,,7,11,110000,3,0\r\n"},
  };
  for (const auto& c : cases) {
    const CliRun run = Cli(c.args);
    EXPECT_EQ(run.status, kExitOk) << c.args[0];
    EXPECT_EQ(run.out, c.out) << c.args[0];
    EXPECT_EQ(run.err, "") << c.args[0];
  }
}

TEST_F(CommandsTest, FileWithoutRecordsHasNullHeaderEndAndNoMaps) {
  const std::string file =
      Utf8Path(dir_.Write("Meteor.res", ResBuilder().Filler(100, 7).Count(3).bytes()));
  const CliRun json = Cli({"dump", "--json", file});
  EXPECT_EQ(json.status, kExitOk);
  EXPECT_EQ(json.out,
            "{\n  \"headerEnd\": null,\n  \"entryCount\": 3,\n  \"extraCount\": 3,\n"
            "  \"maps\": []\n}\n");
  for (const char* command : {"list", "dump"}) {
    const CliRun run = Cli({command, file});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(Cli({"export", "--csv", file}).out,
            "\xEF\xBB\xBFid,name,model,listFlag,modes,music,storyOrder\r\n");
}

TEST_F(CommandsTest, RefusedOrUnreadableFileGivesStatusTwoAndOnlyStderr) {
  const Bytes magic(kMagic.begin(), kMagic.end());
  std::string lower(kMagic);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  lower.resize(200, '\0');
  const std::string maps = Utf8Path(dir_.Write("maps.csv", AsBytes(WriteCsv(Document{}))));
  std::filesystem::create_directories(dir_.path() / "folder.res");

  const struct {
    std::string name;
    std::string path;
    std::string expectedErr;  // the whole of stderr, or a part of it when it names a path
    bool exact;
  } files[] = {
      {"empty", Utf8Path(dir_.Write("empty.res", {})), std::string(kWrongFileMessage) + "\n", true},
      {"36 bytes", Utf8Path(dir_.Write("short.res", Bytes(magic.begin(), magic.end() - 1))),
       std::string(kWrongFileMessage) + "\n", true},
      {"lower case", Utf8Path(dir_.Write("lower.res", AsBytes(lower))),
       std::string(kWrongFileMessage) + "\n", true},
      {"missing", Utf8Path(dir_.path() / "nothing.res"), "无法读取文件", false},
      {"folder", Utf8Path(dir_.path() / "folder.res"), "无法读取文件", false},
  };
  for (const auto& f : files) {
    const bool regular = std::filesystem::is_regular_file(f.path);
    const Bytes before = regular ? tessaly::test::ReadFile(f.path) : Bytes{};
    const std::vector<std::vector<std::string>> commands = {{"list", f.path},
                                                            {"dump", f.path},
                                                            {"dump", "--json", f.path},
                                                            {"export", f.path},
                                                            {"export", "--csv", f.path},
                                                            {"import", f.path, maps}};
    for (const auto& args : commands) {
      const CliRun run = Cli(args);
      EXPECT_EQ(run.status, kExitFileError) << f.name << " " << args[0];
      EXPECT_EQ(run.out, "") << f.name << " " << args[0];
      if (f.exact) {
        EXPECT_EQ(run.err, f.expectedErr) << f.name << " " << args[0];
      } else {
        EXPECT_NE(run.err.find(f.expectedErr), std::string::npos) << run.err;
        // The message names the file (a long path is shortened in its middle).
        const std::string name = f.path.substr(f.path.find_last_of("/\\") + 1);
        EXPECT_NE(run.err.find(name), std::string::npos) << run.err;
      }
    }
    if (regular) {
      EXPECT_EQ(tessaly::test::ReadFile(f.path), before) << f.name;
    }
  }
  EXPECT_TRUE(env_.Backups().empty());
}

// On Windows CLI11 would take "/x" for an option by default.
TEST_F(CommandsTest, APathStartingWithASlashIsAFileArgument) {
  const std::string path = "/no-such-folder-of-tessaly/Meteor.res";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"list", path}, {"dump", "--json", path}, {"export", path}}) {
    const CliRun run = Cli(args);
    EXPECT_EQ(run.status, kExitFileError) << args[0] << ": " << run.err;
    EXPECT_NE(run.err.find("无法读取文件"), std::string::npos) << run.err;
  }
}

TEST_F(CommandsTest, ExportToFileWritesTheSameBytesAndNeverOverwritesTheInput) {
  const auto res = dir_.Write("Meteor.res", SampleFile());
  const auto csvPath = dir_.path() / "out.csv";
  const CliRun run = Cli({"export", "--csv", Utf8Path(res), "-o", Utf8Path(csvPath)});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(AsText(tessaly::test::ReadFile(csvPath)), Cli({"export", "--csv", Utf8Path(res)}).out);

  const CliRun self = Cli({"export", Utf8Path(res), "-o", Utf8Path(res)});
  EXPECT_EQ(self.status, kExitFileError);
  EXPECT_EQ(tessaly::test::ReadFile(res), SampleFile());

  const CliRun noFolder =
      Cli({"export", Utf8Path(res), "-o", Utf8Path(dir_.path() / "no" / "such" / "x.json")});
  EXPECT_EQ(noFolder.status, kExitWriteFailed);
  EXPECT_NE(noFolder.err.find("无法写入文件"), std::string::npos);
}

// import locks FILE before it loads it: what a save holding the lock wrote
// meanwhile is what import loads, backs up and builds on. A file that then
// changes before the save is not written.
TEST_F(CommandsTest, ImportLoadsUnderTheLockAndRefusesAFileChangedSince) {
  const auto res = dir_.Write("Meteor.res", SampleFile());
  const auto maps = dir_.Write("maps.json", AsBytes(Cli({"export", Utf8Path(res)}).out));
  const Bytes other = ResBuilder().Filler(500, 7).Record({.nameBytes = "x"}).Count(1).bytes();
  auto lock = RealFileSystem().LockFolder(dir_.path(), env_.UserFolder());
  ASSERT_TRUE(lock.ok());
  CliRun run;
  std::thread importer([&] { run = Cli({"import", Utf8Path(res), Utf8Path(maps)}); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  (void)dir_.Write("Meteor.res", other);
  lock->reset();
  importer.join();
  ASSERT_EQ(run.status, kExitOk) << run.err;
  const Bytes saved = tessaly::test::ReadFile(res);
  EXPECT_EQ(Bytes(saved.begin() + 54, saved.begin() + 554),
            Bytes(other.begin() + 54, other.begin() + 554));
  ASSERT_EQ(env_.Backups().size(), 1U);
  EXPECT_EQ(tessaly::test::ReadFile(env_.Backups().front()), other);

  tessaly::test::FaultyFileSystem changing;
  changing.ReportChanged();
  const SaveEnvironment env = env_.Get();
  const CliRun refused = RunCli({"import", Utf8Path(res), Utf8Path(maps)},
                                {changing, env.clock, env.programFolder, env.userBackupFolder});
  EXPECT_EQ(refused.status, kExitWriteFailed);
  EXPECT_NE(refused.err.find(kReasonChanged), std::string::npos) << refused.err;
  EXPECT_EQ(tessaly::test::ReadFile(res), saved);
  EXPECT_EQ(env_.Backups().size(), 1U);
}

TEST_F(CommandsTest, RestorePutsABackupBackAfterBackingUpTheFile) {
  const auto res = dir_.Write("Meteor.res", SampleFile());
  const Bytes old = ResBuilder().Filler(20).Record({.nameBytes = "old"}).Count(1).bytes();
  const CliRun refused =
      Cli({"restore", Utf8Path(res), Utf8Path(dir_.Write("text.res", AsBytes("not a res")))});
  EXPECT_EQ(refused.status, kExitFileError);
  EXPECT_EQ(refused.out, "");
  EXPECT_TRUE(env_.Backups().empty());

  const CliRun run = Cli({"restore", Utf8Path(res), Utf8Path(dir_.Write("old.res", old))});
  ASSERT_EQ(run.status, kExitOk) << run.err;
  const std::string prefix = "恢复成功！\n备份：";
  ASSERT_EQ(run.out.substr(0, prefix.size()), prefix);
  EXPECT_EQ(tessaly::test::ReadFile(
                PathFromUtf8(run.out.substr(prefix.size(), run.out.size() - prefix.size() - 1))),
            SampleFile());
  EXPECT_EQ(tessaly::test::ReadFile(res), old);
}

// A hostile name is quoted short, its control characters as escapes.
TEST_F(CommandsTest, MessagesQuoteAHostileNameShortAndEscaped) {
  const std::string name = std::string(2000000, 'n') + "\r\x1B[2J.json";
  const std::string res = Utf8Path(dir_.Write("Meteor.res", SampleFile()));
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"list", name}, {"import", name, name}, {"import", res, name}}) {
    const CliRun run = Cli(args);
    EXPECT_EQ(run.status, kExitFileError) << args[0];
    EXPECT_LT(run.err.size(), 400U) << args[0];
    EXPECT_EQ(run.err.find_first_of("\r\x1B"), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace tessaly::cli
