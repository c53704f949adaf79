// Undo and redo of the edit operations.

#include "table/history.hpp"

#include <gtest/gtest.h>

#include <functional>

#include "entries.hpp"

namespace tessaly {
namespace {

using test::RecordOf;
using test::TableOf;

// Everything a step may change: the display list and every record, name bytes included.
struct Snapshot {
  std::vector<std::uint32_t> display;
  std::vector<MapEntry> records;
  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

Snapshot Of(const MapTable& table) { return {table.DisplayIds(), table.Records()}; }

EditArea Renamed(const MapTable& table, std::size_t row, std::string name) {
  EditArea area = ShowEntry(table.EntryAtRow(row));
  area.name = std::move(name);
  return area;
}

TEST(EditHistory, EachOperationIsOneStepUndoneAndRedoneWithTheMapSelected) {
  using Row = std::optional<std::size_t>;
  struct Case {
    const char* label;
    std::function<void(EditHistory&, MapTable&)> operation;
    Row selectedAfterUndo;
    Row selectedAfterRedo;
  };
  const Case cases[] = {
      {"write", [](EditHistory& h, MapTable& t) { ASSERT_TRUE(h.Write(Renamed(t, 1, "Z")).ok()); },
       1, 1},
      {"add",
       [](EditHistory& h, MapTable& t) { ASSERT_TRUE(h.Add(Renamed(t, 0, "N"), 0, 1).ok()); }, 1,
       3},
      {"delete", [](EditHistory& h, MapTable&) { ASSERT_TRUE(h.Delete(1)); }, 1, std::nullopt},
      {"move up", [](EditHistory& h, MapTable&) { ASSERT_EQ(h.MoveUp(2), 1U); }, 2, 1},
      {"move down", [](EditHistory& h, MapTable&) { ASSERT_EQ(h.MoveDown(0), 1U); }, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    MapTable table = TableOf({"A", "B", "C"});
    EditHistory history(table);
    EXPECT_FALSE(history.Undo());
    const Snapshot before = Of(table);
    c.operation(history, table);
    const Snapshot after = Of(table);
    ASSERT_NE(after, before);

    const auto undone = history.Undo();
    ASSERT_TRUE(undone);
    EXPECT_EQ(Of(table), before);
    EXPECT_EQ(undone->selectRow, c.selectedAfterUndo);
    EXPECT_FALSE(history.CanUndo());
    EXPECT_FALSE(history.Undo());

    const auto redone = history.Redo();
    ASSERT_TRUE(redone);
    EXPECT_EQ(Of(table), after);
    EXPECT_EQ(redone->selectRow, c.selectedAfterRedo);
    EXPECT_FALSE(history.Redo());
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(Of(table), before);
  }
}

TEST(EditHistory, UndoWalksBackToTheLoadedTableAndRedoForwardAgain) {
  MapTable table = TableOf({"A", "B", "C", "D"});
  EditHistory history(table);
  std::vector<Snapshot> states{Of(table)};
  const auto step = [&](bool changed) {
    ASSERT_TRUE(changed);
    states.push_back(Of(table));
  };
  step(history.Delete(1));                            // 1 3 4
  step(history.Add(Renamed(table, 0, "E"), 0).ok());  // 1 3 4 5
  step(history.MoveUp(3).has_value());                // 1 3 5 4
  step(history.Write(Renamed(table, 2, "E2")).ok());  // the added map renamed
  step(history.Add(Renamed(table, 0, "F"), 0).ok());  // 1 3 5 4 6
  step(history.MoveDown(0).has_value());              // 3 1 5 4 6
  step(history.Delete(4));                            // 3 1 5 4
  step(history.Write(Renamed(table, 0, std::string(3, 'C'))).ok());
  ASSERT_EQ(table.DisplayIds(), (std::vector<std::uint32_t>{3, 1, 5, 4}));

  for (std::size_t i = states.size() - 1; i-- > 0;) {
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(Of(table), states[i]) << "undo to state " << i;
  }
  EXPECT_FALSE(history.CanUndo());
  for (std::size_t i = 1; i < states.size(); ++i) {
    ASSERT_TRUE(history.Redo());
    EXPECT_EQ(Of(table), states[i]) << "redo to state " << i;
  }
  EXPECT_FALSE(history.CanRedo());

  // A new step drops the undone ones; Clear forgets everything.
  ASSERT_TRUE(history.Undo());
  ASSERT_TRUE(history.MoveUp(1));
  EXPECT_FALSE(history.CanRedo());
  history.Clear();
  EXPECT_FALSE(history.CanUndo());
  EXPECT_FALSE(history.Undo());
}

TEST(EditHistory, OperationsThatChangeNothingAreNoStep) {
  MapTable table = TableOf({"A", "B"});
  EditHistory history(table);
  EditArea unchanged = ShowEntry(table.EntryAtRow(0));
  EXPECT_TRUE(history.Write(unchanged).ok());
  EditArea empty = unchanged;
  empty.name.clear();
  EXPECT_FALSE(history.Write(empty).ok());
  EditArea unknown = Renamed(table, 0, "X");
  unknown.mapIdText = "9";
  EXPECT_TRUE(history.Write(unknown).ok());
  EXPECT_FALSE(history.Add(unchanged, 65534).ok());  // the entry count would pass 65535
  EXPECT_FALSE(history.Delete(std::nullopt));
  EXPECT_FALSE(history.Delete(2));
  EXPECT_FALSE(history.MoveUp(0));
  EXPECT_FALSE(history.MoveDown(1));
  EXPECT_FALSE(history.MoveUp(std::nullopt));
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(Of(table), Of(TableOf({"A", "B"})));

  // Writing the shown values of an odd list flag stores 10: that is a change.
  MapTable odd;
  odd.Append(EntryFromRecord(RecordOf({.name = "A", .listFlag = 12}), 1));
  EditHistory oddHistory(odd);
  ASSERT_TRUE(oddHistory.Write(ShowEntry(odd.Records()[0])).ok());
  ASSERT_TRUE(oddHistory.Undo());
  EXPECT_EQ(odd.Records()[0].listFlag, 12);
}

}  // namespace
}  // namespace tessaly
