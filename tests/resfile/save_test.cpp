#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include <filesystem>
#include <string>
#include <vector>

#include "resfile/io_reason.hpp"
#include "resfile/save.hpp"
#include "resfile/temp_names.hpp"
#include "resfile/text_path.hpp"
#include "support/faulty_fs.hpp"
#include "support/fixture.hpp"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::FaultyFileSystem;
using test::FixedClock;
using test::FsStep;
using test::ListFolder;
using test::ReadFile;
using test::TempDir;

constexpr const char* kFirstBackup = "[20190719140509备份]Meteor.res";

// A resource file in its own folder, a program folder and a user folder (not
// yet created) for backups, and the clock at 14:05:09 on 19 July 2019.
struct SaveSetup {
  TempDir dir;
  fs::path gameFolder = dir.Folder("game");
  fs::path res = gameFolder / "Meteor.res";
  fs::path program = dir.Folder("program");
  fs::path user = dir.path() / "user" / "tessaly" / "backups";
  Bytes original = Bytes{'o', 'l', 'd', 0, 1, 2, 3};
  Bytes content = Bytes{'n', 'e', 'w', 0, 9, 8, 7, 6, 5};
  FixedClock clock{2019, 7, 19, 14, 5, 9};

  SaveSetup() { dir.Write("game/Meteor.res", original); }
  SaveEnvironment Env(FileSystem& files) { return SaveEnvironment{files, clock, program, user}; }
  Result<SaveReport, SaveFailure> Save(FileSystem& files) {
    return WriteWithBackup(Env(files), res, content);
  }

  // The original is intact, and neither a temporary file beside it nor a
  // backup (the original needs none) is left.
  void ExpectUntouched() const {
    EXPECT_EQ(ReadFile(res), original);
    EXPECT_EQ(ListFolder(gameFolder), std::vector<std::string>{"Meteor.res"});
    EXPECT_TRUE(ListFolder(program).empty());
    EXPECT_TRUE(ListFolder(user).empty());
  }
};

TEST(BackupName, StampAndCounter) {
  std::tm t{};
  t.tm_year = 2019 - 1900;
  t.tm_mon = 6;
  t.tm_mday = 19;
  t.tm_hour = 14;
  t.tm_min = 5;
  t.tm_sec = 9;
  EXPECT_EQ(TimeStamp(t), "20190719140509");
  std::tm early{};
  early.tm_year = 2001 - 1900;
  early.tm_mday = 1;
  EXPECT_EQ(TimeStamp(early), "20010101000000");
  EXPECT_EQ(BackupName("20190719140509", 1, "Meteor.res"), kFirstBackup);
  EXPECT_EQ(BackupName("20190719140509", 2, "Meteor.res"), "[20190719140509-2备份]Meteor.res");
  EXPECT_EQ(BackupName("20190719140509", 1, PathFromUtf8("流星.res")),
            "[20190719140509备份]流星.res");
  EXPECT_EQ(FileInUseMessage("/x/y/Meteor.res"),
            "无法操作“Meteor.res”文件！请确认文件是否被占用！");
}

TEST(WriteWithBackup, BacksUpTheFileOnDiskIntoTheProgramFolder) {
  SaveSetup s;
  const auto report = s.Save(RealFileSystem());
  ASSERT_TRUE(report.ok()) << report.error().detail;
  EXPECT_EQ(report->backupPath, s.program / PathFromUtf8(kFirstBackup));
  EXPECT_EQ(ReadFile(report->backupPath), s.original);
  EXPECT_EQ(ReadFile(s.res), s.content);
  EXPECT_EQ(ListFolder(s.gameFolder), std::vector<std::string>{"Meteor.res"});
  EXPECT_FALSE(fs::exists(s.user));
}

TEST(WriteWithBackup, SavesInTheSameSecondNeverOverwriteABackup) {
  SaveSetup s;
  std::vector<Bytes> versions = {s.original};
  for (int i = 1; i <= 3; ++i) {
    s.content.push_back(static_cast<std::uint8_t>(i));
    ASSERT_TRUE(s.Save(RealFileSystem()).ok());
    versions.push_back(s.content);
  }
  EXPECT_EQ(ListFolder(s.program),
            (std::vector<std::string>{"[20190719140509-2备份]Meteor.res",
                                      "[20190719140509-3备份]Meteor.res", kFirstBackup}));
  EXPECT_EQ(ReadFile(s.program / PathFromUtf8(kFirstBackup)), versions[0]);
  EXPECT_EQ(ReadFile(s.program / PathFromUtf8("[20190719140509-2备份]Meteor.res")), versions[1]);
  EXPECT_EQ(ReadFile(s.program / PathFromUtf8("[20190719140509-3备份]Meteor.res")), versions[2]);
}

TEST(WriteWithBackup, ProgramFolderThatCannotTakeTheBackupFallsBackToTheUserFolder) {
  SaveSetup s;
  FaultyFileSystem files;
  files.FailStep(FsStep::kCopyToNew, s.program);
  const auto report = s.Save(files);
  ASSERT_TRUE(report.ok()) << report.error().detail;
  EXPECT_EQ(report->backupPath, s.user / PathFromUtf8(kFirstBackup));
  EXPECT_EQ(ReadFile(report->backupPath), s.original);
  EXPECT_EQ(ReadFile(s.res), s.content);
  // The copy that failed half way in the program folder is not left looking like a backup.
  EXPECT_TRUE(ListFolder(s.program).empty());
}

#ifndef _WIN32  // symbolic links and POSIX permission bits
TEST(WriteWithBackup, SavingThroughASymbolicLinkReplacesTheTargetAndKeepsTheLink) {
  SaveSetup s;
  const fs::path target = s.dir.Folder("real") / "Meteor-data.res";
  fs::rename(s.res, target);
  fs::create_symlink(target, s.res);
  const auto report = s.Save(RealFileSystem());
  ASSERT_TRUE(report.ok()) << report.error().detail;
  EXPECT_TRUE(fs::is_symlink(s.res));
  EXPECT_EQ(fs::read_symlink(s.res), target);
  EXPECT_EQ(ReadFile(target), s.content);
  EXPECT_EQ(ReadFile(report->backupPath), s.original);
  EXPECT_EQ(report->backupPath.filename(), PathFromUtf8(kFirstBackup));
  EXPECT_EQ(ListFolder(target.parent_path()), std::vector<std::string>{"Meteor-data.res"});
}

TEST(WriteWithBackup, KeepsThePermissionBits) {
  for (const fs::perms perms :
       {fs::perms(0640), fs::perms(0604), fs::perms(0755), fs::perms(0600)}) {
    SCOPED_TRACE(static_cast<int>(perms));
    SaveSetup s;
    fs::permissions(s.res, perms, fs::perm_options::replace);
    const auto report = s.Save(RealFileSystem());
    ASSERT_TRUE(report.ok());
    EXPECT_EQ(fs::status(s.res).permissions() & fs::perms::all, perms);
    EXPECT_EQ(fs::status(report->backupPath).permissions() & fs::perms::all, perms);
  }
}

TEST(WriteWithBackup, UnknownPermissionBitsGiveAnOrdinaryNewFile) {
  // When the old bits cannot be read, the file gets the bits any new file gets
  // (0666 less the umask), not a mode that locks other users out.
  SaveSetup s;
  FaultyFileSystem files;
  files.FailStep(FsStep::kFacts);
  ASSERT_TRUE(s.Save(files).ok());
  const ::mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(fs::status(s.res).permissions() & fs::perms::all, fs::perms(0666 & ~mask));
}

#endif

std::string Repeat(std::string_view piece, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(BackupName, TooLongANameIsShortenedBeforeItsExtension) {
  // A name may take 255 bytes (on Windows also 255 UTF-16 units, which these
  // names never reach first); "[20190719140509-2备份]" takes 24 bytes.
  const std::size_t room = 255 - 24 - 4, perChinese = 3;
  const struct {
    std::string name;
    std::string expected;
  } cases[] = {
      {std::string(240, 'x') + ".res", std::string(room, 'x') + ".res"},
      // Whole characters only.
      {"A" + Repeat("测", 250) + ".res", "A" + Repeat("测", (room - 1) / perChinese) + ".res"},
      // No extension to keep.
      {std::string(300, 'z'), std::string(room + 4, 'z')},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BackupName("20190719140509", 2, PathFromUtf8(c.name)),
              "[20190719140509-2备份]" + c.expected);
  }
  // A name that fits stays whole.
  EXPECT_EQ(BackupName("20190719140509", 1, PathFromUtf8(std::string(225, 'y') + ".res")),
            "[20190719140509备份]" + std::string(225, 'y') + ".res");
}

TEST(TempFileName, CarriesTheProcessAndIsRecognisedAgain) {
  EXPECT_EQ(TempFileProcess(TempFileName(4242)), std::uint64_t{4242});
  for (const char* other : {"Meteor.res", ".tessaly-12.tmp", ".tessaly-x-1.tmp", ".tessaly-1-2.res",
                            "a.tessaly-1-2.tmp", ".tessaly--2.tmp"}) {
    EXPECT_FALSE(TempFileProcess(other)) << other;
  }
}

// A name of 240 bytes saves: its backup name would be 262 bytes long.
TEST(WriteWithBackup, LongFileNameSavesWithAShortenedBackupName) {
  SaveSetup s;
  const fs::path res = s.gameFolder / (std::string(236, 'm') + ".res");
  fs::rename(s.res, res);
  const auto report = WriteWithBackup(SaveEnvironment{RealFileSystem(), s.clock, s.program, s.user},
                                      res, s.content);
  ASSERT_TRUE(report.ok()) << report.error().detail;
  EXPECT_EQ(ReadFile(res), s.content);
  EXPECT_EQ(ReadFile(report->backupPath), s.original);
  EXPECT_TRUE(PathToUtf8(report->backupPath.filename()).ends_with("m.res"));
}

// The content goes into the file itself (same file, so its other names and
// its owner stay) when a new file could not carry its owner over, or when the
// file has further hard links.
TEST(WriteWithBackup, WritesInPlaceWhenRenamingWouldLoseOwnerOrLinks) {
  for (const bool hardLink : {true, false}) {
    SCOPED_TRACE(hardLink);
    SaveSetup s;
    const fs::path other = s.dir.Folder("elsewhere") / "same.res";
    FaultyFileSystem files;
    if (hardLink) {
      fs::create_hard_link(s.res, other);
    } else {
      files.OwnerCannotBeKept();
    }
    const auto before = RealFileSystem().Inspect(s.res);
    const auto report = s.Save(files);
    ASSERT_TRUE(report.ok()) << report.error().detail;
    EXPECT_EQ(ReadFile(s.res), s.content);
    EXPECT_EQ(ReadFile(report->backupPath), s.original);
    EXPECT_EQ(ListFolder(s.gameFolder), std::vector<std::string>{"Meteor.res"});
    if (hardLink) {
      EXPECT_EQ(ReadFile(other), s.content);
    }
    EXPECT_EQ(RealFileSystem().Inspect(s.res)->identity.index, before->identity.index);
  }
}

// A write in place that fails half way leaves a damaged file: the backup's
// bytes are put back, and then the backup is not needed.
TEST(WriteWithBackup, FailedWriteInPlaceIsUndoneFromTheBackup) {
  SaveSetup s;
  FaultyFileSystem counting;
  counting.OwnerCannotBeKept();
  ASSERT_TRUE(SaveSetup().Save(counting).ok());
  const auto& log = counting.log();
  const auto at = std::find(log.begin(), log.end(), FsStep::kWriteInPlace) - log.begin();

  FaultyFileSystem files;
  files.OwnerCannotBeKept();
  files.FailNth(static_cast<int>(at) + 1);
  const auto report = s.Save(files);
  ASSERT_FALSE(report.ok());
  EXPECT_EQ(report.error().message, FileInUseMessage(s.res));
  s.ExpectUntouched();
}

// A save killed half way leaves its temporary file; the next save in that
// folder removes such files of processes that are gone, and nothing else.
TEST(WriteWithBackup, RemovesStraysOfGoneProcessesOnly) {
  SaveSetup s;
  const std::string gone = ".tessaly-4000000000-7.tmp";  // above any process id
  const std::string unrelated = ".tessaly-notes.tmp";
  s.dir.Write("game/" + gone, Bytes{1});
  s.dir.Write("game/" + unrelated, Bytes{2});
  s.dir.Write("program/" + gone, Bytes{3});
  ASSERT_TRUE(s.Save(RealFileSystem()).ok());
  EXPECT_EQ(ListFolder(s.gameFolder), (std::vector<std::string>{unrelated, "Meteor.res"}));
  EXPECT_EQ(ListFolder(s.program), std::vector<std::string>{kFirstBackup});
}

// A second save of a file waits for the first, which holds the folder or (a
// write in place, of a file with a hard link in another folder) the file
// itself: meanwhile nothing is written, and once it is free the save runs.
TEST(WriteWithBackup, WaitsWhileAnotherSaveHoldsTheFolderOrTheFile) {
  for (const bool inPlace : {false, true}) {
    SCOPED_TRACE(inPlace);
    SaveSetup s;
    if (inPlace) fs::create_hard_link(s.res, s.dir.Folder("elsewhere") / "same.res");
    auto lock = inPlace ? RealFileSystem().LockFile(s.res)
                        : RealFileSystem().LockFolder(s.gameFolder, s.user);
    ASSERT_TRUE(lock.ok());
    std::optional<Result<SaveReport, SaveFailure>> report;
    std::thread saver([&] { report.emplace(s.Save(RealFileSystem())); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(ReadFile(s.res), s.original);
    EXPECT_TRUE(ListFolder(s.program).empty());
    lock->reset();
    saver.join();
    ASSERT_TRUE(report && report->ok());
    EXPECT_EQ(ReadFile(s.res), s.content);
  }
}

// Once the lock is held the path must still lead to the file that was read,
// unchanged; otherwise nothing is backed up or written, least of all through a link.
TEST(WriteWithBackup, FileNoLongerTheOneReadIsRefused) {
  for (const bool swappedForLink : {false, true}) {
#ifdef _WIN32
    if (swappedForLink) continue;  // symbolic links need privileges there
#endif
    SCOPED_TRACE(swappedForLink);
    SaveSetup s;
    const auto read = RealFileSystem().Inspect(s.res);
    ASSERT_TRUE(read.ok());
    FaultyFileSystem files;
    if (swappedForLink) {
      const fs::path victim = s.dir.Write("victim.res", s.original);
      fs::remove(s.res);
      fs::create_symlink(victim, s.res);
    } else {
      files.ReportChanged();
    }
    const auto report =
        WriteWithBackup(s.Env(files), s.res, s.content, {.expected = read->identity});
    ASSERT_FALSE(report.ok());
    EXPECT_EQ(report.error().kind, SaveFailure::Kind::kChanged);
    EXPECT_EQ(report.error().reason, kReasonChanged);
    s.ExpectUntouched();
  }
}

// Taken backup names are passed over before anything is copied.
TEST(WriteWithBackup, FindsAFreeBackupNameBeforeCopying) {
  SaveSetup s;
  for (int k = 1; k <= 60; ++k) {
    (void)s.dir.Write("program/" + BackupName("20190719140509", k, "Meteor.res"), {1});
  }
  FaultyFileSystem files;
  const auto report = s.Save(files);
  ASSERT_TRUE(report.ok());
  EXPECT_EQ(std::count(files.log().begin(), files.log().end(), FsStep::kCopyToNew), 1);
}

#ifndef _WIN32
// A write in place cut short keeps its record: once its process is gone the
// file is reported with its backup, until the backup is restored.
TEST(WriteWithBackup, InterruptedWriteInPlaceIsReportedUntilRestored) {
  SaveSetup s;
  s.original = test::ResBuilder().Filler(10).bytes();
  (void)s.dir.Write("game/Meteor.res", s.original);
  const SaveEnvironment env = s.Env(RealFileSystem());
  ASSERT_TRUE(test::LeaveInterruptedWrite(env, s.res));
  const auto found = FindInterruptedWrite(env, s.res);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->file, s.res);
  EXPECT_EQ(ReadFile(found->backup), s.original);
  EXPECT_NE(ReadFile(s.res), s.original);

  EXPECT_FALSE(RestoreBackup(env, s.res, s.dir.Write("not-res.res", Bytes{'x'})).ok());
  ASSERT_TRUE(RestoreBackup(env, s.res, found->backup).ok());
  EXPECT_EQ(ReadFile(s.res), s.original);
  EXPECT_FALSE(FindInterruptedWrite(env, s.res));
}
#endif

// A write in place that fails and cannot be undone is reported at once, not
// only once the process that wrote it (an editor left open) has ended.
TEST(WriteWithBackup, DamagedWriteInPlaceIsReportedWhileItsWriterLives) {
  SaveSetup s;
  FaultyFileSystem files;
  files.OwnerCannotBeKept();
  files.FailStep(FsStep::kWriteInPlace);
  const auto report = s.Save(files);
  ASSERT_FALSE(report.ok());
  EXPECT_EQ(report.error().kind, SaveFailure::Kind::kDamaged);
  const auto found = FindInterruptedWrite(s.Env(RealFileSystem()), s.res);
  ASSERT_TRUE(found);
  EXPECT_EQ(ReadFile(found->backup), s.original);
}

#ifdef __linux__
// A folder marked append-only takes new files but lets none be renamed over
// another; a file so marked cannot be rewritten. Either is refused before
// anything is written, with one reason.
TEST(WriteWithBackup, AppendOnlyFolderOrFileIsRefusedBeforeWriting) {
  if (::geteuid() != 0) GTEST_SKIP() << "chattr needs root";
  for (const bool folder : {true, false}) {
    SCOPED_TRACE(folder);
    SaveSetup s;
    if (!folder) fs::create_hard_link(s.res, s.dir.Folder("elsewhere") / "same.res");
    const std::string marked = (folder ? s.gameFolder : s.res).string();
    if (std::system(("chattr +a '" + marked + "' 2>/dev/null").c_str()) != 0) {
      GTEST_SKIP() << "no append-only mark on this file system";
    }
    const auto report = s.Save(RealFileSystem());
    EXPECT_EQ(std::system(("chattr -a '" + marked + "'").c_str()), 0);
    ASSERT_FALSE(report.ok());
    EXPECT_EQ(UserText(report.error()),
              FileInUseMessage(s.res) + "\n" + (folder ? kReasonNoReplace : kReasonReadOnly));
    s.ExpectUntouched();
  }
}
#endif

// Before anything is written: no backup, no temporary file, the file as it was.
TEST(WriteWithBackup, ReadOnlyFileIsRefused) {
  SaveSetup s;
  // No write bit for anyone: the read-only attribute on Windows, 0444 on Linux
  // (refused even for root, who could write it).
  fs::permissions(s.res, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                  fs::perm_options::replace);
  const auto report = s.Save(RealFileSystem());
  fs::permissions(s.res, fs::perms::owner_write, fs::perm_options::add);
  ASSERT_FALSE(report.ok());
  EXPECT_EQ(report.error().kind, SaveFailure::Kind::kIoFailed);
  EXPECT_EQ(UserText(report.error()), FileInUseMessage(s.res) + "\n" + kReasonReadOnly);
  s.ExpectUntouched();
}

TEST(WriteWithBackup, ChineseFolderAndFileNames) {
  SaveSetup s;
  const fs::path game = s.dir.Folder("游戏目录");
  const fs::path res = game / PathFromUtf8("流星.res");
  fs::rename(s.res, res);
  const fs::path program = s.dir.Folder("程序 目录");
  const auto report =
      WriteWithBackup(SaveEnvironment{RealFileSystem(), s.clock, program, s.user}, res, s.content);
  ASSERT_TRUE(report.ok()) << report.error().detail;
  EXPECT_EQ(report->backupPath, program / PathFromUtf8("[20190719140509备份]流星.res"));
  EXPECT_EQ(ReadFile(report->backupPath), s.original);
  EXPECT_EQ(ReadFile(res), s.content);
  EXPECT_EQ(ListFolder(game), std::vector<std::string>{"流星.res"});
}

#ifdef _WIN32
// The game or another program holding Meteor.res open, sharing nothing or
// reading only: the save is refused before a backup is made, and the
// original stays as it was.
TEST(WriteWithBackup, FileHeldOpenElsewhereIsNotReplaced) {
  for (const DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ}}) {
    SCOPED_TRACE(share);
    SaveSetup s;
    const HANDLE held = CreateFileW(s.res.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const auto report = s.Save(RealFileSystem());
    CloseHandle(held);
    ASSERT_FALSE(report.ok());
    EXPECT_EQ(report.error().kind, SaveFailure::Kind::kIoFailed);
    EXPECT_EQ(report.error().message, FileInUseMessage(s.res));
    s.ExpectUntouched();
    EXPECT_TRUE(ListFolder(s.program).empty());
  }
}

TEST(UserBackupFolder, IsUnderLocalAppData) {
  SaveSetup s;
  const fs::path local = s.dir.Folder("用户 数据");
  const wchar_t* old = _wgetenv(L"LOCALAPPDATA");
  const std::wstring before = old != nullptr ? old : L"";
  ASSERT_EQ(_wputenv((L"LOCALAPPDATA=" + local.wstring()).c_str()), 0);
  const fs::path folder = UserBackupFolder();
  (void)_wputenv((L"LOCALAPPDATA=" + before).c_str());
  EXPECT_EQ(folder, local / "tessaly" / "backups");
}
#endif

TEST(WriteWithBackup, NoOrdinaryFileAtThePathIsTheSourceMissing) {
  enum class Make { kNothing, kFolder, kDanglingLink };
#ifdef _WIN32
  const Make makes[] = {Make::kNothing, Make::kFolder};  // links need privileges there
#else
  const Make makes[] = {Make::kNothing, Make::kFolder, Make::kDanglingLink};
#endif
  for (const Make make : makes) {
    SCOPED_TRACE(static_cast<int>(make));
    SaveSetup s;
    fs::remove(s.res);
    if (make == Make::kFolder) fs::create_directory(s.res);
    if (make == Make::kDanglingLink) fs::create_symlink(s.gameFolder / "gone.res", s.res);
    const auto report = s.Save(RealFileSystem());
    ASSERT_FALSE(report.ok());
    EXPECT_EQ(report.error().kind, SaveFailure::Kind::kSourceMissing);
    EXPECT_EQ(report.error().message, kSourceMissingMessage);
    EXPECT_TRUE(ListFolder(s.program).empty());
    EXPECT_FALSE(fs::exists(s.user));
  }
}

// Each step failing on its own: the right message, the original byte-identical,
// no stray file; and a second save afterwards writes what a first one would.
TEST(WriteWithBackup, EachFailingStepLeavesTheOriginalAlone) {
  struct Case {
    const char* label;
    FsStep step;
    bool inProgramFolderOnly;
    bool reportMissing;
    SaveFailure::Kind kind;
  };
  const Case cases[] = {
      {"existence test fails", FsStep::kIsRegularFile, false, false, SaveFailure::Kind::kIoFailed},
      {"existence test says no", FsStep::kIsRegularFile, false, true,
       SaveFailure::Kind::kSourceMissing},
      {"links cannot be resolved", FsStep::kResolveLinks, false, false,
       SaveFailure::Kind::kIoFailed},
      {"backup copy fails in both folders", FsStep::kCopyToNew, false, false,
       SaveFailure::Kind::kIoFailed},
      {"folder cannot be locked", FsStep::kLockFolder, false, false, SaveFailure::Kind::kIoFailed},
      {"new file cannot be written", FsStep::kWriteNew, false, false, SaveFailure::Kind::kIoFailed},
      {"rename fails", FsStep::kRename, false, false, SaveFailure::Kind::kIoFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    SaveSetup s;
    FaultyFileSystem files;
    files.FailStep(c.step);
    if (c.reportMissing) files.ReportMissing();
    const auto report = s.Save(files);
    ASSERT_FALSE(report.ok());
    EXPECT_EQ(report.error().kind, c.kind);
    EXPECT_EQ(report.error().message, c.kind == SaveFailure::Kind::kSourceMissing
                                          ? std::string(kSourceMissingMessage)
                                          : FileInUseMessage(s.res));
    s.ExpectUntouched();

    const auto again = s.Save(RealFileSystem());
    ASSERT_TRUE(again.ok()) << again.error().detail;
    EXPECT_EQ(ReadFile(s.res), s.content);
    EXPECT_EQ(ReadFile(again->backupPath), s.original);
    EXPECT_EQ(ListFolder(s.gameFolder), std::vector<std::string>{"Meteor.res"});
  }
}

TEST(WriteWithBackup, UserFolderThatCannotBeMadeFailsTheSave) {
  SaveSetup s;
  FaultyFileSystem files;
  files.FailStep(FsStep::kCopyToNew, s.program);
  FaultyFileSystem outer(static_cast<FileSystem&>(files));
  outer.FailStep(FsStep::kCreateDirectories);
  const auto report = s.Save(outer);
  ASSERT_FALSE(report.ok());
  EXPECT_EQ(report.error().message, FileInUseMessage(s.res));
  s.ExpectUntouched();
}

// Every operation of a save failing in turn, counted from the first.
TEST(WriteWithBackup, FailingTheKthOperationNeverHarmsTheOriginal) {
  int k = 1;
  for (;; ++k) {
    SCOPED_TRACE(k);
    SaveSetup s;
#ifndef _WIN32
    fs::permissions(s.res, fs::perms(0640), fs::perm_options::replace);
#endif
    FaultyFileSystem files;
    files.FailNth(k);
    const auto report = s.Save(files);
    if (files.failures() == 0) {
      ASSERT_TRUE(report.ok());
      break;
    }
    const FsStep failed = files.log()[static_cast<std::size_t>(k - 1)];
    SCOPED_TRACE(test::StepName(failed));
    if (report.ok()) {
      // Only a step with a way around may fail without failing the save.
      EXPECT_TRUE(failed == FsStep::kCopyToNew || failed == FsStep::kFacts ||
                  failed == FsStep::kRemove || failed == FsStep::kRemoveStrays ||
                  failed == FsStep::kExists);
      EXPECT_EQ(ReadFile(s.res), s.content);
      EXPECT_EQ(ReadFile(report->backupPath), s.original);
      EXPECT_EQ(ListFolder(s.gameFolder), std::vector<std::string>{"Meteor.res"});
      if (failed == FsStep::kCopyToNew) {
        EXPECT_TRUE(ListFolder(s.program).empty());
      }
      continue;
    }
    EXPECT_EQ(report.error().kind, SaveFailure::Kind::kIoFailed);
    EXPECT_EQ(report.error().message, FileInUseMessage(s.res));
    s.ExpectUntouched();
    const auto again = s.Save(RealFileSystem());
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(ReadFile(s.res), s.content);
#ifndef _WIN32  // Windows has no permission bits to keep
    EXPECT_EQ(fs::status(s.res).permissions() & fs::perms::all, fs::perms(0640));
#endif
  }
  // existence, links, writable, lock, strays, facts, backup, write, rename
  EXPECT_GE(k, 9);
}

}  // namespace
}  // namespace tessaly
