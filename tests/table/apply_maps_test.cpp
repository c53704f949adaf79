// A whole list of maps put into a loaded document, as import does.

#include "table/apply_maps.hpp"

#include <gtest/gtest.h>

#include "entries.hpp"
#include "table/messages.hpp"

namespace tessaly {
namespace {

using test::DocOf;
using test::Gbk;
using test::RecordStrings;
using test::ResBuilder;

// First record at 1000 (测试, model 5), two more, entry count 5.
Document Sample() {
  return DocOf(ResBuilder()
                   .Filler(946)
                   .Record({.nameBytes = Gbk("测试"), .model = 5})
                   .Record({.nameBytes = "a:b::::::c", .model = 300})
                   .Record({.nameBytes = "", .model = 7})
                   .Count(5)
                   .bytes());
}

MapValues Map(std::string name, std::uint16_t model) {
  return MapValues{
      .name = std::move(name), .model = model, .listFlag = 11, .modes = "110000", .music = 3};
}

TEST(ApplyMaps, ReplacesTheTableInOrderWithFolderTextFromTheModel) {
  Document doc = Sample();
  std::vector<MapValues> maps = {Map("新图", 65535), Map("测试", 12), Map("a:b::::::c", 300),
                                 Map("测试", 7)};
  maps[1].id = 1;   // unchanged name: keeps the loaded bytes and position
  maps[2].id = 1;   // a loaded map's id but another name: keeps the position only
  maps[3].id = 99;  // no such map: a new one
  ASSERT_TRUE(ApplyMaps(doc, maps).ok());

  const auto& r = doc.table.Records();
  ASSERT_EQ(r.size(), 4U);
  EXPECT_EQ(doc.table.DisplayIds(), (std::vector<std::uint32_t>{1, 2, 3, 4}));
  EXPECT_EQ(RecordString(r[0]),
            "1::::::0::::::65535::::::新图::::::8::::::SN65535::::::11::::::110000::::::3::::::0");
  EXPECT_EQ(RecordString(r[1]),
            "2::::::1000::::::12::::::测试::::::5::::::SN12::::::11::::::110000::::::3::::::0");
  EXPECT_EQ(RecordString(r[3]),
            "4::::::0::::::7::::::测试::::::5::::::SN07::::::11::::::110000::::::3::::::0");
  EXPECT_EQ(r[0].loadedNameBytes, std::nullopt);
  EXPECT_EQ(r[1].loadedNameBytes, Gbk("测试"));
  EXPECT_EQ(r[2].recordPos, 1000U);
  EXPECT_EQ(r[2].loadedNameBytes, std::nullopt);
  EXPECT_EQ(r[2].folderLength, 6U);
  EXPECT_EQ(r[3].loadedNameBytes, std::nullopt);
}

TEST(ApplyMaps, RefusalNamesTheMapAndLeavesTheDocumentAsItWas) {
  using K = TableErrorKind;
  const std::string tooLong(255, 'a');
  const std::pair<std::vector<MapValues>, TableError> cases[] = {
      {{Map("A", 1), Map("😀", 2)},
       {.kind = K::kNameNotGbk, .field = MapField::kName, .position = 2, .name = "😀"}},
      {{Map(tooLong, 1)},
       {.kind = K::kNameTooLong,
        .field = MapField::kName,
        .position = 1,
        .name = tooLong,
        .count = 255}},
      {{Map("A", 1), Map("B", 2), Map("two\nlines", 3)},
       {.kind = K::kNameHasControl, .field = MapField::kName, .position = 3, .name = "two\nlines"}},
      {std::vector<MapValues>(kMaxEntries + 1, Map("A", 1)), {.kind = K::kTooManyMaps}},
  };
  for (const auto& [maps, error] : cases) {
    Document doc = Sample();
    const auto before = RecordStrings(doc.table);
    const auto applied = ApplyMaps(doc, maps);
    ASSERT_FALSE(applied.ok()) << ErrorText(error);
    EXPECT_EQ(applied.error(), error) << ErrorText(applied.error());
    EXPECT_EQ(RecordStrings(doc.table), before);
  }
  Document doc = Sample();
  ASSERT_TRUE(ApplyMaps(doc, {Map(std::string(254, 'a'), 1)}).ok());
}

TEST(ApplyMaps, EntryCountMustFitLikeSavingWants) {
  // Count 0 with two records: ExtraCount -2, so one map would give the count -1.
  Document doc = DocOf(ResBuilder().Record({.nameBytes = "A"}).Record({.nameBytes = "B"}).bytes());
  const auto one = ApplyMaps(doc, {Map("A", 1)});
  ASSERT_FALSE(one.ok());
  EXPECT_EQ(one.error(), (TableError{.kind = TableErrorKind::kCountOutOfRange, .count = -1}));
  EXPECT_EQ(doc.table.RecordCount(), 2U);
  EXPECT_TRUE(ApplyMaps(doc, {Map("A", 1), Map("B", 2)}).ok());
}

}  // namespace
}  // namespace tessaly
