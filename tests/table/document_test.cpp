#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "entries.hpp"
#include "resfile/save.hpp"
#include "resfile/text_path.hpp"
#include "support/faulty_fs.hpp"
#include "support/fixture.hpp"
#include "table/document.hpp"
#include "table/edit.hpp"
#include "table/messages.hpp"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::DisplayItems;
using test::DocOf;
using test::Gbk;
using test::ListFolder;
using test::ReadFile;
using test::RecordBytes;
using test::RecordStrings;
using test::RecordValues;
using test::ResBuilder;
using test::TempDir;
using Strings = std::vector<std::string>;

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t to) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
               bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes WithCount(Bytes bytes, std::uint16_t count) {
  WriteEntryCount(bytes, count);
  return bytes;
}

EditArea Area(std::string name, std::string model) {
  return EditArea{.name = std::move(name),
                  .model = std::move(model),
                  .music = "3",
                  .story = "0",
                  .listFlag = true,
                  .modes = {true, true}};
}

// --- The image saving writes --------------------------------------------------

TEST(BuildSaveImage, WorkedExampleGivesAn1149ByteFile) {
  // A header of 1000 bytes whose one map is deleted, then the two maps added.
  const Bytes file = ResBuilder().Filler(946, 0x41).Record({.nameBytes = "X"}).Count(1).bytes();
  Document doc = DocOf(file);
  ASSERT_EQ(doc.headerEnd, 999U);
  ASSERT_TRUE(DeleteRow(doc.table, 0));
  ASSERT_TRUE(AddEntry(doc.table, Area("测试", "5"), doc.extraCount).ok());
  ASSERT_TRUE(AddEntry(doc.table, Area("AB", "300"), doc.extraCount).ok());
  const auto image = BuildSaveImage(doc);
  ASSERT_TRUE(image.ok()) << ErrorText(image.error());
  ASSERT_EQ(image->size(), 1149U);
  EXPECT_EQ(Slice(*image, 0, 1000), WithCount(Slice(file, 0, 1000), 2));
  EXPECT_EQ(Slice(*image, 1000, 1075), RecordBytes({.nameBytes = Gbk("测试"), .model = 5}));
  EXPECT_EQ(Slice(*image, 1075, 1149), RecordBytes({.nameBytes = "AB", .model = 300}));
}

TEST(BuildSaveImage, NewCountIsExtraCountPlusTheDisplayedEntries) {
  struct Case {
    const char* label;
    std::uint16_t headerCount;
    int records;
    int deleted;
    std::uint8_t low, high;
  };
  const Case cases[] = {
      {"count 300", 300, 2, 0, 44, 1},
      {"20 of 20, 2 deleted", 20, 20, 2, 18, 0},
      {"every entry deleted", 22, 20, 20, 2, 0},
      {"header count 0 below the 3 found", 0, 3, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ResBuilder builder;
    builder.Filler(10, 0x41);
    for (int i = 0; i < c.records; ++i) builder.Record({.nameBytes = "M" + std::to_string(i)});
    Document doc = DocOf(builder.Count(c.headerCount).bytes());
    for (int i = 0; i < c.deleted; ++i) ASSERT_TRUE(DeleteRow(doc.table, 0));
    const auto image = BuildSaveImage(doc);
    ASSERT_TRUE(image.ok()) << ErrorText(image.error());
    EXPECT_EQ((*image)[52], c.low);
    EXPECT_EQ((*image)[53], c.high);
    if (c.deleted == c.records) {
      // Nothing but the header, as loaded apart from the count.
      EXPECT_EQ(*image, WithCount(Slice(builder.bytes(), 0, 64), 2));
    }
  }
}

TEST(BuildSaveImage, ValuesOfWrittenEntriesLandInTheRecord) {
  const Bytes file = ResBuilder().Record({.nameBytes = "A"}).CountFromRecords().bytes();
  Document doc = DocOf(file);
  EditArea area = ShowEntry(doc.table.EntryAtRow(0));
  area.model = "258";
  area.listFlag = false;
  area.modes = {false, false, false, false, false, true};
  area.music = "255";
  area.story = "7";
  ASSERT_TRUE(WriteEntry(doc.table, area).ok());
  const auto image = BuildSaveImage(doc);
  ASSERT_TRUE(image.ok());
  const Bytes record = Slice(*image, 54, image->size());
  EXPECT_EQ(record[4], 2);
  EXPECT_EQ(record[5], 1);
  EXPECT_EQ(record, RecordBytes({.nameBytes = "A",
                                 .model = 258,
                                 .listFlag = 10,
                                 .modeByte = 1,
                                 .music = 255,
                                 .storyOrder = 7}));
}

TEST(BuildSaveImage, RecordsFollowTheDisplayOrder) {
  const RecordValues a{.nameBytes = "A", .model = 1};
  const RecordValues b{.nameBytes = "B", .model = 2};
  const RecordValues c{.nameBytes = "C", .model = 3};
  const RecordValues d{.nameBytes = "D", .model = 4};
  const Bytes file =
      ResBuilder().Filler(6).Record(a).Record(b).Record(c).Record(d).Count(4).bytes();
  Document doc = DocOf(file);
  ASSERT_EQ(MoveUp(doc.table, 1), 0U);                                    // B, A, C, D
  ASSERT_TRUE(DeleteRow(doc.table, 2));                                   // B, A, D
  ASSERT_TRUE(AddEntry(doc.table, Area("E", "5"), doc.extraCount).ok());  // B, A, D, E
  const RecordValues e{.nameBytes = "E", .model = 5};
  ASSERT_TRUE(AddEntry(doc.table, Area("F", "6"), doc.extraCount).ok());
  ASSERT_TRUE(DeleteRow(doc.table, 4));  // an added entry deleted again never reaches the file
  const auto image = BuildSaveImage(doc);
  ASSERT_TRUE(image.ok());
  EXPECT_EQ(*image, Concat({WithCount(Slice(file, 0, 60), 4), RecordBytes(b), RecordBytes(a),
                            RecordBytes(d), RecordBytes(e)}));
}

TEST(BuildSaveImage, RewritesEveryRecordInTheStandardLayout) {
  // Junk in a record's zero and constant bytes and data after the last record
  // are not carried over; a name length of 0 comes back as 1; the values stay.
  Bytes junky = RecordBytes({.nameBytes = "J", .model = 9});
  junky[1] = 0x77;
  junky[2 + 16 + 2 + 5] = 0x44;  // the tail's constant 1
  Bytes n0 = RecordBytes({.nameBytes = "", .model = 7, .music = 8});
  n0.erase(n0.begin() + 12);
  n0[8] = 0;
  const Bytes file = ResBuilder().Raw(junky).Raw(n0).Raw(Bytes{1, 2, 3, 4}).Count(2).bytes();
  const Document doc = DocOf(file);
  ASSERT_EQ(doc.table.DisplayCount(), 2U);
  const auto image = BuildSaveImage(doc);
  ASSERT_TRUE(image.ok());
  EXPECT_EQ(*image, Concat({Slice(file, 0, 54), RecordBytes({.nameBytes = "J", .model = 9}),
                            RecordBytes({.nameBytes = "", .model = 7, .music = 8})}));
}

TEST(BuildSaveImage, UnchangedNamesKeepTheirLoadedBytes) {
  // "A" then a pair that is no GBK character: it loads as A and U+FFFD.
  const Bytes file = ResBuilder()
                         .Record({.nameBytes = "A\x80\x41", .model = 1})
                         .Record({.nameBytes = "\xB2", .model = 2})
                         .Record({.nameBytes = Gbk("测试"), .model = 3})
                         .CountFromRecords()
                         .bytes();
  Document doc = DocOf(file);
  ASSERT_EQ(doc.table.Records()[0].name, "A\xEF\xBF\xBD");
  // Writing other fields of the first entry keeps its name bytes.
  EditArea area = ShowEntry(doc.table.EntryAtRow(0));
  area.music = "9";
  ASSERT_TRUE(WriteEntry(doc.table, area).ok());
  // A renamed entry is encoded anew.
  area = ShowEntry(doc.table.EntryAtRow(2));
  area.name = "新图";
  ASSERT_TRUE(WriteEntry(doc.table, area).ok());
  const auto image = BuildSaveImage(doc);
  ASSERT_TRUE(image.ok()) << ErrorText(image.error());
  EXPECT_EQ(*image, Concat({Slice(file, 0, 54),
                            RecordBytes({.nameBytes = "A\x80\x41", .model = 1, .music = 9}),
                            RecordBytes({.nameBytes = "\xB2", .model = 2}),
                            RecordBytes({.nameBytes = Gbk("新图"), .model = 3})}));
}

// A newly typed name is measured in GBK bytes, not in UTF-8 bytes: 127 Chinese
// characters are 381 UTF-8 bytes but 254 GBK bytes, the most a record holds.
TEST(BuildSaveImage, NewNameOfExactly254GbkBytesIsSavedAnd255Refused) {
  std::string name254;
  for (int i = 0; i < 127; ++i) name254 += "测";
  Document doc = DocOf(ResBuilder().Record({.nameBytes = "A", .model = 5}).Count(1).bytes());
  EditArea area = ShowEntry(doc.table.EntryAtRow(0));
  area.name = name254;
  ASSERT_TRUE(WriteEntry(doc.table, area).ok());
  const auto image = BuildSaveImage(doc);
  ASSERT_TRUE(image.ok()) << ErrorText(image.error());
  std::string gbk254;
  for (int i = 0; i < 127; ++i) gbk254 += Gbk("测");
  ASSERT_EQ(gbk254.size(), 254U);
  ASSERT_EQ(image->size(), 54U + 255 + 5 + 65);
  EXPECT_EQ((*image)[54 + 8], 255);
  EXPECT_EQ(Slice(*image, 54, image->size()), RecordBytes({.nameBytes = gbk254, .model = 5}));

  // The same name one byte longer, put past the edit area's own check.
  MapEntry entry = doc.table.Records()[0];
  entry.name = name254 + "a";
  entry.loadedNameBytes.reset();
  ASSERT_TRUE(doc.table.Replace(entry));
  const auto refused = BuildSaveImage(doc);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().kind, TableErrorKind::kNameTooLong);
  EXPECT_EQ(refused.error().count, 255);
}

TEST(BuildSaveImage, FileWithoutRecordsKeepsAllItsBytesAsHeader) {
  Bytes shortFile(kMagic.begin(), kMagic.end());
  shortFile.push_back(0x42);  // 38 bytes: the count is missing
  const Bytes longFile = ResBuilder().Filler(300, 0x41).Count(9).bytes();
  const std::pair<Bytes, Bytes> cases[] = {
      {shortFile,
       [&] {
         Bytes padded = shortFile;
         padded.resize(54, 0);
         return WithCount(padded, 1);
       }()},
      {longFile, WithCount(longFile, 10)},
  };
  for (const auto& [file, header] : cases) {
    SCOPED_TRACE(file.size());
    Document doc = DocOf(file);
    ASSERT_FALSE(doc.headerEnd);
    ASSERT_TRUE(AddEntry(doc.table, Area("A", "1"), doc.extraCount).ok());
    const auto image = BuildSaveImage(doc);
    ASSERT_TRUE(image.ok()) << ErrorText(image.error());
    EXPECT_EQ(*image, Concat({header, RecordBytes({.nameBytes = "A", .model = 1})}));
    // Nothing added: the file stays as it is, only padded to hold the count.
    Document untouched = DocOf(file);
    const auto same = BuildSaveImage(untouched);
    ASSERT_TRUE(same.ok());
    EXPECT_EQ(same->size(), std::max<std::size_t>(file.size(), 54));
    const auto kept = static_cast<std::ptrdiff_t>(std::min<std::size_t>(file.size(), 52));
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + kept, same->begin()));
  }
}

TEST(BuildSaveImage, RefusesValuesThatCannotBeStoredNamingMapAndField) {
  using K = TableErrorKind;
  struct Case {
    const char* label;
    std::function<void(Document&)> spoil;
    TableError error;
  };
  const auto renameSecond = [](std::string name) {
    return [name](Document& doc) {
      MapEntry entry = doc.table.Records()[1];
      entry.name = name;
      entry.loadedNameBytes.reset();
      ASSERT_TRUE(doc.table.Replace(entry));
    };
  };
  const std::string longName(255, 'n');
  const Case cases[] = {
      {"count above 65535",
       [](Document& doc) { doc.extraCount = 65534; },
       {.kind = K::kCountOutOfRange, .count = 65536}},
      {"count below 0",
       [](Document& doc) { doc.extraCount = -3; },
       {.kind = K::kCountOutOfRange, .count = -1}},
      {"name of 255 bytes",
       renameSecond(longName),
       {.kind = K::kNameTooLong,
        .field = MapField::kName,
        .position = 2,
        .name = longName,
        .count = 255}},
      {"emoji in the name",
       renameSecond("B\xF0\x9F\x98\x80"),
       {.kind = K::kNameNotGbk,
        .field = MapField::kName,
        .position = 2,
        .name = "B\xF0\x9F\x98\x80"}},
      {"line break in the name",
       renameSecond("B\r\n"),
       {.kind = K::kNameHasControl, .field = MapField::kName, .position = 2, .name = "B\r\n"}},
      {"mode bits of seven characters",
       [](Document& doc) {
         MapEntry entry = doc.table.Records()[0];
         entry.modeBits = "1000000";
         ASSERT_TRUE(doc.table.Replace(entry));
       },
       {.kind = K::kModesInvalid,
        .field = MapField::kModes,
        .position = 1,
        .name = "A",
        .given = "1000000"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Document doc =
        DocOf(ResBuilder().Record({.nameBytes = "A"}).Record({.nameBytes = "B"}).Count(2).bytes());
    c.spoil(doc);
    const auto image = BuildSaveImage(doc);
    ASSERT_FALSE(image.ok());
    EXPECT_EQ(image.error(), c.error) << ErrorText(image.error());
  }
}

// --- SaveDocument on disk -------------------------------------------------------

struct DiskSetup {
  TempDir dir;
  fs::path res;
  fs::path program = dir.Folder("program");
  fs::path user = dir.path() / "user";
  test::FixedClock clock{2019, 7, 19, 14, 5, 9};
  Bytes original;

  explicit DiskSetup(Bytes file) : original(std::move(file)) {
    res = dir.Folder("game") / "Meteor.res";
    dir.Write("game/Meteor.res", original);
  }
  Document Load() const { return std::move(LoadDocument(res)).value(); }
  SaveEnvironment Env(FileSystem& files = RealFileSystem()) {
    return SaveEnvironment{files, clock, program, user};
  }
};

Bytes ThreeMaps() {
  return ResBuilder()
      .Filler(100, 0x41)
      .Record({.nameBytes = "A", .model = 1})
      .Record({.nameBytes = "B", .model = 2, .listFlag = 0, .modeByte = 63})
      .Record({.nameBytes = "C", .model = 300, .listFlag = 10, .music = 250, .storyOrder = 5})
      .Count(5)
      .bytes();
}

TEST(SaveDocument, MovedEntriesAreRenumberedByTheReload) {
  DiskSetup s(ThreeMaps());
  Document doc = s.Load();
  ASSERT_EQ(MoveUp(doc.table, 1), 0U);
  EXPECT_EQ(DisplayItems(doc.table), (Strings{"2:B", "1:A", "3:C"}));
  const auto saved = SaveDocument(doc, s.Env());
  ASSERT_TRUE(saved.ok()) << ErrorText(saved.error());
  EXPECT_EQ(DisplayItems(doc.table), (Strings{"1:B", "2:A", "3:C"}));
  EXPECT_EQ(doc.extraCount, 2);
  EXPECT_EQ(doc.resBytes, ReadFile(s.res));
  EXPECT_EQ(doc.table.Records()[0].recordPos, 154U);
}

TEST(SaveDocument, LoadSaveLoadKeepsEveryValue) {
  DiskSetup s(ResBuilder()
                  .Filler(200, 0x41)
                  .Record({.nameBytes = Gbk("测试"), .model = 0, .listFlag = 0, .modeByte = 0})
                  .Record({.nameBytes = "a:b::::::c:",
                           .model = 65535,
                           .listFlag = 255,
                           .modeByte = 63,
                           .music = 255,
                           .storyOrder = 255})
                  .Record({.nameBytes = "\xB2\xE2\x80",
                           .model = 83,
                           .listFlag = 12,
                           .modeByte = 5,
                           .storyOrder = 5})
                  .Record({.nameBytes = std::string(254, 'x'), .model = 7, .modeByte = 48})
                  .Count(300)
                  .bytes());
  Document doc = s.Load();
  const Strings before = RecordStrings(doc.table);
  ASSERT_EQ(before.size(), 4U);
  ASSERT_TRUE(SaveDocument(doc, s.Env()).ok());
  EXPECT_EQ(RecordStrings(doc.table), before);
  EXPECT_EQ(doc.extraCount, 296);
  EXPECT_EQ(ReadFile(s.res), s.original);  // written by our own layout, so byte for byte
}

// The last record may end right after its story order: it loads, and the
// next save writes it whole.
TEST(SaveDocument, LastRecordCutAfterItsStoryOrderIsKeptAndWrittenWhole) {
  const Bytes whole = ResBuilder()
                          .Record({.nameBytes = "A", .model = 1})
                          .Record({.nameBytes = "BB", .model = 300, .storyOrder = 9})
                          .Count(2)
                          .bytes();
  DiskSetup s(Bytes(whole.begin(), whole.end() - 11));
  Document doc = s.Load();
  ASSERT_EQ(DisplayItems(doc.table), (Strings{"1:A", "2:BB"}));
  ASSERT_TRUE(SaveDocument(doc, s.Env()).ok());
  EXPECT_EQ(ReadFile(s.res), whole);
}

// The file changes on disk after loading: the save is refused and writes
// nothing; told to overwrite, the backup takes the disk's bytes and the new
// file the header that was loaded.
TEST(SaveDocument, FileChangedSinceLoadingIsOverwrittenOnlyWhenAsked) {
  DiskSetup s(ThreeMaps());
  Document doc = s.Load();
  Bytes changed = s.original;
  changed.push_back(0xEE);
  changed[60] = 0x99;
  s.dir.Write("game/Meteor.res", changed);
  const auto refused = SaveDocument(doc, s.Env());
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(std::get<SaveFailure>(refused.error()).kind, SaveFailure::Kind::kChanged);
  EXPECT_EQ(ReadFile(s.res), changed);
  EXPECT_TRUE(ListFolder(s.program).empty());

  const auto saved = SaveDocument(doc, s.Env(), {.overwriteChanged = true});
  ASSERT_TRUE(saved.ok()) << ErrorText(saved.error());
  EXPECT_EQ(saved->backupPath, s.program / PathFromUtf8("[20190719140509备份]Meteor.res"));
  EXPECT_EQ(ReadFile(saved->backupPath), changed);
  EXPECT_EQ(ReadFile(s.res), s.original);
  EXPECT_EQ(ListFolder(s.res.parent_path()), Strings{"Meteor.res"});
  // The document now stands for the file written: the next save needs no question.
  EXPECT_TRUE(SaveDocument(doc, s.Env()).ok());
}

TEST(SaveDocument, InvalidValuesTouchNothingOnDisk) {
  for (const bool nameTooLong : {false, true}) {
    SCOPED_TRACE(nameTooLong);
    DiskSetup s(ThreeMaps());
    Document doc = s.Load();
    if (nameTooLong) {
      MapEntry entry = doc.table.Records()[2];
      entry.name = std::string(255, 'n');
      ASSERT_TRUE(doc.table.Replace(entry));
    } else {
      doc.extraCount = 65533;
    }
    const Strings shown = DisplayItems(doc.table);
    const auto saved = SaveDocument(doc, s.Env());
    ASSERT_FALSE(saved.ok());
    const auto* invalid = std::get_if<TableError>(&saved.error());
    ASSERT_NE(invalid, nullptr);
    EXPECT_EQ(invalid->kind,
              nameTooLong ? TableErrorKind::kNameTooLong : TableErrorKind::kCountOutOfRange);
    EXPECT_EQ(invalid->position, nameTooLong ? 3U : 0U);
    EXPECT_EQ(ReadFile(s.res), s.original);
    EXPECT_TRUE(ListFolder(s.program).empty());
    EXPECT_FALSE(fs::exists(s.user));
    EXPECT_EQ(ListFolder(s.res.parent_path()), Strings{"Meteor.res"});
    EXPECT_EQ(DisplayItems(doc.table), shown);
  }
}

TEST(SaveDocument, MissingSourceLeavesTheDocumentAlone) {
  DiskSetup s(ThreeMaps());
  Document doc = s.Load();
  ASSERT_TRUE(DeleteRow(doc.table, 0));
  fs::remove(s.res);
  const auto saved = SaveDocument(doc, s.Env());
  ASSERT_FALSE(saved.ok());
  const auto& failure = std::get<SaveFailure>(saved.error());
  EXPECT_EQ(failure.kind, SaveFailure::Kind::kSourceMissing);
  EXPECT_EQ(failure.message, kSourceMissingMessage);
  EXPECT_FALSE(fs::exists(s.res));
  EXPECT_TRUE(ListFolder(s.program).empty());
  EXPECT_EQ(DisplayItems(doc.table), (Strings{"2:B", "3:C"}));
}

TEST(SaveDocument, FailedReloadKeepsTheDocumentAsItWas) {
  struct Case {
    const char* label;
    std::function<void(const fs::path&)> spoil;
  };
  const Case cases[] = {
      {"file became a folder",
       [](const fs::path& p) {
         fs::remove(p);
         fs::create_directory(p);
       }},
      {"file cut to ten bytes", [](const fs::path& p) { fs::resize_file(p, 10); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    DiskSetup s(ThreeMaps());
    Document doc = s.Load();
    ASSERT_EQ(MoveDown(doc.table, 0), 1U);
    const Strings shown = DisplayItems(doc.table);
    const Strings records = RecordStrings(doc.table);
    const auto expected = BuildSaveImage(doc);
    ASSERT_TRUE(expected.ok());

    test::FaultyFileSystem files;
    files.afterRename = c.spoil;
    const auto saved = SaveDocument(doc, s.Env(files));
    ASSERT_FALSE(saved.ok());
    const auto& failure = std::get<SaveFailure>(saved.error());
    EXPECT_EQ(failure.kind, SaveFailure::Kind::kReloadFailed);
    EXPECT_EQ(failure.message, FileInUseMessage(s.res));
    EXPECT_EQ(DisplayItems(doc.table), shown);
    EXPECT_EQ(RecordStrings(doc.table), records);
    EXPECT_EQ(doc.resBytes, s.original);
    EXPECT_EQ(doc.headerEnd, 153U);
    EXPECT_EQ(doc.extraCount, 2);

    // With the file put back (another file now, so the user confirms),
    // saving again writes what the first save meant to.
    fs::remove_all(s.res);
    s.dir.Write("game/Meteor.res", s.original);
    ASSERT_TRUE(SaveDocument(doc, s.Env(), {.overwriteChanged = true}).ok());
    EXPECT_EQ(ReadFile(s.res), *expected);
    EXPECT_EQ(DisplayItems(doc.table), (Strings{"1:B", "2:A", "3:C"}));
  }
}

}  // namespace
}  // namespace tessaly
