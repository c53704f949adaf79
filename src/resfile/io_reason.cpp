#include "io_reason.hpp"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>

#include <filesystem>
#endif

namespace tessaly {

std::string ReasonForErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "没有权限";
    case EROFS:
      return "文件所在的磁盘是只读的";
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return "磁盘空间不足";
    case ENAMETOOLONG:
      return "文件名或路径太长";
    case EISDIR:
      return "这是一个文件夹，不是文件";
    case ENOENT:
    case ENOTDIR:
      return "文件或路径不存在";
    case ELOOP:
      return "符号链接的层数太多";
    case EBUSY:
    case ETXTBSY:
      return "文件正被其他程序使用";
    case ENOMEM:
      return kReasonOutOfMemory;
    case EIO:
      return "读写磁盘出错";
    default:
      return std::strerror(error);
  }
}

#ifdef _WIN32
std::string WindowsErrorText(unsigned long error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = length > 0 ? std::wstring(text, length) : std::wstring();
  LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ')) {
    wide.pop_back();
  }
  if (wide.empty()) return "error " + std::to_string(error);
  const std::u8string utf8 = std::filesystem::path(wide).u8string();
  return std::string(utf8.begin(), utf8.end());
}

std::string ReasonForWindowsError(unsigned long error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
      return "没有权限";
    case ERROR_WRITE_PROTECT:
      return "文件所在的磁盘是只读的";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "磁盘空间不足";
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
      return "文件名或路径太长";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return "文件或路径不存在";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return "文件正被其他程序使用";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return kReasonOutOfMemory;
    case ERROR_CANT_RESOLVE_FILENAME:
      return "符号链接的层数太多";
    default:
      return WindowsErrorText(error);
  }
}
#endif

}  // namespace tessaly
