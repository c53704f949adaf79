// Saving with the file system failing after N operations, for N = 1, 2, …
// until a save goes through: after every failure the original file is
// byte-identical, the message is right, no stray file is left and the table
// is as it was; the save that finally succeeds writes what a first try would.

#include <gtest/gtest.h>

#include "support/faulty_fs.hpp"
#include "support/fixture.hpp"
#include "table/document.hpp"
#include "table/edit.hpp"
#include "table/messages.hpp"

namespace tessaly {
namespace {

namespace t = tessaly::test;

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
    if (e.is_regular_file()) files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(SaveFaultLoop, EveryFailurePointLeavesTheOriginalAlone) {
  t::ResBuilder builder;
  builder.Filler(300)
      .Record({.nameBytes = t::Gbk("测试"), .model = 5})
      .Record({.nameBytes = "AB", .model = 300})
      .Record({.nameBytes = t::Gbk("青石镇"), .model = 7})
      .CountFromRecords();
  t::FixedClock clock(2019, 7, 19, 14, 5, 9);

  // What an undisturbed save writes, for comparison.
  std::vector<std::uint8_t> expected;
  {
    t::TempDir dir;
    const auto path = dir.Write("Meteor.res", builder.bytes());
    Document doc = std::move(LoadDocument(path)).value();
    (void)MoveUp(doc.table, std::size_t{2});
    ASSERT_TRUE(SaveDocument(doc, SaveEnvironment{RealFileSystem(), clock, dir.path() / "prog",
                                                  dir.path() / "user"})
                    .ok());
    expected = t::ReadFile(path);
  }

  bool succeeded = false;
  for (int n = 1; n < 64 && !succeeded; ++n) {
    t::TempDir dir;
    std::filesystem::create_directories(dir.path() / "prog");
    const auto path = dir.Write("Meteor.res", builder.bytes());
    Document doc = std::move(LoadDocument(path)).value();
    (void)MoveUp(doc.table, std::size_t{2});
    const std::vector<std::string> shownBefore = {
        doc.table.DisplayItemAt(0), doc.table.DisplayItemAt(1), doc.table.DisplayItemAt(2)};
    const auto filesBefore = FilesIn(dir.path());

    t::FaultyFileSystem files;
    files.FailNth(n);
    const SaveEnvironment env{files, clock, dir.path() / "prog", dir.path() / "user"};
    const auto saved = SaveDocument(doc, env);
    if (files.failures() == 0) {
      ASSERT_TRUE(saved.ok()) << "n = " << n << ": " << ErrorText(saved.error());
      EXPECT_EQ(t::ReadFile(path), expected) << "n = " << n;
      succeeded = true;
      break;
    }
    if (saved.ok()) {
      // A failure the save could work around (a backup folder that cannot take
      // the copy falls back to the user's folder): the result must still be right.
      EXPECT_EQ(t::ReadFile(path), expected) << "n = " << n;
      EXPECT_TRUE(std::filesystem::exists(saved->backupPath)) << "n = " << n;
      continue;
    }
    EXPECT_EQ(t::ReadFile(path), builder.bytes()) << "n = " << n;
    EXPECT_EQ(ErrorText(saved.error()), FileInUseMessage(path)) << "n = " << n;
    EXPECT_EQ(doc.table.DisplayItemAt(0), shownBefore[0]) << "n = " << n;
    EXPECT_EQ(doc.table.DisplayItemAt(2), shownBefore[2]) << "n = " << n;
    // Only a complete backup may remain; no temporary file, no half copy.
    for (const auto& f : FilesIn(dir.path())) {
      if (std::find(filesBefore.begin(), filesBefore.end(), f) != filesBefore.end()) continue;
      EXPECT_EQ(t::ReadFile(f), builder.bytes()) << "n = " << n << " left " << f;
    }
    // A second try with a sound file system writes what a first try would.
    const SaveEnvironment sound{RealFileSystem(), clock, dir.path() / "prog", dir.path() / "user"};
    ASSERT_TRUE(SaveDocument(doc, sound).ok()) << "n = " << n;
    EXPECT_EQ(t::ReadFile(path), expected) << "n = " << n;
  }
  EXPECT_TRUE(succeeded);
}

}  // namespace
}  // namespace tessaly
