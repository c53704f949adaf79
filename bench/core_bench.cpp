// Loading, saving and the table operations on the largest tables.

#include <benchmark/benchmark.h>

#include "bench_files.hpp"
#include "resfile/loader.hpp"
#include "table/document.hpp"
#include "table/edit.hpp"
#include "table/history.hpp"
#include "table/messages.hpp"

namespace tessaly::bench {
namespace {

const std::filesystem::path& ManyMapsFile() {
  static const auto path = WriteTemp("many-maps.res", MakeFile(300, kManyMaps));
  return path;
}

const std::filesystem::path& BigHeaderFile() {
  static const auto path = WriteTemp("big-header.res", MakeFile(kBigHeader, 100));
  return path;
}

void Load(benchmark::State& state, const std::filesystem::path& path) {
  const auto size = std::filesystem::file_size(path);
  for (auto _ : state) {
    auto doc = LoadDocument(path);
    if (!doc) {
      state.SkipWithError("load failed");
      break;
    }
    benchmark::DoNotOptimize(doc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void BM_Load32767Maps(benchmark::State& state) { Load(state, ManyMapsFile()); }
void BM_Load200MBHeader(benchmark::State& state) { Load(state, BigHeaderFile()); }

// Building the new file in memory and writing it with a backup (to a scratch
// copy, so the benchmark's input stays as it is).
void Save(benchmark::State& state, const std::filesystem::path& source) {
  const auto dir = std::filesystem::temp_directory_path() / "tessaly-bench" / "save";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "backups");
  const auto target = dir / source.filename();
  std::filesystem::copy_file(source, target);
  auto doc = LoadDocument(target);
  if (!doc) {
    state.SkipWithError("load failed");
    return;
  }
  const SaveEnvironment env{RealFileSystem(), SystemClock(), dir / "backups", dir / "backups"};
  for (auto _ : state) {
    auto saved = SaveDocument(*doc, env);
    if (!saved) {
      const std::string why = ErrorText(saved.error());
      state.SkipWithError(why.c_str());
      break;
    }
    state.PauseTiming();
    std::filesystem::remove(saved->backupPath);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(
      static_cast<std::int64_t>(state.iterations() * std::filesystem::file_size(target)));
}

void BM_Save32767Maps(benchmark::State& state) { Save(state, ManyMapsFile()); }
void BM_Save200MBHeader(benchmark::State& state) { Save(state, BigHeaderFile()); }

void BM_BuildSaveImage32767Maps(benchmark::State& state) {
  const auto doc = LoadDocument(ManyMapsFile());
  for (auto _ : state) benchmark::DoNotOptimize(BuildSaveImage(*doc));
}

const Document& ManyMapsDocument() {
  static const Document doc = std::move(LoadDocument(ManyMapsFile())).value();
  return doc;
}

EditArea SampleArea(std::string id) {
  EditArea area;
  area.mapIdText = std::move(id);
  area.name = "新的地图";
  area.model = "12";
  area.music = "7";
  area.story = "2";
  area.listFlag = true;
  area.modes = {true, false, true, false, true, false};
  return area;
}

void BM_WriteEntry(benchmark::State& state) {
  MapTable table = ManyMapsDocument().table;
  const EditArea area = SampleArea("20000");
  for (auto _ : state) benchmark::DoNotOptimize(WriteEntry(table, area).ok());
}

void BM_AddEntry(benchmark::State& state) {
  MapTable table = ManyMapsDocument().table;
  const EditArea area = SampleArea("");
  for (auto _ : state) {
    benchmark::DoNotOptimize(AddEntry(table, area, -32767).ok());
    state.PauseTiming();
    if (table.RecordCount() >= 60000) table = ManyMapsDocument().table;
    state.ResumeTiming();
  }
}

void BM_DeleteFirstRow(benchmark::State& state) {
  MapTable table = ManyMapsDocument().table;
  for (auto _ : state) {
    DeleteRow(table, std::size_t{0});
    state.PauseTiming();
    if (table.DisplayCount() < 16384) table = ManyMapsDocument().table;
    state.ResumeTiming();
  }
}

void BM_MoveUpAndDown(benchmark::State& state) {
  MapTable table = ManyMapsDocument().table;
  for (auto _ : state) {
    benchmark::DoNotOptimize(MoveUp(table, std::size_t{30000}));
    benchmark::DoNotOptimize(MoveDown(table, std::size_t{29999}));
  }
}

void BM_FindByIdText(benchmark::State& state) {
  const MapTable& table = ManyMapsDocument().table;
  for (auto _ : state) benchmark::DoNotOptimize(table.FindByIdText("32767"));
}

void BM_RowOfLastId(benchmark::State& state) {
  const MapTable& table = ManyMapsDocument().table;
  for (auto _ : state) benchmark::DoNotOptimize(table.RowOfId(32767));
}

// One undo and one redo of a step done on the 32767 maps; each of the two
// takes at most the time of the pair.
enum class StepKind { kWrite, kAdd, kDeleteFirst, kMove };

void BM_UndoRedoPair(benchmark::State& state) {
  MapTable table = ManyMapsDocument().table;
  EditHistory history(table);
  bool done = false;
  switch (static_cast<StepKind>(state.range(0))) {
    case StepKind::kWrite:
      done = history.Write(SampleArea("20000")).ok();
      break;
    case StepKind::kAdd:
      done = history.Add(SampleArea(""), -32767).ok();
      break;
    case StepKind::kDeleteFirst:
      done = history.Delete(std::size_t{0});
      break;
    case StepKind::kMove:
      done = history.MoveUp(std::size_t{30000}).has_value();
      break;
  }
  if (!done) {
    state.SkipWithError("the step was refused");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(history.Undo());
    benchmark::DoNotOptimize(history.Redo());
  }
}

BENCHMARK(BM_Load32767Maps)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load200MBHeader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildSaveImage32767Maps)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save32767Maps)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save200MBHeader)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WriteEntry)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddEntry)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteFirstRow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoveUpAndDown)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindByIdText)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RowOfLastId)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UndoRedoPair)
    ->ArgName("write0_add1_delete2_move3")
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tessaly::bench

BENCHMARK_MAIN();
