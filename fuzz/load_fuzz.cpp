// Loading any bytes: never a crash, nothing read outside the data, map ids
// 1..n in file order, offsets increasing, every record inside the file.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "resfile/format.hpp"
#include "resfile/loader.hpp"
#include "table/document.hpp"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Copy into a buffer of exactly `size` bytes so ASan sees any read past it.
  std::vector<std::uint8_t> bytes(data, data + size);
  if (!tessaly::HasMagic(bytes)) return 0;
  tessaly::LoadedFile loaded;
  loaded.bytes = bytes;
  loaded.scan = tessaly::ScanResBytes(loaded.bytes);
  const auto& records = loaded.scan.records;
  std::uint64_t next = tessaly::kHeaderMinimum;
  for (const auto& r : records) {
    Check(r.offset >= next);
    const auto length = tessaly::RecordLengthAt(bytes, r.offset);
    Check(length.has_value());
    // Everything up to the story order lies inside; only the trailing zeros may not.
    Check(r.offset + *length - (tessaly::kRecordFixedBytes - tessaly::tail::kStoryOrder - 1) <=
          size);
    next = r.offset + *length;
  }
  Check(records.empty() == !loaded.scan.headerEnd.has_value());
  if (!records.empty()) Check(*loaded.scan.headerEnd + 1 == records.front().offset);
  Check(loaded.scan.extraCount == static_cast<std::int64_t>(loaded.scan.entryCount) -
                                      static_cast<std::int64_t>(records.size()));

  const std::size_t found = records.size();
  const tessaly::Document doc = tessaly::DocumentFromLoaded(std::move(loaded));
  Check(doc.table.RecordCount() == found);
  for (std::size_t row = 0; row < doc.table.DisplayCount(); ++row) {
    Check(doc.table.EntryAtRow(row).mapId == row + 1);
    Check(doc.table.EntryAtRow(row).modeBits.size() == 6);
  }
  return 0;
}
