// The words of every table error, in the edit area and for a map of a list.

#include "table/messages.hpp"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(ErrorText, EveryKindInTheEditAreaAndForAMapOfAList) {
  using K = TableErrorKind;
  struct Case {
    TableError error;
    const char* text;
  };
  const Case cases[] = {
      // Write and Add, word for word.
      {{.kind = K::kNameEmpty}, "地图名不能为空"},
      {{.kind = K::kModelEmpty}, "模型不能为空"},
      {{.kind = K::kMusicEmpty}, "音乐不能为空"},
      {{.kind = K::kStoryEmpty}, "剧情排列不能为空"},
      {{.kind = K::kNotInRange, .field = MapField::kModel, .count = 65535},
       "模型必须是0 - 65535之间的数字"},
      {{.kind = K::kNotInRange, .field = MapField::kStoryOrder, .count = 255},
       "剧情排列必须是0 - 255之间的数字"},
      {{.kind = K::kNameHasControl, .field = MapField::kName},
       "地图名含有控制字符（如换行），无法保存"},
      {{.kind = K::kNameNotGbk, .field = MapField::kName}, "地图名含有GBK无法表示的字符，无法保存"},
      {{.kind = K::kNameTooLong, .field = MapField::kName, .count = 255},
       "地图名有255个GBK字节，最多254个，无法保存"},
      {{.kind = K::kTableFull}, "地图数量已达上限（65535），无法再添加"},
      // A map of a list (saving, import), with and without its name.
      {{.kind = K::kNameNotGbk, .field = MapField::kName, .position = 2, .name = "北门😀"},
       "第2个地图“北门😀”的名称含有GBK无法表示的字符，无法保存"},
      {{.kind = K::kNameTooLong,
        .field = MapField::kName,
        .position = 1,
        .name = "x",
        .count = 256},
       "第1个地图“x”的名称有256个GBK字节，最多254个，无法保存"},
      {{.kind = K::kNameHasControl, .field = MapField::kName, .position = 12},
       "第12个地图的名称含有控制字符（如换行），无法保存"},
      {{.kind = K::kModesInvalid,
        .field = MapField::kModes,
        .position = 1,
        .name = "A",
        .text = "1000000"},
       "第1个地图“A”的模式“1000000”不是六位0或1，无法保存"},
      {{.kind = K::kFolderTooLong, .field = MapField::kModel, .position = 3, .name = "C"},
       "第3个地图“C”的模型文件夹名太长，无法保存"},
      {{.kind = K::kTooManyMaps, .count = 70000}, "地图太多：70000个，最多65535个"},
      {{.kind = K::kCountOutOfRange, .count = -1}, "条目数-1超出0 - 65535，无法保存！"},
      {{.kind = K::kPhantomRecord},
       "文件头末尾的字节会和新的地图记录连成一条假记录，保存后无法正确读回，已取消保存！"},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorText(c.error), c.text);
}

TEST(ErrorText, SaveFailuresKeepTheirOwnMessage) {
  const SaveError failure =
      SaveFailure{SaveFailure::Kind::kSourceMissing, "原始文件未找到!", "detail"};
  EXPECT_EQ(ErrorText(failure), "原始文件未找到!");
  const SaveError invalid = TableError{.kind = TableErrorKind::kCountOutOfRange, .count = 65536};
  EXPECT_EQ(ErrorText(invalid), "条目数65536超出0 - 65535，无法保存！");
}

}  // namespace
}  // namespace tessaly
