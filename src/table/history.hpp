#pragma once

// Undo and redo of the edit operations: each change of the table by Write,
// Add, Delete or a move is one step that can be taken back and done again.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "resfile/result.hpp"
#include "table/edit.hpp"
#include "table/map_table.hpp"
#include "table/table_error.hpp"

namespace tessaly {

// What an undo or redo leaves selected: the display row of the map it
// touched, or nothing when that map is no longer shown (a redone Delete). An
// undone Add selects what was selected when the map was added.
struct Revision {
  std::optional<std::size_t> selectRow;
};

// The edit operations of edit.hpp on one table, each recorded when it changes
// the table. A new step drops the steps that were undone. Steps are kept
// until Clear (a save reloads the file and numbers the maps anew, so the steps
// no longer fit it); there is no other limit.
class EditHistory {
 public:
  // `table` must outlive the history.
  explicit EditHistory(MapTable& table) : table_(table) {}

  [[nodiscard]] Result<void, TableError> Write(const EditArea& area);
  // `selectedRow` is the row selected while adding, which undoing selects again.
  [[nodiscard]] Result<std::uint32_t, TableError> Add(const EditArea& area, std::int64_t extraCount,
                                                      std::optional<std::size_t> selectedRow = {});
  bool Delete(std::optional<std::size_t> selectedRow);
  [[nodiscard]] std::optional<std::size_t> MoveUp(std::optional<std::size_t> selectedRow);
  [[nodiscard]] std::optional<std::size_t> MoveDown(std::optional<std::size_t> selectedRow);

  // Since the load, the last save or the last Clear, the table has changed:
  // there is a step that is not undone.
  [[nodiscard]] bool CanUndo() const { return !done_.empty(); }
  [[nodiscard]] bool CanRedo() const { return !undone_.empty(); }
  // Takes back the last step; nothing when there is none.
  std::optional<Revision> Undo();
  // Does the last undone step again; nothing when there is none.
  std::optional<Revision> Redo();
  void Clear();

 private:
  struct Written {
    MapEntry before, after;
  };
  struct Added {
    MapEntry entry;
    std::optional<std::size_t> selectedBefore;
  };
  struct Deleted {
    std::size_t row;
    std::uint32_t mapId;
  };
  struct Moved {
    std::size_t from, to;  // rows next to each other
  };
  using Step = std::variant<Written, Added, Deleted, Moved>;

  void Record(Step step);
  // Takes the last step of `from`, applies it forward (redo) or backward
  // (undo) and puts it on `to`.
  std::optional<Revision> Move(std::vector<Step>& from, std::vector<Step>& to, bool forward);
  Revision Apply(const Step& step, bool forward);

  MapTable& table_;
  std::vector<Step> done_;
  std::vector<Step> undone_;
};

}  // namespace tessaly
