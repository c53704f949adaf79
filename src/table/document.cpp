#include "document.hpp"

#include <algorithm>

#include "resfile/format.hpp"
#include "resfile/io_reason.hpp"
#include "table/map_values.hpp"

namespace tessaly {

Document DocumentFromLoaded(LoadedFile loaded) {
  Document doc;
  doc.resPath = std::move(loaded.path);
  doc.resBytes = std::move(loaded.bytes);
  doc.headerEnd = loaded.scan.headerEnd;
  doc.entryCount = loaded.scan.entryCount;
  doc.extraCount = loaded.scan.extraCount;
  doc.identity = loaded.identity;
  doc.table.Reserve(loaded.scan.records.size());
  std::uint32_t id = 0;
  for (const MapRecord& record : loaded.scan.records) {
    doc.table.Append(EntryFromRecord(record, ++id));
  }
  return doc;
}

Result<Document, LoadError> LoadDocument(const std::filesystem::path& path) {
  auto loaded = LoadResFile(path);
  if (!loaded) return Fail(loaded.error());
  return DocumentFromLoaded(std::move(loaded).value());
}

Result<void, TableError> CheckEntryCount(const Document& doc, std::size_t maps) {
  const std::int64_t count = EntryCountWith(doc.extraCount, maps);
  if (count < 0 || count > kMaxEntryCount) {
    return Fail(TableError{.kind = TableErrorKind::kCountOutOfRange, .count = count});
  }
  return {};
}

std::array<std::span<const std::uint8_t>, 3> SavePlan::Pieces(const Document& doc) const {
  const std::span<const std::uint8_t> loaded(doc.resBytes);
  const std::span<const std::uint8_t> own(lead);
  return {own.first(kHeaderMinimum),
          tailFrom > kHeaderMinimum ? loaded.subspan(kHeaderMinimum, tailFrom - kHeaderMinimum)
                                    : std::span<const std::uint8_t>(),
          own.subspan(kHeaderMinimum)};
}

Result<SavePlan, TableError> PlanSave(const Document& doc) {
  if (auto counted = CheckEntryCount(doc, doc.table.DisplayCount()); !counted) {
    return Fail(counted.error());
  }
  const std::int64_t count = doc.extraCount + static_cast<std::int64_t>(doc.table.DisplayCount());
  std::size_t headerSize =
      doc.headerEnd ? static_cast<std::size_t>(*doc.headerEnd) + 1 : doc.resBytes.size();
  headerSize = std::min(headerSize, doc.resBytes.size());
  // Only the header's last stretch can be misread: its bytes are as loaded, and
  // the load found no record in them, but a candidate there that ran past the
  // old end, or that reaches into the records, may be completed by the new
  // records. That stretch goes into `lead` with the records, to be checked.
  SavePlan plan;
  plan.tailFrom = std::max(kHeaderMinimum, headerSize - std::min(headerSize, kMaxRecordBytes));
  const auto loaded = doc.resBytes.begin();
  std::vector<std::uint8_t>& lead = plan.lead;
  // Room for the longest records up front: growing while filling would copy.
  lead.reserve(kHeaderMinimum + kMaxRecordBytes + doc.table.DisplayCount() * kMaxRecordBytes);
  lead.assign(loaded, loaded + static_cast<std::ptrdiff_t>(std::min(headerSize, kHeaderMinimum)));
  lead.resize(kHeaderMinimum, 0);
  WriteEntryCount(lead, static_cast<std::uint16_t>(count));
  if (headerSize > plan.tailFrom) {
    lead.insert(lead.end(), loaded + static_cast<std::ptrdiff_t>(plan.tailFrom),
                loaded + static_cast<std::ptrdiff_t>(headerSize));
  }

  std::vector<std::size_t> offsets;
  offsets.reserve(doc.table.DisplayCount());
  std::size_t position = 0;
  for (const std::uint32_t id : doc.table.DisplayIds()) {
    offsets.push_back(lead.size());
    const MapEntry& entry = doc.table.Records()[id - 1];
    ++position;
    const auto atThisMap = [&](TableError error) {
      return Fail(AtMap(std::move(error), position, entry.name));
    };
    auto name = NameBytesForSave(entry);
    if (!name) return atThisMap(name.error());
    if (entry.folder.size() > kMaxNameBytes) {
      return atThisMap(
          TableError{.kind = TableErrorKind::kFolderTooLong, .field = MapField::kModel});
    }
    if (!IsModeBits(entry.modeBits)) {
      return atThisMap(TableError{.kind = TableErrorKind::kModesInvalid,
                                  .field = MapField::kModes,
                                  .given = entry.modeBits});
    }
    AppendRecordImage(lead, RecordImageInput{
                                .nameBytes = *name,
                                .folderText = entry.folder,
                                .model = entry.model,
                                .listFlag = entry.listFlag,
                                .modeByte = static_cast<std::uint8_t>(Bin2Dec(entry.modeBits)),
                                .music = entry.music,
                                .storyOrder = entry.storyOrder,
                            });
  }
  // A file that would load back with a different set of maps is refused. The
  // scan starts where `lead` continues the file (offset tailFrom), and no
  // candidate there reads its bytes before that.
  plan.scan = ScanResBytes(lead, kHeaderMinimum);
  bool same = plan.scan.records.size() == offsets.size();
  for (std::size_t i = 0; same && i < offsets.size(); ++i) {
    same = plan.scan.records[i].offset == offsets[i];
  }
  if (!same) return Fail(TableError{.kind = TableErrorKind::kPhantomRecord});
  // That scan is also what a load of the new file finds (no record can start
  // before tailFrom: the load of the same header found none there, and the
  // new records cannot reach back into it), once moved to file offsets.
  const std::size_t shift = plan.tailFrom - kHeaderMinimum;
  for (MapRecord& record : plan.scan.records) record.offset += shift;
  if (plan.scan.headerEnd) *plan.scan.headerEnd += shift;
  return plan;
}

Result<std::vector<std::uint8_t>, TableError> BuildSaveImage(const Document& doc) {
  const auto plan = PlanSave(doc);
  if (!plan) return Fail(plan.error());
  std::vector<std::uint8_t> image;
  for (const auto piece : plan->Pieces(doc)) image.insert(image.end(), piece.begin(), piece.end());
  return image;
}

namespace {

// Makes `doc` the document of the file just written, from the plan's scan and
// the loaded bytes turned into the new ones in place (no second copy of a
// large header). False, with `doc` untouched, when the buffer has no room for
// the new bytes or memory runs out.
bool AdoptSaved(Document& doc, SavePlan& plan, const FileIdentity& identity) {
  const std::size_t size = plan.tailFrom + plan.lead.size() - kHeaderMinimum;
  if (doc.resBytes.capacity() < size) return false;
  Document saved;
  try {
    LoadedFile loaded;
    loaded.path = doc.resPath;
    loaded.scan = std::move(plan.scan);
    loaded.identity = identity;
    saved = DocumentFromLoaded(std::move(loaded));
  } catch (const std::bad_alloc&) {
    return false;
  }
  // Within the buffer's room nothing below allocates, so nothing fails.
  std::vector<std::uint8_t>& bytes = doc.resBytes;
  bytes.resize(plan.tailFrom);
  std::copy(plan.lead.begin(), plan.lead.begin() + kHeaderMinimum, bytes.begin());
  bytes.insert(bytes.end(), plan.lead.begin() + kHeaderMinimum, plan.lead.end());
  saved.resBytes = std::move(bytes);
  doc = std::move(saved);
  return true;
}

}  // namespace

Result<SaveReport, SaveError> SaveDocument(Document& doc, const SaveEnvironment& env,
                                           const SaveOptions& options) {
  auto plan = PlanSave(doc);
  if (!plan) return Fail(SaveError(plan.error()));
  const auto pieces = plan->Pieces(doc);
  SaveCheck check;
  check.lock = options.lock;
  if (!options.overwriteChanged) {
    check.expected = doc.identity;
    check.loaded = doc.resBytes;
  }
  auto written = WriteWithBackup(env, doc.resPath, pieces, check);
  if (!written) return Fail(SaveError(written.error()));
  // The file read back as written becomes the document; anything else (a
  // file another program changed at once, or one that cannot be read) is
  // loaded anew, as it is.
  if (const auto back = ReadBack(doc.resPath, pieces);
      back && *back && AdoptSaved(doc, *plan, **back)) {
    return std::move(written).value();
  }
  const auto reloadFailed = [&](const std::string& why) {
    return Fail(SaveError(
        SaveFailure{SaveFailure::Kind::kReloadFailed, FileInUseMessage(doc.resPath), why, ""}));
  };
  try {
    auto reloaded = LoadDocument(doc.resPath);
    if (!reloaded) return reloadFailed(reloaded.error().message);
    doc = std::move(reloaded).value();
  } catch (const std::bad_alloc&) {
    // The file is written: this must not read as a save that never happened.
    return reloadFailed(ReadFailureMessage(doc.resPath, kReasonOutOfMemory));
  }
  return std::move(written).value();
}

}  // namespace tessaly
