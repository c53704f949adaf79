#pragma once

// The bytes of Meteor.res that Tessaly reads and writes: the magic text, the
// entry count in the header, and the map record.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

inline constexpr std::string_view kMagic = "MTTM Meteor Resource file Version 1.0";
inline constexpr std::size_t kCountOffset = 52;    // little-endian 16-bit entry count at 52, 53
inline constexpr std::size_t kHeaderMinimum = 54;  // magic, 15 other bytes, the count
inline constexpr std::uint8_t kMarker = 5;
inline constexpr std::uint8_t kFolderFirstByte = 83;  // 'S'
inline constexpr std::size_t kRecordFixedBytes = 65;  // a record is N + L + 65 bytes
inline constexpr std::size_t kMaxNameBytes = 254;     // N = name bytes + 1 must fit one byte
inline constexpr std::size_t kMaxRecordBytes = 255 + 255 + kRecordFixedBytes;  // N, L at most 255

// Offsets inside a record relative to R + N + L (the tail after the folder text).
namespace tail {
inline constexpr std::size_t kConstOne = 16;
inline constexpr std::size_t kConstThree = 21;
inline constexpr std::size_t kListFlag = 25;
inline constexpr std::size_t kModeByte = 29;
inline constexpr std::size_t kConstTwelve = 37;
inline constexpr std::size_t kMusic = 41;
inline constexpr std::size_t kConstOneAgain = 49;
inline constexpr std::size_t kStoryOrder = 53;
}  // namespace tail

// Length of the map record at offset p (N + L + 65), or nothing when the bytes
// there are not one. A record needs the marker 5 at p and an 'S' at p + 16 + N,
// and every byte up to its story order (p + N + L + 53) must lie inside the
// data, so that reading it never looks past the end; the zero bytes after the
// story order may be missing from the last record of a file.
[[nodiscard]] std::optional<std::size_t> RecordLengthAt(std::span<const std::uint8_t> data,
                                                        std::size_t p);

// Everything needed to write one map record.
struct RecordImageInput {
  std::string_view nameBytes;   // GBK, at most 254 bytes
  std::string_view folderText;  // ASCII, "SN05" and the like, at most 254 bytes
  std::uint16_t model = 0;
  std::uint8_t listFlag = 0;
  std::uint8_t modeByte = 0;
  std::uint8_t music = 0;
  std::uint8_t storyOrder = 0;
};

// Appends the record for `in` (nameBytes + folderText + 67 bytes) to `out`: all
// zero but the marker, the model, both lengths, both texts and the tail values.
void AppendRecordImage(std::vector<std::uint8_t>& out, const RecordImageInput& in);

// Stores `count` at offsets 52 and 53 of `header` (which must be at least 54 bytes).
void WriteEntryCount(std::span<std::uint8_t> header, std::uint16_t count);

// Reads the entry count as an unsigned 16-bit number; bytes the data lacks read as 0.
[[nodiscard]] std::uint16_t ReadEntryCount(std::span<const std::uint8_t> data);

// "SN" and the model number, with a "0" before numbers below 10 (SN05, SN10, SN65535).
[[nodiscard]] std::string FolderText(std::uint32_t model);

// The bits of a hexadecimal text, written as a decimal number: "30" gives 110000.
// Nothing for an empty text, a non-hexadecimal character or more than four digits
// (the result would not fit).
[[nodiscard]] std::optional<std::uint64_t> Hex2Bin(std::string_view hex);

// The mode byte of six "0"/"1" characters, flag 32 first: "110000" gives 48.
// Characters after the sixth are ignored; a character other than '1' counts as 0.
[[nodiscard]] int Bin2Dec(std::string_view bits);

// The six mode characters of a mode byte. Only the six flags exist; the unused
// values 64 and 128 are dropped so the text always has six characters and
// saving writes back the same six flags.
[[nodiscard]] std::string ModeBitsFromByte(std::uint8_t modeByte);

// True when `bits` is exactly six characters, each '0' or '1'.
[[nodiscard]] bool IsModeBits(std::string_view bits);

}  // namespace tessaly
