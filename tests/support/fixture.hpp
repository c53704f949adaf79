#pragma once

// Builds Meteor.res files byte by byte for tests, and writes them to a
// temporary folder that is removed when the fixture goes.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::test {

using Bytes = std::vector<std::uint8_t>;

// A map record's values; the name is given as raw (GBK) bytes.
struct RecordValues {
  std::string nameBytes;
  std::uint16_t model = 5;
  std::uint8_t listFlag = 11;
  std::uint8_t modeByte = 48;
  std::uint8_t music = 3;
  std::uint8_t storyOrder = 0;
  std::string folder;  // empty: made from the model (SN05)
};

class ResBuilder {
 public:
  ResBuilder();  // the magic text, 15 zero bytes and an entry count of 0
  // Header bytes after offset 54 up to the first record.
  ResBuilder& Filler(std::size_t count, std::uint8_t value = 0);
  ResBuilder& Raw(std::string_view bytes);
  ResBuilder& Raw(const Bytes& bytes);
  ResBuilder& Record(const RecordValues& values);
  ResBuilder& Count(std::uint16_t count);  // header entry count
  ResBuilder& CountFromRecords();          // the count of records added so far
  [[nodiscard]] const Bytes& bytes() const { return bytes_; }
  [[nodiscard]] std::size_t size() const { return bytes_.size(); }

 private:
  Bytes bytes_;
  std::uint16_t records_ = 0;
};

// The bytes of one record, laid out by the fixture itself (never by src/).
[[nodiscard]] Bytes RecordBytes(const RecordValues& values);

// GBK bytes of a UTF-8 text, from a table of the characters the tests use;
// a character missing from it fails the test.
[[nodiscard]] std::string Gbk(std::string_view utf8);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  std::filesystem::path Write(const std::string& name, const Bytes& bytes) const;
  // A subfolder, created if missing.
  std::filesystem::path Folder(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

[[nodiscard]] Bytes ReadFile(const std::filesystem::path& path);

// The names in a folder (UTF-8, sorted); empty when the folder does not exist.
[[nodiscard]] std::vector<std::string> ListFolder(const std::filesystem::path& folder);

}  // namespace tessaly::test
