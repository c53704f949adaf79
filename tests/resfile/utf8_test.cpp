#include <gtest/gtest.h>

#include <string>

#include "resfile/utf8.hpp"

namespace tessaly {
namespace {

TEST(Utf8, AcceptsWellFormedTextOnly) {
  const struct {
    std::string text;
    bool ok;
  } cases[] = {
      {"", true},
      {"A", true},
      {"测试", true},
      {"\xF0\x9F\x98\x80", true},   // U+1F600, four bytes
      {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF, the last code point
      {"\xC0\x80", false},          // overlong NUL
      {"\xE0\x80\xAF", false},      // overlong '/'
      {"\xED\xA0\x80", false},      // a surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xE6\xB5", false},          // cut short
      {"\x80", false},              // a lone continuation byte
      {"A\xE6\x41\x41", false},     // a lead whose continuation is missing
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsUtf8(c.text), c.ok) << ::testing::PrintToString(c.text);
  }
}

TEST(Utf8, RoundTripsThroughCodePointsAndUtf16) {
  const std::string text = "A测\xF0\x9F\x98\x80\xC2\xA9";
  const auto points = DecodeUtf8(text);
  ASSERT_TRUE(points.has_value());
  EXPECT_EQ(*points, (std::u32string{U'A', U'测', U'\U0001F600', U'\u00A9'}));
  EXPECT_EQ(ToUtf16(*points), u"A测\U0001F600\u00A9");
  std::string again;
  for (const char32_t c : *points) AppendUtf8(again, c);
  EXPECT_EQ(again, text);
}

// Values in messages: shortened with "…" (a path in the middle), control
// characters and bytes that are not UTF-8 as escapes.
TEST(ForMessage, ShortensAndEscapes) {
  const struct {
    std::string text;
    std::size_t limit;
    bool keepEnd;
    std::string shown;
  } cases[] = {
      {"测试 map", 40, false, "测试 map"},
      {std::string(41, 'x'), 40, false, std::string(40, 'x') + "…"},
      {std::string("a\nb\r\t\0\x1B\x7F", 8), 40, false, "a\\nb\\r\\t\\0\\x1B\\x7F"},
      {"\xB2\xE2.res \xC2\x85\xE2\x80\xAE", 40, false, "\\xB2\\xE2.res \\u0085\\u202E"},
      {"/games/" + std::string(100, 'd') + "/Meteor.res", 20, true, "/games/ddd…Meteor.res"},
  };
  for (const auto& c : cases) EXPECT_EQ(ForMessage(c.text, c.limit, c.keepEnd), c.shown) << c.text;
}

}  // namespace
}  // namespace tessaly
