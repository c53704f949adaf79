#include "document.hpp"

#include <algorithm>

#include "resfile/format.hpp"
#include "table/map_values.hpp"

namespace tessaly {

Document DocumentFromLoaded(LoadedFile loaded) {
  Document doc;
  doc.resPath = std::move(loaded.path);
  doc.resBytes = std::move(loaded.bytes);
  doc.headerEnd = loaded.scan.headerEnd;
  doc.entryCount = loaded.scan.entryCount;
  doc.extraCount = loaded.scan.extraCount;
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
  const std::int64_t count = doc.extraCount + static_cast<std::int64_t>(maps);
  if (count < 0 || count > 65535) {
    return Fail(TableError{.kind = TableErrorKind::kCountOutOfRange, .count = count});
  }
  return {};
}

Result<std::vector<std::uint8_t>, TableError> BuildSaveImage(const Document& doc) {
  if (auto counted = CheckEntryCount(doc, doc.table.DisplayCount()); !counted) {
    return Fail(counted.error());
  }
  const std::int64_t count = doc.extraCount + static_cast<std::int64_t>(doc.table.DisplayCount());
  std::size_t headerSize =
      doc.headerEnd ? static_cast<std::size_t>(*doc.headerEnd) + 1 : doc.resBytes.size();
  headerSize = std::min(headerSize, doc.resBytes.size());
  // Room for the longest records up front: growing a large image while it is
  // filled would copy it and briefly hold it twice.
  std::vector<std::uint8_t> image;
  image.reserve(std::max(headerSize, kHeaderMinimum) + doc.table.DisplayCount() * kMaxRecordBytes);
  image.assign(doc.resBytes.begin(),
               doc.resBytes.begin() + static_cast<std::ptrdiff_t>(headerSize));
  if (image.size() < kHeaderMinimum) image.resize(kHeaderMinimum, 0);
  WriteEntryCount(image, static_cast<std::uint16_t>(count));

  std::vector<std::size_t> offsets;
  offsets.reserve(doc.table.DisplayCount());
  std::size_t position = 0;
  for (const std::uint32_t id : doc.table.DisplayIds()) {
    offsets.push_back(image.size());
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
                                  .text = entry.modeBits});
    }
    AppendRecordImage(image, RecordImageInput{
                                 .nameBytes = *name,
                                 .folderText = entry.folder,
                                 .model = entry.model,
                                 .listFlag = entry.listFlag,
                                 .modeByte = static_cast<std::uint8_t>(Bin2Dec(entry.modeBits)),
                                 .music = entry.music,
                                 .storyOrder = entry.storyOrder,
                             });
  }
  // Only the header's last stretch can be misread: its bytes are as loaded, and
  // the load found no record in them, but a candidate there that ran past the
  // old end, or that reaches into the records, may be completed by the new
  // records. A file that would load back with a different set of maps is refused.
  const std::size_t from =
      std::max(kHeaderMinimum, headerSize - std::min(headerSize, kMaxRecordBytes));
  const ScanResult check = ScanResBytes(image, from);
  bool same = check.records.size() == offsets.size();
  for (std::size_t i = 0; same && i < offsets.size(); ++i) {
    same = check.records[i].offset == offsets[i];
  }
  if (!same) return Fail(TableError{.kind = TableErrorKind::kPhantomRecord});
  return image;
}

Result<SaveReport, SaveError> SaveDocument(Document& doc, const SaveEnvironment& env) {
  // The new image lives only while it is written, so the reload below never
  // holds three copies of a large file at once.
  auto report = [&]() -> Result<SaveReport, SaveError> {
    const auto image = BuildSaveImage(doc);
    if (!image) return Fail(SaveError(image.error()));
    auto written = WriteWithBackup(env, doc.resPath, *image);
    if (!written) return Fail(SaveError(written.error()));
    return std::move(written).value();
  }();
  if (!report) return report;
  auto reloaded = LoadDocument(doc.resPath);
  if (!reloaded) {
    return Fail(
        SaveError(SaveFailure{SaveFailure::Kind::kReloadFailed, FileInUseMessage(doc.resPath),
                              reloaded.error().message, ""}));
  }
  doc = std::move(reloaded).value();
  return std::move(report).value();
}

}  // namespace tessaly
