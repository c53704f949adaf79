#include "fixture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "resfile/format.hpp"
#include "resfile/gbk.hpp"

namespace tessaly::test {

ResBuilder::ResBuilder() : bytes_(kMagic.begin(), kMagic.end()) {
  bytes_.resize(kHeaderMinimum, 0);
}

ResBuilder& ResBuilder::Filler(std::size_t count, std::uint8_t value) {
  bytes_.insert(bytes_.end(), count, value);
  return *this;
}

ResBuilder& ResBuilder::Raw(std::string_view bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

ResBuilder& ResBuilder::Raw(const Bytes& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

ResBuilder& ResBuilder::Record(const RecordValues& values) {
  Raw(RecordBytes(values));
  ++records_;
  return *this;
}

ResBuilder& ResBuilder::Count(std::uint16_t count) {
  WriteEntryCount(bytes_, count);
  return *this;
}

ResBuilder& ResBuilder::CountFromRecords() { return Count(records_); }

Bytes RecordBytes(const RecordValues& values) {
  Bytes out;
  const std::string folder = values.folder.empty() ? FolderText(values.model) : values.folder;
  AppendRecordImage(out, {values.nameBytes, folder, values.model, values.listFlag, values.modeByte,
                          values.music, values.storyOrder});
  return out;
}

std::string Gbk(std::string_view utf8) {
  auto encoded = EncodeGbk(utf8);
  EXPECT_TRUE(encoded.ok()) << utf8;
  return encoded.ok() ? encoded.value() : std::string{};
}

TempDir::TempDir() {
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() /
          ("tessaly-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

namespace {

void WriteBytes(const std::filesystem::path& p, const Bytes& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// With TESSALY_KEEP_TEST_FILES naming a folder, every resource file a test
// writes is also kept there, named by its content, so that
// scripts/compare-windows.sh can run both builds of tessaly-cli on them.
void KeepIfAsked(const Bytes& bytes) {
  const char* folder = std::getenv("TESSALY_KEEP_TEST_FILES");
  if (folder == nullptr || *folder == 0 || bytes.size() < kMagic.size() ||
      !std::equal(kMagic.begin(), kMagic.end(), bytes.begin())) {
    return;
  }
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (const std::uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ULL;
  WriteBytes(std::filesystem::path(folder) / (std::to_string(hash) + ".res"), bytes);
}

}  // namespace

std::filesystem::path TempDir::Write(const std::string& name, const Bytes& bytes) const {
  const auto p = path_ / std::filesystem::path(std::u8string(name.begin(), name.end()));
  WriteBytes(p, bytes);
  KeepIfAsked(bytes);
  return p;
}

std::filesystem::path TempDir::Folder(const std::string& name) const {
  const auto p = path_ / std::filesystem::path(std::u8string(name.begin(), name.end()));
  std::filesystem::create_directories(p);
  return p;
}

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> ListFolder(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& item : std::filesystem::directory_iterator(folder, ec)) {
    const std::u8string name = item.path().filename().u8string();
    names.emplace_back(name.begin(), name.end());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tessaly::test
