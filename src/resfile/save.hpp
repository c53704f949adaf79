#pragma once

// Writing a new Meteor.res over the old one, after a backup copy of the old one.
// Every file-system step and the clock sit behind small interfaces so tests can
// fix the time and make any step fail.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "result.hpp"

namespace tessaly {

struct IoError {
  enum class Code { kAlreadyExists, kOther };
  Code code = Code::kOther;
  std::string detail;
};
using IoStatus = Result<void, IoError>;

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Whether an ordinary (regular) file is at the path, following symbolic links;
  // a folder or a device counts as no file.
  [[nodiscard]] virtual Result<bool, IoError> IsRegularFile(const std::filesystem::path& p) = 0;
  // The file a path finally names once symbolic links are followed.
  [[nodiscard]] virtual Result<std::filesystem::path, IoError> ResolveLinks(
      const std::filesystem::path& p) = 0;
  // Whether this program may change the file: write permission on Linux, no
  // read-only attribute on Windows. A file that nobody may write (0444) counts
  // as read-only even for root.
  [[nodiscard]] virtual Result<bool, IoError> IsWritable(const std::filesystem::path& p) = 0;
  [[nodiscard]] virtual std::optional<std::filesystem::perms> Permissions(
      const std::filesystem::path& p) = 0;
  [[nodiscard]] virtual IoStatus CreateDirectories(const std::filesystem::path& dir) = 0;
  // Copies `from` to `to`; fails with kAlreadyExists rather than replace `to`.
  [[nodiscard]] virtual IoStatus CopyToNew(const std::filesystem::path& from,
                                           const std::filesystem::path& to) = 0;
  // Creates `to` (kAlreadyExists if it is there) with the given permissions and writes `bytes`.
  [[nodiscard]] virtual IoStatus WriteNew(const std::filesystem::path& to,
                                          std::span<const std::uint8_t> bytes,
                                          std::optional<std::filesystem::perms> perms) = 0;
  // Makes the written content of `file` durable.
  [[nodiscard]] virtual IoStatus Flush(const std::filesystem::path& file) = 0;
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

// "[" stamp "备份]" name for the first backup of a second; "[" stamp "-k备份]"
// name for the k-th (k >= 2), so no backup is ever overwritten.
[[nodiscard]] std::string BackupName(const std::string& stamp, int k,
                                     const std::filesystem::path& fileName);

inline constexpr std::string_view kSourceMissingMessage = "原始文件未找到!";
// 无法操作“<file name>”文件！请确认文件是否被占用！
[[nodiscard]] std::string FileInUseMessage(const std::filesystem::path& resPath);

struct SaveFailure {
  enum class Kind {
    kSourceMissing,  // no ordinary file at the path: nothing was done
    kInvalidValue,   // a value of the table cannot be stored: nothing was done
    kIoFailed,       // a file-system step failed; the original is unchanged
    kReloadFailed,   // the file was written but could not be read back
  };
  Kind kind = Kind::kIoFailed;
  std::string message;  // for the user
  std::string detail;   // what exactly failed, for logs and the command line
};

struct SaveReport {
  std::filesystem::path backupPath;
};

// Saves `content` at `resPath`: copies the file on disk to a new backup, writes
// the content to a temporary file in the same folder, flushes it and renames it
// over the original (or over the file a symbolic link names, keeping the link).
// On any failure the original is byte-identical and no temporary file is left.
[[nodiscard]] Result<SaveReport, SaveFailure> WriteWithBackup(
    const SaveEnvironment& env, const std::filesystem::path& resPath,
    std::span<const std::uint8_t> content);

}  // namespace tessaly
