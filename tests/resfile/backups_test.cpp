#include <gtest/gtest.h>

#include "resfile/backups.hpp"
#include "resfile/text_path.hpp"
#include "support/fixture.hpp"

namespace tessaly {
namespace {

TEST(ParseBackupName, TakesExactlyTheNamesSavingGives) {
  // With the 22-byte prefix past 255 bytes: saving keeps 229 bytes of the name.
  const std::string longName = std::string(240, 'm') + ".res";
  const std::string shortened = "[20240501120000备份]" + std::string(229, 'm') + ".res";
  const struct {
    std::string file;
    std::string name;
    std::optional<int> sequence;
  } cases[] = {
      {"Meteor.res", "[20240501120000备份]Meteor.res", 1},
      {"Meteor.res", "[20240501120000-2备份]Meteor.res", 2},
      {"Meteor.res", "[20240501120000-17备份]Meteor.res", 17},
      {longName, shortened, 1},
      {longName, "[20240501120000备份]" + longName, std::nullopt},
      {"Meteor.res", "[20240501120000-1备份]Meteor.res", std::nullopt},
      {"Meteor.res", "[20240501120000-02备份]Meteor.res", std::nullopt},
      {"Meteor.res", "[2024050112000x备份]Meteor.res", std::nullopt},
      {"Meteor.res", "[20240501120000备份]Meteor.res.bak", std::nullopt},
      {"Meteor.res", "[20240501120000备份]Other.res", std::nullopt},
      {"Meteor.res", "Meteor.res", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto parts = ParseBackupName(c.name, PathFromUtf8(c.file));
    ASSERT_EQ(parts.has_value(), c.sequence.has_value()) << c.name;
    if (!parts) continue;
    EXPECT_EQ(parts->stamp, "20240501120000") << c.name;
    EXPECT_EQ(parts->sequence, *c.sequence) << c.name;
  }
}

TEST(FindBackups, ListsBothFoldersNewestFirstAndOnlyFiles) {
  const test::TempDir dir;
  const auto program = dir.Folder("program");
  const auto user = dir.Folder("user");
  for (const char* name :
       {"program/[20240501120000备份]Meteor.res", "program/[20240501120000-2备份]Meteor.res",
        "user/[20240502080000备份]Meteor.res", "user/[20240503080000备份]x.res"}) {
    (void)dir.Write(name, test::Bytes(3, 1));
  }
  std::filesystem::create_directory(program / PathFromUtf8("[20240601000000备份]Meteor.res"));
  const auto found = FindBackups("Meteor.res", {program, user, program, dir.path() / "missing"});
  ASSERT_EQ(found.size(), 3U);
  EXPECT_EQ(found[0].path, user / PathFromUtf8("[20240502080000备份]Meteor.res"));
  EXPECT_EQ(BackupTimeText(found[1]), "2024-05-01 12:00:00 (2)");
  EXPECT_EQ(BackupTimeText(found[2]), "2024-05-01 12:00:00");
  EXPECT_EQ(found[2].size, 3U);
}

}  // namespace
}  // namespace tessaly
