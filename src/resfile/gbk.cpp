#include "gbk.hpp"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <memory>
#include <optional>
#include <vector>

namespace tessaly {
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

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

void AppendUtf8(std::string& out, UChar32 c) {
  char buf[4];
  int32_t length = 0;
  UBool error = false;
  U8_APPEND(buf, length, 4, c, error);
  if (error) {
    out += kReplacement;
  } else {
    out.append(buf, static_cast<std::size_t>(length));
  }
}

// The one character that the two bytes lead, trail stand for, or nothing.
std::optional<UChar32> DecodePair(std::uint8_t lead, std::uint8_t trail) {
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
  if (i != units || c == 0xFFFD || c == 0x1A)
    return std::nullopt;  // two characters, or a substitute
  return c;
}

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
    if (i + 1 >= bytes.size()) {
      text += kReplacement;
      break;
    }
    if (const auto c = DecodePair(b, bytes[i + 1])) {
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
  UErrorCode status = U_ZERO_ERROR;
  int32_t units = 0;
  u_strFromUTF8(nullptr, 0, &units, utf8.data(), static_cast<int32_t>(utf8.size()), &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return Fail(GbkError::kInvalidUtf8);
  std::vector<UChar> wide(static_cast<std::size_t>(units) + 1);
  status = U_ZERO_ERROR;
  u_strFromUTF8(wide.data(), units + 1, nullptr, utf8.data(), static_cast<int32_t>(utf8.size()),
                &status);
  if (U_FAILURE(status)) return Fail(GbkError::kInvalidUtf8);

  UConverter* conv = Gbk();
  if (conv == nullptr) return Fail(GbkError::kUnmappable);
  ucnv_reset(conv);
  std::string bytes(static_cast<std::size_t>(units) * 2 + 2, '\0');
  status = U_ZERO_ERROR;
  const int32_t length = ucnv_fromUChars(conv, bytes.data(), static_cast<int32_t>(bytes.size()),
                                         wide.data(), units, &status);
  if (U_FAILURE(status)) return Fail(GbkError::kUnmappable);
  bytes.resize(static_cast<std::size_t>(length));
  // A character stored as one byte of 128 or more (the euro sign is 0x80 in this
  // table) would read back as the lead of a pair; only text that decodes to
  // itself can be stored.
  if (Bytes2Str(bytes) != utf8) return Fail(GbkError::kUnmappable);
  return bytes;
}

}  // namespace tessaly
