#include "utf8.hpp"

#include <cstdint>

namespace tessaly {

namespace {

// The code point that starts at text[i], advancing i past it; nothing for a
// sequence that is not well-formed UTF-8.
std::optional<char32_t> NextCodePoint(std::string_view text, std::size_t& i) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
  const std::size_t n = text.size();
  const std::uint8_t b = s[i];
  if (b < 0x80) {
    ++i;
    return static_cast<char32_t>(b);
  }
  std::size_t extra = 0;
  char32_t c = 0;
  char32_t least = 0;  // the smallest value this length may carry
  if (b >= 0xC2 && b <= 0xDF) {
    extra = 1, c = b & 0x1FU, least = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    extra = 2, c = b & 0x0FU, least = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    extra = 3, c = b & 0x07U, least = 0x10000;
  } else {
    return std::nullopt;  // a continuation byte, or a lead that only overlong forms use
  }
  if (n - i <= extra) return std::nullopt;
  for (std::size_t k = 1; k <= extra; ++k) {
    const std::uint8_t t = s[i + k];
    if (!IsUtf8Continuation(t)) return std::nullopt;
    c = (c << 6) | (t & 0x3FU);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  i += extra + 1;
  return c;
}

// Advances i past one character, or past one byte that starts none.
void Skip(std::string_view text, std::size_t& i) {
  const std::size_t start = i;
  if (!NextCodePoint(text, i)) i = start + 1;
}

std::string Hex(std::uint32_t value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out(static_cast<std::size_t>(digits), '0');
  for (int k = digits - 1; k >= 0; --k, value >>= 4) {
    out[static_cast<std::size_t>(k)] = kDigits[value & 0xFU];
  }
  return out;
}

// Appends the character at text[i] as a message shows it, advancing i past it.
void AppendShown(std::string& out, std::string_view text, std::size_t& i) {
  const std::size_t start = i;
  const auto c = NextCodePoint(text, i);
  if (!c) {
    i = start + 1;
    out += "\\x" + Hex(static_cast<std::uint8_t>(text[start]), 2);
    return;
  }
  switch (*c) {
    case U'\n':
      out += "\\n";
      return;
    case U'\r':
      out += "\\r";
      return;
    case U'\t':
      out += "\\t";
      return;
    case U'\0':
      out += "\\0";
      return;
    default:
      break;
  }
  if (*c < 0x20 || *c == 0x7F) {
    out += "\\x" + Hex(*c, 2);
  } else if ((*c >= 0x80 && *c <= 0x9F) || (*c >= 0x2028 && *c <= 0x202E) ||
             (*c >= 0x2066 && *c <= 0x2069)) {
    out += "\\u" + Hex(*c, 4);  // C1 controls, line separators, direction overrides
  } else {
    out.append(text.substr(start, i - start));
  }
}

}  // namespace

std::string ForMessage(std::string_view text, std::size_t limit, bool keepEnd) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++count) Skip(text, i);
  const bool cut = count > limit;
  const std::size_t head = !cut ? count : keepEnd ? limit / 2 : limit;
  const std::size_t tailFrom = cut && keepEnd ? count - (limit - head) : count;
  std::string out;
  std::size_t k = 0;
  for (std::size_t i = 0; i < text.size(); ++k) {
    if (k < head || k >= tailFrom) {
      AppendShown(out, text, i);
      continue;
    }
    if (k == head) out += "…";
    if (!keepEnd) break;
    Skip(text, i);
  }
  return out;
}

std::optional<std::u32string> DecodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto c = NextCodePoint(text, i);
    if (!c) return std::nullopt;
    out += *c;
  }
  return out;
}

// Checked in place: a large text is never copied.
bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    if (!NextCodePoint(text, i)) return false;
  }
  return true;
}

std::u16string ToUtf16(std::u32string_view text) {
  std::u16string out;
  out.reserve(text.size() + 1);
  for (const char32_t c : text) {
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace tessaly
