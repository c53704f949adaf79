#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.hpp"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <windows.h>

#include <cstdio>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // CSV lines end in CRLF already; a text-mode stdout would make them CR CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  // Messages are UTF-8, and paths must reach the program whole: argv holds them
  // in the ANSI code page, so take the wide command line and convert it.
  SetConsoleOutputCP(CP_UTF8);
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
#endif
  return tessaly::cli::Run(argc, argv, std::cout, std::cerr);
}
