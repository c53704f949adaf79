#include "save.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "io_reason.hpp"
#include "loader.hpp"
#include "temp_names.hpp"
#include "text_path.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace tessaly {
namespace {

class RealClock final : public Clock {
 public:
  std::tm LocalNow() override {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local;
  }
};

std::uint64_t CurrentProcessId() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<std::uint64_t>(::getpid());
#endif
}

// The system's temporary folder, or the current one when even that is unknown.
fs::path TempFolder() {
  std::error_code ec;
  fs::path temp = fs::temp_directory_path(ec);
  if (ec) temp = fs::current_path(ec);
  return temp;
}

// How long a name is to the file system: its UTF-8 bytes on Linux; on
// Windows the larger of its UTF-16 units (what NTFS counts) and its UTF-8
// bytes (what the Linux file system under Wine counts).
std::size_t NameLength(std::string_view utf8) {
#ifdef _WIN32
  std::size_t units = 0;
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    if ((b & 0xC0U) != 0x80U) units += b >= 0xF0 ? 2 : 1;
  }
  return std::max(units, utf8.size());
#else
  return utf8.size();
#endif
}

// `text` without its last character (a whole UTF-8 sequence).
void DropLastCharacter(std::string& text) {
  while (!text.empty()) {
    const auto b = static_cast<unsigned char>(text.back());
    text.pop_back();
    if ((b & 0xC0U) != 0x80U) break;
  }
}

// Copies the file into the first backup name of the folder that is still free.
Result<fs::path, IoError> CopyToFreeBackupName(FileSystem& files, const fs::path& source,
                                               const fs::path& folder, const std::string& stamp,
                                               const fs::path& fileName) {
  IoError last{IoError::Code::kOther, "no free backup name", ""};
  for (int k = 1; k <= 1000; ++k) {
    const fs::path candidate = folder / PathFromUtf8(BackupName(stamp, k, fileName));
    const IoStatus copied = files.CopyToNew(source, candidate);
    if (copied) return candidate;
    last = copied.error();
    if (last.code != IoError::Code::kAlreadyExists) break;
  }
  return Fail(last);
}

}  // namespace

Clock& SystemClock() {
  static RealClock instance;
  return instance;
}

fs::path ProgramFolder() {
#ifdef _WIN32
  std::wstring buffer(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  buffer.resize(n);
  return fs::path(buffer).parent_path();
#else
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return fs::current_path(ec);
  return exe.parent_path();
#endif
}

fs::path UserBackupFolder() {
#ifdef _WIN32
  if (const wchar_t* local = _wgetenv(L"LOCALAPPDATA"); local != nullptr && *local != 0) {
    return fs::path(local) / "tessaly" / "backups";
  }
  return TempFolder() / "tessaly" / "backups";
#else
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/') {
    return fs::path(data) / "tessaly" / "backups";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0) {
    return fs::path(home) / ".local" / "share" / "tessaly" / "backups";
  }
  return TempFolder() / "tessaly" / "backups";
#endif
}

SaveEnvironment DefaultSaveEnvironment() {
  return SaveEnvironment{RealFileSystem(), SystemClock(), ProgramFolder(), UserBackupFolder()};
}

std::string TimeStamp(const std::tm& local) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d%02d%02d%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return buffer;
}

std::string BackupName(const std::string& stamp, int k, const fs::path& fileName) {
  std::string prefix = "[" + stamp;
  if (k >= 2) prefix += "-" + std::to_string(k);
  prefix += "备份]";
  std::string name = PathToUtf8(fileName);
  if (NameLength(prefix) + NameLength(name) <= kMaxFileNameLength) return prefix + name;
  // Too long for the folder: shorten the name before its extension, so the
  // backup still opens with the same program.
  std::string extension;
  if (const auto dot = name.rfind('.');
      dot != std::string::npos && dot > 0 && name.size() - dot <= 16) {
    extension = name.substr(dot);
    name.resize(dot);
  }
  while (!name.empty() &&
         NameLength(prefix) + NameLength(name) + NameLength(extension) > kMaxFileNameLength) {
    DropLastCharacter(name);
  }
  return prefix + name + extension;
}

std::string FileInUseMessage(const fs::path& resPath) {
  return "无法操作“" + PathToUtf8(resPath.filename()) + "”文件！请确认文件是否被占用！";
}

std::string UserText(const SaveFailure& failure) {
  if (failure.reason.empty()) return failure.message;
  return failure.message + "\n" + failure.reason;
}

Result<SaveReport, SaveFailure> WriteWithBackup(const SaveEnvironment& env, const fs::path& resPath,
                                                std::span<const std::uint8_t> content) {
  FileSystem& files = env.fs;
  const auto ioFailure = [&](const IoError& error) {
    return Fail(SaveFailure{SaveFailure::Kind::kIoFailed, FileInUseMessage(resPath), error.detail,
                            error.reason});
  };

  const auto exists = files.IsRegularFile(resPath);
  if (!exists) return ioFailure(exists.error());
  if (!exists.value()) {
    return Fail(SaveFailure{SaveFailure::Kind::kSourceMissing, std::string(kSourceMissingMessage),
                            PathToUtf8(resPath), ""});
  }
  const auto target = files.ResolveLinks(resPath);
  if (!target) return ioFailure(target.error());
  // A file the user may not change is refused before anything is written.
  const auto writable = files.IsWritable(*target);
  if (!writable) return ioFailure(writable.error());
  if (!writable.value()) {
    return ioFailure(
        IoError{IoError::Code::kPermission, PathToUtf8(*target) + ": read-only", kReasonReadOnly});
  }

  // From here until the new file is in place no other Tessaly saves in this
  // folder, so the backup taken below is of the file that this save replaces
  // and every version reported saved is either the file or in a backup.
  const fs::path folder = target->has_parent_path() ? target->parent_path() : fs::path(".");
  auto lock = files.LockFolder(folder);
  if (!lock) return ioFailure(lock.error());
  files.RemoveStrays(folder);

  const auto facts = files.Facts(*target);
  // Renaming a new file over the old one would hand the file to this user, or
  // split it from its other hard links: then the content goes into the file
  // itself, once the backup is safe.
  bool inPlace = facts && (!facts->ownerCanBeKept || facts->links > 1);

  // The backup must exist, whole and flushed, before the original is touched.
  const std::string stamp = TimeStamp(env.clock.LocalNow());
  const fs::path fileName = resPath.filename();
  auto backup = CopyToFreeBackupName(files, *target, env.programFolder, stamp, fileName);
  if (!backup) {
    const IoError first = backup.error();
    const IoStatus made = files.CreateDirectories(env.userBackupFolder);
    if (!made) {
      return ioFailure(
          IoError{made.error().code, first.detail + "; " + made.error().detail, first.reason});
    }
    backup = CopyToFreeBackupName(files, *target, env.userBackupFolder, stamp, fileName);
    if (!backup) {
      return ioFailure(IoError{backup.error().code, first.detail + "; " + backup.error().detail,
                               backup.error().reason});
    }
  }
  // A save that fails leaves the original as it was, so its backup is clutter.
  const auto failed = [&](const IoError& error) {
    files.Remove(*backup);
    return ioFailure(error);
  };

  if (!inPlace) {
    fs::path temp;
    IoStatus written = Fail(IoError{});
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      temp = folder / TempFileName(CurrentProcessId());
      written = files.WriteNew(temp, content, facts);
      if (written || written.error().code != IoError::Code::kAlreadyExists) break;
    }
    if (written) {
      if (const IoStatus renamed = files.Rename(temp, *target); !renamed) {
        files.Remove(temp);
        return failed(renamed.error());
      }
      return SaveReport{*backup};
    }
    // A folder that takes no new file may still let the file itself be written.
    if (written.error().code != IoError::Code::kPermission) return failed(written.error());
    inPlace = true;
  }

  if (const IoStatus written = files.WriteInPlace(*target, content); !written) {
    // The file may be half written: put the backup's bytes back.
    auto original = ReadWholeFile(*backup);
    if (original && files.WriteInPlace(*target, *original)) return failed(written.error());
    IoError kept = written.error();
    kept.reason += "；原文件的备份在“" + PathToUtf8(*backup) + "”";
    return ioFailure(kept);
  }
  return SaveReport{*backup};
}

}  // namespace tessaly
