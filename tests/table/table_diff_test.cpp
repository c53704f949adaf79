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

// "-2 +4 ↕2>4 ~2>2 …": removed, added, moved and changed positions.
std::string Positions(const TableDiff& diff) {
  std::string text;
  for (const auto p : diff.removed) text += "-" + std::to_string(p) + " ";
  for (const auto p : diff.added) text += "+" + std::to_string(p) + " ";
  for (const auto& m : diff.moved) {
    text += "↕" + std::to_string(m.oldPosition) + ">" + std::to_string(m.newPosition) + " ";
  }
  for (const auto& c : diff.changed) {
    text += "~" + std::to_string(c.oldPosition) + ">" + std::to_string(c.newPosition) + " ";
  }
  return text;
}

TEST(CompareTables, MatchesUniqueNamesThenPositions) {
  const struct {
    std::vector<LoadedValues> before, after;
    std::string positions, summary;
  } cases[] = {
      {{{"A"}, {"B"}}, {{"A"}, {"B"}}, "", "相同"},
      // The maps after a removed one are not moved.
      {{{"A"}, {"B"}, {"C"}, {"D"}}, {{"A"}, {"C"}, {"D"}, {"E"}}, "-2 +4 ", "+1 −1 ~0"},
      {{{"A"}, {"B"}, {"C"}, {"D"}}, {{"A"}, {"C"}, {"D"}, {"B"}}, "↕2>4 ", "+0 −0 ~0 ↕1"},
      {{{"A"}, {"B"}, {"C"}}, {{"A"}, {"X"}, {"C"}}, "~2>2 ", "+0 −0 ~1"},  // renamed in place
      {{{""}, {""}, {""}}, {{""}, {.name = "", .model = 9}}, "-3 ~2>2 ", "+0 −1 ~1"},
      {{{"A"}, {"B"}}, {{"A"}, {"B"}, {"B"}}, "+3 ", "+1 −0 ~0"},  // unique before, not after
  };
  for (const auto& c : cases) {
    const TableDiff diff = CompareTables(TableOf(c.before), TableOf(c.after));
    EXPECT_EQ(Positions(diff), c.positions) << c.summary;
    EXPECT_EQ(DiffSummary(diff, false), c.summary);
  }
}

TEST(CompareTables, NamesEachChangedFieldAndEachMode) {
  const TableDiff diff = CompareTables(
      TableOf({{.name = "A", .modeByte = 48}}),
      TableOf({{"A", 6, 0, /*listFlag*/ 10, /*modeByte*/ 17, /*music*/ 4, /*storyOrder*/ 2}}));
  ASSERT_EQ(diff.changed.size(), 1U);
  std::vector<int> fields;  // the modes as 10 + their index
  for (const FieldChange& f : diff.changed[0].fields) {
    fields.push_back(f.field == MapField::kModes ? 10 + static_cast<int>(f.mode)
                                                 : static_cast<int>(f.field));
  }
  // model, music, story order, list flag; 剧情 off, 盟主 on
  const auto field = [](MapField f) { return static_cast<int>(f); };
  EXPECT_EQ(fields,
            (std::vector<int>{field(MapField::kModel), field(MapField::kMusic),
                              field(MapField::kStoryOrder), field(MapField::kListFlag), 10, 15}));
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
