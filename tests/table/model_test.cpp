// Random sequences of show, write, add, delete, move and save on the map table,
// mirrored on a plain list kept here. After every save the reloaded file must
// hold exactly the list's maps, in its order, with its values.

#include <gtest/gtest.h>

#include "resfile/format.hpp"
#include "support/faulty_fs.hpp"
#include "support/fixture.hpp"
#include "support/seeded_random.hpp"
#include "table/document.hpp"
#include "table/edit.hpp"
#include "table/messages.hpp"

namespace tessaly {
namespace {

struct RefMap {
  std::uint32_t id = 0;
  std::string name;
  std::uint16_t model = 0;
  std::uint8_t listFlag = 0;
  std::string modes;
  std::uint8_t music = 0;
  std::uint8_t story = 0;
};

struct Model {
  std::vector<RefMap> rows;
  std::uint32_t records = 0;
  std::optional<std::size_t> selected;
  EditArea area;
};

const char* const kNames[] = {
    "测试", "A", "名:字", "a::::::b", "尾:", " ", "青石镇", "Ruins 2", "一二三四五六七八九十"};

class Sequence : public tessaly::test::SeededRandom {
 public:
  using SeededRandom::SeededRandom;

  // Edit-area values as a person would type them, leading zeros included.
  void Fill(EditArea& area) {
    area.name = kNames[Below(std::size(kNames))];
    const auto number = [this](std::uint32_t limit) {
      std::string text = std::to_string(Below(limit + 1));
      if (Below(5) == 0) text.insert(0, "0");
      return text;
    };
    area.model = number(65535);
    area.music = number(255);
    area.story = number(255);
    area.listFlag = Coin();
    for (bool& mode : area.modes) mode = Coin();
  }
};

RefMap FromArea(const EditArea& area, std::uint32_t id) {
  RefMap m;
  m.id = id;
  m.name = area.name;
  m.model = static_cast<std::uint16_t>(std::stoul(area.model));
  m.listFlag = area.listFlag ? 11 : 10;
  for (const bool set : area.modes) m.modes += set ? '1' : '0';
  m.music = static_cast<std::uint8_t>(std::stoul(area.music));
  m.story = static_cast<std::uint8_t>(std::stoul(area.story));
  return m;
}

void ExpectSame(const Document& doc, const Model& model, const std::string& context) {
  ASSERT_EQ(doc.table.DisplayCount(), model.rows.size()) << context;
  for (std::size_t row = 0; row < model.rows.size(); ++row) {
    const MapEntry& e = doc.table.EntryAtRow(row);
    const RefMap& m = model.rows[row];
    EXPECT_EQ(e.mapId, row + 1) << context;
    EXPECT_EQ(e.name, m.name) << context << " row " << row;
    EXPECT_EQ(e.model, m.model) << context << " row " << row;
    EXPECT_EQ(e.folder, FolderText(m.model)) << context << " row " << row;
    EXPECT_EQ(e.listFlag, m.listFlag) << context << " row " << row;
    EXPECT_EQ(e.modeBits, m.modes) << context << " row " << row;
    EXPECT_EQ(e.music, m.music) << context << " row " << row;
    EXPECT_EQ(e.storyOrder, m.story) << context << " row " << row;
  }
}

class ModelBased : public ::testing::TestWithParam<unsigned> {};

TEST_P(ModelBased, SavedFileMatchesTheReferenceList) {
  Sequence seq(GetParam());
  tessaly::test::TempDir dir;
  std::filesystem::create_directories(dir.path() / "backups");

  // A loaded file with odd list flags, which survive until a map is written.
  tessaly::test::ResBuilder builder;
  builder.Filler(200);
  Model model;
  const std::size_t initial = 3 + seq.Below(8);
  for (std::size_t i = 0; i < initial; ++i) {
    RefMap m{static_cast<std::uint32_t>(i + 1),
             kNames[i % std::size(kNames)],
             static_cast<std::uint16_t>(seq.Below(65536)),
             static_cast<std::uint8_t>(seq.Below(256)),
             "",
             static_cast<std::uint8_t>(seq.Below(256)),
             static_cast<std::uint8_t>(seq.Below(256))};
    const std::uint8_t modeByte = static_cast<std::uint8_t>(seq.Below(64));
    m.modes = ModeBitsFromByte(modeByte);
    builder.Record({.nameBytes = tessaly::test::Gbk(m.name),
                    .model = m.model,
                    .listFlag = m.listFlag,
                    .modeByte = modeByte,
                    .music = m.music,
                    .storyOrder = m.story});
    model.rows.push_back(m);
  }
  model.records = static_cast<std::uint32_t>(initial);
  builder.CountFromRecords();
  const auto path = dir.Write("Meteor.res", builder.bytes());
  auto loaded = LoadDocument(path);
  ASSERT_TRUE(loaded.ok());
  Document doc = std::move(loaded).value();

  tessaly::test::FixedClock clock(2026, 12, 7, 10, 0, 0);
  const SaveEnvironment env{RealFileSystem(), clock, dir.path() / "backups",
                            dir.path() / "backups"};
  int saves = 0;
  for (int step = 0; step < 400; ++step) {
    const std::string context =
        "seed " + std::to_string(GetParam()) + " step " + std::to_string(step);
    switch (seq.Below(8)) {
      case 0:  // show
        if (!model.rows.empty()) {
          model.selected = seq.Below(model.rows.size());
          model.area = ShowEntry(doc.table.EntryAtRow(*model.selected));
          ASSERT_EQ(model.area.mapIdText, std::to_string(model.rows[*model.selected].id))
              << context;
        }
        break;
      case 1:  // write
        if (model.selected) {
          seq.Fill(model.area);
          ASSERT_TRUE(WriteEntry(doc.table, model.area).ok()) << context;
          model.rows[*model.selected] = FromArea(model.area, model.rows[*model.selected].id);
        }
        break;
      case 2: {  // add
        EditArea area = model.area;
        seq.Fill(area);
        const auto added = AddEntry(doc.table, area, doc.extraCount);
        ASSERT_TRUE(added.ok()) << context;
        ASSERT_EQ(added.value(), model.records + 1) << context;
        model.rows.push_back(FromArea(area, ++model.records));
        break;
      }
      case 3:  // delete
        EXPECT_EQ(DeleteRow(doc.table, model.selected), model.selected.has_value()) << context;
        if (model.selected)
          model.rows.erase(model.rows.begin() + static_cast<std::ptrdiff_t>(*model.selected));
        model.selected.reset();
        break;
      case 4:  // move up
        if (const auto to = MoveUp(doc.table, model.selected)) {
          std::swap(model.rows[*to], model.rows[*to + 1]);
          model.selected = to;
          model.area = ShowEntry(doc.table.EntryAtRow(*to));
        }
        break;
      case 5:  // move down
        if (const auto to = MoveDown(doc.table, model.selected)) {
          std::swap(model.rows[*to], model.rows[*to - 1]);
          model.selected = to;
          model.area = ShowEntry(doc.table.EntryAtRow(*to));
        }
        break;
      case 6: {  // save and reload
        const auto saved = SaveDocument(doc, env);
        ASSERT_TRUE(saved.ok()) << context << ": " << ErrorText(saved.error());
        ++saves;
        for (std::size_t i = 0; i < model.rows.size(); ++i) {
          model.rows[i].id = static_cast<std::uint32_t>(i + 1);
        }
        model.records = static_cast<std::uint32_t>(model.rows.size());
        model.selected.reset();
        ExpectSame(doc, model, context);
        auto fromDisk = LoadDocument(path);
        ASSERT_TRUE(fromDisk.ok()) << context;
        ExpectSame(fromDisk.value(), model, context + " (from disk)");
        break;
      }
      default:  // the list as shown
        ASSERT_EQ(doc.table.DisplayCount(), model.rows.size()) << context;
        for (std::size_t row = 0; row < model.rows.size(); ++row) {
          ASSERT_EQ(doc.table.DisplayItemAt(row),
                    std::to_string(model.rows[row].id) + ":" + model.rows[row].name)
              << context;
        }
        break;
    }
  }
  EXPECT_GT(saves, 10);
}

INSTANTIATE_TEST_SUITE_P(FixedSeeds, ModelBased, ::testing::Values(1U, 2U, 3U, 42U, 2026U, 31337U));

}  // namespace
}  // namespace tessaly
