#pragma once

// Reading Meteor.res into memory and finding its map records.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "result.hpp"

namespace tessaly {

inline constexpr std::string_view kWrongFileMessage =
    "请打开正确流星蝴蝶剑.NET的“Meteor.res”文件！";

// One map record as found in the file.
struct MapRecord {
  std::uint64_t offset = 0;  // of the marker byte
  std::uint16_t model = 0;
  std::uint8_t nameLength = 0;    // N, the name bytes plus the terminating zero
  std::string nameBytes;          // the N - 1 GBK bytes (empty when N < 2)
  std::string name;               // nameBytes decoded, UTF-8
  std::uint8_t folderLength = 0;  // L, as stored
  std::uint8_t listFlag = 0;
  std::uint8_t modeByte = 0;
  std::uint8_t music = 0;
  std::uint8_t storyOrder = 0;
};

// What loading learns from a file.
struct ScanResult {
  std::optional<std::uint64_t> headerEnd;  // offset of the first record minus 1
  std::uint16_t entryCount = 0;            // the header's count, unsigned
  std::int64_t extraCount = 0;             // entryCount minus the records found
  std::vector<MapRecord> records;
};

// Which file a path led to and in what state: on Linux the device, inode,
// size and modification time in nanoseconds; on Windows the volume serial
// number, file index, size and last-write time. Equal identities mean the same
// file, unchanged.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  std::uint64_t size = 0;
  std::int64_t modified = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The bytes of a file to write, as pieces written one after the other.
using Pieces = std::span<const std::span<const std::uint8_t>>;

// A loaded file: its path and bytes (ResPath, ResBytes), the scan, and the
// identity of the file the bytes were read from.
struct LoadedFile {
  std::filesystem::path path;
  std::vector<std::uint8_t> bytes;
  ScanResult scan;
  FileIdentity identity;
};

// Room the buffer of loaded bytes has beyond the file, so that a save adding
// maps can turn it into the new file's bytes without a second copy.
inline constexpr std::size_t kLoadSpareBytes = std::size_t{1} << 20;

struct LoadError {
  enum class Kind {
    kRefused,     // not a Meteor.res: too short or the magic text differs
    kReadFailed,  // the file could not be opened or read
  };
  Kind kind = Kind::kRefused;
  std::string message;
};

// True when the data starts with the 37-byte magic text.
[[nodiscard]] bool HasMagic(std::span<const std::uint8_t> data);

// Finds the map records of data that passed the magic test. The scan starts at
// offset 54, so no record overlaps the magic text or the entry count, and goes
// on after the end of each accepted record, so bytes inside a record are never
// taken for a further one.
// `from` lets a caller re-check only the end of a header (never below 54).
[[nodiscard]] ScanResult ScanResBytes(std::span<const std::uint8_t> data, std::size_t from = 54);

// Reads the whole file with one read and scans it. A file shorter than the
// magic text or without it is refused with kWrongFileMessage.
[[nodiscard]] Result<LoadedFile, LoadError> LoadResFile(const std::filesystem::path& path);

// "无法读取文件“<path>”：<reason>", the message of a file that cannot be read.
[[nodiscard]] std::string ReadFailureMessage(const std::filesystem::path& path,
                                             const std::string& reason);

// Reads a whole ordinary file into memory; the message names the file and the
// reason. A folder, FIFO or device is refused before anything is read, without
// blocking; so is a file larger than `maxBytes`.
[[nodiscard]] Result<std::vector<std::uint8_t>, std::string> ReadWholeFile(
    const std::filesystem::path& path,
    std::uint64_t maxBytes = std::numeric_limits<std::uint64_t>::max());

// Reads the file back in slices and compares it with `pieces`: its identity
// when it holds exactly those bytes, nothing when it differs.
[[nodiscard]] Result<std::optional<FileIdentity>, std::string> ReadBack(
    const std::filesystem::path& path, Pieces pieces);

}  // namespace tessaly
