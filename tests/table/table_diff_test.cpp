#include <gtest/gtest.h>

#include "entries.hpp"
#include "table/table_diff.hpp"

namespace tessaly {
namespace {

using test::LoadedValues;

MapTable TableOf(const std::vector<LoadedValues>& maps) {
  MapTable table;
  for (const LoadedValues& values : maps) {
    table.Append(EntryFromRecord(test::RecordOf(values), table.NextMapId()));
  }
  return table;
}

std::vector<std::pair<std::size_t, std::size_t>> Pairs(const TableDiff& diff, bool moved) {
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  if (moved) {
    for (const MovedMap& m : diff.moved) pairs.emplace_back(m.oldPosition, m.newPosition);
  } else {
    for (const ChangedMap& c : diff.changed) pairs.emplace_back(c.oldPosition, c.newPosition);
  }
  return pairs;
}

TEST(CompareTables, MatchesUniqueNamesThenPositions) {
  using P = std::vector<std::pair<std::size_t, std::size_t>>;
  const struct {
    const char* what;
    std::vector<LoadedValues> before, after;
    std::vector<std::size_t> added, removed;
    P moved, changed;
    std::string summary;
  } cases[] = {
      {"equal", {{"A"}, {"B"}}, {{"A"}, {"B"}}, {}, {}, {}, {}, "相同"},
      {"the maps after a removed one are not moved",
       {{"A"}, {"B"}, {"C"}, {"D"}},
       {{"A"}, {"C"}, {"D"}, {"E"}},
       {4},
       {2},
       {},
       {},
       "+1 −1 ~0"},
      {"moved",
       {{"A"}, {"B"}, {"C"}, {"D"}},
       {{"A"}, {"C"}, {"D"}, {"B"}},
       {},
       {},
       P{{2, 4}},
       {},
       "+0 −0 ~0 ↕1"},
      {"renamed in place",
       {{"A"}, {"B"}, {"C"}},
       {{"A"}, {"X"}, {"C"}},
       {},
       {},
       {},
       P{{2, 2}},
       "+0 −0 ~1"},
      {"repeated names by position",
       {{""}, {""}, {""}},
       {{""}, {.name = "", .model = 9}},
       {},
       {3},
       {},
       P{{2, 2}},
       "+0 −1 ~1"},
      {"a name unique before but twice after",
       {{"A"}, {"B"}},
       {{"A"}, {"B"}, {"B"}},
       {3},
       {},
       {},
       {},
       "+1 −0 ~0"},
  };
  for (const auto& c : cases) {
    const TableDiff diff = CompareTables(TableOf(c.before), TableOf(c.after));
    EXPECT_EQ(diff.added, c.added) << c.what;
    EXPECT_EQ(diff.removed, c.removed) << c.what;
    EXPECT_EQ(Pairs(diff, true), c.moved) << c.what;
    EXPECT_EQ(Pairs(diff, false), c.changed) << c.what;
    EXPECT_EQ(DiffSummary(diff, false), c.summary) << c.what;
  }
}

TEST(CompareTables, NamesEachChangedFieldAndEachMode) {
  const MapTable before = TableOf({{.name = "A", .modeByte = 48}});
  const MapTable after = TableOf(
      {{.name = "A", .model = 6, .listFlag = 10, .modeByte = 17, .music = 4, .storyOrder = 2}});
  const TableDiff diff = CompareTables(before, after);
  ASSERT_EQ(diff.changed.size(), 1U);
  std::vector<std::string> fields;
  for (const FieldChange& f : diff.changed[0].fields) {
    fields.push_back(f.field == DiffField::kMode ? std::string(kModeNames[f.mode])
                                                 : std::to_string(static_cast<int>(f.field)));
  }
  // model, music, story order, list flag; 剧情 off, 盟主 on
  EXPECT_EQ(fields, (std::vector<std::string>{"1", "2", "3", "4", "剧情", "盟主"}));
}

TEST(HeaderDiffers, EveryHeaderByteButTheEntryCount) {
  const auto doc = [](std::uint8_t filler, std::uint16_t count) {
    return test::DocOf(
        test::ResBuilder().Filler(20, filler).Record({.nameBytes = "A"}).Count(count).bytes());
  };
  EXPECT_FALSE(HeaderDiffers(doc(0, 1), doc(0, 7)));
  EXPECT_TRUE(HeaderDiffers(doc(0, 1), doc(9, 1)));
  EXPECT_EQ(DiffSummary(TableDiff{}, true), "+0 −0 ~0 表头不同");
}

}  // namespace
}  // namespace tessaly
