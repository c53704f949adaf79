// Load, build the saved file, load that again: the same maps in the same order.
// Input that lacks the magic text gets it put in front, so every input counts.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "resfile/format.hpp"
#include "resfile/loader.hpp"
#include "table/document.hpp"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tessaly::LoadedFile loaded;
  if (size < tessaly::kMagic.size() ||
      !tessaly::HasMagic(std::span<const std::uint8_t>(data, size))) {
    loaded.bytes.assign(tessaly::kMagic.begin(), tessaly::kMagic.end());
  }
  loaded.bytes.insert(loaded.bytes.end(), data, data + size);
  loaded.scan = tessaly::ScanResBytes(loaded.bytes);
  const tessaly::Document before = tessaly::DocumentFromLoaded(std::move(loaded));

  const auto image = tessaly::BuildSaveImage(before);
  if (!image) return 0;  // refused with a message: nothing would be written
  tessaly::LoadedFile again;
  again.bytes = *image;
  again.scan = tessaly::ScanResBytes(again.bytes);
  // A save takes the plan's scan for what a load of the new file finds.
  const auto plan = tessaly::PlanSave(before);
  Check(plan.ok() && plan->scan.headerEnd == again.scan.headerEnd &&
        plan->scan.records.size() == again.scan.records.size());
  for (std::size_t i = 0; i < again.scan.records.size(); ++i) {
    Check(plan->scan.records[i].offset == again.scan.records[i].offset);
  }
  const tessaly::Document after = tessaly::DocumentFromLoaded(std::move(again));

  Check(after.table.DisplayCount() == before.table.DisplayCount());
  Check(after.extraCount == before.extraCount);
  for (std::size_t row = 0; row < before.table.DisplayCount(); ++row) {
    const auto& a = before.table.EntryAtRow(row);
    const auto& b = after.table.EntryAtRow(row);
    Check(a.model == b.model && a.name == b.name && a.loadedNameBytes == b.loadedNameBytes &&
          a.folder == b.folder && a.listFlag == b.listFlag && a.modeBits == b.modeBits &&
          a.music == b.music && a.storyOrder == b.storyOrder);
  }
  // Saving the reloaded file again changes nothing.
  const auto second = tessaly::BuildSaveImage(after);
  Check(second.ok() && second.value() == image.value());
  return 0;
}
