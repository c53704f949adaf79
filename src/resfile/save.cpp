#include "save.hpp"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "text_path.hpp"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace tessaly {
namespace {

IoStatus FromErrorCode(const std::error_code& ec, const std::string& what) {
  if (!ec) return {};
  const IoError::Code code =
      ec == std::errc::file_exists ? IoError::Code::kAlreadyExists : IoError::Code::kOther;
  return Fail(IoError{code, what + ": " + ec.message()});
}

IoStatus FromErrno(int error, const std::string& what) {
  return FromErrorCode(std::error_code(error, std::generic_category()), what);
}

#ifdef _WIN32
// The system's text for the last error, as UTF-8.
std::string LastErrorText() {
  const DWORD code = GetLastError();
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = length > 0 ? std::wstring(text, length) : std::wstring();
  LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ')) {
    wide.pop_back();
  }
  if (wide.empty()) return "error " + std::to_string(code);
  return PathToUtf8(fs::path(wide));
}
#endif

class RealFs final : public FileSystem {
 public:
  Result<bool, IoError> IsRegularFile(const fs::path& p) override {
    std::error_code ec;
    const fs::file_status st = fs::status(p, ec);
    if (ec && st.type() != fs::file_type::not_found) {
      return Fail(IoError{IoError::Code::kOther, PathToUtf8(p) + ": " + ec.message()});
    }
    return st.type() == fs::file_type::regular;
  }

  Result<fs::path, IoError> ResolveLinks(const fs::path& p) override {
    std::error_code ec;
    if (!fs::is_symlink(p, ec)) return p;
    fs::path target = fs::canonical(p, ec);
    if (ec) return Fail(IoError{IoError::Code::kOther, PathToUtf8(p) + ": " + ec.message()});
    return target;
  }

  Result<bool, IoError> IsWritable(const fs::path& p) override {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(p.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      return Fail(IoError{IoError::Code::kOther, PathToUtf8(p) + ": " + LastErrorText()});
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
    // Another program holding the file open without letting others write or
    // delete it would make the final replace fail after the backup is made;
    // find that out now. (Wine's ReplaceFileW also leaves a stray temporary
    // file behind when it fails so.)
    const HANDLE probe = CreateFileW(p.c_str(), GENERIC_WRITE | DELETE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_ACCESS_DENIED) return false;
      return Fail(IoError{IoError::Code::kOther, PathToUtf8(p) + ": " + LastErrorText()});
    }
    CloseHandle(probe);
    return true;
#else
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) {
      return Fail(IoError{IoError::Code::kOther, PathToUtf8(p) + ": " + std::strerror(errno)});
    }
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    if (::access(p.c_str(), W_OK) == 0) return true;
    if (errno == EACCES || errno == EROFS || errno == EPERM) return false;
    return Fail(IoError{IoError::Code::kOther, PathToUtf8(p) + ": " + std::strerror(errno)});
#endif
  }

  std::optional<fs::perms> Permissions(const fs::path& p) override {
    std::error_code ec;
    const fs::file_status st = fs::status(p, ec);
    if (ec) return std::nullopt;
    return st.permissions();
  }

  IoStatus CreateDirectories(const fs::path& dir) override {
    std::error_code ec;
    fs::create_directories(dir, ec);
    return FromErrorCode(ec, PathToUtf8(dir));
  }

  IoStatus CopyToNew(const fs::path& from, const fs::path& to) override {
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::none, ec);
    return FromErrorCode(ec, PathToUtf8(to));
  }

  IoStatus WriteNew(const fs::path& to, std::span<const std::uint8_t> bytes,
                    std::optional<fs::perms> perms) override {
#ifdef _WIN32
    const int fd =
        _wopen(to.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    // Private until the old file's bits are copied; without them, the bits any
    // new file gets (0666 less the umask).
    const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, perms ? 0600 : 0666);
#endif
    if (fd < 0) return FromErrno(errno, PathToUtf8(to));
    std::size_t done = 0;
    int error = 0;
    while (done < bytes.size()) {
      const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, 1U << 30);
#ifdef _WIN32
      const auto n = _write(fd, bytes.data() + done, static_cast<unsigned>(chunk));
#else
      const auto n = ::write(fd, bytes.data() + done, chunk);
#endif
      if (n < 0) {
        if (errno == EINTR) continue;
        error = errno;
        break;
      }
      done += static_cast<std::size_t>(n);
    }
#ifdef _WIN32
    if (_close(fd) != 0 && error == 0) error = errno;
#else
    if (::close(fd) != 0 && error == 0) error = errno;
#endif
    if (error != 0) return FromErrno(error, PathToUtf8(to));
#ifdef _WIN32
    // Windows has no permission bits to keep; copying the emulated ones would
    // only mark the new file read-only before it is flushed and renamed.
    (void)perms;
#else
    if (perms) {
      std::error_code ec;
      fs::permissions(to, *perms, fs::perm_options::replace, ec);
      if (ec) return FromErrorCode(ec, PathToUtf8(to));
    }
#endif
    return {};
  }

  IoStatus Flush(const fs::path& file) override {
#ifdef _WIN32
    const int fd = _wopen(file.c_str(), _O_RDWR | _O_BINARY);
    if (fd < 0) return FromErrno(errno, PathToUtf8(file));
    const int rc = _commit(fd);
    const int error = errno;
    _close(fd);
#else
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return FromErrno(errno, PathToUtf8(file));
    const int rc = ::fsync(fd);
    const int error = errno;
    ::close(fd);
#endif
    if (rc != 0) return FromErrno(error, PathToUtf8(file));
    return {};
  }

  IoStatus Rename(const fs::path& from, const fs::path& to) override {
#ifdef _WIN32
    // ReplaceFileW keeps what a rename would lose (creation time, access
    // control list, compression, other attributes). Where it is refused (a
    // file system without support, or a replaced file that it moved away
    // before failing) the rename below still puts the new file in place.
    if (ReplaceFileW(to.c_str(), from.c_str(), nullptr,
                     REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                     nullptr)) {
      return {};
    }
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return {};
    }
    return Fail(IoError{IoError::Code::kOther, PathToUtf8(to) + ": " + LastErrorText()});
#else
    std::error_code ec;
    fs::rename(from, to, ec);
    return FromErrorCode(ec, PathToUtf8(to));
#endif
  }

  void Remove(const fs::path& p) override {
    std::error_code ec;
    fs::remove(p, ec);
  }
};

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

fs::path TempNameBeside(const fs::path& target, unsigned attempt) {
  static std::mt19937 random(std::random_device{}());
  const std::string suffix = std::to_string(random() % 1000000U) + "-" + std::to_string(attempt);
  fs::path name = target.filename();
  name += ".tessaly-" + suffix + ".tmp";
  return target.parent_path() / name;
}

// Copies the file into the first backup name of the folder that is still free.
Result<fs::path, IoError> CopyToFreeBackupName(FileSystem& files, const fs::path& source,
                                               const fs::path& folder, const std::string& stamp,
                                               const fs::path& fileName) {
  IoError last{IoError::Code::kOther, "no free backup name"};
  for (int k = 1; k <= 1000; ++k) {
    const fs::path candidate = folder / PathFromUtf8(BackupName(stamp, k, fileName));
    const IoStatus copied = files.CopyToNew(source, candidate);
    if (copied) return candidate;
    last = copied.error();
    if (last.code != IoError::Code::kAlreadyExists) {
      // The name was free, so whatever the failed copy left there is ours: a
      // half copy must not pass for a backup.
      files.Remove(candidate);
      break;
    }
  }
  return Fail(last);
}

// The system's temporary folder, or the current one when even that is unknown.
fs::path TempFolder() {
  std::error_code ec;
  fs::path temp = fs::temp_directory_path(ec);
  if (ec) temp = fs::current_path(ec);
  return temp;
}

}  // namespace

FileSystem& RealFileSystem() {
  static RealFs instance;
  return instance;
}

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
  std::string name = "[" + stamp;
  if (k >= 2) name += "-" + std::to_string(k);
  name += "备份]";
  return name + PathToUtf8(fileName);
}

std::string FileInUseMessage(const fs::path& resPath) {
  return "无法操作“" + PathToUtf8(resPath.filename()) + "”文件！请确认文件是否被占用！";
}

Result<SaveReport, SaveFailure> WriteWithBackup(const SaveEnvironment& env, const fs::path& resPath,
                                                std::span<const std::uint8_t> content) {
  FileSystem& files = env.fs;
  const auto ioFailure = [&](const std::string& detail) {
    return Fail(SaveFailure{SaveFailure::Kind::kIoFailed, FileInUseMessage(resPath), detail});
  };

  const auto exists = files.IsRegularFile(resPath);
  if (!exists) return ioFailure(exists.error().detail);
  if (!exists.value()) {
    return Fail(SaveFailure{SaveFailure::Kind::kSourceMissing, std::string(kSourceMissingMessage),
                            PathToUtf8(resPath)});
  }
  const auto target = files.ResolveLinks(resPath);
  if (!target) return ioFailure(target.error().detail);
  // A file the user may not change is refused before anything is written.
  const auto writable = files.IsWritable(*target);
  if (!writable) return ioFailure(writable.error().detail);
  if (!writable.value()) return ioFailure(PathToUtf8(*target) + ": read-only");

  // The backup must exist before the original is touched.
  const std::string stamp = TimeStamp(env.clock.LocalNow());
  const fs::path fileName = resPath.filename();
  auto backup = CopyToFreeBackupName(files, *target, env.programFolder, stamp, fileName);
  if (!backup) {
    const std::string firstDetail = backup.error().detail;
    const IoStatus made = files.CreateDirectories(env.userBackupFolder);
    if (!made) return ioFailure(firstDetail + "; " + made.error().detail);
    backup = CopyToFreeBackupName(files, *target, env.userBackupFolder, stamp, fileName);
    if (!backup) return ioFailure(firstDetail + "; " + backup.error().detail);
  }

  const auto perms = files.Permissions(*target);
  fs::path temp;
  IoStatus written = Fail(IoError{});
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    temp = TempNameBeside(*target, attempt);
    written = files.WriteNew(temp, content, perms);
    if (written || written.error().code != IoError::Code::kAlreadyExists) break;
  }
  if (!written) {
    if (written.error().code != IoError::Code::kAlreadyExists) files.Remove(temp);
    return ioFailure(written.error().detail);
  }
  if (const IoStatus flushed = files.Flush(temp); !flushed) {
    files.Remove(temp);
    return ioFailure(flushed.error().detail);
  }
  if (const IoStatus renamed = files.Rename(temp, *target); !renamed) {
    files.Remove(temp);
    return ioFailure(renamed.error().detail);
  }
  return SaveReport{backup.value()};
}

}  // namespace tessaly
