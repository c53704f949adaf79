// The machine's file system on Linux and other POSIX systems.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <limits>
#include <thread>
#include <vector>

#include "io_reason.hpp"
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
  return IoError{code, PathToUtf8(p) + ": " + std::strerror(error), ReasonForErrno(error)};
}

// Closes the descriptor it holds when it goes.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  [[nodiscard]] int get() const { return fd_; }
  void Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now, reporting a failure (a delayed write error shows up here).
  [[nodiscard]] int Close() {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

fs::path FolderOf(const fs::path& p) {
  return p.has_parent_path() ? p.parent_path() : fs::path(".");
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
    temp = folder / TempFileName(static_cast<std::uint64_t>(::getpid()));
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
  if (named.Close() != 0) return drop(ErrnoError(errno, to));
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

bool ProcessIsAlive(std::uint64_t pid) {
  if (pid == 0 || pid > static_cast<std::uint64_t>(std::numeric_limits<pid_t>::max())) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
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

class DescriptorLock final : public FolderLock {
 public:
  explicit DescriptorLock(int fd) : fd_(fd) {}
  ~DescriptorLock() override {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }

 private:
  int fd_;
};

class PosixFileSystem final : public FileSystem {
 public:
  Result<bool, IoError> IsRegularFile(const fs::path& p) override {
    std::error_code ec;
    const fs::file_status st = fs::status(p, ec);
    if (ec && st.type() != fs::file_type::not_found) {
      return Fail(ErrnoError(ec.value(), p));
    }
    return st.type() == fs::file_type::regular;
  }

  Result<fs::path, IoError> ResolveLinks(const fs::path& p) override {
    std::error_code ec;
    if (!fs::is_symlink(p, ec)) return p;
    fs::path target = fs::canonical(p, ec);
    if (ec) return Fail(ErrnoError(ec.value(), p));
    return target;
  }

  Result<bool, IoError> IsWritable(const fs::path& p) override {
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) return Fail(ErrnoError(errno, p));
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
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

  Result<std::unique_ptr<FolderLock>, IoError> LockFolder(const fs::path& folder) override {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder we may not read cannot be locked; the save goes on unguarded
    // rather than not at all.
    if (fd < 0) return std::unique_ptr<FolderLock>(std::make_unique<DescriptorLock>(-1));
    auto lock = std::make_unique<DescriptorLock>(fd);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK) break;  // no locks on this file system
      if (std::chrono::steady_clock::now() > deadline) {
        return Fail(IoError{IoError::Code::kOther, PathToUtf8(folder) + ": locked", kReasonBusy});
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::unique_ptr<FolderLock>(std::move(lock));
  }

  void RemoveStrays(const fs::path& folder) override {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
      const auto pid = TempFileProcess(entry.path().filename().native());
      if (!pid || *pid == static_cast<std::uint64_t>(::getpid()) || ProcessIsAlive(*pid)) continue;
      std::error_code ignored;
      if (entry.is_regular_file(ignored)) fs::remove(entry.path(), ignored);
    }
  }

  IoStatus CreateDirectories(const fs::path& dir) override {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) return Fail(ErrnoError(ec.value(), dir));
    return {};
  }

  IoStatus CopyToNew(const fs::path& from, const fs::path& to) override {
    Descriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (source.get() < 0) return Fail(ErrnoError(errno, from));
    return CreateWhole(to, 0666, [&](int fd) { return CopyAll(source.get(), fd, from, to); });
  }

  IoStatus WriteNew(const fs::path& to, std::span<const std::uint8_t> bytes,
                    const std::optional<FileFacts>& facts) override {
    // Private until the owner and mode are set; without known facts, the
    // mode any new file gets (0666 less the umask).
    const mode_t mode = facts && facts->perms != fs::perms::unknown ? 0600 : 0666;
    return CreateWhole(to, mode, [&](int fd) -> IoStatus {
      if (auto written = WriteAll(fd, bytes, to); !written) return written;
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

  IoStatus WriteInPlace(const fs::path& file, std::span<const std::uint8_t> bytes) override {
    Descriptor fd(::open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return Fail(ErrnoError(errno, file));
    if (auto written = WriteAll(fd.get(), bytes, file); !written) return written;
    if (::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd.get()) != 0 ||
        fd.Close() != 0) {
      return Fail(ErrnoError(errno, file));
    }
    return {};
  }

  IoStatus Rename(const fs::path& from, const fs::path& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return Fail(ErrnoError(errno, to));
    return {};
  }

  void Remove(const fs::path& p) override { ::unlink(p.c_str()); }
};

}  // namespace

FileSystem& RealFileSystem() {
  static PosixFileSystem instance;
  return instance;
}

}  // namespace tessaly
