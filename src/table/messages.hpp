#pragma once

// The words the editor and tessaly-cli show for the table's errors: every
// Chinese sentence about a refused value or operation is made here.

#include <cstddef>
#include <string>
#include <string_view>

#include "table/document.hpp"
#include "table/table_error.hpp"

namespace tessaly {

// The messages of Write and Add for an empty edit field, word for word.
inline constexpr std::string_view kNameEmpty = "地图名不能为空";
inline constexpr std::string_view kModelEmpty = "模型不能为空";
inline constexpr std::string_view kMusicEmpty = "音乐不能为空";
inline constexpr std::string_view kStoryEmpty = "剧情排列不能为空";

// What a field is called in messages: "名称", "模型", "剧情排列" …
[[nodiscard]] std::string FieldWord(MapField field);

// "第3个地图“测试”": how messages name the map at a 1-based position (the name
// as ForMessage quotes it); without the name part when `name` is null.
[[nodiscard]] std::string MapLabel(std::size_t position, const std::string* name);

// The sentence shown for `error`. A name, number or mode error about a map of
// a list starts with its MapLabel ("第2个地图“北门”的名称…"); in the edit area
// it speaks of the map name ("地图名…").
[[nodiscard]] std::string ErrorText(const TableError& error);

// The sentence shown for a failed save: ErrorText of a refused value, or the
// failure's own message with its reason on a second line.
[[nodiscard]] std::string ErrorText(const SaveError& error);

}  // namespace tessaly
