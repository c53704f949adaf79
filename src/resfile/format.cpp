#include "format.hpp"

#include <array>
#include <cassert>
#include <charconv>

namespace tessaly {

std::optional<std::size_t> RecordLengthAt(std::span<const std::uint8_t> data, std::size_t p) {
  const std::size_t size = data.size();
  if (p >= size || data[p] != kMarker || size - p <= 8) return std::nullopt;
  const std::size_t n = data[p + 8];
  if (size - p <= 16 + n || data[p + 16 + n] != kFolderFirstByte) return std::nullopt;
  const std::size_t l = data[p + 12 + n];
  // The story order is the last byte a record is read for; the eleven zero
  // bytes after it may be missing at the end of the file.
  if (size - p <= n + l + tail::kStoryOrder) return std::nullopt;
  return n + l + kRecordFixedBytes;
}

void AppendRecordImage(std::vector<std::uint8_t>& out, const RecordImageInput& in) {
  // Callers check the lengths first; a longer text would wrap its length byte.
  assert(in.nameBytes.size() <= kMaxNameBytes && in.folderText.size() <= kMaxNameBytes);
  const std::size_t n = in.nameBytes.size() + 1;
  const std::size_t l = in.folderText.size() + 1;
  const std::size_t r = out.size();
  out.resize(r + n + l + kRecordFixedBytes, 0);
  std::uint8_t* rec = out.data() + r;
  rec[0] = kMarker;
  rec[4] = static_cast<std::uint8_t>(in.model & 0xFF);
  rec[5] = static_cast<std::uint8_t>(in.model >> 8);
  rec[8] = static_cast<std::uint8_t>(n);
  for (std::size_t i = 0; i < in.nameBytes.size(); ++i) {
    rec[12 + i] = static_cast<std::uint8_t>(in.nameBytes[i]);
  }
  rec[12 + n] = static_cast<std::uint8_t>(l);
  for (std::size_t i = 0; i < in.folderText.size(); ++i) {
    rec[16 + n + i] = static_cast<std::uint8_t>(in.folderText[i]);
  }
  std::uint8_t* t = rec + n + l;
  t[tail::kConstOne] = 1;
  t[tail::kConstThree] = 3;
  t[tail::kListFlag] = in.listFlag;
  t[tail::kModeByte] = in.modeByte;
  t[tail::kConstTwelve] = 12;
  t[tail::kMusic] = in.music;
  t[tail::kConstOneAgain] = 1;
  t[tail::kStoryOrder] = in.storyOrder;
}

void WriteEntryCount(std::span<std::uint8_t> header, std::uint16_t count) {
  header[kCountOffset] = static_cast<std::uint8_t>(count & 0xFF);
  header[kCountOffset + 1] = static_cast<std::uint8_t>(count >> 8);
}

std::uint16_t ReadEntryCount(std::span<const std::uint8_t> data) {
  const unsigned low = data.size() > kCountOffset ? data[kCountOffset] : 0U;
  const unsigned high = data.size() > kCountOffset + 1 ? data[kCountOffset + 1] : 0U;
  return static_cast<std::uint16_t>(high * 256U + low);
}

std::string FolderText(std::uint32_t model) {
  return (model < 10 ? "SN0" : "SN") + std::to_string(model);
}

std::optional<std::uint64_t> Hex2Bin(std::string_view hex) {
  static constexpr std::string_view kTable =
      "0000000100100011010001010110011110001001101010111100110111101111";
  if (hex.empty() || hex.size() > 4) return std::nullopt;
  std::uint64_t result = 0;
  for (const char c : hex) {
    unsigned value = 0;
    if (std::from_chars(&c, &c + 1, value, 16).ptr != &c + 1) return std::nullopt;
    for (const char bit : kTable.substr(static_cast<std::size_t>(value) * 4, 4)) {
      result = result * 10 + static_cast<std::uint64_t>(bit - '0');
    }
  }
  return result;
}

int Bin2Dec(std::string_view bits) {
  int value = 0;
  for (std::size_t i = 0; i < 6; ++i) {
    value = value * 2 + (i < bits.size() && bits[i] == '1' ? 1 : 0);
  }
  return value;
}

std::string ModeBitsFromByte(std::uint8_t modeByte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const unsigned flags = modeByte & 0x3FU;
  std::string hex;
  if (flags >= 16) hex += kDigits[flags >> 4];
  hex += kDigits[flags & 0xFU];
  std::string bits = std::to_string(Hex2Bin(hex).value_or(0));
  if (bits.size() < 6) bits.insert(0, 6 - bits.size(), '0');
  return bits;
}

bool IsModeBits(std::string_view bits) {
  if (bits.size() != 6) return false;
  for (const char c : bits) {
    if (c != '0' && c != '1') return false;
  }
  return true;
}

}  // namespace tessaly
