// The words of the table's errors: the design's texts word for word, and a
// field error in the edit area and for a map of a list.

#include "table/messages.hpp"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(ErrorText, EditAreaTextsAndMapsOfAList) {
  using K = TableErrorKind;
  struct Case {
    TableError error;
    const char* text;
  };
  const Case cases[] = {
      {{.kind = K::kNameEmpty}, "地图名不能为空"},
      {{.kind = K::kModelEmpty}, "模型不能为空"},
      {{.kind = K::kMusicEmpty}, "音乐不能为空"},
      {{.kind = K::kStoryEmpty}, "剧情排列不能为空"},
      {{.kind = K::kNotInRange, .field = MapField::kModel, .count = 65535},
       "模型必须是0 - 65535之间的数字"},
      {{.kind = K::kNameTooLong, .field = MapField::kName, .count = 255},
       "地图名有255个GBK字节，最多254个，无法保存"},
      {{.kind = K::kNameNotGbk, .field = MapField::kName, .position = 2, .name = "北门😀"},
       "第2个地图“北门😀”的名称含有GBK无法表示的字符，无法保存"},
      {{.kind = K::kNameHasControl, .field = MapField::kName, .position = 12},
       "第12个地图的名称含有控制字符（如换行），无法保存"},
      {{.kind = K::kModesInvalid, .field = MapField::kModes, .position = 1, .given = "1000000"},
       "第1个地图的模式必须是六位0或1（依次为剧情、死斗、暗杀、护城、劫镖、盟主，例如110000），"
       "而不是“1000000”"},
      {{.kind = K::kCountOutOfRange, .count = -1}, "条目数-1超出0 - 65535，无法保存！"},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorText(c.error), c.text);
}

}  // namespace
}  // namespace tessaly
