// Runs the built tessaly-cli as a separate process, to check what only a real
// process shows: exit statuses, the exact bytes on stdout and on stderr, and
// arguments that reach the program whole.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;
#endif

#include "cli_support.hpp"
#include "resfile/loader.hpp"
#include "resfile/text_path.hpp"

namespace tessaly::cli {
namespace {

using namespace tessaly::cli::testing;
using tessaly::testing::ReadFile;

const std::filesystem::path kCli = TESSALY_CLI_PATH;

#ifdef _WIN32
// A command-line word quoted the way CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& word) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : word) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

HANDLE InheritableFile(const std::filesystem::path& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}
#endif

// Runs `exe args…` (arguments in UTF-8) with stdout and stderr going to files of `dir`.
CliRun Spawn(const std::filesystem::path& exe, const std::vector<std::string>& args,
             const TempDir& dir) {
  const auto outPath = dir.path() / "stdout.txt";
  const auto errPath = dir.path() / "stderr.txt";
  CliRun run;
#ifdef _WIN32
  std::wstring commandLine = Quoted(exe.wstring());
  for (const std::string& arg : args) commandLine += L" " + Quoted(PathFromUtf8(arg).wstring());
  const HANDLE out = InheritableFile(outPath);
  const HANDLE err = InheritableFile(errPath);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &process);
  CloseHandle(out);
  CloseHandle(err);
  if (!started) {
    ADD_FAILURE() << "cannot start " << exe.string();
    return run;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  run.status = static_cast<int>(code);
#else
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
#endif
  run.out = AsText(ReadFile(outPath));
  run.err = AsText(ReadFile(errPath));
  return run;
}

TEST(Process, ExitStatusesAndStreams) {
  TempDir dir;
  const auto good = Utf8Path(dir.Write("Meteor.res", SampleFile()));
  const auto bad = Utf8Path(dir.Write("bad.res", AsBytes("not a resource file")));

  const CliRun help = Spawn(kCli, {"--help"}, dir);
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("import"), std::string::npos);
  EXPECT_EQ(help.err, "");

  // Lines end in LF on every platform, on stdout and on stderr alike.
  const CliRun list = Spawn(kCli, {"list", good}, dir);
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.out, "1:测试\n2:a:b::::::c\n3:\n");
  EXPECT_EQ(list.err, "");

  const CliRun csv = Spawn(kCli, {"export", "--csv", good}, dir);
  EXPECT_EQ(csv.status, 0);
  EXPECT_EQ(csv.out.substr(0, 5), "\xEF\xBB\xBFid");
  EXPECT_NE(csv.out.find("\r\n2,a:b::::::c,300,10,000101,7,1\r\n"), std::string::npos);

  for (const char* command : {"list", "dump", "export"}) {
    const CliRun refused = Spawn(kCli, {command, bad}, dir);
    EXPECT_EQ(refused.status, 2) << command;
    EXPECT_EQ(refused.out, "") << command;
    EXPECT_EQ(refused.err, std::string(kWrongFileMessage) + "\n") << command;
  }

  const CliRun usage = Spawn(kCli, {"list"}, dir);
  EXPECT_NE(usage.status, 0);
  EXPECT_NE(usage.status, 2);
  EXPECT_EQ(usage.out, "");
  EXPECT_NE(usage.err, "");
  EXPECT_EQ(usage.err.find('\r'), std::string::npos);
}

// Chinese folder and file names reach the program whole, for the file, the
// maps and the program's own folder (where the backup goes). The backup goes
// to the folder of the executable, so the test runs a copy of tessaly-cli
// from a temporary folder.
TEST(Process, ImportWithChinesePathsPrintsTheBackupBesideTheProgram) {
  TempDir dir;
  const auto programDir = dir.Folder("程序");
  const auto cli = programDir / kCli.filename();
  std::filesystem::copy_file(kCli, cli);

  dir.Folder("游戏");
  const auto res = dir.Write("游戏/流星.res", SampleFile());
  const auto maps = dir.Write("游戏/地图.json", AsBytes(R"({"maps": [{"name": "新图", "model": 12,
      "listFlag": 11, "modes": 101, "music": 1, "storyOrder": 2}]})"));
  const CliRun run = Spawn(cli, {"import", Utf8Path(res), Utf8Path(maps)}, dir);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string prefix = "修改成功！\n备份：";
  ASSERT_EQ(run.out.substr(0, prefix.size()), prefix);
  ASSERT_EQ(run.out.back(), '\n');
  const auto backup =
      PathFromUtf8(run.out.substr(prefix.size(), run.out.size() - prefix.size() - 1));
  EXPECT_EQ(backup.parent_path(), programDir);
  EXPECT_TRUE(Utf8Path(backup.filename()).ends_with("备份]流星.res")) << Utf8Path(backup);
  EXPECT_EQ(ReadFile(backup), SampleFile());
  EXPECT_EQ(Spawn(cli, {"dump", Utf8Path(res)}, dir).out,
            "1::::::1000::::::12::::::新图::::::5::::::SN12::::::11::::::000101::::::1::::::2\n");

  const auto badMaps = dir.Write("游戏/坏.json", AsBytes(R"({"maps": [{"name": "x"}]})"));
  const Bytes before = ReadFile(res);
  const CliRun refused = Spawn(cli, {"import", Utf8Path(res), Utf8Path(badMaps)}, dir);
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.out, "");
  EXPECT_NE(refused.err.find("第1个地图“x”缺少模型（model）"), std::string::npos) << refused.err;
  EXPECT_EQ(ReadFile(res), before);
}

}  // namespace
}  // namespace tessaly::cli
