// Runs the built tessaly-cli as a separate process, to check what only a real
// process shows: exit statuses and what goes to stdout and to stderr.

#include <gtest/gtest.h>

#ifndef _WIN32

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include "cli_support.hpp"
#include "resfile/loader.hpp"

extern char** environ;

namespace tessaly::cli {
namespace {

using namespace tessaly::cli::testing;
using tessaly::testing::ReadFile;

const std::filesystem::path kCli = TESSALY_CLI_PATH;

// Runs `exe args…` with stdout and stderr going to files of `dir`.
CliRun Spawn(const std::filesystem::path& exe, const std::vector<std::string>& args,
             const TempDir& dir) {
  const std::string outPath = (dir.path() / "stdout.txt").string();
  const std::string errPath = (dir.path() / "stderr.txt").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  std::vector<std::string> words = {exe.string()};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  CliRun run;
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, words[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << words[0];
    return run;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = AsText(ReadFile(outPath));
  run.err = AsText(ReadFile(errPath));
  return run;
}

TEST(Process, ExitStatusesAndStreams) {
  TempDir dir;
  const auto good = dir.Write("Meteor.res", SampleFile());
  const auto bad = dir.Write("bad.res", AsBytes("not a resource file"));

  const CliRun help = Spawn(kCli, {"--help"}, dir);
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("import"), std::string::npos);
  EXPECT_EQ(help.err, "");

  const CliRun list = Spawn(kCli, {"list", good.string()}, dir);
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.out, "1:测试\n2:a:b::::::c\n3:\n");
  EXPECT_EQ(list.err, "");

  const CliRun csv = Spawn(kCli, {"export", "--csv", good.string()}, dir);
  EXPECT_EQ(csv.status, 0);
  EXPECT_EQ(csv.out.substr(0, 5), "\xEF\xBB\xBFid");
  EXPECT_NE(csv.out.find("\r\n2,a:b::::::c,300,10,000101,7,1\r\n"), std::string::npos);

  for (const char* command : {"list", "dump", "export"}) {
    const CliRun refused = Spawn(kCli, {command, bad.string()}, dir);
    EXPECT_EQ(refused.status, 2) << command;
    EXPECT_EQ(refused.out, "") << command;
    EXPECT_EQ(refused.err, std::string(kWrongFileMessage) + "\n") << command;
  }

  const CliRun usage = Spawn(kCli, {"list"}, dir);
  EXPECT_NE(usage.status, 0);
  EXPECT_NE(usage.status, 2);
  EXPECT_EQ(usage.out, "");
  EXPECT_NE(usage.err, "");
}

// The backup goes to the folder of the executable, so the test runs a copy of
// tessaly-cli from a temporary folder.
TEST(Process, ImportPrintsTheBackupBesideTheProgram) {
  TempDir dir;
  const auto programDir = dir.path() / "program";
  std::filesystem::create_directories(programDir);
  const auto cli = programDir / "tessaly-cli";
  std::filesystem::copy_file(kCli, cli);

  const auto res = dir.Write("Meteor.res", SampleFile());
  const auto maps = dir.Write("maps.json", AsBytes(R"({"maps": [{"name": "新图", "model": 12,
      "listFlag": 11, "modes": 101, "music": 1, "storyOrder": 2}]})"));
  const CliRun run = Spawn(cli, {"import", res.string(), maps.string()}, dir);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string prefix = "修改成功！\n备份：";
  ASSERT_EQ(run.out.substr(0, prefix.size()), prefix);
  ASSERT_EQ(run.out.back(), '\n');
  const std::string backup = run.out.substr(prefix.size(), run.out.size() - prefix.size() - 1);
  EXPECT_EQ(std::filesystem::path(backup).parent_path(), programDir);
  EXPECT_EQ(ReadFile(backup), SampleFile());
  EXPECT_EQ(Spawn(cli, {"dump", res.string()}, dir).out,
            "1::::::1000::::::12::::::新图::::::5::::::SN12::::::11::::::000101::::::1::::::2\n");

  const auto badMaps = dir.Write("bad.json", AsBytes(R"({"maps": [{"name": "x"}]})"));
  const Bytes before = ReadFile(res);
  const CliRun refused = Spawn(cli, {"import", res.string(), badMaps.string()}, dir);
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.out, "");
  EXPECT_NE(refused.err.find("第1个地图“x”缺少模型（model）"), std::string::npos) << refused.err;
  EXPECT_EQ(ReadFile(res), before);
}

}  // namespace
}  // namespace tessaly::cli

#endif  // _WIN32
