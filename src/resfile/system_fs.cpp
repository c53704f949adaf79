#include "platform.hpp"
#include "temp_names.hpp"
#include "text_path.hpp"

namespace fs = std::filesystem;

namespace tessaly::platform {

Result<fs::path, IoError> SystemFileSystem::ResolveLinks(const fs::path& p) {
  std::error_code ec;
  if (!fs::is_symlink(p, ec)) return p;
  fs::path target = fs::canonical(p, ec);
  if (ec) return Fail(ErrorOf(ec, p));
  return target;
}

void SystemFileSystem::RemoveStrays(const fs::path& folder) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const auto pid = TempFileProcess(PathToUtf8(entry.path().filename()));
    if (!pid || *pid == CurrentProcessId() || ProcessIsAlive(*pid)) continue;
    std::error_code ignored;
    if (entry.is_regular_file(ignored)) fs::remove(entry.path(), ignored);
  }
}

IoStatus SystemFileSystem::CreateDirectories(const fs::path& dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) return Fail(ErrorOf(ec, dir));
  return {};
}

}  // namespace tessaly::platform
