// Writes the seed inputs of the fuzz targets into a folder: small Meteor.res
// files of every shape the loader has to handle.
//
//   make_seeds FOLDER

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "resfile/format.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Header(std::size_t filler) {
  Bytes b(tessaly::kMagic.begin(), tessaly::kMagic.end());
  b.resize(tessaly::kHeaderMinimum + filler, 0);
  return b;
}

void Add(Bytes& b, std::string_view name, std::uint16_t model, std::uint8_t story = 0,
         std::uint8_t mode = 48) {
  const std::string folder = tessaly::FolderText(model);
  tessaly::AppendRecordImage(b, {name, folder, model, 11, mode, 3, story});
}

void Save(const std::filesystem::path& dir, const std::string& name, Bytes b, std::uint16_t count) {
  tessaly::WriteEntryCount(b, count);
  std::ofstream(dir / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_seeds FOLDER\n";
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);

  Save(dir, "header-only", Header(0), 0);
  Bytes two = Header(946);
  Add(two, "\xB2\xE2\xCA\xD4", 5);
  Add(two, "AB", 300);
  Save(dir, "two-maps", two, 2);

  Bytes empty = Header(10);
  Add(empty, "", 0);
  Add(empty, "x", 65535, 0, 255);
  Save(dir, "empty-name", empty, 5);

  Bytes lastFive = Header(20);
  Add(lastFive, "end", 7, 5);
  Save(dir, "story-five-last", lastFive, 1);

  Bytes phantom = Header(20);
  Add(phantom, "a", 9, 5);
  Add(phantom, "b", 83);
  Save(dir, "phantom", phantom, 2);

  Bytes stray = Header(300);
  for (std::size_t i = 60; i < stray.size(); i += 7) stray[i] = 5;
  Add(stray, "\xC7\xE0:\xCA\xAF", 12, 1, 63);
  Save(dir, "stray-markers", stray, 40000);
  return 0;
}
