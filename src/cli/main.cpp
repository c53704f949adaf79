#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.hpp"

#ifdef _WIN32
// shellapi.h uses types that windows.h declares: windows.h must stay first.
#include <windows.h>
// (keep apart so include sorting leaves the order alone)
#include <shellapi.h>

#include "cli/console_windows.hpp"
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // Paths must reach the program whole: argv holds them in the ANSI code page,
  // so take the wide command line and convert it to UTF-8.
  int wideCount = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
  std::vector<std::string> utf8;
  for (int i = 0; wide != nullptr && i < wideCount; ++i) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), n, nullptr, nullptr);
    utf8.push_back(std::move(arg));
  }
  LocalFree(wide);
  std::vector<char*> args;
  for (std::string& arg : utf8) args.push_back(arg.data());
  args.push_back(nullptr);
  if (!utf8.empty()) {
    argc = static_cast<int>(utf8.size());
    argv = args.data();
  }
  return tessaly::cli::Run(argc, argv, tessaly::cli::StandardOutput(),
                           tessaly::cli::StandardError());
#else
  return tessaly::cli::Run(argc, argv, std::cout, std::cerr);
#endif
}
