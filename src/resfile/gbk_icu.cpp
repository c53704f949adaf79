#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/utf16.h>

#include <memory>

#include "gbk_codepage.hpp"
#include "utf8.hpp"

namespace tessaly::codepage936 {
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// One converter per thread, opened on first use, with stop callbacks in both
// directions so that ICU reports a failure instead of writing a substitute.
UConverter* Gbk() {
  thread_local ConverterPtr converter = [] {
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr c(ucnv_open("windows-936-2000", &status));
    if (U_FAILURE(status)) return ConverterPtr{};
    ucnv_setToUCallBack(c.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(c.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status)) return ConverterPtr{};
    return c;
  }();
  return converter.get();
}

}  // namespace

std::optional<char32_t> DecodePair(std::uint8_t lead, std::uint8_t trail) {
  UConverter* conv = Gbk();
  if (conv == nullptr) return std::nullopt;
  ucnv_reset(conv);
  const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  UChar out[4];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t units = ucnv_toUChars(conv, out, 4, in, 2, &status);
  if (U_FAILURE(status) || units <= 0) return std::nullopt;
  int32_t i = 0;
  UChar32 c = 0;
  U16_NEXT(out, i, units, c);
  // Two characters (a single-byte one and another), or ICU's substitute.
  if (i != units || c == 0x1A) return std::nullopt;
  return static_cast<char32_t>(c);
}

std::optional<std::string> Encode(std::u32string_view text) {
  const std::u16string wide = ToUtf16(text);
  UConverter* conv = Gbk();
  if (conv == nullptr) return std::nullopt;
  ucnv_reset(conv);
  std::string bytes(wide.size() * 4 + 2, '\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = ucnv_fromUChars(conv, bytes.data(), static_cast<int32_t>(bytes.size()),
                                         wide.data(), static_cast<int32_t>(wide.size()), &status);
  if (U_FAILURE(status)) return std::nullopt;
  bytes.resize(static_cast<std::size_t>(length));
  return bytes;
}

}  // namespace tessaly::codepage936
