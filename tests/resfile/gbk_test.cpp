#include <gtest/gtest.h>

#include <span>
#include <string>

#include "resfile/gbk.hpp"

namespace tessaly {
namespace {

constexpr const char* kBad = "\xEF\xBF\xBD";  // U+FFFD

std::string Bad() { return kBad; }

TEST(Bytes2Str, DecodesGbkAndReplacesWhatIsNoCharacter) {
  const std::pair<std::string, std::string> cases[] = {
      {"\xB2\xE2\xCA\xD4", "测试"},
      {"A", "A"},
      {"AB", "AB"},
      {"a:b::::::c", "a:b::::::c"},
      {"\xB2", Bad()},  // a lone lead byte at the end
      {"A\xB2", "A" + Bad()},
      {"\xB2\xE2\xCA", "测" + Bad()},
      {"\x80\x41", Bad()},  // 0x80 leads a pair, however it is mapped alone
      {"\x80\x41Z", Bad() + "Z"},
      {"\xFF\x41", Bad()},  // no GBK lead byte; the pair still goes as one
      {"\x81\x7F", Bad()},  // 0x7F never trails
      {"\xB2\x00", Bad()},
      {std::string("\x00", 1), std::string("\x00", 1)},
  };
  for (const auto& [bytes, text] : cases) {
    EXPECT_EQ(Bytes2Str(bytes), text) << ::testing::PrintToString(bytes);
  }
}

TEST(Bytes2Str, ALeadByteAtTheEndNeverReadsItsNeighbour) {
  // The byte after the span would complete 测; it must not be looked at.
  const std::uint8_t buffer[] = {0x41, 0xB2, 0xE2};
  EXPECT_EQ(Bytes2Str(std::span<const std::uint8_t>(buffer, 2)), "A" + Bad());
}

TEST(Bytes2Str, EveryPairIsAtMostOneCharacter) {
  // Whatever the pair, it becomes one character (U+FFFD when it is none), and
  // a character that comes out encodes back to bytes that read the same.
  int characters = 0;
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    for (int trail = 0; trail <= 0xFF; ++trail) {
      const std::uint8_t pair[] = {static_cast<std::uint8_t>(lead),
                                   static_cast<std::uint8_t>(trail)};
      const std::string text = Bytes2Str(std::span<const std::uint8_t>(pair, 2));
      ASSERT_GE(text.size(), 2U);
      ASSERT_LE(text.size(), 3U) << lead << " " << trail;
      if (text == kBad) continue;
      ++characters;
      const auto again = EncodeGbk(text);
      ASSERT_TRUE(again.ok()) << std::hex << lead << " " << trail;
      EXPECT_EQ(Bytes2Str(*again), text);
    }
  }
  EXPECT_GT(characters, 20000);  // GBK has 21886 characters
}

TEST(EncodeGbk, EncodesWhatGbkHolds) {
  const std::pair<std::string, std::string> cases[] = {
      {"测试", "\xB2\xE2\xCA\xD4"},
      {"AB", "AB"},
      {"", ""},
      {"?", "?"},
      {"a:b::::::c:", "a:b::::::c:"},
      {" ", " "},
      {"新图", "\xD0\xC2\xCD\xBC"},
  };
  for (const auto& [text, bytes] : cases) {
    const auto encoded = EncodeGbk(text);
    ASSERT_TRUE(encoded.ok()) << text;
    EXPECT_EQ(*encoded, bytes) << text;
  }
}

TEST(EncodeGbk, RefusesWhatGbkLacksInsteadOfWritingQuestionMarks) {
  const std::pair<std::string, GbkError> cases[] = {
      {"\xF0\x9F\x98\x80", GbkError::kUnmappable},  // 😀
      {"测\xF0\x9F\x98\x80试", GbkError::kUnmappable},
      {"\xE2\x82\xAC",
       GbkError::kUnmappable},  // € is one byte 0x80 here, which reads back as a lead
      {"A\xE2\x82\xAC", GbkError::kUnmappable},
      {"\xEF\xBF\xBD", GbkError::kUnmappable},  // U+FFFD
      {"\xFF", GbkError::kInvalidUtf8},
      {"A\xC3", GbkError::kInvalidUtf8},
  };
  for (const auto& [text, error] : cases) {
    const auto encoded = EncodeGbk(text);
    ASSERT_FALSE(encoded.ok()) << text << " gave " << ::testing::PrintToString(*encoded);
    EXPECT_EQ(encoded.error(), error) << text;
  }
}

}  // namespace
}  // namespace tessaly
