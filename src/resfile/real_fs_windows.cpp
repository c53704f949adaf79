// The machine's file system on Windows.

#include <windows.h>
// (after windows.h, which it needs)
#include <io.h>

#include <chrono>
#include <thread>

#include "io_reason.hpp"
#include "owned.hpp"
#include "platform.hpp"
#include "save.hpp"
#include "temp_names.hpp"
#include "text_path.hpp"

namespace fs = std::filesystem;

namespace tessaly {
namespace {

IoError WindowsError(DWORD error, const fs::path& p) {
  IoError::Code code = IoError::Code::kOther;
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
    code = IoError::Code::kAlreadyExists;
  }
  if (error == ERROR_ACCESS_DENIED) code = IoError::Code::kPermission;
  return IoError{code, PathForMessage(p) + ": " + WindowsErrorText(error),
                 ReasonForWindowsError(error)};
}

IoError LastError(const fs::path& p) { return WindowsError(GetLastError(), p); }

// The path in the form that lifts the 260-character limit of the Win32 file
// functions ("\\?\C:\…", "\\?\UNC\server\share\…"), so that long names and
// their longer backup names work wherever the file system takes them.
std::wstring Long(const fs::path& p) {
  std::error_code ec;
  fs::path absolute = fs::absolute(p, ec);
  if (ec) return p.wstring();
  std::wstring text = absolute.make_preferred().wstring();
  if (text.starts_with(L"\\\\?\\")) return text;
  if (text.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + text.substr(2);
  return L"\\\\?\\" + text;
}

IoStatus WriteAll(HANDLE h, Pieces pieces, const fs::path& p) {
  constexpr std::size_t kSlice = std::size_t{64} << 20;
  for (const auto bytes : pieces) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const auto chunk = static_cast<DWORD>(std::min(bytes.size() - done, kSlice));
      DWORD written = 0;
      if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr)) return Fail(LastError(p));
      done += written;
    }
  }
  return {};
}

std::uint64_t Join(DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; }

std::optional<FileIdentity> IdentityOfHandle(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber, Join(info.nFileIndexHigh, info.nFileIndexLow),
                      Join(info.nFileSizeHigh, info.nFileSizeLow),
                      static_cast<std::int64_t>(Join(info.ftLastWriteTime.dwHighDateTime,
                                                     info.ftLastWriteTime.dwLowDateTime))};
}

// A handle that reads nothing and lets every other program do anything,
// just to learn which file (or folder) a path leads to.
HANDLE OpenToIdentify(const fs::path& p) {
  return CreateFileW(Long(p).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

std::uint64_t CreationTime(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return Join(created.dwHighDateTime, created.dwLowDateTime);
}

// A handle whose closing releases a lock: of a lock file that nobody else
// may open, or of a byte-range lock. Windows closes it when the process is
// killed, too.
class HandleLock final : public FsLock {
 public:
  explicit HandleLock(HANDLE h) : h_(h) {}

 private:
  Handle h_;
};

Result<std::unique_ptr<FsLock>, IoError> Locked(HANDLE h) {
  return std::unique_ptr<FsLock>(std::make_unique<HandleLock>(h));
}

// Opens `name` so that nobody else may, waiting a bounded time while another
// program holds it. Fails at once when it cannot be made or opened at all.
Result<std::unique_ptr<FsLock>, IoError> OpenLockFile(const fs::path& name, DWORD flags,
                                                      const fs::path& folder) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (;;) {
    const HANDLE h =
        CreateFileW(Long(name).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, flags, nullptr);
    if (h != INVALID_HANDLE_VALUE) return Locked(h);
    const DWORD error = GetLastError();
    // A lock file that exists but cannot be opened is held by another program.
    const bool held = error == ERROR_SHARING_VIOLATION ||
                      (error == ERROR_ACCESS_DENIED &&
                       GetFileAttributesW(Long(name).c_str()) != INVALID_FILE_ATTRIBUTES);
    if (!held) return Fail(WindowsError(error, name));
    if (std::chrono::steady_clock::now() > deadline) {
      return Fail(IoError{IoError::Code::kOther, PathForMessage(folder) + ": locked", kReasonBusy});
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

class WindowsFileSystem final : public platform::SystemFileSystem {
 public:
  Result<bool, IoError> IsRegularFile(const fs::path& p) override {
    const DWORD attributes = GetFileAttributesW(Long(p).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
      return Fail(WindowsError(error, p));
    }
    // A folder or a device is no file; so is a hidden or system file, as the
    // open dialog does not list them either.
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_HIDDEN |
                          FILE_ATTRIBUTE_SYSTEM)) == 0;
  }

  Result<bool, IoError> IsWritable(const fs::path& p) override {
    const DWORD attributes = GetFileAttributesW(Long(p).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Fail(LastError(p));
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
    // Another program holding the file open without letting others write or
    // delete it would make the final replace fail after the backup is made;
    // find that out now. (Wine's ReplaceFileW also leaves a stray temporary
    // file behind when it fails so.)
    const Handle probe(CreateFileW(Long(p).c_str(), GENERIC_WRITE | DELETE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe.ok()) {
      if (GetLastError() == ERROR_ACCESS_DENIED) return false;
      return Fail(LastError(p));
    }
    return true;
  }

  std::optional<FileFacts> Facts(const fs::path& p) override {
    // Attributes, times and access control travel with ReplaceFileW; only the
    // link count matters here.
    const Handle h(CreateFileW(Long(p).c_str(), 0,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.ok()) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h.get(), &info)) return std::nullopt;
    FileFacts facts;
    facts.links = info.nNumberOfLinks;
    return facts;
  }

  Result<std::unique_ptr<FsLock>, IoError> LockFolder(const fs::path& folder,
                                                      const fs::path& lockFiles) override {
    // A hidden lock file in the folder that goes when its handle closes.
    auto inFolder = OpenLockFile(folder / L".tessaly.lock",
                                 FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, folder);
    if (inFolder || inFolder.error().reason == kReasonBusy) return inFolder;
    // A folder that takes no new file: a lock file of this user's, named by
    // the folder's volume and index, stands for it.
    const Handle h(OpenToIdentify(folder));
    const auto identity = h.ok() ? IdentityOfHandle(h.get()) : std::nullopt;
    if (!identity) return Fail(LastError(folder));
    std::error_code ec;
    fs::create_directories(lockFiles, ec);
    return OpenLockFile(lockFiles / ("folder-" + std::to_string(identity->volume) + "-" +
                                     std::to_string(identity->index) + ".lock"),
                        FILE_ATTRIBUTE_NORMAL, folder);
  }

  Result<std::unique_ptr<FsLock>, IoError> LockFile(const fs::path& file) override {
    // A byte-range lock far beyond the end of the file: Tessaly processes
    // wait for each other there, while the bytes of the file stay free to
    // read and write.
    const HANDLE h = CreateFileW(Long(file).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail(LastError(file));
    auto lock = Locked(h);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
      OVERLAPPED at{};
      at.OffsetHigh = 0x7FFFFFFF;
      if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        return lock;
      }
      const DWORD error = GetLastError();
      if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) {
        return lock;  // no locks on this file system
      }
      if (std::chrono::steady_clock::now() > deadline) {
        return Fail(IoError{IoError::Code::kOther, PathForMessage(file) + ": locked", kReasonBusy});
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  Result<bool, IoError> AllowsReplace(const fs::path&) override { return true; }

  Result<PathState, IoError> Inspect(const fs::path& p) override {
    const DWORD attributes = GetFileAttributesW(Long(p).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return PathState{};
      return Fail(WindowsError(error, p));
    }
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
      return PathState{PathState::Kind::kOther, {}};
    }
    const Handle h(OpenToIdentify(p));
    if (!h.ok()) return Fail(LastError(p));
    const auto identity = IdentityOfHandle(h.get());
    if (!identity) return Fail(LastError(p));
    if (GetFileType(h.get()) != FILE_TYPE_DISK) return PathState{PathState::Kind::kOther, {}};
    return PathState{PathState::Kind::kRegularFile, *identity};
  }

  bool Exists(const fs::path& p) override {
    return GetFileAttributesW(Long(p).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  IoStatus CopyToNew(const fs::path& from, const fs::path& to) override {
    // Copied under a temporary name, flushed, then moved to its name, which
    // MoveFileExW without MOVEFILE_REPLACE_EXISTING never replaces.
    const fs::path temp = FolderOf(to) / TempFileName(platform::CurrentProcessId());
    if (!CopyFileW(Long(from).c_str(), Long(temp).c_str(), TRUE)) return Fail(LastError(to));
    const auto drop = [&](IoError error) {
      DeleteFileW(Long(temp).c_str());
      return Fail(std::move(error));
    };
    {
      const Handle h(CreateFileW(Long(temp).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!h.ok() || !FlushFileBuffers(h.get())) return drop(LastError(to));
    }
    if (!MoveFileExW(Long(temp).c_str(), Long(to).c_str(), MOVEFILE_WRITE_THROUGH))
      return drop(LastError(to));
    return {};
  }

  IoStatus WriteNew(const fs::path& to, Pieces bytes, const std::optional<FileFacts>&,
                    const SharedBytes*) override {
    // Windows has no mode or owner to carry over here: ReplaceFileW keeps them.
    // Every byte is written from memory.
    bool created = false;
    IoStatus status = [&]() -> IoStatus {
      const Handle h(CreateFileW(Long(to).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!h.ok()) return Fail(LastError(to));
      created = true;
      if (auto written = WriteAll(h.get(), bytes, to); !written) return written;
      if (!FlushFileBuffers(h.get())) return Fail(LastError(to));
      return {};
    }();
    if (!status && created) DeleteFileW(Long(to).c_str());
    return status;
  }

  IoStatus WriteInPlace(const fs::path& file, Pieces bytes) override {
    const Handle h(CreateFileW(Long(file).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.ok()) return Fail(LastError(file));
    if (auto written = WriteAll(h.get(), bytes, file); !written) return written;
    if (!SetEndOfFile(h.get()) || !FlushFileBuffers(h.get())) return Fail(LastError(file));
    return {};
  }

  IoStatus Rename(const fs::path& from, const fs::path& to) override {
    // ReplaceFileW keeps what a rename would lose (creation time, access
    // control list, compression, other attributes). Where it is refused (a
    // file system without support, or a replaced file that it moved away
    // before failing) the rename below still puts the new file in place.
    if (ReplaceFileW(Long(to).c_str(), Long(from).c_str(), nullptr,
                     REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                     nullptr)) {
      return {};
    }
    if (MoveFileExW(Long(from).c_str(), Long(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return {};
    }
    return Fail(LastError(to));
  }

  void Remove(const fs::path& p) override { DeleteFileW(Long(p).c_str()); }
};

}  // namespace

FileSystem& RealFileSystem() {
  static WindowsFileSystem instance;
  return instance;
}

namespace platform {

std::optional<FileIdentity> IdentityOfDescriptor(int fd) {
  const auto h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  return IdentityOfHandle(h);
}

ProcessStamp CurrentProcess() {
  return ProcessStamp{CurrentProcessId(), CreationTime(GetCurrentProcess())};
}

std::uint64_t CurrentProcessId() { return GetCurrentProcessId(); }

bool ProcessIsAlive(std::uint64_t pid) {
  if (pid == 0 || pid > 0xFFFFFFFFULL) return false;
  const Handle process(
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid)));
  if (!process.ok()) return GetLastError() == ERROR_ACCESS_DENIED;
  return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

IoError ErrorOf(const std::error_code& ec, const fs::path& p) {
  // std::filesystem reports Windows' own error codes in the system category.
  if (ec.category() == std::system_category())
    return WindowsError(static_cast<DWORD>(ec.value()), p);
  return IoError{IoError::Code::kOther, PathForMessage(p) + ": " + ec.message(),
                 ReasonForErrno(ec.value())};
}

bool IsRunning(const ProcessStamp& process) {
  if (!ProcessIsAlive(process.id)) return false;
  const Handle h(
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process.id)));
  const std::uint64_t started = h.ok() ? CreationTime(h.get()) : 0;
  return process.started == 0 || started == 0 || started == process.started;
}

}  // namespace platform

}  // namespace tessaly
