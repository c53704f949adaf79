#include <iostream>

#include "cli/commands.hpp"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // CSV lines end in CRLF already; a text-mode stdout would make them CR CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  return tessaly::cli::Run(argc, argv, std::cout, std::cerr);
}
