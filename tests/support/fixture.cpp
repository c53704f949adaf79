#include "fixture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

namespace tessaly::test {

namespace {

// The file starts with this text; the entry count follows at 52 and 53.
constexpr std::string_view kMagicText = "MTTM Meteor Resource file Version 1.0";

}  // namespace

ResBuilder::ResBuilder() : bytes_(kMagicText.begin(), kMagicText.end()) { bytes_.resize(54, 0); }

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
  // Little-endian at offsets 52 and 53.
  bytes_[52] = static_cast<std::uint8_t>(count & 0xFF);
  bytes_[53] = static_cast<std::uint8_t>(count >> 8);
  return *this;
}

ResBuilder& ResBuilder::CountFromRecords() { return Count(records_); }

// Written out here rather than taken from src/resfile, so that a record
// offset moved in the reader and the writer alike still fails the tests.
Bytes RecordBytes(const RecordValues& values) {
  const std::string folder = !values.folder.empty() ? values.folder
                             : values.model < 10    ? "SN0" + std::to_string(values.model)
                                                    : "SN" + std::to_string(values.model);
  EXPECT_LE(values.nameBytes.size(), 254U);
  EXPECT_LE(folder.size(), 254U);
  const std::size_t n = values.nameBytes.size() + 1;  // at R + 8
  const std::size_t l = folder.size() + 1;            // at R + 12 + N
  Bytes rec(n + l + 65, 0);
  rec[0] = 5;
  rec[4] = static_cast<std::uint8_t>(values.model & 0xFF);
  rec[5] = static_cast<std::uint8_t>(values.model >> 8);
  rec[8] = static_cast<std::uint8_t>(n);
  std::copy(values.nameBytes.begin(), values.nameBytes.end(), rec.begin() + 12);
  rec[12 + n] = static_cast<std::uint8_t>(l);
  std::copy(folder.begin(), folder.end(), rec.begin() + 16 + static_cast<std::ptrdiff_t>(n));
  const std::size_t t = n + l;  // the tail, after the folder text
  rec[t + 16] = 1;
  rec[t + 21] = 3;
  rec[t + 25] = values.listFlag;
  rec[t + 29] = values.modeByte;
  rec[t + 37] = 12;
  rec[t + 41] = values.music;
  rec[t + 49] = 1;
  rec[t + 53] = values.storyOrder;
  return rec;
}

namespace {

// GBK bytes of the characters the tests use, written out so that the tests do
// not depend on the converter they check. A character missing here fails the
// test that asks for it.
struct GbkPair {
  std::string_view utf8;
  std::string_view gbk;
};
constexpr GbkPair kGbkTable[] = {
    {"长", "\xB3\xA4"}, {"开", "\xBF\xAA"}, {"头", "\xCD\xB7"}, {"两", "\xC1\xBD"},
    {"端", "\xB6\xCB"}, {"一", "\xD2\xBB"}, {"二", "\xB6\xFE"}, {"三", "\xC8\xFD"},
    {"四", "\xCB\xC4"}, {"五", "\xCE\xE5"}, {"六", "\xC1\xF9"}, {"七", "\xC6\xDF"},
    {"八", "\xB0\xCB"}, {"九", "\xBE\xC5"}, {"十", "\xCA\xAE"}, {"丙", "\xB1\xFB"},
    {"乙", "\xD2\xD2"}, {"甲", "\xBC\xD7"}, {"号", "\xBA\xC5"}, {"名", "\xC3\xFB"},
    {"字", "\xD7\xD6"}, {"尾", "\xCE\xB2"}, {"图", "\xCD\xBC"}, {"地", "\xB5\xD8"},
    {"镇", "\xD5\xF2"}, {"石", "\xCA\xAF"}, {"青", "\xC7\xE0"}, {"测", "\xB2\xE2"},
    {"试", "\xCA\xD4"}, {"新", "\xD0\xC2"}, {"北", "\xB1\xB1"}, {"门", "\xC3\xC5"},
};

}  // namespace

std::string Gbk(std::string_view utf8) {
  std::string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out += utf8[i++];
      continue;
    }
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    const std::string_view character = utf8.substr(i, length);
    const auto* found = std::find_if(std::begin(kGbkTable), std::end(kGbkTable),
                                     [&](const GbkPair& p) { return p.utf8 == character; });
    if (found == std::end(kGbkTable)) {
      ADD_FAILURE() << "Gbk(): \"" << character << "\" (in \"" << utf8
                    << "\") is not in the fixture's table; add its GBK bytes there";
      return {};
    }
    out += found->gbk;
    i += length;
  }
  return out;
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
  if (folder == nullptr || *folder == 0 || bytes.size() < kMagicText.size() ||
      !std::equal(kMagicText.begin(), kMagicText.end(), bytes.begin())) {
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
