#pragma once

// What loading and saving need from the operating system beyond the file
// system interface: implemented in real_fs_posix.cpp and real_fs_windows.cpp,
// except SystemFileSystem's part that both share (system_fs.cpp).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

#include "loader.hpp"
#include "save.hpp"

namespace tessaly::platform {

// The identity of the file open at a descriptor of open() or _wopen().
[[nodiscard]] std::optional<FileIdentity> IdentityOfDescriptor(int fd);

// A process as a record of it can name it later: its id and when it started,
// so that a new process that got the same id is not taken for it.
struct ProcessStamp {
  std::uint64_t id = 0;
  std::uint64_t started = 0;  // 0 when unknown
};

[[nodiscard]] ProcessStamp CurrentProcess();
[[nodiscard]] std::uint64_t CurrentProcessId();
// Whether a process with this id runs; true when it cannot be told.
[[nodiscard]] bool ProcessIsAlive(std::uint64_t pid);

// A failed std::filesystem call, in the platform's words.
[[nodiscard]] IoError ErrorOf(const std::error_code& ec, const std::filesystem::path& p);
// Whether that process still runs; true when it cannot be told.
[[nodiscard]] bool IsRunning(const ProcessStamp& process);

// The machine's file system: what is alike on POSIX and on Windows, written
// once; the rest is each platform's.
class SystemFileSystem : public FileSystem {
 public:
  [[nodiscard]] Result<std::filesystem::path, IoError> ResolveLinks(
      const std::filesystem::path& p) override;
  void RemoveStrays(const std::filesystem::path& folder) override;
  [[nodiscard]] IoStatus CreateDirectories(const std::filesystem::path& dir) override;
};

}  // namespace tessaly::platform
