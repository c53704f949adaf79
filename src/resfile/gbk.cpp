#include "gbk.hpp"

#include <atomic>
#include <optional>

#include "gbk_codepage.hpp"
#include "utf8.hpp"

namespace tessaly {
namespace {
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// The character that starts at bytes[i] and the bytes it takes: a byte below
// 128 alone, every other byte with the next one. Nothing for a pair that is
// no GBK character, or for a lead byte at the very end (never read past).
struct Decoded {
  std::optional<char32_t> c;
  std::size_t size = 1;
};

// What each pair decodes to, filled as pairs are met: asking the converter
// costs far more than the rest of loading a name. 0 is a pair not yet asked
// about (no pair decodes to U+0000); U+FFFD one that is no character.
// Threads that fill the same entry store the same value.
std::atomic<char32_t> decodedPairs[128 * 256];

std::optional<char32_t> DecodePairOnce(std::uint8_t lead, std::uint8_t trail) {
  std::atomic<char32_t>& known = decodedPairs[(lead - 0x80U) * 256U + trail];
  char32_t c = known.load(std::memory_order_relaxed);
  if (c == 0) {
    c = codepage936::DecodePair(lead, trail).value_or(0xFFFD);
    known.store(c, std::memory_order_relaxed);
  }
  if (c == 0xFFFD) return std::nullopt;
  return c;
}

Decoded DecodeAt(std::span<const std::uint8_t> bytes, std::size_t i) {
  const std::uint8_t b = bytes[i];
  if (b < 0x80) return {b, 1};
  if (i + 1 >= bytes.size()) return {std::nullopt, 1};
  return {DecodePairOnce(b, bytes[i + 1]), 2};
}

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

std::string Bytes2Str(std::span<const std::uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size() * 3 / 2);
  for (std::size_t i = 0; i < bytes.size();) {
    const Decoded d = DecodeAt(bytes, i);
    if (d.c) {
      AppendUtf8(text, *d.c);
    } else {
      text += kReplacement;
    }
    i += d.size;
  }
  return text;
}

std::string Bytes2Str(std::string_view bytes) { return Bytes2Str(AsBytes(bytes)); }

Result<std::string, GbkTextError> DecodeGbkText(std::string_view text) {
  const auto bytes = AsBytes(text);
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  std::size_t line = 1;
  std::size_t column = 1;
  for (std::size_t i = 0; i < bytes.size();) {
    const Decoded d = DecodeAt(bytes, i);
    if (!d.c) {
      return Fail(GbkTextError{line, column, std::string(text.substr(i, d.size))});
    }
    AppendUtf8(out, *d.c);
    i += d.size;
    // CRLF, LF and CR each end a line.
    const bool lineEnd = *d.c == '\n' || (*d.c == '\r' && (i >= bytes.size() || bytes[i] != '\n'));
    column = lineEnd ? 1 : column + 1;
    line += lineEnd ? 1 : 0;
  }
  return out;
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
