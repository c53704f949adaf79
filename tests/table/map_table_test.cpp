#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "entries.hpp"
#include "table/document.hpp"
#include "table/map_table.hpp"

namespace tessaly {
namespace {

using test::DisplayItems;
using test::Gbk;
using test::LoadedValues;
using test::RecordOf;
using test::RecordStrings;
using test::ResBuilder;
using test::TableOf;
using Strings = std::vector<std::string>;

TEST(MapTable, WorkedExampleRecordStringAndDisplayItem) {
  const MapEntry entry = EntryFromRecord(
      RecordOf({.name = "测试", .model = 5, .offset = 1234, .listFlag = 11, .modeByte = 48}), 3);
  EXPECT_EQ(DisplayItem(entry), "3:测试");
  EXPECT_EQ(RecordString(entry),
            "3::::::1234::::::5::::::测试::::::5::::::SN05::::::11::::::110000::::::3::::::0");
}

TEST(MapTable, LoadedValuesBecomeTheFieldsAsTheyAre) {
  struct Case {
    LoadedValues values;
    const char* recordString;
  };
  const Case cases[] = {
      {{.name = "A", .model = 0, .listFlag = 0, .modeByte = 0},
       "1::::::0::::::0::::::A::::::5::::::SN00::::::0::::::000000::::::3::::::0"},
      {{.name = "B", .model = 7, .listFlag = 10, .modeByte = 5, .music = 255, .storyOrder = 255},
       "1::::::0::::::7::::::B::::::5::::::SN07::::::10::::::000101::::::255::::::255"},
      {{.name = "C", .model = 300, .listFlag = 12, .modeByte = 63},
       "1::::::0::::::300::::::C::::::6::::::SN300::::::12::::::111111::::::3::::::0"},
      {{.name = "D", .model = 65535, .modeByte = 64},
       "1::::::0::::::65535::::::D::::::8::::::SN65535::::::11::::::000000::::::3::::::0"},
      {{.name = "E", .model = 12, .modeByte = 128 + 48},
       "1::::::0::::::12::::::E::::::5::::::SN12::::::11::::::110000::::::3::::::0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RecordString(EntryFromRecord(RecordOf(c.values), 1)), c.recordString);
  }
}

TEST(MapTable, NamesWithColonsKeepEveryField) {
  for (const std::string name : {"a:b", "::::::", "x:", ":", "a::::::b::::::c", "测:试"}) {
    SCOPED_TRACE(name);
    const MapEntry entry =
        EntryFromRecord(RecordOf({.name = name, .model = 300, .music = 7, .storyOrder = 9}), 12);
    EXPECT_EQ(DisplayItem(entry), "12:" + name);
    EXPECT_EQ(MapIdOfItem(DisplayItem(entry)), "12");
    EXPECT_EQ(entry.name, name);
    EXPECT_EQ(entry.model, 300);
    EXPECT_EQ(entry.folder, "SN300");
    EXPECT_EQ(entry.music, 7);
    EXPECT_EQ(entry.storyOrder, 9);
    EXPECT_EQ(RecordString(entry), "12::::::0::::::300::::::" + name +
                                       "::::::6::::::SN300::::::11::::::110000::::::7::::::9");
  }
}

TEST(MapTable, EmptyNameGivesAnItemEndingAfterTheColon) {
  const MapEntry entry = EntryFromRecord(RecordOf({.name = "", .model = 7}), 7);
  EXPECT_EQ(DisplayItem(entry), "7:");
  EXPECT_EQ(MapIdOfItem("7:"), "7");
  EXPECT_EQ(MapIdOfItem("12:a:b"), "12");
}

TEST(MapTable, FindByIdTextComparesAsText) {
  const MapTable table = TableOf({"A", "B", "C"});
  const std::pair<const char*, int> cases[] = {{"3", 3},  {"1", 1},   {"03", 0}, {" 3", 0},
                                               {"3 ", 0}, {"+3", 0},  {"0", 0},  {"4", 0},
                                               {"", 0},   {"3.0", 0}, {"-1", 0}, {"4294967297", 0}};
  for (const auto& [text, id] : cases) {
    const MapEntry* found = table.FindByIdText(text);
    EXPECT_EQ(found == nullptr ? 0 : static_cast<int>(found->mapId), id) << "'" << text << "'";
  }
}

TEST(MapTable, DeletedEntryStaysInTheRecordListAndCounts) {
  MapTable table = TableOf({"A", "B", "C"});
  table.RemoveRow(1);
  EXPECT_EQ(DisplayItems(table), (Strings{"1:A", "3:C"}));
  EXPECT_EQ(table.EntryAtRow(1).mapId, 3U);
  EXPECT_EQ(table.RecordCount(), 3U);
  EXPECT_EQ(table.NextMapId(), 4U);
  EXPECT_EQ(table.RowOfId(3), 1U);
  EXPECT_FALSE(table.RowOfId(2));
  ASSERT_NE(table.FindByIdText("2"), nullptr);
  EXPECT_EQ(table.FindByIdText("2")->name, "B");
}

// Writes down every notification, "+2" before an insert at row 2, "-1" before
// removing row 1, "~0" before swapping rows 0 and 1, ")" after each of them,
// "*3" for a changed row 3 and "[ ]" around a reset.
class RecordingListener final : public MapTableListener {
 public:
  std::string log;
  void BeforeInsert(std::size_t row) override { log += "+" + std::to_string(row); }
  void AfterInsert() override { log += ")"; }
  void BeforeRemove(std::size_t row) override { log += "-" + std::to_string(row); }
  void AfterRemove() override { log += ")"; }
  void BeforeSwap(std::size_t upper) override { log += "~" + std::to_string(upper); }
  void AfterSwap() override { log += ")"; }
  void RowChanged(std::size_t row) override { log += "*" + std::to_string(row); }
  void BeforeReset() override { log += "["; }
  void AfterReset() override { log += "]"; }
};

TEST(MapTable, TellsItsListenerOfEveryChangeOfTheDisplayList) {
  MapTable table = TableOf({"A", "B", "C"});
  RecordingListener listener;
  table.SetListener(&listener);
  const auto entryOf = [&](std::uint32_t id, std::string name) {
    MapEntry entry = table.Records()[id - 1];
    entry.name = std::move(name);
    return entry;
  };
  table.RemoveRow(1);                                         // 1 3
  table.Replace(entryOf(3, "C2"));                            // shown at row 1
  table.Replace(entryOf(2, "B2"));                            // not shown: no row changes
  table.InsertRow(0, 2);                                      // 2 1 3
  table.SwapWithNext(1);                                      // 2 3 1
  table.Append(EntryFromRecord(RecordOf({.name = "D"}), 4));  // 2 3 1 4
  table.RemoveLastRecord();                                   // 2 3 1
  EXPECT_EQ(listener.log, "-1)*1+0)~1)+3)-3)");
  EXPECT_EQ(DisplayItems(table), (Strings{"2:B2", "3:C2", "1:A"}));
  EXPECT_EQ(table.RecordCount(), 3U);

  // A new value in the same table object is a reset; the listener stays with
  // the object, and copies have none.
  listener.log.clear();
  table = TableOf({"X"});
  MapTable copy = table;
  copy.RemoveRow(0);
  table.Clear();
  EXPECT_EQ(listener.log, "[][]");
  table.SetListener(nullptr);
}

TEST(LoadDocument, FillsBothListsInFileOrder) {
  test::TempDir dir;
  const auto path = dir.Write(
      "Meteor.res", ResBuilder()
                        .Filler(946)
                        .Record({.nameBytes = Gbk("测试"), .model = 5})
                        .Record({.nameBytes = "AB", .model = 7, .listFlag = 0, .folder = "SX99"})
                        .Record({.nameBytes = "", .model = 300, .modeByte = 5})
                        .Count(5)
                        .bytes());
  const auto doc = LoadDocument(path);
  ASSERT_TRUE(doc.ok());
  EXPECT_EQ(doc->headerEnd, 999U);
  EXPECT_EQ(doc->entryCount, 5);
  EXPECT_EQ(doc->extraCount, 2);
  EXPECT_EQ(DisplayItems(doc->table), (Strings{"1:测试", "2:AB", "3:"}));
  // The stored folder text SX99 is not read: the folder follows the model.
  EXPECT_EQ(
      RecordStrings(doc->table),
      (Strings{"1::::::1000::::::5::::::测试::::::5::::::SN05::::::11::::::110000::::::3::::::0",
               "2::::::1075::::::7::::::AB::::::5::::::SN07::::::0::::::110000::::::3::::::0",
               "3::::::1148::::::300::::::::::::6::::::SN300::::::11::::::000101::::::3::::::0"}));
}

}  // namespace
}  // namespace tessaly
