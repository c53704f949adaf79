// One measurement per process, so each reports its own peak memory.
//
//   limit_probe make DIR         writes the benchmark files into DIR
//   limit_probe floor FILE       one read of the whole file (into memory on large pages, as
//                                Tessaly asks for), then memchr over every byte for the marker
//   limit_probe load FILE        Tessaly's load: read, scan, build the map table
//   limit_probe savefloor FILE   what any safe save must do, on a scratch copy: copy the file
//                                and flush the copy, make as many bytes anew (copied in the
//                                kernel, the cheapest way) and flush them, rename them over
//                                the copy
//   limit_probe save FILE        Tessaly's save of the loaded, unchanged file (scratch copy):
//                                plan the new file, back up, write, rename; without the
//                                read back
//   limit_probe savereload FILE  the same with the read back, as the editor's 保存 runs it
//
// Prints one line: mode, seconds (best of the runs), MB/s, peak resident memory in MiB.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "bench_files.hpp"
#include "resfile/loader.hpp"
#include "resfile/save.hpp"
#include "table/document.hpp"

namespace {

using Clock = std::chrono::steady_clock;

std::size_t Floor(const std::filesystem::path& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) std::exit(1);
  const std::size_t size = std::filesystem::file_size(path);
  constexpr std::size_t kLarge = std::size_t{2} << 20;
  auto* bytes =
      static_cast<std::uint8_t*>(std::aligned_alloc(kLarge, (size / kLarge + 1) * kLarge));
  if (bytes == nullptr) std::exit(1);
  (void)::madvise(bytes, size / kLarge * kLarge, MADV_HUGEPAGE);
  if (std::fread(bytes, 1, size, f) != size) std::exit(1);
  std::fclose(f);
  std::size_t markers = 0;
  const std::uint8_t* p = bytes;
  const std::uint8_t* end = p + size;
  while ((p = static_cast<const std::uint8_t*>(
              std::memchr(p, 5, static_cast<std::size_t>(end - p)))) != nullptr) {
    ++markers;
    ++p;
  }
  std::free(bytes);
  return markers;
}

// A scratch folder beside the file, holding a copy of it.
struct Scratch {
  std::filesystem::path folder;
  std::filesystem::path copy;
  explicit Scratch(const std::filesystem::path& file)
      : folder(file.parent_path() / "scratch"), copy(folder / file.filename()) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(file, copy);
  }
  ~Scratch() { std::filesystem::remove_all(folder); }
};

void CopyFlushed(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::filesystem::copy_file(from, to);
  const int fd = ::open(to.c_str(), O_RDONLY);
  if (fd < 0 || ::fsync(fd) != 0) std::exit(1);
  ::close(fd);
}

double SaveFloor(const std::filesystem::path& path) {
  const Scratch scratch(path);
  const auto start = Clock::now();
  CopyFlushed(scratch.copy, scratch.folder / "backup");
  CopyFlushed(scratch.copy, scratch.folder / "new");
  std::filesystem::rename(scratch.folder / "new", scratch.copy);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Loaded before the clock starts, saved while it runs.
double TimedSave(const std::filesystem::path& path, bool reload) {
  const Scratch scratch(path);
  auto doc = tessaly::LoadDocument(scratch.copy);
  if (!doc) std::exit(1);
  const tessaly::SaveEnvironment env{tessaly::RealFileSystem(), tessaly::SystemClock(),
                                     scratch.folder, scratch.folder};
  const auto start = Clock::now();
  if (reload) {
    if (!tessaly::SaveDocument(*doc, env)) std::exit(1);
  } else {
    const auto plan = tessaly::PlanSave(*doc);
    if (!plan || !tessaly::WriteWithBackup(env, scratch.copy, plan->Pieces(*doc),
                                           {.expected = doc->identity, .loaded = doc->resBytes})) {
      std::exit(1);
    }
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::size_t Load(const std::filesystem::path& path) {
  auto doc = tessaly::LoadDocument(path);
  if (!doc) std::exit(1);
  return doc->table.DisplayCount();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: limit_probe make DIR | floor|load|savefloor|save|savereload FILE\n";
    return 2;
  }
  const std::string mode = argv[1];
  const std::filesystem::path path = argv[2];
  if (mode == "make") {
    std::filesystem::create_directories(path);
    namespace b = tessaly::bench;
    auto write = [&](const char* name, const b::Bytes& bytes) {
      std::ofstream(path / name, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    };
    write("many-maps.res", b::MakeFile(300, b::kManyMaps));
    write("big-header.res", b::MakeFile(b::kBigHeader, 100));
    return 0;
  }
  const bool saving = mode.starts_with("save");
  const int runs = saving ? 3 : 5;
  double best = 1e9;
  std::size_t result = 0;
  for (int i = 0; i < runs; ++i) {
    if (saving) {
      best = std::min(
          best, mode == "savefloor" ? SaveFloor(path) : TimedSave(path, mode == "savereload"));
      continue;
    }
    const auto start = Clock::now();
    result = mode == "floor" ? Floor(path) : Load(path);
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double mb = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  std::printf("%s %s seconds=%.4f mb_per_s=%.0f peak_rss_mb=%.1f result=%zu\n", mode.c_str(),
              path.filename().c_str(), best, mb / best,
              static_cast<double>(usage.ru_maxrss) / 1024.0, result);
  return 0;
}
