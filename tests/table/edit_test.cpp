#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "entries.hpp"
#include "table/edit.hpp"
#include "table/map_table.hpp"
#include "table/messages.hpp"

namespace tessaly {
namespace {

using test::DisplayItems;
using test::RecordOf;
using test::RecordStrings;
using test::TableOf;
using Strings = std::vector<std::string>;

constexpr const char* kExample =
    "3::::::1234::::::5::::::测试::::::5::::::SN05::::::11::::::110000::::::3::::::0";

// Three loaded entries, the third the worked example at offset 1234.
MapTable ExampleTable() {
  MapTable table = TableOf({"甲", "乙"});
  table.Append(EntryFromRecord(RecordOf({.name = "测试", .model = 5, .offset = 1234}), 3));
  return table;
}

EditArea Area(std::string name, std::string model, std::string music, std::string story,
              bool listFlag = true, std::array<bool, 6> modes = {true, true}) {
  return EditArea{.mapIdText = "",
                  .name = std::move(name),
                  .model = std::move(model),
                  .music = std::move(music),
                  .story = std::move(story),
                  .listFlag = listFlag,
                  .modes = modes};
}

// --- Show and Reset ---------------------------------------------------------

TEST(ShowEntry, WorkedExampleFillsTheEditArea) {
  const MapTable table = ExampleTable();
  ASSERT_EQ(RecordString(table.EntryAtRow(2)), kExample);
  const EditArea area = ShowEntry(table.EntryAtRow(2));
  EXPECT_EQ(area, (EditArea{.mapIdText = "3",
                            .name = "测试",
                            .model = "5",
                            .music = "3",
                            .story = "0",
                            .listFlag = true,
                            .modes = {true, true, false, false, false, false}}));
}

TEST(ShowEntry, ListFlagShowsSetFor11Only) {
  for (const int flag : {0, 10, 12, 255, 11}) {
    const EditArea area = ShowEntry(
        EntryFromRecord(RecordOf({.name = "A", .listFlag = static_cast<std::uint8_t>(flag)}), 1));
    EXPECT_EQ(area.listFlag, flag == 11) << flag;
  }
}

TEST(ResetArea, ShowsTheLastWriteEvenAfterAMove) {
  MapTable table = ExampleTable();
  EditArea area = ShowEntry(table.EntryAtRow(2));
  area.name = "新图";
  area.model = "12";
  ASSERT_TRUE(WriteEntry(table, area).ok());
  const EditArea written = area;
  area.name = "unwritten";
  area.music = "99";
  area.modes = {};
  EXPECT_EQ(ResetArea(table, area), written);

  ASSERT_EQ(MoveUp(table, 2), 1U);  // the entry now stands at row 1
  EXPECT_EQ(ResetArea(table, area), written);
}

TEST(ResetArea, KeepsTheMapIdTextAndFindsNothingForOtherTexts) {
  const MapTable table = ExampleTable();
  for (const char* id : {"", "03", "4", "0", " 3"}) {
    EditArea area = Area("x", "1", "1", "1");
    area.mapIdText = id;
    EXPECT_FALSE(ResetArea(table, area)) << id;
  }
}

// --- Write --------------------------------------------------------------------

TEST(WriteEntry, WorkedExample) {
  MapTable table = ExampleTable();
  EditArea area = ShowEntry(table.EntryAtRow(2));
  area.name = "新图";
  area.model = "12";
  area.listFlag = false;
  area.modes = {true, false, false, false, false, false};
  area.music = "7";
  area.story = "2";
  ASSERT_TRUE(WriteEntry(table, area).ok());
  EXPECT_EQ(DisplayItems(table), (Strings{"1:甲", "2:乙", "3:新图"}));
  EXPECT_EQ(RecordString(table.Records()[2]),
            "3::::::1234::::::12::::::新图::::::5::::::SN12::::::10::::::100000::::::7::::::2");
  EXPECT_EQ(table.RecordCount(), 3U);
}

TEST(WriteEntry, ModelTextGivesModelFolderAndLength) {
  struct Case {
    const char* typed;
    const char* fields;  // fields 2 to 5 of the record string
  };
  const Case cases[] = {
      {"007", "7::::::N::::::5::::::SN07"},    {"0", "0::::::N::::::5::::::SN00"},
      {"9", "9::::::N::::::5::::::SN09"},      {"10", "10::::::N::::::5::::::SN10"},
      {"100", "100::::::N::::::6::::::SN100"}, {"65535", "65535::::::N::::::8::::::SN65535"},
      {"00012", "12::::::N::::::5::::::SN12"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    MapTable table = TableOf({"A"});
    EditArea area = Area("N", c.typed, "1", "2");
    area.mapIdText = "1";
    ASSERT_TRUE(WriteEntry(table, area).ok());
    EXPECT_EQ(RecordString(table.Records()[0]),
              std::string("1::::::1000::::::") + c.fields + "::::::11::::::110000::::::1::::::2");
  }
}

TEST(WriteEntry, ValidatesInOrderAndChangesNothingOnRefusal) {
  using K = TableErrorKind;
  struct Case {
    EditArea area;
    TableError error;
  };
  const auto empty = [](K kind) { return TableError{.kind = kind}; };
  const auto range = [](MapField field, std::int64_t limit) {
    return TableError{.kind = K::kNotInRange, .field = field, .count = limit};
  };
  const Case cases[] = {
      {Area("", "", "", ""), empty(K::kNameEmpty)},
      {Area("", "5", "3", "0"), empty(K::kNameEmpty)},
      {Area("A", "", "", ""), empty(K::kModelEmpty)},
      {Area("A", "", "3", "0"), empty(K::kModelEmpty)},
      {Area("A", "5", "", ""), empty(K::kMusicEmpty)},
      {Area("A", "5", "3", ""), empty(K::kStoryEmpty)},
      // Numbers the input rules would never let through: refused, never wrapped.
      {Area("A", "65536", "3", "0"), range(MapField::kModel, 65535)},
      {Area("\x01", "1a", "3", "0"), range(MapField::kModel, 65535)},
      {Area("A", "5", "256", "0"), range(MapField::kMusic, 255)},
      {Area("A", "5", "3", "-1"), range(MapField::kStoryOrder, 255)},
      // The name is checked last.
      {Area("\x01", "5", "3", "0"), {.kind = K::kNameHasControl, .field = MapField::kName}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ErrorText(c.error));
    MapTable table = ExampleTable();
    const Strings before = RecordStrings(table);
    EditArea area = c.area;
    area.mapIdText = "3";
    const auto written = WriteEntry(table, area);
    ASSERT_FALSE(written.ok());
    EXPECT_EQ(written.error(), c.error);
    EXPECT_EQ(RecordStrings(table), before);
    const auto added = AddEntry(table, area, 0);
    ASSERT_FALSE(added.ok());
    EXPECT_EQ(added.error(), c.error);
    EXPECT_EQ(RecordStrings(table), before);
    EXPECT_EQ(table.DisplayCount(), 3U);
  }
}

TEST(WriteEntry, NameOfOneSpaceIsStoredAsIs) {
  MapTable table = TableOf({"A"});
  EditArea area = Area(" ", "5", "3", "0");
  area.mapIdText = "1";
  ASSERT_TRUE(WriteEntry(table, area).ok());
  EXPECT_EQ(table.Records()[0].name, " ");
  EXPECT_EQ(DisplayItems(table), Strings{"1: "});
}

TEST(WriteEntry, UnchangedEntryStillRebuildsListFlagAndModes) {
  for (const bool check : {false, true}) {
    MapTable table;
    table.Append(EntryFromRecord(RecordOf({.name = "A", .listFlag = 12, .modeByte = 64 + 5}), 1));
    EditArea area = ShowEntry(table.Records()[0]);
    EXPECT_FALSE(area.listFlag);
    area.listFlag = check;
    ASSERT_TRUE(WriteEntry(table, area).ok());
    EXPECT_EQ(table.Records()[0].listFlag, check ? 11 : 10);
    EXPECT_EQ(table.Records()[0].modeBits, "000101");
  }
}

TEST(WriteEntry, MovedEntryIsFoundByItsMapId) {
  MapTable table = TableOf({"A", "B", "C"});
  ASSERT_EQ(MoveDown(table, 0), 1U);  // 2:B, 1:A, 3:C
  EditArea area = ShowEntry(table.EntryAtRow(1));
  EXPECT_EQ(area.mapIdText, "1");
  area.name = "Z";
  ASSERT_TRUE(WriteEntry(table, area).ok());
  EXPECT_EQ(DisplayItems(table), (Strings{"2:B", "1:Z", "3:C"}));
  EXPECT_EQ(table.Records()[0].name, "Z");
  EXPECT_EQ(table.Records()[0].recordPos, 1000U);
}

TEST(WriteEntry, UnknownMapIdChangesNothing) {
  for (const char* id : {"", "4", "03"}) {
    MapTable table = ExampleTable();
    const Strings before = RecordStrings(table);
    EditArea area = Area("X", "1", "1", "1");
    area.mapIdText = id;
    EXPECT_TRUE(WriteEntry(table, area).ok()) << id;
    EXPECT_EQ(RecordStrings(table), before) << id;
  }
}

// Leading zeros, and a folder length no file writes, are nothing to write.
TEST(HasUnwrittenEdits, WhenWriteWouldChangeOrRefuseTheRecord) {
  MapRecord odd = RecordOf({.name = "A", .model = 7});
  odd.folderLength = 9;
  MapTable table;
  table.Append(EntryFromRecord(odd, 1));
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"A", "007", false}, {"B", "7", true}, {"A", "", true}, {"A", "8", true}};
  for (const auto& [name, model, unwritten] : cases) {
    EditArea area = Area(name, model, "3", "0");
    area.mapIdText = "1";
    EXPECT_EQ(HasUnwrittenEdits(table, area), unwritten) << name << model;
  }
}

TEST(WriteEntry, UnchangedLoadedNameKeepsItsBytesEvenWhenGbkCannotRewriteThem) {
  // A name loaded with a pair that is no GBK character shows U+FFFD; writing
  // the entry with that name unchanged must work and keep the loaded bytes.
  MapRecord record = RecordOf({.name = "A"});
  record.nameBytes = "A\x80\x41";
  record.name = "A\xEF\xBF\xBD";
  MapTable table;
  table.Append(EntryFromRecord(record, 1));
  EditArea area = ShowEntry(table.Records()[0]);
  area.model = "12";
  const auto written = WriteEntry(table, area);
  ASSERT_TRUE(written.ok()) << ErrorText(written.error());
  EXPECT_EQ(table.Records()[0].model, 12);
  EXPECT_EQ(table.Records()[0].loadedNameBytes, std::string("A\x80\x41"));

  // A new entry with that name has no bytes to fall back on.
  EXPECT_FALSE(AddEntry(table, area, 0).ok());
  area.name = "B";
  ASSERT_TRUE(WriteEntry(table, area).ok());
  EXPECT_FALSE(table.Records()[0].loadedNameBytes);
}

// Write and Add refuse a name as NameBytes does (map_values_test holds the
// rule's cases) and change nothing then.
TEST(WriteEntry, NameRuleAppliesToWriteAndAdd) {
  struct Case {
    std::string name;
    std::optional<TableErrorKind> refusal;
  };
  const Case cases[] = {
      {std::string(254, 'a'), std::nullopt},
      {std::string(255, 'a'), TableErrorKind::kNameTooLong},
      {"\xF0\x9F\x98\x80", TableErrorKind::kNameNotGbk},
      {"a\nb", TableErrorKind::kNameHasControl},
      {"a:b::::::c:", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.size());
    MapTable table = TableOf({"A"});
    EditArea area = Area(c.name, "5", "3", "0");
    area.mapIdText = "1";
    const auto written = WriteEntry(table, area);
    const auto added = AddEntry(table, area, 0);
    EXPECT_EQ(table.Records()[0].name, c.refusal ? "A" : c.name);
    EXPECT_EQ(table.RecordCount(), c.refusal ? 1U : 2U);
    ASSERT_EQ(written.ok(), !c.refusal);
    ASSERT_EQ(added.ok(), !c.refusal);
    if (c.refusal) {
      EXPECT_EQ(written.error().kind, *c.refusal);
      EXPECT_EQ(written.error(), added.error());
    }
  }
}

// --- Add ------------------------------------------------------------------------

TEST(AddEntry, WorkedExample) {
  std::vector<std::string> names;
  for (int i = 1; i <= 20; ++i) names.push_back("M" + std::to_string(i));
  MapTable table = TableOf(names);
  const auto id = AddEntry(table, Area("测试", "5", "3", "0"), 0);
  ASSERT_TRUE(id.ok());
  EXPECT_EQ(*id, 21U);
  EXPECT_EQ(table.DisplayItemAt(20), "21:测试");
  EXPECT_EQ(RecordString(table.Records()[20]),
            "21::::::0::::::5::::::测试::::::5::::::SN05::::::11::::::110000::::::3::::::0");
}

TEST(AddEntry, IdsCountDeletedEntriesAndStartAtOneWhenEmpty) {
  MapTable empty;
  EXPECT_EQ(AddEntry(empty, Area("A", "1", "1", "1"), 0).value(), 1U);
  EXPECT_EQ(AddEntry(empty, Area("A", "1", "1", "1"), 0).value(), 2U);
  EXPECT_EQ(RecordString(empty.Records()[0]).substr(0, 9), "1::::::0:");

  std::vector<std::string> names;
  for (int i = 1; i <= 20; ++i) names.push_back("M" + std::to_string(i));
  MapTable table = TableOf(names);
  EXPECT_TRUE(DeleteRow(table, 1));
  EXPECT_TRUE(DeleteRow(table, 1));  // map ids 2 and 3
  EXPECT_EQ(table.DisplayCount(), 18U);
  EXPECT_EQ(AddEntry(table, Area("N", "1", "1", "1"), 0).value(), 21U);
  EXPECT_EQ(table.DisplayItemAt(18), "21:N");

  // Every row deleted: the next id is still one above the record list.
  while (table.DisplayCount() > 0) ASSERT_TRUE(DeleteRow(table, 0));
  EXPECT_EQ(AddEntry(table, Area("N", "1", "1", "1"), 0).value(), 22U);
}

TEST(AddEntry, LeavesTheSelectedEntryAndTheAreaAlone) {
  MapTable table = ExampleTable();
  EditArea area = ShowEntry(table.EntryAtRow(2));
  const EditArea before = area;
  ASSERT_TRUE(AddEntry(table, area, 0).ok());
  EXPECT_EQ(area, before);
  // Write right after Add changes the entry of DiTu_ID, not the new one.
  area.name = "W";
  ASSERT_TRUE(WriteEntry(table, area).ok());
  EXPECT_EQ(DisplayItems(table), (Strings{"1:甲", "2:乙", "3:W", "4:测试"}));
}

TEST(AddEntry, RefusedWhenTheEntryCountWouldPass65535) {
  struct Case {
    std::int64_t extra;
    bool ok;
  };
  const Case cases[] = {{65532, true}, {65533, false}, {70000, false}, {-5, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.extra);
    MapTable table = TableOf({"A", "B"});
    const auto added = AddEntry(table, Area("C", "1", "1", "1"), c.extra);
    EXPECT_EQ(added.ok(), c.ok);
    EXPECT_EQ(table.RecordCount(), c.ok ? 3U : 2U);
    EXPECT_EQ(table.DisplayCount(), c.ok ? 3U : 2U);
  }
  // Deleted rows do not count towards the entry count, only the display list.
  MapTable table = TableOf({"A", "B"});
  ASSERT_TRUE(DeleteRow(table, 0));
  EXPECT_TRUE(AddEntry(table, Area("C", "1", "1", "1"), 65533).ok());
}

// --- Delete and move ----------------------------------------------------------

TEST(DeleteRow, NeedsASelectedRow) {
  const std::pair<std::optional<std::size_t>, Strings> cases[] = {
      {std::nullopt, {"1:A", "2:B", "3:C"}},
      {3, {"1:A", "2:B", "3:C"}},
      {0, {"2:B", "3:C"}},
      {2, {"1:A", "2:B"}},
  };
  for (const auto& [row, items] : cases) {
    MapTable table = TableOf({"A", "B", "C"});
    EXPECT_EQ(DeleteRow(table, row), row.has_value() && *row < 3);
    EXPECT_EQ(DisplayItems(table), items);
    EXPECT_EQ(table.RecordCount(), 3U);
  }
}

TEST(Move, UpAndDownSwapNeighboursAndReturnTheNewRow) {
  struct Case {
    const char* label;
    bool up;
    std::optional<std::size_t> row;
    std::optional<std::size_t> selected;
    Strings items;
  };
  const Case cases[] = {
      {"B up", true, 1, 0, {"2:B", "1:A", "3:C"}},
      {"C up", true, 2, 1, {"1:A", "3:C", "2:B"}},
      {"first up", true, 0, std::nullopt, {"1:A", "2:B", "3:C"}},
      {"nothing selected up", true, std::nullopt, std::nullopt, {"1:A", "2:B", "3:C"}},
      {"row past the end up", true, 3, std::nullopt, {"1:A", "2:B", "3:C"}},
      {"A down", false, 0, 1, {"2:B", "1:A", "3:C"}},
      {"last down", false, 2, std::nullopt, {"1:A", "2:B", "3:C"}},
      {"nothing selected down", false, std::nullopt, std::nullopt, {"1:A", "2:B", "3:C"}},
      {"row past the end down", false, 5, std::nullopt, {"1:A", "2:B", "3:C"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    MapTable table = TableOf({"A", "B", "C"});
    const auto selected = c.up ? MoveUp(table, c.row) : MoveDown(table, c.row);
    EXPECT_EQ(selected, c.selected);
    EXPECT_EQ(DisplayItems(table), c.items);
    EXPECT_EQ(RecordStrings(table), RecordStrings(TableOf({"A", "B", "C"})));
  }
  MapTable one = TableOf({"A"});
  EXPECT_FALSE(MoveUp(one, 0));
  EXPECT_FALSE(MoveDown(one, 0));
  MapTable none;
  EXPECT_FALSE(MoveUp(none, 0));
  EXPECT_FALSE(MoveDown(none, 0));
}

TEST(Move, UpThenDownRestoresTheOrderAndIdsNeverChange) {
  MapTable table = TableOf({"A", "B", "C", "D"});
  auto row = MoveUp(table, 3);
  ASSERT_EQ(row, 2U);
  row = MoveUp(table, *row);
  ASSERT_EQ(row, 1U);
  EXPECT_EQ(DisplayItems(table), (Strings{"1:A", "4:D", "2:B", "3:C"}));
  EXPECT_EQ(ShowEntry(table.EntryAtRow(*row)).mapIdText, "4");
  row = MoveDown(table, *row);
  row = MoveDown(table, *row);
  EXPECT_EQ(row, 3U);
  EXPECT_EQ(DisplayItems(table), (Strings{"1:A", "2:B", "3:C", "4:D"}));
}

// --- The upper-limit rule of the number fields ----------------------------------

TEST(ClampDigits, KeepsDigitsAndCapsAtTheLimit) {
  struct Case {
    const char* text;
    std::uint32_t limit;
    const char* result;
  };
  const Case cases[] = {
      {"256", 255, "255"},
      {"255", 255, "255"},
      {"25", 255, "25"},
      {"12ab3", 255, "123"},
      {"12ab3", 65535, "123"},
      {"007", 255, "007"},
      {"", 255, ""},
      {"abc", 255, ""},
      {"65536", 65535, "65535"},
      {"65535", 65535, "65535"},
      {"0000000000000000000001", 255, "0000000000000000000001"},
      {"99999999999999999999999", 65535, "65535"},
      {"-5", 255, "5"},
      {"１２", 255, ""},  // full-width digits are no digits
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClampDigits(c.text, c.limit), c.result) << c.text << " / " << c.limit;
  }
}

}  // namespace
}  // namespace tessaly
