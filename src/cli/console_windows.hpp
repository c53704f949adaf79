#pragma once

// Standard output and error of tessaly-cli on Windows. A console window gets
// the text as UTF-16 through WriteConsoleW, since the C runtime would hand it
// over byte by byte and show Chinese as mojibake; a pipe or a file gets the
// program's UTF-8 bytes exactly, with LF line ends as on Linux.

#include <ostream>

namespace tessaly::cli {

[[nodiscard]] std::ostream& StandardOutput();
[[nodiscard]] std::ostream& StandardError();

}  // namespace tessaly::cli
