#pragma once

// Names of the temporary files a save makes: ".tessaly-<process id>-<n>.tmp",
// short whatever the saved file's name, so they always fit the folder's
// name limit, and carrying the process id, so a later save can tell a file
// whose maker is gone from one still being written.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

[[nodiscard]] std::string TempFileName(std::uint64_t processId);

// The process id in a name of that pattern, or nothing for any other name.
[[nodiscard]] std::optional<std::uint64_t> TempFileProcess(std::string_view name);

}  // namespace tessaly
