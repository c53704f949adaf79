// tessaly-cli backups over many backups of the largest table, and the table
// comparison under it.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <sstream>

#include "bench_files.hpp"
#include "cli/commands.hpp"
#include "resfile/save.hpp"
#include "table/document.hpp"
#include "table/table_diff.hpp"

namespace tessaly::bench {
namespace {

constexpr int kBackupCount = 200;

// 32767 maps with names of their own, "地图1" …, as a modder's file has.
Bytes NamedMapsFile() {
  Bytes bytes(kHeaderMinimum + 300, 0);
  std::copy(kMagic.begin(), kMagic.end(), bytes.begin());
  for (std::size_t i = 0; i < kManyMaps; ++i) {
    const std::string name = *EncodeGbk("地图" + std::to_string(i + 1));
    const auto model = static_cast<std::uint16_t>(i + 1);
    AppendRecordImage(bytes, {name, FolderText(model), model, 11, 48, static_cast<std::uint8_t>(i),
                              static_cast<std::uint8_t>(i % 7)});
  }
  WriteEntryCount(bytes, static_cast<std::uint16_t>(kManyMaps));
  return bytes;
}

// Meteor.res and 200 backups of it in one folder, saved a second apart;
// backup k differs from the file in k maps' music, lacks one map and has
// another moved.
struct BackupFolder {
  std::filesystem::path folder;
  std::filesystem::path file;
};

const BackupFolder& Folder() {
  static const BackupFolder made = [] {
    const auto folder = std::filesystem::temp_directory_path() / "tessaly-bench" / "backups";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto file = WriteTemp("backups/Meteor.res", NamedMapsFile());
    const Document doc = std::move(LoadDocument(file)).value();
    for (int k = 1; k <= kBackupCount; ++k) {
      Document older = doc;
      for (int i = 0; i < k; ++i) {
        MapEntry entry = older.table.Records()[static_cast<std::size_t>(i * 97)];
        entry.music = static_cast<std::uint8_t>(entry.music + 1);
        older.table.Replace(entry);
      }
      older.table.RemoveRow(static_cast<std::size_t>(k * 131));
      older.table.SwapWithNext(static_cast<std::size_t>(k * 151));
      const auto image = BuildSaveImage(older);
      char stamp[16];
      std::snprintf(stamp, sizeof stamp, "2024050112%02d%02d", k / 60, k % 60);
      WriteTemp("backups/" + BackupName(stamp, 1, "Meteor.res"), *image);
    }
    return BackupFolder{folder, file};
  }();
  return made;
}

void BM_Backups200Of32767Maps(benchmark::State& state) {
  const BackupFolder& made = Folder();
  const SaveEnvironment env{RealFileSystem(), SystemClock(), made.folder, made.folder};
  std::size_t lines = 0;
  for (auto _ : state) {
    std::ostringstream out;
    std::ostringstream err;
    if (cli::Backups(made.file, false, env, out, err) != cli::kExitOk) {
      state.SkipWithError(err.str().c_str());
      break;
    }
    const std::string text = out.str();
    lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  }
  state.counters["backups"] = static_cast<double>(lines);
}

void BM_CompareTables32767Maps(benchmark::State& state) {
  const BackupFolder& made = Folder();
  const Document now = std::move(LoadDocument(made.file)).value();
  const auto older = LoadDocument(made.folder / BackupName("20240501120140", 1, "Meteor.res"));
  const TableIndex index(now.table);
  for (auto _ : state) benchmark::DoNotOptimize(CompareTables(older->table, index));
}

BENCHMARK(BM_Backups200Of32767Maps)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CompareTables32767Maps)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tessaly::bench

BENCHMARK_MAIN();
