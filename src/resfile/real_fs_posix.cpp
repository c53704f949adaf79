// The machine's file system on Linux and other POSIX systems.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>
#include <thread>
#include <vector>

#include "decimal.hpp"
#include "io_reason.hpp"
#include "owned.hpp"
#include "platform.hpp"
#include "save.hpp"
#include "temp_names.hpp"
#include "text_path.hpp"

namespace fs = std::filesystem;

namespace tessaly {
namespace {

IoError ErrnoError(int error, const fs::path& p) {
  IoError::Code code = IoError::Code::kOther;
  if (error == EEXIST) code = IoError::Code::kAlreadyExists;
  if (error == EACCES || error == EPERM) code = IoError::Code::kPermission;
  return IoError{code, PathForMessage(p) + ": " + std::strerror(error), ReasonForErrno(error)};
}

// Writes all of `bytes` at the descriptor's position, in slices.
IoStatus WriteAll(int fd, std::span<const std::uint8_t> bytes, const fs::path& p) {
  constexpr std::size_t kSlice = std::size_t{64} << 20;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t chunk = std::min(bytes.size() - done, kSlice);
    const ssize_t n = ::write(fd, bytes.data() + done, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(ErrnoError(errno, p));
    }
    done += static_cast<std::size_t>(n);
  }
  return {};
}

IoStatus WriteAll(int fd, Pieces pieces, const fs::path& p) {
  for (const auto piece : pieces) {
    if (auto written = WriteAll(fd, piece, p); !written) return written;
  }
  return {};
}

FileIdentity IdentityOf(const struct stat& st) {
  return FileIdentity{
      static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
      static_cast<std::uint64_t>(st.st_size),
      static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// Writes the pieces, copying those that lie inside shared->bytes from the
// shared file in the kernel (as far as the file system lets it), and fails if
// that file changed while it was copied from.
IoStatus WriteSharing(int fd, Pieces pieces, const SharedBytes* shared, const fs::path& p) {
  Descriptor source(shared == nullptr ? -1
                                      : ::open(shared->file.c_str(),
                                               O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
  const auto unchanged = [&] {
    struct stat st {};
    return ::fstat(source.get(), &st) == 0 && IdentityOf(st) == shared->identity;
  };
  bool copying = source.get() >= 0 && unchanged();
  bool copied = false;
  for (auto piece : pieces) {
#ifdef __linux__
    // Whether the piece lies inside the loaded bytes, compared as addresses:
    // pointers into different buffers may not be compared or subtracted.
    const auto at = reinterpret_cast<std::uintptr_t>(piece.data());
    const auto base = copying ? reinterpret_cast<std::uintptr_t>(shared->bytes.data()) : 0;
    if (copying && at >= base && piece.size() <= shared->bytes.size() &&
        at - base <= shared->bytes.size() - piece.size()) {
      auto offset = static_cast<off_t>(at - base);
      while (!piece.empty()) {
        const ssize_t n = ::copy_file_range(source.get(), &offset, fd, nullptr, piece.size(), 0);
        if (n > 0) {
          copied = true;
          piece = piece.subspan(static_cast<std::size_t>(n));
          continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) {
          return Fail(ErrnoError(errno, p));
        }
        copying = false;  // not between these files, or cut short: the rest from memory
        break;
      }
    }
#endif
    if (auto written = WriteAll(fd, piece, p); !written) return written;
  }
  if (copied && !unchanged()) {
    return Fail(IoError{IoError::Code::kOther,
                        PathForMessage(shared->file) + ": changed while it was copied",
                        kReasonChanged});
  }
  return {};
}

std::uint64_t TotalSize(Pieces pieces) {
  std::uint64_t total = 0;
  for (const auto piece : pieces) total += piece.size();
  return total;
}

// Whether the file or folder is marked append-only or immutable (chattr +a,
// +i): its content or its names can then not be replaced. Read with statx,
// which needs no permission to read the folder itself.
bool AppendOnlyOrImmutable(const fs::path& p) {
#ifdef STATX_ATTR_APPEND
  struct statx st {};
  if (::statx(AT_FDCWD, p.c_str(), 0, STATX_BASIC_STATS, &st) != 0) return false;
  const auto marks = static_cast<std::uint64_t>(STATX_ATTR_APPEND | STATX_ATTR_IMMUTABLE);
  return (st.stx_attributes & st.stx_attributes_mask & marks) != 0;
#else
  (void)p;
  return false;
#endif
}

// The start time of a process in clock ticks since boot, from /proc; 0 when unknown.
std::uint64_t StartTime(std::uint64_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // The name in parentheses may hold blanks; field 22 counts from after it.
  const auto close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 1));
  std::string field;
  for (int k = 3; k <= 22 && fields >> field; ++k) {
    if (k == 22) return ParseDecimal(field).value_or(0);
  }
  return 0;
}

// Takes an exclusive lock on the descriptor, waiting a bounded time for
// other holders. A file system without locks gives none, and no failure.
IoStatus WaitForLock(int fd, const fs::path& p) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) break;  // no locks on this file system
    if (std::chrono::steady_clock::now() > deadline) {
      return Fail(IoError{IoError::Code::kOther, PathForMessage(p) + ": locked", kReasonBusy});
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return {};
}

IoStatus CopyAll(int from, int to, const fs::path& source, const fs::path& target) {
#ifdef __linux__
  // In the kernel where it can (no copy through this process's memory).
  for (;;) {
    const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, std::size_t{1} << 30, 0);
    if (n == 0) return {};
    if (n > 0) continue;
    if (errno == EINTR) continue;
    // Not between these files (another file system, an old kernel): copy by hand
    // from where it stopped.
    if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) break;
    return Fail(ErrnoError(errno, target));
  }
#endif
  std::vector<std::uint8_t> buffer(std::size_t{1} << 20);
  for (;;) {
    const ssize_t n = ::read(from, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(ErrnoError(errno, source));
    }
    if (n == 0) return {};
    if (auto written = WriteAll(to, std::span(buffer.data(), static_cast<std::size_t>(n)), target);
        !written) {
      return written;
    }
  }
}

// Creates `to` from what `fill` writes into a new file, whole or not at all.
// The file is written and flushed without a name (O_TMPFILE), so a process
// killed on the way leaves nothing, and gets its name only at the end; where
// the file system cannot make unnamed files it is written under a temporary
// name beside `to` instead and linked to `to`. A taken `to` is never
// replaced (kAlreadyExists). Nothing is left behind on failure.
IoStatus CreateWhole(const fs::path& to, mode_t mode, const std::function<IoStatus(int)>& fill) {
  const fs::path folder = FolderOf(to);
#ifdef O_TMPFILE
  {
    Descriptor unnamed(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (unnamed.get() >= 0) {
      if (auto filled = fill(unnamed.get()); !filled) return filled;
      if (::fsync(unnamed.get()) != 0) return Fail(ErrnoError(errno, to));
      const std::string self = "/proc/self/fd/" + std::to_string(unnamed.get());
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return {};
      }
      // Without /proc the unnamed file cannot be named; any other failure is real.
      if (errno != ENOENT) return Fail(ErrnoError(errno, to));
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      return Fail(ErrnoError(errno, to));
    }
  }
#endif
  fs::path temp;
  Descriptor named;
  for (int attempt = 0; attempt < 100 && named.get() < 0; ++attempt) {
    temp = folder / TempFileName(platform::CurrentProcessId());
    named.Reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (named.get() < 0 && errno != EEXIST) return Fail(ErrnoError(errno, to));
  }
  if (named.get() < 0) return Fail(ErrnoError(EEXIST, temp));
  const auto drop = [&](IoError error) {
    ::unlink(temp.c_str());
    return Fail(std::move(error));
  };
  if (auto filled = fill(named.get()); !filled) return drop(filled.error());
  if (::fsync(named.get()) != 0) return drop(ErrnoError(errno, to));
  if (!named.Close()) return drop(ErrnoError(errno, to));
  // link() never replaces: a taken name fails with EEXIST.
  if (::link(temp.c_str(), to.c_str()) != 0) {
    const int error = errno;
    if (error != EPERM && error != ENOTSUP) return drop(ErrnoError(error, to));
    // A file system without hard links: rename, having made sure the name is free.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return drop(ErrnoError(EEXIST, to));
    if (::rename(temp.c_str(), to.c_str()) != 0) return drop(ErrnoError(errno, to));
    return {};
  }
  ::unlink(temp.c_str());
  return {};
}

bool InGroups(gid_t group) {
  if (group == ::getegid()) return true;
  const int count = ::getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  const int got = ::getgroups(count, groups.data());
  for (int i = 0; i < got; ++i) {
    if (groups[static_cast<std::size_t>(i)] == group) return true;
  }
  return false;
}

// Closing the descriptor releases the lock.
class DescriptorLock final : public FsLock {
 public:
  explicit DescriptorLock(Descriptor fd) : fd_(std::move(fd)) {}

 private:
  Descriptor fd_;
};

class PosixFileSystem final : public platform::SystemFileSystem {
 public:
  Result<bool, IoError> IsRegularFile(const fs::path& p) override {
    std::error_code ec;
    const fs::file_status st = fs::status(p, ec);
    if (ec && st.type() != fs::file_type::not_found) {
      return Fail(ErrnoError(ec.value(), p));
    }
    return st.type() == fs::file_type::regular;
  }

  Result<PathState, IoError> Inspect(const fs::path& p) override {
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) {
      if (errno == ENOENT || errno == ENOTDIR) return PathState{};
      return Fail(ErrnoError(errno, p));
    }
    if (!S_ISREG(st.st_mode)) return PathState{PathState::Kind::kOther, {}};
    return PathState{PathState::Kind::kRegularFile, IdentityOf(st)};
  }

  bool Exists(const fs::path& p) override {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0;
  }

  Result<bool, IoError> IsWritable(const fs::path& p) override {
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) return Fail(ErrnoError(errno, p));
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    if (AppendOnlyOrImmutable(p)) return false;
    if (::access(p.c_str(), W_OK) == 0) return true;
    if (errno == EACCES || errno == EROFS || errno == EPERM) return false;
    return Fail(ErrnoError(errno, p));
  }

  std::optional<FileFacts> Facts(const fs::path& p) override {
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) return std::nullopt;
    FileFacts facts;
    facts.perms = static_cast<fs::perms>(st.st_mode & 07777);
    facts.owner = st.st_uid;
    facts.group = st.st_gid;
    facts.links = st.st_nlink;
    facts.ownerCanBeKept = ::geteuid() == 0 || (st.st_uid == ::geteuid() && InGroups(st.st_gid));
    return facts;
  }

  Result<std::unique_ptr<FsLock>, IoError> LockFolder(const fs::path& folder,
                                                      const fs::path& lockFiles) override {
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    fs::path locked = folder;
    if (fd.get() < 0) {
      // A folder this user may write and search but not read (0311) cannot be
      // opened for its lock: a lock file of this user's, named by the
      // folder's device and inode, stands for it.
      struct stat st {};
      if (::stat(folder.c_str(), &st) != 0) return Fail(ErrnoError(errno, folder));
      std::error_code ec;
      fs::create_directories(lockFiles, ec);
      locked = lockFiles /
               ("folder-" + std::to_string(st.st_dev) + "-" + std::to_string(st.st_ino) + ".lock");
      fd.Reset(::open(locked.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
      if (fd.get() < 0) return Fail(ErrnoError(errno, locked));
    }
    if (auto waited = WaitForLock(fd.get(), folder); !waited) return Fail(waited.error());
    return std::unique_ptr<FsLock>(std::make_unique<DescriptorLock>(std::move(fd)));
  }

  Result<std::unique_ptr<FsLock>, IoError> LockFile(const fs::path& file) override {
    Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    if (fd.get() < 0) return Fail(ErrnoError(errno, file));
    if (auto waited = WaitForLock(fd.get(), file); !waited) return Fail(waited.error());
    return std::unique_ptr<FsLock>(std::make_unique<DescriptorLock>(std::move(fd)));
  }

  Result<bool, IoError> AllowsReplace(const fs::path& folder) override {
    return !AppendOnlyOrImmutable(folder);
  }

  IoStatus CopyToNew(const fs::path& from, const fs::path& to) override {
    Descriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    if (source.get() < 0) return Fail(ErrnoError(errno, from));
    struct stat st {};
    if (::fstat(source.get(), &st) != 0) return Fail(ErrnoError(errno, from));
    if (!S_ISREG(st.st_mode)) {
      return Fail(IoError{IoError::Code::kOther, PathForMessage(from) + ": not a regular file",
                          kReasonNotRegular});
    }
    // No more readable than the file it keeps.
    return CreateWhole(to, 0600, [&](int fd) -> IoStatus {
      // From the start each time: where the unnamed file cannot be named the
      // copy is made again under a temporary name, and the first one left the
      // source at its end.
      if (::lseek(source.get(), 0, SEEK_SET) != 0) return Fail(ErrnoError(errno, from));
      if (auto copied = CopyAll(source.get(), fd, from, to); !copied) return copied;
      if (::fchmod(fd, st.st_mode & 0777) != 0) return Fail(ErrnoError(errno, to));
      return {};
    });
  }

  IoStatus WriteNew(const fs::path& to, Pieces bytes, const std::optional<FileFacts>& facts,
                    const SharedBytes* shared) override {
    // Private until the owner and mode are set; without known facts, the
    // mode any new file gets (0666 less the umask).
    const mode_t mode = facts && facts->perms != fs::perms::unknown ? 0600 : 0666;
    return CreateWhole(to, mode, [&](int fd) -> IoStatus {
      if (auto written = WriteSharing(fd, bytes, shared, to); !written) return written;
      if (!facts || facts->perms == fs::perms::unknown) return {};
      struct stat st {};
      if (::fstat(fd, &st) != 0) return Fail(ErrnoError(errno, to));
      // The owner first: changing it may clear set-id bits that the mode then restores.
      if ((st.st_uid != facts->owner || st.st_gid != facts->group) &&
          ::fchown(fd, facts->owner, facts->group) != 0) {
        return Fail(ErrnoError(errno, to));
      }
      if (::fchmod(fd, static_cast<mode_t>(facts->perms)) != 0) return Fail(ErrnoError(errno, to));
      return {};
    });
  }

  IoStatus WriteInPlace(const fs::path& file, Pieces bytes) override {
    Descriptor fd(::open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    if (fd.get() < 0) return Fail(ErrnoError(errno, file));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return Fail(ErrnoError(errno, file));
    if (!S_ISREG(st.st_mode)) {
      return Fail(IoError{IoError::Code::kOther, PathForMessage(file) + ": not a regular file",
                          kReasonNotRegular});
    }
    if (auto written = WriteAll(fd.get(), bytes, file); !written) return written;
    if (::ftruncate(fd.get(), static_cast<off_t>(TotalSize(bytes))) != 0 ||
        ::fsync(fd.get()) != 0 || !fd.Close()) {
      return Fail(ErrnoError(errno, file));
    }
    return {};
  }

  IoStatus Rename(const fs::path& from, const fs::path& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return Fail(ErrnoError(errno, to));
    // The new name on disk too, where the folder may be opened (not in a 0311 one).
    const Descriptor folder(::open(FolderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) (void)::fsync(folder.get());
    return {};
  }

  void Remove(const fs::path& p) override { ::unlink(p.c_str()); }
};

}  // namespace

FileSystem& RealFileSystem() {
  static PosixFileSystem instance;
  return instance;
}

namespace platform {

std::optional<FileIdentity> IdentityOfDescriptor(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::nullopt;
  return IdentityOf(st);
}

ProcessStamp CurrentProcess() {
  const std::uint64_t pid = CurrentProcessId();
  return ProcessStamp{pid, StartTime(pid)};
}

std::uint64_t CurrentProcessId() { return static_cast<std::uint64_t>(::getpid()); }

bool ProcessIsAlive(std::uint64_t pid) {
  if (pid == 0 || pid > static_cast<std::uint64_t>(std::numeric_limits<pid_t>::max())) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

IoError ErrorOf(const std::error_code& ec, const fs::path& p) { return ErrnoError(ec.value(), p); }

bool IsRunning(const ProcessStamp& process) {
  if (!ProcessIsAlive(process.id)) return false;
  const std::uint64_t started = StartTime(process.id);
  return process.started == 0 || started == 0 || started == process.started;
}

}  // namespace platform

}  // namespace tessaly
