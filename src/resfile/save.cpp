#include "save.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "decimal.hpp"
#include "io_reason.hpp"
#include "loader.hpp"
#include "platform.hpp"
#include "temp_names.hpp"
#include "text_path.hpp"
#include "utf8.hpp"

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
    if (!IsUtf8Continuation(b)) units += Utf8SequenceLength(b) == 4 ? 2 : 1;
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
    if (!IsUtf8Continuation(b)) break;
  }
}

// Copies the file into the first backup name of the folder that is still free:
// taken names are passed over before anything is copied, and a name taken
// while the copy was made (by a save in another folder) moves on to the next.
// Stray temporary files of killed saves go first.
Result<fs::path, IoError> CopyToFreeBackupName(FileSystem& files, const fs::path& source,
                                               const fs::path& folder, const std::string& stamp,
                                               const fs::path& fileName) {
  files.RemoveStrays(folder);
  IoError last{IoError::Code::kOther, "no free backup name", ""};
  for (int k = 1; k <= 1000; ++k) {
    const fs::path candidate = folder / PathFromUtf8(BackupName(stamp, k, fileName));
    if (files.Exists(candidate)) continue;
    const IoStatus copied = files.CopyToNew(source, candidate);
    if (copied) return candidate;
    last = copied.error();
    if (last.code != IoError::Code::kAlreadyExists) break;
  }
  return Fail(last);
}

fs::path LockFilesFolder(const SaveEnvironment& env) {
  return env.lockFolder.empty() ? env.userBackupFolder / ".locks" : env.lockFolder;
}

// Renaming a new file over the old one would hand the file to this user, or
// split it from its other hard links: then the content goes into the file
// itself, once the backup is safe.
bool WritesInPlace(const std::optional<FileFacts>& facts) {
  return facts && (!facts->ownerCanBeKept || facts->links > 1);
}

Failure<SaveFailure> IoFailure(const fs::path& resPath, const IoError& error) {
  return Fail(SaveFailure{SaveFailure::Kind::kIoFailed, FileInUseMessage(resPath), error.detail,
                          error.reason});
}

Failure<SaveFailure> SourceMissing(const fs::path& resPath) {
  return Fail(SaveFailure{SaveFailure::Kind::kSourceMissing, std::string(kSourceMissingMessage),
                          PathForMessage(resPath), ""});
}

Failure<SaveFailure> Changed(const fs::path& resPath, const char* what) {
  return Fail(SaveFailure{SaveFailure::Kind::kChanged, FileInUseMessage(resPath),
                          PathForMessage(resPath) + ": " + what, kReasonChanged});
}

// The record of a write in place: which file, which backup holds its old
// bytes, which process writes. One small text file per file (named by the
// file's volume and index, so every hard link of it finds the same record),
// with a value per line, bytes that could break a line written as %XX.
constexpr std::string_view kRecordTitle =
    "Tessaly: a write into this file has not finished while this record exists";

fs::path RecordPath(const fs::path& folder, const FileIdentity& file) {
  return folder / ("tessaly-interrupted-" + std::to_string(file.volume) + "-" +
                   std::to_string(file.index) + ".txt");
}

std::string Escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b != 0x7F && c != '%') {
      out += c;
      continue;
    }
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += '%';
    out += kDigits[b >> 4];
    out += kDigits[b & 0xFU];
  }
  return out;
}

std::string Unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned byte = 0;
    const char* hex = text.data() + i + 1;
    if (text[i] == '%' && i + 2 < text.size() &&
        std::from_chars(hex, hex + 2, byte, 16).ptr == hex + 2) {
      out += static_cast<char>(byte);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A writer of process 0 is none: the record of a write that failed and could
// not be undone, which stands while its process lives on (an editor stays open).
std::string RecordText(const fs::path& file, const fs::path& backup,
                       const platform::ProcessStamp& writer) {
  return std::string(kRecordTitle) + "\nfile=" + Escaped(PathToUtf8(file)) +
         "\nbackup=" + Escaped(PathToUtf8(backup)) + "\nprocess=" + std::to_string(writer.id) +
         " " + std::to_string(writer.started) + "\n";
}

struct Record {
  InterruptedWrite write;
  platform::ProcessStamp writer;
};

std::optional<Record> ParseRecord(std::string_view text) {
  Record record;
  bool file = false;
  bool backup = false;
  bool process = false;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (line.starts_with("file=")) {
      record.write.file = PathFromUtf8(Unescaped(line.substr(5)));
      file = true;
    } else if (line.starts_with("backup=")) {
      record.write.backup = PathFromUtf8(Unescaped(line.substr(7)));
      backup = true;
    } else if (line.starts_with("process=")) {
      const std::string_view numbers = line.substr(8);
      const std::size_t blank = std::min(numbers.find(' '), numbers.size());
      const auto id = ParseDecimal(numbers.substr(0, blank));
      record.writer.id = id.value_or(0);
      record.writer.started =
          ParseDecimal(numbers.substr(std::min(blank + 1, numbers.size()))).value_or(0);
      process = id.has_value();
    }
  }
  if (!file || !backup || !process) return std::nullopt;
  return record;
}

// Puts the record in place, flushed, replacing an older one of the same file.
IoStatus WriteRecord(FileSystem& files, const fs::path& folder, const fs::path& record,
                     const std::string& text) {
  if (IoStatus made = files.CreateDirectories(folder); !made) return made;
  files.RemoveStrays(folder);
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                            text.size());
  const std::span<const std::uint8_t> pieces[] = {bytes};
  const fs::path temp = folder / TempFileName(platform::CurrentProcess().id);
  if (IoStatus written = files.WriteNew(temp, pieces, std::nullopt, nullptr); !written) {
    return written;
  }
  if (IoStatus renamed = files.Rename(temp, record); !renamed) {
    files.Remove(temp);
    return renamed;
  }
  return {};
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
  fs::path locks;
#ifndef _WIN32
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/') {
    locks = fs::path(runtime) / "tessaly";
  }
#endif
  return SaveEnvironment{RealFileSystem(), SystemClock(), ProgramFolder(), UserBackupFolder(),
                         locks};
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
  return "无法操作“" + ForMessage(PathToUtf8(resPath.filename())) + "”文件！请确认文件是否被占用！";
}

std::string UserText(const SaveFailure& failure) {
  if (failure.reason.empty()) return failure.message;
  return failure.message + "\n" + failure.reason;
}

Result<SaveLock, SaveFailure> LockForSave(const SaveEnvironment& env, const fs::path& resPath) {
  FileSystem& files = env.fs;
  const auto exists = files.IsRegularFile(resPath);
  if (!exists) return IoFailure(resPath, exists.error());
  if (!exists.value()) return SourceMissing(resPath);
  const auto target = files.ResolveLinks(resPath);
  if (!target) return IoFailure(resPath, target.error());
  auto folder = files.LockFolder(FolderOf(*target), LockFilesFolder(env));
  if (!folder) return IoFailure(resPath, folder.error());
  SaveLock lock(*target, std::move(folder).value());
  // A file written in place is locked itself as well, so that its saves
  // through hard links in other folders take turns too.
  if (WritesInPlace(files.Facts(*target))) {
    auto file = files.LockFile(*target);
    if (!file) return IoFailure(resPath, file.error());
    lock.AddFileLock(std::move(file).value());
  }
  return lock;
}

Result<SaveReport, SaveFailure> WriteWithBackup(const SaveEnvironment& env, const fs::path& resPath,
                                                std::span<const std::uint8_t> content,
                                                const SaveCheck& check) {
  const std::span<const std::uint8_t> pieces[] = {content};
  return WriteWithBackup(env, resPath, pieces, check);
}

Result<SaveReport, SaveFailure> WriteWithBackup(const SaveEnvironment& env, const fs::path& resPath,
                                                Pieces content, const SaveCheck& check) {
  FileSystem& files = env.fs;
  const auto ioFailure = [&](const IoError& error) { return IoFailure(resPath, error); };

  // From here until the new file is in place no other Tessaly saves this
  // file, so the backup taken below is of the file that this save replaces
  // and every version reported saved is either the file or in a backup.
  std::optional<SaveLock> ownLock;
  SaveLock* lock = check.lock;
  if (lock == nullptr) {
    auto taken = LockForSave(env, resPath);
    if (!taken) return Fail(taken.error());
    lock = &ownLock.emplace(std::move(taken).value());
  }

  // The path must still lead to the file that was read, unchanged; whatever
  // another program put there instead is neither backed up nor replaced.
  const auto state = files.Inspect(resPath);
  if (!state) return ioFailure(state.error());
  if (state->kind == PathState::Kind::kNothing) return SourceMissing(resPath);
  if (state->kind == PathState::Kind::kOther) {
    return ioFailure(IoError{IoError::Code::kOther,
                             PathForMessage(resPath) + ": not a regular file", kReasonChanged});
  }
  const auto target = files.ResolveLinks(resPath);
  if (!target) return ioFailure(target.error());
  if (*target != lock->target()) return Changed(resPath, "leads to another file");
  if (check.expected && state->identity != *check.expected) {
    return Changed(resPath, "changed since it was read");
  }
  const fs::path folder = FolderOf(*target);

  // A file the user may not change is refused before anything is written.
  const auto writable = files.IsWritable(*target);
  if (!writable) return ioFailure(writable.error());
  if (!writable.value()) {
    return ioFailure(IoError{IoError::Code::kPermission, PathForMessage(*target) + ": read-only",
                             kReasonReadOnly});
  }
  const auto facts = files.Facts(*target);
  bool inPlace = WritesInPlace(facts);
  // So is a folder where the new file could be made but never renamed into place.
  if (!inPlace) {
    const auto replaceable = files.AllowsReplace(folder);
    if (!replaceable) return ioFailure(replaceable.error());
    if (!replaceable.value()) {
      return ioFailure(IoError{IoError::Code::kPermission,
                               PathForMessage(folder) + ": append-only or immutable",
                               kReasonNoReplace});
    }
  }
  files.RemoveStrays(folder);
  // Writing into the file itself waits for every other Tessaly process that
  // writes into it; what it wrote meanwhile must not be overwritten unseen.
  const auto lockFileItself = [&]() -> Result<void, SaveFailure> {
    if (lock->holdsFile()) return {};
    auto file = files.LockFile(*target);
    if (!file) return ioFailure(file.error());
    lock->AddFileLock(std::move(file).value());
    const auto now = files.Inspect(*target);
    if (!now) return ioFailure(now.error());
    if (now->identity != state->identity) return Changed(resPath, "written while this save waited");
    return {};
  };
  if (inPlace) {
    if (auto locked = lockFileItself(); !locked) return Fail(locked.error());
  }

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
  const fs::path record = RecordPath(env.userBackupFolder, state->identity);
  // A save that fails leaves the original as it was, so its backup is clutter.
  const auto failed = [&](const IoError& error) {
    files.Remove(*backup);
    return ioFailure(error);
  };
  const auto saved = [&]() -> Result<SaveReport, SaveFailure> {
    files.Remove(record);  // of this save, or of an earlier one that was interrupted
    return SaveReport{*backup};
  };

  if (!inPlace) {
    // What the content shares with the file as it was read comes from the
    // file on disk, now known to be that file.
    std::optional<SharedBytes> shared;
    if (check.expected && !check.loaded.empty()) {
      shared = SharedBytes{*target, check.loaded, *check.expected};
    }
    fs::path temp;
    IoStatus written = Fail(IoError{});
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      temp = folder / TempFileName(platform::CurrentProcessId());
      written = files.WriteNew(temp, content, facts, shared ? &*shared : nullptr);
      if (written || written.error().code != IoError::Code::kAlreadyExists) break;
    }
    if (written) {
      if (const IoStatus renamed = files.Rename(temp, *target); !renamed) {
        files.Remove(temp);
        return failed(renamed.error());
      }
      return saved();
    }
    // A folder that takes no new file may still let the file itself be written.
    if (written.error().code != IoError::Code::kPermission) return failed(written.error());
    if (auto locked = lockFileItself(); !locked) {
      files.Remove(*backup);
      return Fail(locked.error());
    }
  }

  // Writing in place cannot be atomic: a record names the file and its backup
  // until the file is flushed, so that a write cut short is never silent.
  if (IoStatus recorded = WriteRecord(files, env.userBackupFolder, record,
                                      RecordText(*target, *backup, platform::CurrentProcess()));
      !recorded) {
    IoError error = recorded.error();
    error.reason = "无法在“" + PathForMessage(env.userBackupFolder) + "”中记录这次保存（" +
                   error.reason + "）";
    return failed(error);
  }
  if (const IoStatus written = files.WriteInPlace(*target, content); !written) {
    // The file may be half written: put the backup's bytes back.
    auto original = ReadWholeFile(*backup);
    if (original) {
      const std::span<const std::uint8_t> old[] = {*original};
      if (files.WriteInPlace(*target, old)) {
        files.Remove(record);
        return failed(written.error());
      }
    }
    // The record stays, without a writer, so that every load of the file says
    // what happened, even while this process lives on.
    (void)WriteRecord(files, env.userBackupFolder, record, RecordText(*target, *backup, {}));
    return Fail(SaveFailure{SaveFailure::Kind::kDamaged, FileInUseMessage(resPath),
                            written.error().detail,
                            written.error().reason + "；文件可能已损坏，原文件的备份在“" +
                                PathForMessage(*backup, kWholePath) + "”"});
  }
  return saved();
}

std::optional<InterruptedWrite> FindInterruptedWrite(const SaveEnvironment& env,
                                                     const fs::path& path) {
  const auto state = env.fs.Inspect(path);
  if (!state || state->kind != PathState::Kind::kRegularFile) return std::nullopt;
  const auto text = ReadWholeFile(RecordPath(env.userBackupFolder, state->identity), 1U << 16);
  if (!text) return std::nullopt;
  const auto record =
      ParseRecord(std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
  if (!record || platform::IsRunning(record->writer)) return std::nullopt;
  return record->write;
}

std::string InterruptedWriteMessage(const InterruptedWrite& write) {
  return "文件“" + ForMessage(PathToUtf8(write.file.filename())) +
         "”上次保存时被中断，可能只写入了一部分。\n保存前的内容在备份“" +
         PathForMessage(write.backup, kWholePath) + "”中。";
}

Result<SaveReport, RestoreFailure> RestoreBackup(const SaveEnvironment& env, const fs::path& file,
                                                 const fs::path& backup) {
  auto loaded = LoadResFile(backup);
  if (!loaded) {
    return Fail(RestoreFailure{std::nullopt, "备份“" + PathForMessage(backup) + "”不能用来恢复：" +
                                                 loaded.error().message});
  }
  auto saved = WriteWithBackup(env, file, std::span<const std::uint8_t>(loaded->bytes));
  if (!saved) return Fail(RestoreFailure{saved.error(), UserText(saved.error())});
  return std::move(saved).value();
}

}  // namespace tessaly
