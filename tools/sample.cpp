#include "sample.hpp"

#include <iterator>

#include "resfile/format.hpp"
#include "resfile/gbk.hpp"

namespace tessaly::sample {
namespace {

struct SampleMap {
  const char* name;
  std::uint16_t model;
  std::uint8_t listFlag;
  std::uint8_t modeByte;
  std::uint8_t music;
  std::uint8_t storyOrder;
};

// Invented maps: Chinese and ASCII names, every mode, both list flags.
constexpr SampleMap kMaps[] = {
    {"青石镇", 1, 11, 0x20, 1, 1},        {"落霞山道", 2, 11, 0x20, 2, 2},
    {"寒江渡口", 3, 11, 0x30, 3, 3},      {"竹林小径", 4, 11, 0x10, 4, 0},
    {"古寺钟楼", 5, 11, 0x08, 5, 0},      {"北城门", 6, 11, 0x04, 6, 0},
    {"驿路长亭", 7, 11, 0x02, 7, 0},      {"天台峰顶", 8, 11, 0x01, 8, 0},
    {"Training Yard", 9, 11, 0x3F, 9, 0}, {"雪原营地", 10, 10, 0x00, 10, 0},
    {"枫叶谷", 11, 11, 0x18, 11, 4},      {"沉沙港", 12, 11, 0x24, 12, 5},
    {"Arena-2", 13, 11, 0x11, 13, 0},     {"黑木崖下", 14, 11, 0x30, 14, 6},
    {"水月洞天", 15, 10, 0x06, 15, 0},    {"Test: Lava", 16, 10, 0x1F, 16, 0},
    {"断魂桥", 17, 11, 0x29, 17, 7},      {"烟雨楼台", 18, 11, 0x15, 18, 0},
    {"荒漠驿站", 19, 11, 0x0A, 19, 0},    {"星落湖畔", 20, 11, 0x21, 20, 8},
    {"Ruins", 21, 11, 0x12, 21, 0},       {"铁剑门", 22, 11, 0x38, 22, 9},
    {"白鹭洲", 23, 11, 0x05, 23, 0},      {"紫竹林", 24, 10, 0x07, 24, 0},
    {"金銮殿", 25, 11, 0x3C, 25, 10},     {"Cave of Echoes", 100, 11, 0x13, 26, 0},
    {"云梦泽", 123, 11, 0x2A, 27, 11},    {"风雷堡", 300, 11, 0x33, 28, 12},
    {"龙门客栈", 1024, 11, 0x3E, 29, 13}, {"无名之地", 65535, 10, 0x01, 30, 0},
};

}  // namespace

Result<std::vector<std::uint8_t>, std::string> SampleBytes() {
  std::vector<std::uint8_t> bytes(kMagic.begin(), kMagic.end());
  // Fifteen bytes the editor does not interpret, then room for the count.
  for (int i = 0; i < 15; ++i) bytes.push_back(static_cast<std::uint8_t>(0xA0 + i));
  bytes.resize(kHeaderMinimum, 0);
  // Other resources of the header area: invented bytes from a fixed generator.
  // The marker value 5 is left out so that no stray record can appear.
  std::uint32_t state = 20261207;
  for (int i = 0; i < 330; ++i) {
    state = state * 1103515245U + 12345U;
    auto b = static_cast<std::uint8_t>(state >> 16);
    if (b == kMarker) b = 0;
    bytes.push_back(b);
  }
  WriteEntryCount(bytes, static_cast<std::uint16_t>(std::size(kMaps)));
  for (const SampleMap& m : kMaps) {
    const auto name = EncodeGbk(m.name);
    if (!name) return Fail(std::string("cannot encode ") + m.name);
    const std::string folder = FolderText(m.model);
    AppendRecordImage(bytes,
                      {*name, folder, m.model, m.listFlag, m.modeByte, m.music, m.storyOrder});
  }
  return bytes;
}

}  // namespace tessaly::sample
