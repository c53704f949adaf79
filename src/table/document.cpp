#include "document.hpp"

#include <algorithm>

#include "resfile/format.hpp"
#include "resfile/gbk.hpp"

namespace tessaly {
std::string MapLabel(std::size_t position, const std::string* name) {
  std::string label = "第" + std::to_string(position) + "个地图";
  if (name != nullptr) label += "“" + *name + "”";
  return label;
}

Document DocumentFromLoaded(LoadedFile loaded) {
  Document doc;
  doc.resPath = std::move(loaded.path);
  doc.resBytes = std::move(loaded.bytes);
  doc.headerEnd = loaded.scan.headerEnd;
  doc.entryCount = loaded.scan.entryCount;
  doc.extraCount = loaded.scan.extraCount;
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

Result<std::string, ValueError> NameBytesForSave(const MapEntry& entry, const std::string& what) {
  if (entry.loadedNameBytes && Bytes2Str(*entry.loadedNameBytes) == entry.name) {
    return *entry.loadedNameBytes;
  }
  auto encoded = EncodeGbk(entry.name);
  if (!encoded) {
    return Fail(ValueError{what + "的名称含有GBK无法表示的字符，无法保存！"});
  }
  if (encoded->size() > kMaxNameBytes) {
    return Fail(ValueError{what + "的名称有" + std::to_string(encoded->size()) + "个GBK字节，最多" +
                           std::to_string(kMaxNameBytes) + "个，无法保存！"});
  }
  return std::move(encoded).value();
}

Result<std::vector<std::uint8_t>, ValueError> BuildSaveImage(const Document& doc) {
  const std::int64_t count = doc.extraCount + static_cast<std::int64_t>(doc.table.DisplayCount());
  if (count < 0 || count > 65535) {
    return Fail(ValueError{"条目数" + std::to_string(count) + "超出0 - 65535，无法保存！"});
  }
  std::size_t headerSize =
      doc.headerEnd ? static_cast<std::size_t>(*doc.headerEnd) + 1 : doc.resBytes.size();
  headerSize = std::min(headerSize, doc.resBytes.size());
  std::vector<std::uint8_t> image(doc.resBytes.begin(),
                                  doc.resBytes.begin() + static_cast<std::ptrdiff_t>(headerSize));
  if (image.size() < kHeaderMinimum) image.resize(kHeaderMinimum, 0);
  WriteEntryCount(image, static_cast<std::uint16_t>(count));

  std::vector<std::size_t> offsets;
  offsets.reserve(doc.table.DisplayCount());
  std::size_t position = 0;
  for (const std::uint32_t id : doc.table.DisplayIds()) {
    offsets.push_back(image.size());
    const MapEntry& entry = doc.table.Records()[id - 1];
    const std::string what = MapLabel(++position, &entry.name);
    auto name = NameBytesForSave(entry, what);
    if (!name) return Fail(name.error());
    if (entry.folder.size() > kMaxNameBytes) {
      return Fail(ValueError{what + "的模型文件夹名太长，无法保存！"});
    }
    if (!IsModeBits(entry.modeBits)) {
      return Fail(ValueError{what + "的模式“" + entry.modeBits + "”不是六位0或1，无法保存！"});
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
  if (!same) {
    return Fail(ValueError{
        "文件头末尾的字节会和新的地图记录连成一条假记录，保存后无法正确读回，已取消保存！"});
  }
  return image;
}

Result<SaveReport, SaveFailure> SaveDocument(Document& doc, const SaveEnvironment& env) {
  // The new image lives only while it is written, so the reload below never
  // holds three copies of a large file at once.
  auto report = [&]() -> Result<SaveReport, SaveFailure> {
    const auto image = BuildSaveImage(doc);
    if (!image) {
      return Fail(SaveFailure{SaveFailure::Kind::kInvalidValue, image.error().message,
                              image.error().message, ""});
    }
    return WriteWithBackup(env, doc.resPath, *image);
  }();
  if (!report) return report;
  auto reloaded = LoadDocument(doc.resPath);
  if (!reloaded) {
    return Fail(SaveFailure{SaveFailure::Kind::kReloadFailed, FileInUseMessage(doc.resPath),
                            reloaded.error().message, ""});
  }
  doc = std::move(reloaded).value();
  return report;
}

}  // namespace tessaly
