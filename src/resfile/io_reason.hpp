#pragma once

// Why a file operation failed, in the words the user reads: Chinese for the
// common causes, the system's own text otherwise.

#include <string>

namespace tessaly {

// The reason for an errno value.
[[nodiscard]] std::string ReasonForErrno(int error);

#ifdef _WIN32
// The reason for a Windows error code (GetLastError).
[[nodiscard]] std::string ReasonForWindowsError(unsigned long error);
// The system's own text for a Windows error code, as UTF-8.
[[nodiscard]] std::string WindowsErrorText(unsigned long error);
#endif

inline constexpr const char* kReasonReadOnly = "文件是只读的，不能修改";
inline constexpr const char* kReasonNotRegular = "这不是普通文件（文件夹、管道或设备）";
inline constexpr const char* kReasonOutOfMemory = "内存不足";
inline constexpr const char* kReasonBusy = "另一个 Tessaly 正在保存这个文件夹里的文件，请稍后再试";
inline constexpr const char* kReasonChanged = "文件在读取后被其他程序修改或替换";
inline constexpr const char* kReasonNoReplace =
    "文件夹设置了只能追加或不可更改的属性，其中的文件不能被替换";

}  // namespace tessaly
