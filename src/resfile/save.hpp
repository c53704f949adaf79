#pragma once

// Writing a new Meteor.res over the old one, after a backup copy of the old one.
// Every file-system step and the clock sit behind small interfaces so tests can
// fix the time and make any step fail.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "loader.hpp"
#include "result.hpp"

namespace tessaly {

struct IoError {
  enum class Code { kAlreadyExists, kPermission, kOther };
  Code code = Code::kOther;
  std::string detail;  // the path and the system's own words, for logs and the command line
  std::string reason;  // why, in Chinese, for the user; empty when there is nothing to add
};
using IoStatus = Result<void, IoError>;

// What a replacement file takes over from the file it replaces.
struct FileFacts {
  std::filesystem::perms perms = std::filesystem::perms::unknown;
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
  std::uint64_t links = 1;
  // A new file made by this process can be given the owner and group above
  // (always for root; for others only their own file, in one of their groups).
  bool ownerCanBeKept = true;
};

// Held while a save runs: of a folder (other Tessaly processes that save in
// it wait) or of one file (other Tessaly processes that write into that file
// wait). Released when destroyed.
class FsLock {
 public:
  virtual ~FsLock() = default;
};

// Bytes a new file shares with the file it replaces: `bytes` were read from
// `file` while it had `identity`. A piece of the new content lying inside
// `bytes` may be copied from the file, at the same offset, by the kernel
// (no pass through this process's memory), as long as the file keeps that
// identity.
struct SharedBytes {
  std::filesystem::path file;
  std::span<const std::uint8_t> bytes;
  FileIdentity identity;
};

// What a path leads to once symbolic links are followed.
struct PathState {
  enum class Kind { kNothing, kRegularFile, kOther };
  Kind kind = Kind::kNothing;
  FileIdentity identity;  // of a regular file
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Whether an ordinary (regular) file is at the path, following symbolic links;
  // a folder or a device counts as no file.
  [[nodiscard]] virtual Result<bool, IoError> IsRegularFile(const std::filesystem::path& p) = 0;
  // What the path leads to now, and the identity of a regular file there.
  [[nodiscard]] virtual Result<PathState, IoError> Inspect(const std::filesystem::path& p) = 0;
  // Whether anything has the name, a dangling symbolic link included.
  [[nodiscard]] virtual bool Exists(const std::filesystem::path& p) = 0;
  // The file a path finally names once symbolic links are followed.
  [[nodiscard]] virtual Result<std::filesystem::path, IoError> ResolveLinks(
      const std::filesystem::path& p) = 0;
  // Whether this program may change the file: write permission on Linux (a
  // file nobody may write, such as 0444, counts as read-only even for root),
  // on Windows no read-only attribute and no other program holding it open
  // against writers. False comes with no error; an error means it is unknown.
  [[nodiscard]] virtual Result<bool, IoError> IsWritable(const std::filesystem::path& p) = 0;
  // Mode, owner, group and link count of a file; nothing when unknown.
  [[nodiscard]] virtual std::optional<FileFacts> Facts(const std::filesystem::path& p) = 0;
  // Waits (a bounded time) until no other Tessaly process saves in `folder`.
  // Where the folder itself cannot be locked (it may not be read), a lock file
  // named by the folder's identity in `lockFiles` stands for it.
  [[nodiscard]] virtual Result<std::unique_ptr<FsLock>, IoError> LockFolder(
      const std::filesystem::path& folder, const std::filesystem::path& lockFiles) = 0;
  // Waits (a bounded time) until no other Tessaly process writes into `file`.
  [[nodiscard]] virtual Result<std::unique_ptr<FsLock>, IoError> LockFile(
      const std::filesystem::path& file) = 0;
  // Whether a file in `folder` can be replaced by renaming another over it:
  // not in a folder marked append-only or immutable.
  [[nodiscard]] virtual Result<bool, IoError> AllowsReplace(
      const std::filesystem::path& folder) = 0;
  // Removes the temporary files that a save killed half way left in `folder`
  // (only our own naming pattern, only of processes that are gone).
  virtual void RemoveStrays(const std::filesystem::path& folder) = 0;
  [[nodiscard]] virtual IoStatus CreateDirectories(const std::filesystem::path& dir) = 0;
  // Copies the ordinary file `from` to `to` whole or not at all: the copy is
  // written and flushed without a name (or under a temporary one), given the
  // permission bits of `from`, and named `to` only then. Fails with
  // kAlreadyExists rather than replace `to`.
  [[nodiscard]] virtual IoStatus CopyToNew(const std::filesystem::path& from,
                                           const std::filesystem::path& to) = 0;
  // Creates `to` (kAlreadyExists if it is there) holding `bytes`, flushed, with
  // the mode, owner and group of `facts` where given, taking what it can from
  // `shared` (when given; it fails if that file changes meanwhile). Nothing
  // is left on failure.
  [[nodiscard]] virtual IoStatus WriteNew(const std::filesystem::path& to, Pieces bytes,
                                          const std::optional<FileFacts>& facts,
                                          const SharedBytes* shared) = 0;
  // Writes `bytes` over the existing file itself (same file, owner, links and
  // attributes; a symbolic link is refused), cuts it to their length and
  // flushes it.
  [[nodiscard]] virtual IoStatus WriteInPlace(const std::filesystem::path& file, Pieces bytes) = 0;
  // Replaces `to` with `from` in one step, and flushes the folder. On Windows through ReplaceFileW,
  // which keeps the replaced file's attributes, creation time and access
  // control list, with a plain rename where that is refused.
  [[nodiscard]] virtual IoStatus Rename(const std::filesystem::path& from,
                                        const std::filesystem::path& to) = 0;
  // Removes a file, quietly; used to clean up after a failure.
  virtual void Remove(const std::filesystem::path& p) = 0;
};

// The real file system of the machine.
[[nodiscard]] FileSystem& RealFileSystem();

class Clock {
 public:
  virtual ~Clock() = default;
  [[nodiscard]] virtual std::tm LocalNow() = 0;
};

[[nodiscard]] Clock& SystemClock();

// Where backups go: the program's folder, and a folder of the user's for when
// the program's folder cannot take them. The user's folder also keeps the
// records of writes in place (see FindInterruptedWrite) and, unless
// `lockFolder` is given, the lock files of folders that cannot be locked
// themselves.
struct SaveEnvironment {
  FileSystem& fs;
  Clock& clock;
  std::filesystem::path programFolder;
  std::filesystem::path userBackupFolder;
  std::filesystem::path lockFolder;
};

// The environment of the running program: real files, the system clock, the
// folder of the executable, the user's data folder for the application, and
// lock files in $XDG_RUNTIME_DIR/tessaly where there is one.
[[nodiscard]] SaveEnvironment DefaultSaveEnvironment();

// The folder holding the running executable.
[[nodiscard]] std::filesystem::path ProgramFolder();
// $XDG_DATA_HOME/tessaly/backups (default ~/.local/share/tessaly/backups) on
// Linux, %LOCALAPPDATA%\tessaly\backups on Windows.
[[nodiscard]] std::filesystem::path UserBackupFolder();

// The folder a path lies in; "." for a bare name.
[[nodiscard]] inline std::filesystem::path FolderOf(const std::filesystem::path& p) {
  return p.has_parent_path() ? p.parent_path() : std::filesystem::path(".");
}

// "yyyymmddhhnnss" of a local time.
[[nodiscard]] std::string TimeStamp(const std::tm& local);

// The longest file name a folder takes: 255 bytes on Linux, 255 UTF-16 units
// on Windows (and 255 bytes again for Windows programs run under Wine).
inline constexpr std::size_t kMaxFileNameLength = 255;

// "[" stamp "备份]" name for the first backup of a second; "[" stamp "-k备份]"
// name for the k-th (k >= 2), so no backup is ever overwritten. A name that
// would pass kMaxFileNameLength is shortened before its extension, keeping
// whole characters.
[[nodiscard]] std::string BackupName(const std::string& stamp, int k,
                                     const std::filesystem::path& fileName);

inline constexpr std::string_view kSourceMissingMessage = "原始文件未找到!";
// 无法操作“<file name>”文件！请确认文件是否被占用！
[[nodiscard]] std::string FileInUseMessage(const std::filesystem::path& resPath);

struct SaveFailure {
  enum class Kind {
    kSourceMissing,  // no ordinary file at the path: nothing was done
    kIoFailed,       // a file-system step failed; the original is unchanged
    kChanged,        // the file is no longer the one that was read: nothing was done
    kDamaged,        // a write into the file itself failed and could not be undone
    kReloadFailed,   // the file was written but could not be read back
  };
  Kind kind = Kind::kIoFailed;
  std::string message;  // for the user
  std::string detail;   // what exactly failed, for logs and the command line
  std::string reason;   // why, in Chinese, when known: the second line for the user
};

// What the user is shown: the message, and the reason on a second line.
[[nodiscard]] std::string UserText(const SaveFailure& failure);

struct SaveReport {
  std::filesystem::path backupPath;
};

// The locks a save of one file holds: its folder's, and the file's own while
// the file is written in place. Taken before the file is loaded, they make
// loading, checking and saving one step against other Tessaly processes.
class SaveLock {
 public:
  SaveLock(std::filesystem::path target, std::unique_ptr<FsLock> folder)
      : target_(std::move(target)), folder_(std::move(folder)) {}
  // The file the path named (symbolic links followed) when the lock was taken.
  [[nodiscard]] const std::filesystem::path& target() const { return target_; }
  [[nodiscard]] bool holdsFile() const { return file_ != nullptr; }
  void AddFileLock(std::unique_ptr<FsLock> file) { file_ = std::move(file); }

 private:
  std::filesystem::path target_;
  std::unique_ptr<FsLock> folder_;
  std::unique_ptr<FsLock> file_;
};

// Waits for other Tessaly saves of the file at `resPath` and locks it for
// this one (see SaveLock).
[[nodiscard]] Result<SaveLock, SaveFailure> LockForSave(const SaveEnvironment& env,
                                                        const std::filesystem::path& resPath);

// How a save checks the file it replaces.
struct SaveCheck {
  // The identity of the file when it was read: the save is refused (kChanged)
  // unless the path still leads to that file, unchanged. Nothing skips the check.
  std::optional<FileIdentity> expected;
  // The bytes read from that file, which the new content may share with it.
  std::span<const std::uint8_t> loaded;
  // A lock the caller took before loading; otherwise the save takes its own.
  SaveLock* lock = nullptr;
};

// Saves `content` at `resPath`. With the folder locked against other Tessaly
// saves, and the path checked to lead to the file that was read, it copies
// the file on disk to a new backup (whole or not at all),
// then writes the content to a new file in the same folder with the old
// file's mode, owner and group, flushes it and renames it over the original
// (or over the file a symbolic link names, keeping the link). Where the owner
// cannot be kept that way, or the file has further hard links, the content is
// written into the file itself once the backup is safe, under a record of the
// write (see FindInterruptedWrite) that goes once the file is flushed. A
// read-only file, or a folder where the new file could not be renamed into
// place, is refused before anything is written. On any failure but kDamaged
// the original is byte-identical and neither a temporary file nor the new
// backup is left. A successful save removes any record of an interrupted
// write into the file it replaced.
[[nodiscard]] Result<SaveReport, SaveFailure> WriteWithBackup(const SaveEnvironment& env,
                                                              const std::filesystem::path& resPath,
                                                              Pieces content,
                                                              const SaveCheck& check = {});
[[nodiscard]] Result<SaveReport, SaveFailure> WriteWithBackup(const SaveEnvironment& env,
                                                              const std::filesystem::path& resPath,
                                                              std::span<const std::uint8_t> content,
                                                              const SaveCheck& check = {});

// A write into a file itself that did not finish: the file may hold part of
// the new content over the old; the backup holds the old.
struct InterruptedWrite {
  std::filesystem::path file;    // as the save named it
  std::filesystem::path backup;  // the old content
};

// The record of an interrupted write into the file `path` leads to, kept in
// env.userBackupFolder, when the process that wrote is gone; nothing when
// there is none (or its writer still runs).
[[nodiscard]] std::optional<InterruptedWrite> FindInterruptedWrite(
    const SaveEnvironment& env, const std::filesystem::path& path);

// 文件“<name>”上次保存时被中断… and where the backup is, for the user.
[[nodiscard]] std::string InterruptedWriteMessage(const InterruptedWrite& write);

// Why RestoreBackup did not restore: a backup that is no Meteor.res or cannot
// be read (nothing was done), or a failure of the save.
struct RestoreFailure {
  std::optional<SaveFailure> save;
  std::string message;  // for the user
};

// Writes the bytes of `backup`, once it loads as a Meteor.res, to `file`
// through WriteWithBackup (so `file` is backed up first), which also clears
// a record of an interrupted write into `file`.
[[nodiscard]] Result<SaveReport, RestoreFailure> RestoreBackup(const SaveEnvironment& env,
                                                               const std::filesystem::path& file,
                                                               const std::filesystem::path& backup);

}  // namespace tessaly
