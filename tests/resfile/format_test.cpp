#include <gtest/gtest.h>

#include "resfile/format.hpp"
#include "support/fixture.hpp"

namespace tessaly {
namespace {

using test::Bytes;
using test::RecordBytes;
using test::RecordValues;

TEST(RecordImage, TheSeventyFiveByteExample) {
  const Bytes expected = {
      0x05, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0xB2, 0xE2, 0xCA,
      0xD4, 0x00, 0x05, 0x00, 0x00, 0x00, 0x53, 0x4E, 0x30, 0x35, 0x00, 0x01, 0x00, 0x00, 0x00,
      0x00, 0x03, 0x00, 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x30, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(RecordBytes({.nameBytes = "\xB2\xE2\xCA\xD4", .model = 5}), expected);
}

TEST(RecordImage, NameABModel300PutsEveryTailFieldInPlace) {
  const Bytes rec = RecordBytes({.nameBytes = "AB",
                                 .model = 300,
                                 .listFlag = 10,
                                 .modeByte = 7,
                                 .music = 9,
                                 .storyOrder = 4});
  ASSERT_EQ(rec.size(), 74U);
  EXPECT_EQ(rec[4], 0x2C);
  EXPECT_EQ(rec[5], 0x01);
  EXPECT_EQ(rec[8], 3);
  EXPECT_EQ(rec[15], 6);
  EXPECT_EQ(std::string(rec.begin() + 19, rec.begin() + 24), "SN300");
  const std::pair<std::size_t, int> fields[] = {{25, 1},  {30, 3}, {34, 10}, {38, 7},
                                                {46, 12}, {50, 9}, {58, 1},  {62, 4}};
  for (const auto& [offset, value] : fields) EXPECT_EQ(rec[offset], value) << offset;
}

TEST(RecordImage, EmptyNameIsLengthOneAndOneZeroByte) {
  const Bytes rec = RecordBytes({.nameBytes = "", .model = 5});
  EXPECT_EQ(rec[8], 1);
  EXPECT_EQ(rec[12], 0);
  EXPECT_EQ(rec[13], 5);
  EXPECT_EQ(rec[17], 'S');
  EXPECT_EQ(rec.size(), 1U + 5U + 65U);
}

TEST(EntryCount, StoredLittleEndianAndReadUnsigned) {
  Bytes header(54, 0);
  WriteEntryCount(header, 300);
  EXPECT_EQ(header[52], 44);
  EXPECT_EQ(header[53], 1);
  WriteEntryCount(header, 40000);
  EXPECT_EQ(ReadEntryCount(header), 40000);
  EXPECT_EQ(ReadEntryCount(Bytes(53, 0xFF)), 0xFF);  // the missing high byte reads as 0
  EXPECT_EQ(ReadEntryCount(Bytes(40, 0xFF)), 0);
}

TEST(FolderText, ZeroPaddedBelowTen) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {0, "SN00"},  {7, "SN07"},    {9, "SN09"},       {10, "SN10"},
      {12, "SN12"}, {300, "SN300"}, {65535, "SN65535"}};
  for (const auto& [model, text] : cases) EXPECT_EQ(FolderText(model), text);
}

TEST(Hex2Bin, Examples) {
  const std::pair<const char*, std::uint64_t> cases[] = {
      {"0", 0},         {"F", 1111}, {"30", 110000}, {"3F", 111111},
      {"FF", 11111111}, {"5", 101},  {"c", 1100},    {"FFFF", 1111111111111111ULL}};
  for (const auto& [hex, bits] : cases) EXPECT_EQ(Hex2Bin(hex), bits) << hex;
  for (const char* bad : {"", "G", "3 ", "12345"}) EXPECT_FALSE(Hex2Bin(bad)) << bad;
}

TEST(ModeBits, SixCharactersBothWays) {
  const std::pair<std::uint8_t, const char*> cases[] = {
      {0, "000000"},  {5, "000101"},   {48, "110000"},      {63, "111111"},
      {64, "000000"}, {128, "000000"}, {64 + 48, "110000"}, {255, "111111"}};
  for (const auto& [byte, bits] : cases) {
    EXPECT_EQ(ModeBitsFromByte(byte), bits) << int(byte);
    EXPECT_EQ(Bin2Dec(bits), byte & 63) << bits;
  }
  EXPECT_EQ(Bin2Dec("1000000"), 32);  // characters after the sixth are ignored
  EXPECT_EQ(Bin2Dec("000001"), 1);
  EXPECT_TRUE(IsModeBits("010101"));
  for (const char* bad : {"", "01010", "0101010", "01a101", "11000 "})
    EXPECT_FALSE(IsModeBits(bad));
}

TEST(RecordLengthAt, NeedsMarkerFolderByteAndEveryByteUpToTheStoryOrder) {
  const Bytes rec = RecordBytes({.nameBytes = "AB", .model = 300});
  EXPECT_EQ(RecordLengthAt(rec, 0), rec.size());
  // N = 3, L = 6: the story order is at 62, the last of the 74 bytes at 73.
  ASSERT_EQ(rec.size(), 74U);
  EXPECT_EQ(RecordLengthAt(Bytes(rec.begin(), rec.begin() + 63), 0), 74U);
  EXPECT_FALSE(RecordLengthAt(Bytes(rec.begin(), rec.begin() + 62), 0));
  Bytes noS = rec;
  noS[19] = 'T';
  EXPECT_FALSE(RecordLengthAt(noS, 0));
  Bytes noMarker = rec;
  noMarker[0] = 6;
  EXPECT_FALSE(RecordLengthAt(noMarker, 0));
  // A lone 5 at the very end: the name length byte lies past the data.
  EXPECT_FALSE(RecordLengthAt(Bytes{0, 5}, 1));
  EXPECT_FALSE(RecordLengthAt(Bytes{5, 0, 0, 0, 0, 0, 0, 0, 0}, 0));
}

// A candidate whose 'S' is the last byte of the data, or would lie one past it.
// Each buffer is exactly that long, so a look one byte too far is a heap
// overflow that the sanitizer build reports.
TEST(RecordLengthAt, FolderByteAtTheVeryEndOfTheData) {
  struct Case {
    std::size_t at;         // R
    std::size_t nameBytes;  // N - 1
  };
  for (const Case c : {Case{0, 0}, Case{0, 2}, Case{7, 5}}) {
    SCOPED_TRACE(::testing::Message() << "R " << c.at << ", name bytes " << c.nameBytes);
    const std::size_t n = c.nameBytes + 1;
    Bytes data(c.at + 16 + n + 1, 0xAA);
    data[c.at] = 5;
    data[c.at + 8] = static_cast<std::uint8_t>(n);
    data[c.at + 12 + n] = 5;  // L of "SN05"
    data[c.at + 16 + n] = 'S';
    ASSERT_EQ(data.back(), 'S');
    EXPECT_FALSE(RecordLengthAt(data, c.at));  // the rest of the record is missing
    const Bytes cut(data.begin(), data.end() - 1);
    EXPECT_FALSE(RecordLengthAt(cut, c.at));
  }
}

}  // namespace
}  // namespace tessaly
