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

// The same on Linux (ICU's table) and on Windows (the system's code page 936):
// each pair of the GBK byte ranges is refused or is one character that
// encodes back to exactly its two bytes; 0x80 and 0xFF lead no stored
// character; outside the ranges a pair is still one character at most.
TEST(Gbk, EveryPairIsRefusedOrOneCharacterThatRoundTrips) {
  int characters = 0;
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    for (int trail = 0; trail <= 0xFF; ++trail) {
      const std::uint8_t pair[] = {static_cast<std::uint8_t>(lead),
                                   static_cast<std::uint8_t>(trail)};
      const std::string text = Bytes2Str(std::span<const std::uint8_t>(pair, 2));
      if (text == kBad) continue;
      const bool inRanges = lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE;
      ASSERT_TRUE(inRanges) << std::hex << lead << " " << trail << " gave " << text;
      ASSERT_LE(text.size(), 3U) << std::hex << lead << " " << trail;
      ++characters;
      const auto again = EncodeGbk(text);
      ASSERT_TRUE(again.ok()) << std::hex << lead << " " << trail;
      EXPECT_EQ(*again, std::string(reinterpret_cast<const char*>(pair), 2))
          << std::hex << lead << " " << trail;
    }
  }
  // 21886 GBK characters and the 2054 places of its user-defined areas.
  EXPECT_EQ(characters, 23940);
}

TEST(DecodeGbkText, DecodesByTheRulesOfNamesAndPlacesTheFirstFault) {
  EXPECT_EQ(*DecodeGbkText("id,\xB2\xE2\xCA\xD4\r\n1,2"), "id,测试\r\n1,2");
  const struct {
    std::string text;
    std::size_t line, column;
    std::string bytes;
  } faults[] = {
      {"a\r\n\xB2\xE2\x81\x20", 2, 2, "\x81\x20"},
      {"a\rb\nc\xB2", 3, 2, "\xB2"},  // CR and LF alone end lines; a lead at the end
      {"\x80\x41", 1, 1, "\x80\x41"},
  };
  for (const auto& f : faults) {
    const auto decoded = DecodeGbkText(f.text);
    ASSERT_FALSE(decoded.ok()) << f.text;
    EXPECT_EQ(decoded.error().line, f.line) << f.text;
    EXPECT_EQ(decoded.error().column, f.column) << f.text;
    EXPECT_EQ(decoded.error().bytes, f.bytes) << f.text;
  }
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
      // Invisible characters that one converter writes as no bytes at all.
      {"A\xC2\xAD", GbkError::kUnmappable},     // U+00AD soft hyphen
      {"\xE2\x80\x8B", GbkError::kUnmappable},  // U+200B zero width space
      {"\xE2\x80\x8F", GbkError::kUnmappable},  // U+200F
      {"\xEF\xBB\xBF"
       "A",
       GbkError::kUnmappable},  // U+FEFF
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
