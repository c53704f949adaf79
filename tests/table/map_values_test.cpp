// The one name check and the one way values become an entry.

#include "table/map_values.hpp"

#include <gtest/gtest.h>

#include <string>

#include "table/messages.hpp"

namespace tessaly {
namespace {

std::string Times(std::string_view text, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += text;
  return out;
}

TEST(NameBytes, StoresWhatGbkHoldsInAtMost254BytesWithoutControlCharacters) {
  using K = TableErrorKind;
  struct Case {
    const char* label;
    std::string name;
    std::string bytes;           // when stored
    std::optional<K> refusal;    // otherwise
    std::int64_t byteCount = 0;  // of a name that is too long
  };
  const std::string ce = "\xB2\xE2";  // 测 in GBK
  const Case cases[] = {
      {"Chinese", "测试", "\xB2\xE2\xCA\xD4", {}},
      {"colons", "a:b::::::c:", "a:b::::::c:", {}},
      {"empty", "", "", {}},
      {"blank", " ", " ", {}},
      {"254 ASCII bytes", std::string(254, 'a'), std::string(254, 'a'), {}},
      {"127 two-byte characters", Times("测", 127), Times(ce, 127), {}},
      {"255 ASCII bytes", std::string(255, 'a'), "", K::kNameTooLong, 255},
      {"254 bytes and one more", Times("测", 127) + "a", "", K::kNameTooLong, 255},
      {"256 bytes", std::string(192, 'a') + Times("测", 32), "", K::kNameTooLong, 256},
      {"emoji", "\xF0\x9F\x98\x80", "", K::kNameNotGbk},
      {"euro sign", "地图\xE2\x82\xAC", "", K::kNameNotGbk},
      {"not UTF-8", "\xFF", "", K::kNameNotGbk},
      {"zero byte", std::string("a\0b", 3), "", K::kNameHasControl},
      {"tab", "a\tb", "", K::kNameHasControl},
      {"line feed", "a\nb", "", K::kNameHasControl},
      {"carriage return", "\r", "", K::kNameHasControl},
      {"U+001F", "\x1F", "", K::kNameHasControl},
      {"U+007F", "a\x7F", "", K::kNameHasControl},
      {"control before a length fault", std::string(300, 'a') + "\n", "", K::kNameHasControl},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const auto bytes = NameBytes(c.name);
    if (!c.refusal) {
      ASSERT_TRUE(bytes.ok()) << ErrorText(bytes.error());
      EXPECT_EQ(*bytes, c.bytes);
      continue;
    }
    ASSERT_FALSE(bytes.ok());
    EXPECT_EQ(bytes.error(),
              (TableError{.kind = *c.refusal, .field = MapField::kName, .count = c.byteCount}));
  }
}

MapValues Values(std::string name, std::uint16_t model, std::string modes = "110000") {
  return MapValues{.name = std::move(name),
                   .model = model,
                   .listFlag = 7,
                   .modes = std::move(modes),
                   .music = 200,
                   .storyOrder = 9};
}

// Write, Add (edit_test) and import (apply_maps_test) show the rest of
// EntryFromValues at work; only import can bring mode bits of its own.
TEST(EntryFromValues, ModeBitsMustBeSixZerosOrOnes) {
  for (const char* modes : {"", "11000", "1100000", "110002", "11000a"}) {
    const auto entry = EntryFromValues(Values("A", 1, modes), nullptr);
    ASSERT_FALSE(entry.ok()) << modes;
    EXPECT_EQ(entry.error(), (TableError{.kind = TableErrorKind::kModesInvalid,
                                         .field = MapField::kModes,
                                         .given = modes}));
  }
}

}  // namespace
}  // namespace tessaly
