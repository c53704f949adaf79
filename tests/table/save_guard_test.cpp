// A header's last bytes can combine with rewritten records into something that
// reads as a record. Saving must refuse such a file rather than write one that
// loads back with a phantom map.

#include <gtest/gtest.h>

#include "resfile/loader.hpp"
#include "support/fixture.hpp"
#include "table/document.hpp"
#include "table/messages.hpp"

namespace tessaly {
namespace {

using test::Bytes;
using test::RecordBytes;

// Header filler ends with a 5 at R - 10 and the byte 42 at R - 2: a candidate
// whose recognition byte is R + 48. The loaded record stores its folder text as
// SN005 (L = 6), so R + 48 is a zero byte there; saving writes SN05 (L = 5),
// which moves the music byte to R + 48.
Document LoadedWithTrap(std::uint8_t music) {
  test::ResBuilder builder;
  builder.Filler(100);
  Bytes bytes = builder.bytes();
  const std::size_t r = bytes.size();
  bytes[r - 10] = 5;
  bytes[r - 2] = 42;
  const Bytes first =
      RecordBytes({.nameBytes = "A", .model = 5, .music = music, .folder = "SN005"});
  const Bytes second = RecordBytes({.nameBytes = "B", .model = 6});
  bytes.insert(bytes.end(), first.begin(), first.end());
  bytes.insert(bytes.end(), second.begin(), second.end());
  LoadedFile loaded;
  loaded.bytes = bytes;
  loaded.scan = ScanResBytes(loaded.bytes);
  return DocumentFromLoaded(std::move(loaded));
}

TEST(SaveGuard, RefusesAFileThatWouldLoadWithAPhantomMap) {
  const Document doc = LoadedWithTrap(83);
  ASSERT_EQ(doc.table.DisplayCount(), 2U);
  ASSERT_EQ(*doc.headerEnd + 1, doc.resBytes.size() - 73 - 72);
  const auto image = BuildSaveImage(doc);
  ASSERT_FALSE(image.ok());
  EXPECT_EQ(image.error().kind, TableErrorKind::kPhantomRecord);
}

TEST(SaveGuard, TheSameHeaderWithOtherValuesSavesAndReloadsTheSameMaps) {
  const Document doc = LoadedWithTrap(82);
  const auto image = BuildSaveImage(doc);
  ASSERT_TRUE(image.ok()) << ErrorText(image.error());
  const ScanResult again = ScanResBytes(*image);
  ASSERT_EQ(again.records.size(), 2U);
  EXPECT_EQ(again.records[0].offset, *doc.headerEnd + 1);
  EXPECT_EQ(again.records[0].music, 82);
  EXPECT_EQ(again.records[1].name, "B");
}

}  // namespace
}  // namespace tessaly
