#pragma once

// The commands of tessaly-cli as functions that write to the given streams and
// return the exit status, so tests can run them without a process.

#include <filesystem>
#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

#include "table/document.hpp"

namespace tessaly::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFileError = 2;

// The JSON document of a loaded file: headerEnd, entryCount, extraCount, maps.
[[nodiscard]] nlohmann::ordered_json DocumentJson(const Document& doc);

int List(const std::filesystem::path& file, std::ostream& out, std::ostream& err);
int Dump(const std::filesystem::path& file, bool json, std::ostream& out, std::ostream& err);

// Parses the command line and runs the command.
int Run(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace tessaly::cli
