#include "gbk.hpp"

#include "gbk_codepage.hpp"
#include "utf8.hpp"

namespace tessaly {
namespace {
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8
}  // namespace

std::string Bytes2Str(std::span<const std::uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size() * 3 / 2);
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::uint8_t b = bytes[i];
    if (b < 0x80) {
      text += static_cast<char>(b);
      ++i;
      continue;
    }
    // Every byte of 128 or more leads a pair; a lead at the very end has no
    // trail and is never read past.
    if (i + 1 >= bytes.size()) {
      text += kReplacement;
      break;
    }
    if (const auto c = codepage936::DecodePair(b, bytes[i + 1]); c && *c != 0xFFFD) {
      AppendUtf8(text, *c);
    } else {
      text += kReplacement;
    }
    i += 2;
  }
  return text;
}

std::string Bytes2Str(std::string_view bytes) {
  return Bytes2Str(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

Result<std::string, GbkError> EncodeGbk(std::string_view utf8) {
  if (utf8.empty()) return std::string{};
  const auto chars = DecodeUtf8(utf8);
  if (!chars) return Fail(GbkError::kInvalidUtf8);
  auto bytes = codepage936::Encode(*chars);
  if (!bytes) return Fail(GbkError::kUnmappable);
  // Only text that reads back as itself can be stored: a character written as
  // one byte of 128 or more (the euro sign is 0x80 in ICU's table) would read
  // back as the lead of a pair, and one written as no bytes at all (ICU drops
  // U+200B and other invisible characters) would vanish from the name.
  if (Bytes2Str(*bytes) != utf8) return Fail(GbkError::kUnmappable);
  return std::move(*bytes);
}

}  // namespace tessaly
