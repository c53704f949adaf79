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

// Held while a save of a file in one folder runs; other Tessaly processes
// that save in that folder wait for it. Released when destroyed.
class FolderLock {
 public:
  virtual ~FolderLock() = default;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Whether an ordinary (regular) file is at the path, following symbolic links;
  // a folder or a device counts as no file.
  [[nodiscard]] virtual Result<bool, IoError> IsRegularFile(const std::filesystem::path& p) = 0;
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
  [[nodiscard]] virtual Result<std::unique_ptr<FolderLock>, IoError> LockFolder(
      const std::filesystem::path& folder) = 0;
  // Removes the temporary files that a save killed half way left in `folder`
  // (only our own naming pattern, only of processes that are gone).
  virtual void RemoveStrays(const std::filesystem::path& folder) = 0;
  [[nodiscard]] virtual IoStatus CreateDirectories(const std::filesystem::path& dir) = 0;
  // Copies `from` to `to` whole or not at all: the copy is written and flushed
  // without a name (or under a temporary one) and named `to` only then. Fails
  // with kAlreadyExists rather than replace `to`.
  [[nodiscard]] virtual IoStatus CopyToNew(const std::filesystem::path& from,
                                           const std::filesystem::path& to) = 0;
  // Creates `to` (kAlreadyExists if it is there) holding `bytes`, flushed, with
  // the mode, owner and group of `facts` where given. Nothing is left on failure.
  [[nodiscard]] virtual IoStatus WriteNew(const std::filesystem::path& to,
                                          std::span<const std::uint8_t> bytes,
                                          const std::optional<FileFacts>& facts) = 0;
  // Writes `bytes` over the existing file itself (same file, owner, links and
  // attributes), cuts it to their length and flushes it.
  [[nodiscard]] virtual IoStatus WriteInPlace(const std::filesystem::path& file,
                                              std::span<const std::uint8_t> bytes) = 0;
  // Replaces `to` with `from` in one step. On Windows through ReplaceFileW,
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
// the program's folder cannot take them.
struct SaveEnvironment {
  FileSystem& fs;
  Clock& clock;
  std::filesystem::path programFolder;
  std::filesystem::path userBackupFolder;
};

// The environment of the running program: real files, the system clock, the
// folder of the executable and the user's data folder for the application.
[[nodiscard]] SaveEnvironment DefaultSaveEnvironment();

// The folder holding the running executable.
[[nodiscard]] std::filesystem::path ProgramFolder();
// $XDG_DATA_HOME/tessaly/backups (default ~/.local/share/tessaly/backups) on
// Linux, %LOCALAPPDATA%\tessaly\backups on Windows.
[[nodiscard]] std::filesystem::path UserBackupFolder();

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

// Saves `content` at `resPath`. With the folder locked against other Tessaly
// saves, it copies the file on disk to a new backup (whole or not at all),
// then writes the content to a new file in the same folder with the old
// file's mode, owner and group, flushes it and renames it over the original
// (or over the file a symbolic link names, keeping the link). Where the owner
// cannot be kept that way, or the file has further hard links, the content is
// written into the file itself once the backup is safe. A read-only file is
// refused before anything is written. On any failure the original is
// byte-identical and neither a temporary file nor the new backup is left.
[[nodiscard]] Result<SaveReport, SaveFailure> WriteWithBackup(
    const SaveEnvironment& env, const std::filesystem::path& resPath,
    std::span<const std::uint8_t> content);

}  // namespace tessaly
