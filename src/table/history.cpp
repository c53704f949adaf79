#include "history.hpp"

#include <algorithm>
#include <utility>

namespace tessaly {
namespace {

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

}  // namespace

Result<void, TableError> EditHistory::Write(const EditArea& area) {
  const MapEntry* old = table_.FindByIdText(area.mapIdText);
  std::optional<MapEntry> before;
  if (old != nullptr) before = *old;
  auto written = WriteEntry(table_, area);
  if (!written || !before) return written;
  const MapEntry& after = table_.Records()[before->mapId - 1];
  if (after != *before) Record(Written{std::move(*before), after});
  return written;
}

Result<std::uint32_t, TableError> EditHistory::Add(const EditArea& area, std::int64_t extraCount,
                                                   std::optional<std::size_t> selectedRow) {
  auto added = AddEntry(table_, area, extraCount);
  if (added) Record(Added{table_.Records().back(), selectedRow});
  return added;
}

bool EditHistory::Delete(std::optional<std::size_t> selectedRow) {
  if (!selectedRow || *selectedRow >= table_.DisplayCount()) return false;
  const std::uint32_t mapId = table_.DisplayIds()[*selectedRow];
  if (!DeleteRow(table_, selectedRow)) return false;
  Record(Deleted{*selectedRow, mapId});
  return true;
}

std::optional<std::size_t> EditHistory::MoveUp(std::optional<std::size_t> selectedRow) {
  const auto to = tessaly::MoveUp(table_, selectedRow);
  if (to) Record(Moved{*selectedRow, *to});
  return to;
}

std::optional<std::size_t> EditHistory::MoveDown(std::optional<std::size_t> selectedRow) {
  const auto to = tessaly::MoveDown(table_, selectedRow);
  if (to) Record(Moved{*selectedRow, *to});
  return to;
}

void EditHistory::Record(Step step) {
  done_.push_back(std::move(step));
  undone_.clear();
}

std::optional<Revision> EditHistory::Undo() { return Move(done_, undone_, false); }

std::optional<Revision> EditHistory::Redo() { return Move(undone_, done_, true); }

std::optional<Revision> EditHistory::Move(std::vector<Step>& from, std::vector<Step>& to,
                                          bool forward) {
  if (from.empty()) return std::nullopt;
  Step step = std::move(from.back());
  from.pop_back();
  const Revision revision = Apply(step, forward);
  to.push_back(std::move(step));
  return revision;
}

void EditHistory::Clear() {
  done_.clear();
  undone_.clear();
}

// Steps are undone in the reverse order they were done, so each finds the
// table exactly as its operation left it (undo) or found it (redo).
Revision EditHistory::Apply(const Step& step, bool forward) {
  return std::visit(Overloaded{
                        [&](const Written& w) {
                          const MapEntry& entry = forward ? w.after : w.before;
                          table_.Replace(entry);
                          return Revision{table_.RowOfId(entry.mapId)};
                        },
                        [&](const Added& a) {
                          if (!forward) {
                            table_.RemoveLastRecord();
                            return Revision{a.selectedBefore};
                          }
                          table_.Append(a.entry);
                          return Revision{table_.DisplayCount() - 1};
                        },
                        [&](const Deleted& d) {
                          if (forward) {
                            table_.RemoveRow(d.row);
                            return Revision{};
                          }
                          table_.InsertRow(d.row, d.mapId);
                          return Revision{d.row};
                        },
                        [&](const Moved& m) {
                          table_.SwapWithNext(std::min(m.from, m.to));
                          return Revision{forward ? m.to : m.from};
                        },
                    },
                    step);
}

}  // namespace tessaly
