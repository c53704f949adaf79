#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "resfile/format.hpp"
#include "resfile/loader.hpp"
#include "support/fixture.hpp"

namespace tessaly {
namespace {

using test::Bytes;
using test::Gbk;
using test::RecordBytes;
using test::RecordValues;
using test::ResBuilder;
using test::TempDir;

Bytes MagicBytes() { return Bytes(kMagic.begin(), kMagic.end()); }

// A record with the name length byte N = 0: the N = 1 image without the
// terminating zero byte, so L sits at p + 12 and the folder text at p + 16.
Bytes RecordWithNameLengthZero(RecordValues values) {
  values.nameBytes.clear();
  Bytes rec = RecordBytes(values);
  rec.erase(rec.begin() + 12);
  rec[8] = 0;
  return rec;
}

// Every value the scan found, as one text, so two scans compare in one line.
std::string Describe(const ScanResult& scan) {
  std::string s = "headerEnd=" + (scan.headerEnd ? std::to_string(*scan.headerEnd) : "none") +
                  " count=" + std::to_string(scan.entryCount) +
                  " extra=" + std::to_string(scan.extraCount);
  for (const MapRecord& r : scan.records) {
    s += "\n@" + std::to_string(r.offset) + " model=" + std::to_string(r.model) +
         " N=" + std::to_string(r.nameLength) + " name=" + r.name +
         " L=" + std::to_string(r.folderLength) + " flag=" + std::to_string(r.listFlag) +
         " mode=" + std::to_string(r.modeByte) + " music=" + std::to_string(r.music) +
         " story=" + std::to_string(r.storyOrder);
  }
  return s;
}

std::vector<std::uint64_t> Offsets(const ScanResult& scan) {
  std::vector<std::uint64_t> offsets;
  for (const MapRecord& r : scan.records) offsets.push_back(r.offset);
  return offsets;
}

// --- Refusals and read failures -------------------------------------------

struct AcceptCase {
  const char* label;
  Bytes bytes;
  bool accepted;
};

TEST(LoadResFile, RefusesWhatIsNotMeteorRes) {
  Bytes lower = MagicBytes();
  for (auto& b : lower) b = static_cast<std::uint8_t>(std::tolower(b));
  Bytes lastDiffers = MagicBytes();
  lastDiffers.back() = '1';
  Bytes shifted = MagicBytes();
  shifted.insert(shifted.begin(), ' ');
  const AcceptCase cases[] = {
      {"empty file", {}, false},
      {"36 bytes of the magic", Bytes(kMagic.begin(), kMagic.end() - 1), false},
      {"37 bytes, exactly the magic", MagicBytes(), true},
      {"magic in lower case", lower, false},
      {"last magic byte differs", lastDiffers, false},
      {"magic after a blank", shifted, false},
      {"54 zero bytes", Bytes(54, 0), false},
      {"header and a record", ResBuilder().Record({.nameBytes = "A"}).bytes(), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir dir;
    const auto loaded = LoadResFile(dir.Write("Meteor.res", c.bytes));
    ASSERT_EQ(loaded.ok(), c.accepted);
    if (!c.accepted) {
      EXPECT_EQ(loaded.error().kind, LoadError::Kind::kRefused);
      EXPECT_EQ(loaded.error().message, kWrongFileMessage);
    }
  }
}

TEST(LoadResFile, MagicAloneIsAFileWithoutRecords) {
  TempDir dir;
  const auto loaded = LoadResFile(dir.Write("Meteor.res", MagicBytes()));
  ASSERT_TRUE(loaded.ok());
  EXPECT_EQ(loaded->bytes, MagicBytes());
  EXPECT_FALSE(loaded->scan.headerEnd);
  EXPECT_TRUE(loaded->scan.records.empty());
  EXPECT_EQ(loaded->scan.entryCount, 0);
  EXPECT_EQ(loaded->scan.extraCount, 0);
}

TEST(LoadResFile, UnreadablePathIsAReadFailureNamingTheFile) {
  TempDir dir;
  const std::filesystem::path missing = dir.path() / u8"不存在的Meteor.res";
  const std::filesystem::path folder = dir.Folder("文件夹.res");
  const std::pair<std::filesystem::path, const char*> cases[] = {{missing, "不存在的Meteor.res"},
                                                                 {folder, "文件夹.res"}};
  for (const auto& [path, name] : cases) {
    SCOPED_TRACE(name);
    const auto loaded = LoadResFile(path);
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.error().kind, LoadError::Kind::kReadFailed);
    EXPECT_NE(loaded.error().message.find(name), std::string::npos) << loaded.error().message;
    EXPECT_NE(loaded.error().message, kWrongFileMessage);
  }
}

// --- Where records are and what they hold ---------------------------------

TEST(ScanResBytes, FirstRecordAt1000GivesHeaderEnd999AndOwnOffsets) {
  const Bytes file = ResBuilder()
                         .Filler(1000 - kHeaderMinimum, 0x41)
                         .Record({.nameBytes = Gbk("测试"), .model = 5})
                         .Record({.nameBytes = "AB", .model = 300})
                         .Record({.nameBytes = "", .model = 7})
                         .CountFromRecords()
                         .bytes();
  const ScanResult scan = ScanResBytes(file);
  ASSERT_EQ(scan.headerEnd, 999U);
  EXPECT_EQ(Offsets(scan), (std::vector<std::uint64_t>{1000, 1075, 1149}));
  EXPECT_EQ(scan.records[0].name, "测试");
  EXPECT_EQ(scan.records[1].name, "AB");
  EXPECT_EQ(scan.records[2].name, "");
  EXPECT_EQ(scan.extraCount, 0);
}

TEST(ScanResBytes, RecordRightAfterTheCountIsFound) {
  const ScanResult scan = ScanResBytes(ResBuilder().Record({.nameBytes = "A"}).bytes());
  EXPECT_EQ(scan.headerEnd, 53U);
  EXPECT_EQ(Offsets(scan), std::vector<std::uint64_t>{54});
}

TEST(ScanResBytes, ReadsEveryFieldAtItsOffsetForEveryNameAndFolderLength) {
  const RecordValues recordValues[] = {
      {.nameBytes = "", .model = 0, .listFlag = 10, .modeByte = 0, .music = 0, .storyOrder = 0},
      {.nameBytes = "A", .model = 9, .listFlag = 11, .modeByte = 1, .music = 1, .storyOrder = 2},
      {.nameBytes = Gbk("测试"), .model = 12, .listFlag = 0, .modeByte = 63, .music = 200},
      {.nameBytes = "AB",
       .model = 300,
       .listFlag = 255,
       .modeByte = 5,
       .music = 9,
       .storyOrder = 4},
      {.nameBytes = std::string(254, 'x'),
       .model = 65535,
       .modeByte = 32,
       .music = 255,
       .storyOrder = 255},
      {.nameBytes = "Q", .model = 0x1234, .modeByte = 64, .storyOrder = 7},
      {.nameBytes = "R", .model = 77, .modeByte = 128, .music = 4},
  };
  ResBuilder builder;
  for (const auto& values : recordValues) builder.Record(values);
  const ScanResult scan = ScanResBytes(builder.bytes());
  ASSERT_EQ(scan.records.size(), std::size(recordValues));
  std::uint64_t offset = kHeaderMinimum;
  for (std::size_t i = 0; i < std::size(recordValues); ++i) {
    SCOPED_TRACE(i);
    const RecordValues& s = recordValues[i];
    const MapRecord& r = scan.records[i];
    EXPECT_EQ(r.offset, offset);
    EXPECT_EQ(r.model, s.model);
    EXPECT_EQ(r.nameLength, s.nameBytes.size() + 1);
    EXPECT_EQ(r.nameBytes, s.nameBytes);
    EXPECT_EQ(r.folderLength, FolderText(s.model).size() + 1);
    EXPECT_EQ(r.listFlag, s.listFlag);
    EXPECT_EQ(r.modeByte, s.modeByte);
    EXPECT_EQ(r.music, s.music);
    EXPECT_EQ(r.storyOrder, s.storyOrder);
    offset += RecordBytes(s).size();
  }
}

TEST(ScanResBytes, NameLengthZeroAndOneAreMapsWithEmptyNames) {
  const Bytes file = ResBuilder()
                         .Raw(RecordWithNameLengthZero({.model = 7, .music = 8, .storyOrder = 9}))
                         .Record({.nameBytes = "", .model = 9, .music = 1})
                         .bytes();
  const ScanResult scan = ScanResBytes(file);
  ASSERT_EQ(scan.records.size(), 2U);
  const MapRecord& n0 = scan.records[0];
  EXPECT_EQ(n0.nameLength, 0);
  EXPECT_EQ(n0.name, "");
  EXPECT_EQ(n0.nameBytes, "");
  EXPECT_EQ(n0.folderLength, 5);
  EXPECT_EQ(n0.model, 7);
  EXPECT_EQ(n0.music, 8);
  EXPECT_EQ(n0.storyOrder, 9);
  const MapRecord& n1 = scan.records[1];
  EXPECT_EQ(n1.offset, kHeaderMinimum + 70);  // an N = 0 record is L + 65 bytes
  EXPECT_EQ(n1.nameLength, 1);
  EXPECT_EQ(n1.name, "");
  EXPECT_EQ(n1.model, 9);
}

TEST(ScanResBytes, OnlyTheFolderTextsFirstByteMatters) {
  struct Case {
    const char* folder;
    bool isRecord;
  };
  const Case cases[] = {
      {"SX99", true}, {"S", true}, {"SN0700", true}, {"TN07", false}, {"sN07", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    const ScanResult scan = ScanResBytes(
        ResBuilder().Record({.nameBytes = "A", .model = 7, .folder = c.folder}).bytes());
    ASSERT_EQ(scan.records.size(), c.isRecord ? 1U : 0U);
    if (c.isRecord) {
      EXPECT_EQ(scan.records[0].model, 7);
      EXPECT_EQ(scan.records[0].folderLength, std::string(c.folder).size() + 1);
    }
  }
}

// --- The entry count --------------------------------------------------------

TEST(ScanResBytes, ExtraCountIsTheHeaderCountMinusRecordsFound) {
  struct Case {
    std::uint16_t count;
    int records;
    std::int64_t extra;
  };
  const Case cases[] = {
      {30, 28, 2}, {28, 30, -2}, {0, 3, -3}, {0x8001, 1, 0x8000}, {65535, 0, 65535}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    ResBuilder builder;
    for (int i = 0; i < c.records; ++i) builder.Record({.nameBytes = "M"});
    const ScanResult scan = ScanResBytes(builder.Count(c.count).bytes());
    EXPECT_EQ(scan.entryCount, c.count);
    EXPECT_EQ(scan.records.size(), static_cast<std::size_t>(c.records));
    EXPECT_EQ(scan.extraCount, c.extra);
  }
}

TEST(ScanResBytes, CountBytesMissingFromAShortFileReadAsZero) {
  const std::pair<std::size_t, std::uint16_t> cases[] = {
      {37, 0}, {52, 0}, {53, 0xFF}, {54, 0xFFFF}};
  for (const auto& [size, count] : cases) {
    SCOPED_TRACE(size);
    Bytes file = MagicBytes();
    file.resize(size, 0xFF);
    TempDir dir;
    const auto loaded = LoadResFile(dir.Write("Meteor.res", file));
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded->scan.entryCount, count);
    EXPECT_EQ(loaded->scan.extraCount, count);
    EXPECT_TRUE(loaded->scan.records.empty());
  }
}

TEST(ScanResBytes, FileWithoutRecordsHasNoHeaderEndAndExtraCountIsTheCount) {
  const ScanResult scan = ScanResBytes(ResBuilder().Filler(300, 0x41).Count(12).bytes());
  EXPECT_FALSE(scan.headerEnd);
  EXPECT_TRUE(scan.records.empty());
  EXPECT_EQ(scan.extraCount, 12);
}

// --- Traps: reads past the end, phantom records, the header ------------------

// Each file is copied into a buffer of exactly its size, so AddressSanitizer
// reports any read past the data.
TEST(ScanResBytes, NeverReadsPastTheEnd) {
  const Bytes one = RecordBytes({.nameBytes = "A"});
  const Bytes two = RecordBytes({.nameBytes = "BB", .model = 300});
  struct Case {
    const char* label;
    Bytes tail;  // after the 54-byte header
    std::vector<std::uint64_t> offsets;
  };
  auto concat = [](Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  Bytes lastStory5 = RecordBytes({.nameBytes = "A", .storyOrder = 5});
  Bytes lastMusic5 = RecordBytes({.nameBytes = "A", .music = 5});
  const std::uint64_t second = kHeaderMinimum + one.size();
  const Case cases[] = {
      {"last map has story order 5", concat(one, lastStory5), {54, second}},
      {"last map has music 5", concat(one, lastMusic5), {54, second}},
      {"a lone 5 as the last byte", concat(one, Bytes{5}), {54}},
      {"5 with its N the last byte", concat(one, Bytes{5, 0, 0, 0, 0, 0, 0, 0, 9}), {54}},
      {"5 with N = 0 and 'S' missing",
       concat(one, Bytes{5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5}),
       {54}},
      // A last record counts while its story order is inside the file.
      {"record cut by one byte", concat(one, Bytes(two.begin(), two.end() - 1)), {54, second}},
      {"record ending at its story order",
       concat(one, Bytes(two.begin(), two.end() - 11)),
       {54, second}},
      {"record cut before its story order", concat(one, Bytes(two.begin(), two.end() - 12)), {54}},
      {"record cut after its folder text", concat(one, Bytes(two.begin(), two.begin() + 25)), {54}},
      {"record cut inside its tail", concat(one, Bytes(two.begin(), two.end() - 30)), {54}},
      {"only record cut by one byte", Bytes(two.begin(), two.end() - 1), {54}},
      {"header ends with a 5", Bytes{0x41, 0x41, 5}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Bytes file = ResBuilder().Raw(c.tail).bytes();
    const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[file.size()]);
    std::copy(file.begin(), file.end(), exact.get());
    const ScanResult scan = ScanResBytes(std::span<const std::uint8_t>(exact.get(), file.size()));
    EXPECT_EQ(Offsets(scan), c.offsets);
  }
}

TEST(ScanResBytes, LastMapWithStoryOrder5LoadsNormallyFromDisk) {
  const Bytes file =
      ResBuilder().Record({.nameBytes = "A", .storyOrder = 5}).CountFromRecords().bytes();
  TempDir dir;
  const auto loaded = LoadResFile(dir.Write("Meteor.res", file));
  ASSERT_TRUE(loaded.ok());
  ASSERT_EQ(loaded->scan.records.size(), 1U);
  EXPECT_EQ(loaded->scan.records[0].storyOrder, 5);
  EXPECT_EQ(loaded->scan.extraCount, 0);
}

TEST(ScanResBytes, NoPhantomRecordInsideAnAcceptedRecord) {
  // Story order 5, then a record whose model has the low byte 83 ('S'): the 5
  // with a zero N byte behind it and the 'S' at +16 would pass the record test.
  for (const std::uint16_t model : {std::uint16_t{83}, std::uint16_t{0x0153}}) {
    SCOPED_TRACE(model);
    const RecordValues story5 = {.nameBytes = "A", .storyOrder = 5};
    const Bytes first = RecordBytes(story5);
    const Bytes file = ResBuilder()
                           .Record(story5)
                           .Record({.nameBytes = "B", .model = model})
                           .CountFromRecords()
                           .bytes();
    const std::size_t phantom = kHeaderMinimum + 53 + 2 + 5;
    ASSERT_TRUE(RecordLengthAt(file, phantom)) << "the bytes must tempt a naive scan";
    const ScanResult scan = ScanResBytes(file);
    EXPECT_EQ(Offsets(scan), (std::vector<std::uint64_t>{54, 54 + first.size()}));
    EXPECT_EQ(scan.extraCount, 0);
  }
}

TEST(ScanResBytes, NeverLooksForRecordsInsideTheFirst54Bytes) {
  // A candidate at offset 40: marker, N = 0 at 48, L = the count's low byte 2 at
  // 52, 'S' at 56; it would be a whole record if the scan began at 0.
  Bytes file = MagicBytes();
  file.resize(130, 0);
  file[40] = kMarker;
  file[52] = 2;
  file[56] = kFolderFirstByte;
  ASSERT_TRUE(RecordLengthAt(file, 40));
  const ScanResult scan = ScanResBytes(file);
  EXPECT_TRUE(scan.records.empty());
  EXPECT_FALSE(scan.headerEnd);
  EXPECT_EQ(scan.entryCount, 2);
}

TEST(LoadResFile, LoadingTwiceGivesTheSameResult) {
  const Bytes file = ResBuilder()
                         .Filler(200, 0x33)
                         .Record({.nameBytes = Gbk("测试"), .storyOrder = 5})
                         .Record({.nameBytes = "AB", .model = 83, .modeByte = 64})
                         .Record({.nameBytes = "\xB2", .model = 0})
                         .Count(7)
                         .bytes();
  TempDir dir;
  const auto path = dir.Write("Meteor.res", file);
  const auto a = LoadResFile(path);
  const auto b = LoadResFile(path);
  ASSERT_TRUE(a.ok() && b.ok());
  EXPECT_EQ(a->bytes, file);
  EXPECT_EQ(a->bytes, b->bytes);
  EXPECT_EQ(Describe(a->scan), Describe(b->scan));
  EXPECT_EQ(a->scan.records.size(), 3U);
}

}  // namespace
}  // namespace tessaly
