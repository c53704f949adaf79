#pragma once

// What loading and saving need from the operating system beyond the file
// system interface: implemented in real_fs_posix.cpp and real_fs_windows.cpp.

#include <cstdint>
#include <optional>

#include "loader.hpp"

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
// Whether that process still runs; true when it cannot be told.
[[nodiscard]] bool IsRunning(const ProcessStamp& process);

}  // namespace tessaly::platform
