#pragma once

// Entries and tables for the table tests, made the way loading makes them.

#include <cstdint>
#include <string>
#include <vector>

#include "resfile/format.hpp"
#include "resfile/loader.hpp"
#include "support/fixture.hpp"
#include "table/document.hpp"
#include "table/map_table.hpp"

namespace tessaly::test {

struct LoadedValues {
  std::string name;  // UTF-8, stored as its GBK bytes
  std::uint16_t model = 5;
  std::uint64_t offset = 0;
  std::uint8_t listFlag = 11;
  std::uint8_t modeByte = 48;
  std::uint8_t music = 3;
  std::uint8_t storyOrder = 0;
};

inline MapRecord RecordOf(const LoadedValues& values) {
  MapRecord r;
  r.offset = values.offset;
  r.model = values.model;
  r.nameBytes = Gbk(values.name);
  r.name = values.name;
  r.nameLength = static_cast<std::uint8_t>(r.nameBytes.size() + 1);
  r.folderLength = static_cast<std::uint8_t>(FolderText(values.model).size() + 1);
  r.listFlag = values.listFlag;
  r.modeByte = values.modeByte;
  r.music = values.music;
  r.storyOrder = values.storyOrder;
  return r;
}

// A table as loading leaves it, one entry per name, map ids 1, 2, 3 …
inline MapTable TableOf(const std::vector<std::string>& names) {
  MapTable table;
  std::uint32_t id = 0;
  for (const std::string& name : names) {
    table.Append(EntryFromRecord(RecordOf({.name = name, .offset = 1000 + 100 * id}), id + 1));
    ++id;
  }
  return table;
}

// A document as loading the bytes would leave it, without touching the disk.
inline Document DocOf(const Bytes& file) {
  LoadedFile loaded;
  loaded.path = "Meteor.res";
  loaded.bytes = file;
  loaded.scan = ScanResBytes(file);
  return DocumentFromLoaded(std::move(loaded));
}

inline std::vector<std::string> DisplayItems(const MapTable& table) {
  std::vector<std::string> items;
  for (std::size_t row = 0; row < table.DisplayCount(); ++row) {
    items.push_back(table.DisplayItemAt(row));
  }
  return items;
}

inline std::vector<std::string> RecordStrings(const MapTable& table) {
  std::vector<std::string> strings;
  for (const MapEntry& entry : table.Records()) strings.push_back(RecordString(entry));
  return strings;
}

}  // namespace tessaly::test
