#pragma once

// Helpers shared by the tessaly-cli tests: running a command line in-process,
// a save environment inside a temporary folder, and the sample files.

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "resfile/save.hpp"
#include "support/faulty_fs.hpp"
#include "support/fixture.hpp"

namespace tessaly::cli::test {

using tessaly::test::Bytes;
using tessaly::test::TempDir;

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

// 20240501120000
struct FixedClock final : tessaly::test::FixedClock {
  FixedClock() : tessaly::test::FixedClock(2024, 5, 1, 12, 0, 0) {}
};

// Backups go to <dir>/program (the program's folder) or <dir>/user.
class TestEnvironment {
 public:
  TestEnvironment() { std::filesystem::create_directories(ProgramFolder()); }
  [[nodiscard]] std::filesystem::path ProgramFolder() const { return dir_.path() / "program"; }
  [[nodiscard]] std::filesystem::path UserFolder() const { return dir_.path() / "user"; }
  [[nodiscard]] SaveEnvironment Get() {
    return SaveEnvironment{RealFileSystem(), clock_, ProgramFolder(), UserFolder()};
  }
  // Every file either backup folder holds.
  [[nodiscard]] std::vector<std::filesystem::path> Backups() const {
    std::vector<std::filesystem::path> found;
    for (const auto& folder : {ProgramFolder(), UserFolder()}) {
      std::error_code ec;
      for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        found.push_back(e.path());
    }
    return found;
  }

 private:
  TempDir dir_;
  FixedClock clock_;
};

// Runs `tessaly-cli args…` in this process.
inline CliRun RunCli(const std::vector<std::string>& args, const SaveEnvironment& env) {
  std::vector<std::string> words = {"tessaly-cli"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  std::ostringstream out;
  std::ostringstream err;
  CliRun run;
  run.status = Run(static_cast<int>(words.size()), argv.data(), out, err, env);
  run.out = out.str();
  run.err = err.str();
  return run;
}

inline std::string Utf8Path(const std::filesystem::path& p) {
  const auto s = p.u8string();
  return std::string(s.begin(), s.end());
}

inline std::string AsText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
inline Bytes AsBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

// A record whose name length byte is 0: the record of an empty name without
// its terminating zero byte.
inline Bytes NameLengthZeroRecord(std::uint16_t model) {
  Bytes rec = tessaly::test::RecordBytes({.nameBytes = "", .model = model});
  rec.erase(rec.begin() + 12);
  rec[8] = 0;
  return rec;
}

// The sample of the exact-output tests: first record at 1000 (HeaderEnd 999),
// a name with ':' and "::::::", a record with N = 0, and an entry count of 5
// for 3 records (ExtraCount 2).
inline Bytes SampleFile() {
  tessaly::test::ResBuilder b;
  b.Filler(946);
  b.Record({.nameBytes = tessaly::test::Gbk("测试"), .model = 5});
  b.Record({.nameBytes = "a:b::::::c",
            .model = 300,
            .listFlag = 10,
            .modeByte = 5,
            .music = 7,
            .storyOrder = 1});
  b.Raw(NameLengthZeroRecord(7));
  b.Count(5);
  return b.bytes();
}

// A temporary folder for the files of a test and a save environment beside it.
class CliTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const Bytes& bytes) {
    return Utf8Path(dir_.Write(name, bytes));
  }
  CliRun Cli(const std::vector<std::string>& args) { return RunCli(args, env_.Get()); }
  TempDir dir_;
  TestEnvironment env_;
};

}  // namespace tessaly::cli::test
