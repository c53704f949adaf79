#pragma once

// Synthetic Meteor.res files for the benchmarks, made by our own code.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "resfile/format.hpp"
#include "resfile/gbk.hpp"

namespace tessaly::bench {

using Bytes = std::vector<std::uint8_t>;

// A header of `otherBytes` invented resource bytes (about one byte in 40 is the
// marker 5; the byte 'S' is left out so no stray record appears) and `maps` maps.
inline Bytes MakeFile(std::size_t otherBytes, std::size_t maps) {
  Bytes bytes(kMagic.begin(), kMagic.end());
  bytes.resize(kHeaderMinimum, 0);
  bytes.reserve(kHeaderMinimum + otherBytes + maps * 80);
  std::mt19937 random(12345);
  for (std::size_t i = 0; i < otherBytes; ++i) {
    auto b = static_cast<std::uint8_t>(random());
    if (b == kFolderFirstByte) b = 0;
    if (b < 6) b = kMarker;  // 6 of 256 values: many stray markers
    bytes.push_back(b);
  }
  const std::string names[] = {*EncodeGbk("测试地图"), "Arena", *EncodeGbk("青石镇"), ""};
  for (std::size_t i = 0; i < maps; ++i) {
    const auto model = static_cast<std::uint16_t>(i % 65536);
    const std::string folder = FolderText(model);
    AppendRecordImage(bytes, {names[i % 4], folder, model, static_cast<std::uint8_t>(10 + i % 2),
                              static_cast<std::uint8_t>(i % 64), static_cast<std::uint8_t>(i),
                              static_cast<std::uint8_t>(i % 7)});
  }
  WriteEntryCount(bytes, static_cast<std::uint16_t>(maps));
  return bytes;
}

inline std::filesystem::path WriteTemp(const std::string& name, const Bytes& bytes) {
  const auto dir = std::filesystem::temp_directory_path() / "tessaly-bench";
  std::filesystem::create_directories(dir);
  const auto path = dir / name;
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path;
}

inline constexpr std::size_t kManyMaps = 32767;
inline constexpr std::size_t kBigHeader = 200U * 1024U * 1024U;

}  // namespace tessaly::bench
