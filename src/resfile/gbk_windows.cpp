#include <windows.h>

#include <string>

#include "gbk_codepage.hpp"
#include "utf8.hpp"

namespace tessaly::codepage936 {
namespace {
constexpr UINT kCodePage = 936;
}  // namespace

std::optional<char32_t> DecodePair(std::uint8_t lead, std::uint8_t trail) {
  const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  wchar_t out[4];
  const int units = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, in, 2, out, 4);
  if (units == 1) return static_cast<char32_t>(out[0]);
  if (units == 2 && IS_HIGH_SURROGATE(out[0]) && IS_LOW_SURROGATE(out[1])) {
    return static_cast<char32_t>(0x10000 + ((out[0] - 0xD800) << 10) + (out[1] - 0xDC00));
  }
  return std::nullopt;  // refused, or two characters
}

std::optional<std::string> Encode(std::u32string_view text) {
  const std::u16string utf16 = ToUtf16(text);
  const std::wstring wide(utf16.begin(), utf16.end());
  if (wide.empty()) return std::string{};
  const int units = static_cast<int>(wide.size());
  // No best fit: a character without its own bytes is reported through
  // usedDefault instead of turning into a look-alike or '?'.
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), units,
                                         nullptr, 0, nullptr, &usedDefault);
  if (length <= 0 || usedDefault) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(length), '\0');
  usedDefault = FALSE;
  const int written = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), units,
                                          bytes.data(), length, nullptr, &usedDefault);
  if (written != length || usedDefault) return std::nullopt;
  return bytes;
}

}  // namespace tessaly::codepage936
