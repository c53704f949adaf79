// Runs the built tessaly-cli as a separate process, to check what only a real
// process shows: exit statuses, the exact bytes on stdout and on stderr, and
// arguments that reach the program whole.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

extern char** environ;
#endif

#include "cli_support.hpp"
#include "resfile/loader.hpp"
#include "resfile/text_path.hpp"

namespace tessaly::cli {
namespace {

using namespace tessaly::cli::test;
using tessaly::test::ReadFile;

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
  if (WIFSIGNALED(status)) run.status = -WTERMSIG(status);
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

#ifndef _WIN32
// Starts `exe args…` with stdout and stderr thrown away.
pid_t Start(const std::vector<std::string>& words) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> copy = words;
  std::vector<char*> argv;
  for (auto& w : copy) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, copy[0].c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// The exit status, or the negated signal; -1000 when it did not end within
// `limit` (it is killed then).
int WaitFor(pid_t pid, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1000;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// A FIFO with no writer would block a plain open or read for ever.
TEST(Process, SpecialFilesAreRefusedWithoutHanging) {
  TempDir dir;
  const auto res = dir.Write("Meteor.res", SampleFile());
  const auto fifo = dir.path() / "fifo.res";
  const auto fifoMaps = dir.path() / "maps.json";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(fifoMaps.c_str(), 0600), 0);
  const std::vector<std::vector<std::string>> commands = {
      {"list", fifo.string()},
      {"dump", "--json", fifo.string()},
      {"import", fifo.string(), fifoMaps.string()},
      {"import", res.string(), fifoMaps.string()},
      {"list", "/dev/zero"},
  };
  for (const auto& args : commands) {
    std::vector<std::string> words = {kCli.string()};
    words.insert(words.end(), args.begin(), args.end());
    EXPECT_EQ(WaitFor(Start(words), std::chrono::seconds(10)), 2) << args[0] << " " << args[1];
  }
  EXPECT_EQ(ReadFile(res), SampleFile());
}

// A large file, its maps exported, and a copy of tessaly-cli whose folder
// takes the backups.
struct BigImport {
  TempDir dir;
  std::filesystem::path program = dir.Folder("program");
  std::filesystem::path cli = program / kCli.filename();
  std::filesystem::path res;
  std::filesystem::path maps;
  Bytes original;

  explicit BigImport(std::size_t headerBytes) {
    std::filesystem::copy_file(kCli, cli);
    tessaly::test::ResBuilder b;
    b.Filler(headerBytes, 0x41);
    b.Record({.nameBytes = "A", .model = 1});
    b.Record({.nameBytes = "B", .model = 2});
    b.Count(2);
    original = b.bytes();
    res = dir.Write("Meteor.res", original);
  }
  std::filesystem::path Maps(const std::string& name, const std::string& mapName) {
    return dir.Write(name + ".json", AsBytes(R"({"maps": [{"name": ")" + mapName +
                                             R"(", "model": 7, "listFlag": 11, "modes": 1,
                                             "music": 1, "storyOrder": 1}]})"));
  }
  std::vector<std::string> Import(const std::filesystem::path& mapsFile) const {
    return {cli.string(), "import", res.string(), mapsFile.string()};
  }
  // Every backup is a whole earlier version, never a part of one.
  void ExpectWholeBackups(const std::set<Bytes>& versions) const {
    for (const auto& name : tessaly::test::ListFolder(program)) {
      if (name.find("备份]") == std::string::npos) continue;
      const Bytes backup = ReadFile(program / PathFromUtf8(name));
      EXPECT_TRUE(versions.contains(backup)) << name << " holds " << backup.size() << " bytes";
    }
  }
};

// Killed at any moment, a save leaves the file old or new and every backup
// whole; the next save clears what the killed one left.
TEST(Process, KilledSavesLeaveNoShortBackupAndNoStrayFile) {
  BigImport big(32u << 20);
  const auto maps = big.Maps("maps", "新");
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(WaitFor(Start(big.Import(maps))), 0);
  const auto full = std::chrono::steady_clock::now() - start;
  const Bytes saved = ReadFile(big.res);
  const std::set<Bytes> versions = {big.original, saved};

  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE(round);
    const pid_t pid = Start(big.Import(maps));
    std::this_thread::sleep_for(full * round / 10);
    kill(pid, round % 2 == 0 ? SIGKILL : SIGTERM);
    WaitFor(pid);
    EXPECT_TRUE(versions.contains(ReadFile(big.res)));
    big.ExpectWholeBackups(versions);
  }
  ASSERT_EQ(WaitFor(Start(big.Import(maps))), 0);
  EXPECT_EQ(ReadFile(big.res), saved);
  EXPECT_EQ(tessaly::test::ListFolder(big.dir.path()),
            (std::vector<std::string>{"Meteor.res", "maps.json", "program"}));
}

enum class Where { kOneFolder, kUnreadableFolder, kTwoFolders };

// Two saves of one file at once: both report success, and the version that
// lost the race is the other's backup.
void ExpectConcurrentSavesKeepEveryVersion(Where where) {
  BigImport big(4u << 20);
  const auto mapsA = big.Maps("a", "甲");
  const auto mapsB = big.Maps("b", "乙");
  ASSERT_EQ(WaitFor(Start(big.Import(mapsA))), 0);
  const Bytes versionA = ReadFile(big.res);
  ASSERT_EQ(WaitFor(Start(big.Import(mapsB))), 0);
  const Bytes versionB = ReadFile(big.res);
  std::vector<std::string> runA = big.Import(mapsA);
  std::vector<std::string> runB = big.Import(mapsB);
  if (where == Where::kTwoFolders) {
    std::filesystem::create_hard_link(big.res, big.dir.Folder("other") / "Meteor.res");
    runB[2] = (big.dir.path() / "other" / "Meteor.res").string();
  }
  if (where == Where::kUnreadableFolder) {  // nobody's, mode 0311, saved by nobody
    const auto home = big.dir.Folder("home");
    for (const auto& p : {big.dir.path(), big.res, home})
      EXPECT_EQ(chown(p.c_str(), 65534, 65534), 0);
    EXPECT_EQ(chmod(big.dir.path().c_str(), 0311), 0);
    for (auto* run : {&runA, &runB}) {
      run->insert(run->begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
                                 "--clear-groups", "/usr/bin/env", "XDG_DATA_HOME=" + home.string(),
                                 "XDG_RUNTIME_DIR=" + home.string()});
    }
  }
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(round);
    std::filesystem::remove_all(big.program);
    std::filesystem::create_directories(big.program);
    std::filesystem::copy_file(kCli, big.cli);
    EXPECT_EQ(chmod(big.program.c_str(), 0777), 0);
    (void)big.dir.Write("Meteor.res", big.original);  // the same file (and links) again
    const pid_t a = Start(runA);
    const pid_t b = Start(runB);
    ASSERT_EQ(WaitFor(a), 0);
    ASSERT_EQ(WaitFor(b), 0);
    const Bytes last = ReadFile(big.res);
    ASSERT_TRUE(last == versionA || last == versionB);
    const Bytes& other = last == versionA ? versionB : versionA;
    bool backedUp = false;
    for (const auto& name : tessaly::test::ListFolder(big.program)) {
      backedUp = backedUp || ReadFile(big.program / PathFromUtf8(name)) == other;
    }
    EXPECT_TRUE(backedUp);
  }
}

// So in one folder; in a folder that cannot be opened for its lock; and
// through hard links in two folders, where both write into the file itself.
TEST(Process, ConcurrentSavesKeepEveryVersion) {
  for (const Where where : {Where::kOneFolder, Where::kUnreadableFolder, Where::kTwoFolders}) {
    SCOPED_TRACE(static_cast<int>(where));
    if (where != Where::kUnreadableFolder || geteuid() == 0)
      ExpectConcurrentSavesKeepEveryVersion(where);
  }
}

// Killed while it writes into the file itself (one with a second hard link),
// a save leaves the file old, new, or announced: list then refuses it, naming
// the backup and the restore command, which puts the old file back.
TEST(Process, KilledWriteInPlaceIsNeverSilent) {
  tessaly::test::ResBuilder old;
  old.Filler(1000);
  std::string json = R"({"maps": [)";
  const std::string map =
      R"({"name": ")" + std::string(200, 'b') +
      R"(", "model": 1, "listFlag": 11, "modes": 1, "music": 1, "storyOrder": 1})";
  for (int i = 0; i < 20000; ++i) old.Record({.nameBytes = std::string(200, 'a')});
  for (int i = 0; i < 15000; ++i) json += (i > 0 ? "," : "") + map;
  const Bytes original = old.Count(20000).bytes();
  TempDir dir;
  const auto maps = dir.Write("maps.json", AsBytes(json + "]}"));
  const auto cli = dir.Folder("program") / kCli.filename();
  std::filesystem::copy_file(kCli, cli);
  // tessaly-cli keeping its records in <dir>/data; a file with a second hard link.
  const auto words = [&](std::vector<std::string> args) {
    args.insert(args.begin(),
                {"/usr/bin/env", "XDG_DATA_HOME=" + dir.Folder("data").string(), cli.string()});
    return args;
  };
  const auto run = [&](const std::vector<std::string>& args) {
    const auto w = words(args);
    return Spawn(w[0], {w.begin() + 1, w.end()}, dir);
  };
  const auto fresh = [&](const std::string& name) {
    const auto res = dir.Write(name + ".res", original);
    std::filesystem::create_hard_link(res, dir.Folder("links") / (name + ".res"));
    return res;
  };
  const auto first = fresh("first");
  ASSERT_EQ(run({"import", first.string(), maps.string()}).status, 0);
  const Bytes saved = ReadFile(first);
  for (int round = 0; round < 4; ++round) {
    const auto res = fresh("round" + std::to_string(round));
    struct stat before {};
    struct stat now {};
    ASSERT_EQ(stat(res.c_str(), &before), 0);
    const pid_t pid = Start(words({"import", res.string(), maps.string()}));
    // Killed as the file itself starts to change, or a little later.
    do {
      ASSERT_EQ(stat(res.c_str(), &now), 0);
    } while (now.st_mtim.tv_nsec == before.st_mtim.tv_nsec && waitpid(pid, nullptr, WNOHANG) == 0);
    std::this_thread::sleep_for(std::chrono::microseconds(500 * round));
    kill(pid, SIGKILL);
    WaitFor(pid);
    const Bytes left = ReadFile(res);
    const CliRun list = run({"list", res.string()});
    if (list.status == 0) {
      EXPECT_TRUE(left == original || left == saved) << "neither old nor new, and not announced";
      continue;
    }
    ASSERT_EQ(list.status, 2) << list.err;
    EXPECT_NE(list.err.find("tessaly-cli restore"), std::string::npos) << list.err;
    const auto from = list.err.find("备份“") + std::string("备份“").size();
    EXPECT_EQ(
        run({"restore", res.string(), list.err.substr(from, list.err.find("”中。") - from)}).status,
        0);
    EXPECT_EQ(ReadFile(res), original);
    EXPECT_EQ(run({"list", res.string()}).status, 0);
  }
}

// FILE swapped again and again between itself and a symbolic link to another
// file while imports run: whatever the moment, that file is never written.
TEST(Process, FileSwappedForALinkIsNeverWrittenThrough) {
  BigImport big(1000);
  const auto maps = big.Maps("maps", "新");
  const auto victim = big.dir.Write("victim.txt", AsBytes("precious"));
  std::atomic<bool> stop = false;
  std::thread swapper([&] {
    const auto real = big.dir.path() / "real.res";
    const auto link = big.dir.path() / "link.tmp";
    while (!stop) {
      std::error_code ec;
      std::filesystem::rename(big.res, real, ec);
      std::filesystem::create_symlink(victim, link, ec);
      std::filesystem::rename(link, big.res, ec);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      std::filesystem::rename(real, big.res, ec);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  for (int round = 0; round < 20; ++round) (void)WaitFor(Start(big.Import(maps)));
  stop = true;
  swapper.join();
  EXPECT_EQ(ReadFile(victim), AsBytes("precious"));
}

// Root saving a user's file leaves it the user's; an ordinary user saving a
// file of someone else's that they may write keeps its owner too (written in
// place, since a new file would be theirs).
TEST(Process, OwnerAndGroupAreKept) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to hand files to other users";
  constexpr uid_t kNobody = 65534;
  constexpr gid_t kNogroup = 65534;
  BigImport big(1000);
  const auto maps = big.Maps("maps", "新");
  ASSERT_EQ(chown(big.res.c_str(), kNobody, kNogroup), 0);
  ASSERT_EQ(chmod(big.res.c_str(), 0640), 0);
  ASSERT_EQ(WaitFor(Start(big.Import(maps))), 0);
  struct stat st {};
  ASSERT_EQ(stat(big.res.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_EQ(st.st_gid, kNogroup);
  EXPECT_EQ(st.st_mode & 07777, 0640U);
  const Bytes saved = ReadFile(big.res);
  EXPECT_NE(saved, big.original);

  // root:nogroup 0664, saved by nobody from a folder it cannot write.
  big.dir.Folder("shared");
  const auto other = big.dir.Write("shared/Meteor.res", big.original);
  ASSERT_EQ(chown(other.c_str(), 0, kNogroup), 0);
  ASSERT_EQ(chmod(other.c_str(), 0664), 0);
  ASSERT_EQ(chmod(big.program.c_str(), 0777), 0);
  const auto data = big.dir.Folder("data");
  ASSERT_EQ(chmod(data.c_str(), 0777), 0);
  const pid_t pid = Start({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                           "/usr/bin/env", "XDG_DATA_HOME=" + data.string(), big.cli.string(),
                           "import", other.string(), maps.string()});
  ASSERT_EQ(WaitFor(pid), 0);
  ASSERT_EQ(stat(other.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0U);
  EXPECT_EQ(st.st_gid, kNogroup);
  EXPECT_EQ(st.st_mode & 07777, 0664U);
  EXPECT_EQ(ReadFile(other), saved);
}

// Running out of memory ends in the message and exit status 2, never an abort.
TEST(Process, OutOfMemoryIsAMessageNotACrash) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#endif
  TempDir dir;
  const auto res = dir.Write("Meteor.res", SampleFile());
  // A name of 40 MB: reading, parsing and checking it copies it more times
  // than the limit below leaves room for.
  const std::string text = R"({"maps": [{"name": ")" + std::string(40u << 20, 'x') +
                           R"(", "model": 1, "listFlag": 11, "modes": 1, "music": 1,
                           "storyOrder": 1}]})";
  const auto maps = dir.Write("maps.json", AsBytes(text));
  const std::string limited = "ulimit -v 180000; exec \"$0\" \"$@\"";
  ASSERT_EQ(WaitFor(Start({"/bin/sh", "-c", limited, kCli.string(), "--help"})), 0);
  const CliRun run =
      Spawn("/bin/sh", {"-c", limited, kCli.string(), "import", res.string(), maps.string()}, dir);
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("内存不足"), std::string::npos) << run.err;
  EXPECT_EQ(ReadFile(res), SampleFile());
}
// A real spreadsheet program saves the exported CSV as a Chinese Windows
// would ("CSV (逗号分隔)": code page 936, leading zeros of the modes dropped);
// import --encoding gbk of it writes the very bytes the file had.
TEST(Process, CsvSavedAsGbkBySpreadsheetImportsToTheSameBytes) {
  const std::filesystem::path soffice = "/usr/bin/soffice";  // Debian's libreoffice-calc-nogui
  if (!std::filesystem::exists(soffice)) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  TempDir dir;
  using tessaly::test::Gbk;
  const Bytes original =
      tessaly::test::ResBuilder()
          .Filler(20)
          .Record({.nameBytes = Gbk("测试")})
          .Record({.nameBytes = Gbk("北门"), .model = 300, .listFlag = 10, .modeByte = 5})
          .Record({.nameBytes = Gbk("青石镇"), .storyOrder = 9})
          .CountFromRecords()
          .bytes();
  const auto res = dir.Write("Meteor.res", original);
  const auto csv = dir.path() / "maps.csv";
  ASSERT_EQ(Spawn(kCli, {"export", "--csv", res.string(), "-o", csv.string()}, dir).status, 0);
  const CliRun calc = Spawn(soffice,
                            {"-env:UserInstallation=file://" + (dir.path() / "profile").string(),
                             "--headless", "--infilter=Text - txt - csv (StarCalc):44,34,76,1",
                             "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,61", "--outdir",
                             (dir.path() / "calc").string(), csv.string()},
                            dir);
  const auto saved = dir.path() / "calc" / "maps.csv";
  ASSERT_TRUE(std::filesystem::exists(saved)) << calc.out << calc.err;
  ASSERT_NE(AsText(ReadFile(saved)).find(Gbk("青石镇")), std::string::npos);

  const auto program = dir.Folder("program");
  std::filesystem::copy_file(kCli, program / kCli.filename());
  const CliRun run = Spawn(program / kCli.filename(),
                           {"import", "--encoding", "gbk", res.string(), saved.string()}, dir);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(res), original);
}
#endif  // _WIN32

}  // namespace
}  // namespace tessaly::cli
