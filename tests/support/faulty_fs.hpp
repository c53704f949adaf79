#pragma once

// Seams for save tests: a file system that fails chosen steps on top of the
// real one, and a clock that always tells the same time.

#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "resfile/save.hpp"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tessaly::test {

enum class FsStep {
  kIsRegularFile,
  kInspect,
  kExists,
  kResolveLinks,
  kIsWritable,
  kFacts,
  kLockFolder,
  kLockFile,
  kAllowsReplace,
  kRemoveStrays,
  kCreateDirectories,
  kCopyToNew,
  kWriteNew,
  kWriteInPlace,
  kRename,
  kRemove,
};

[[nodiscard]] inline const char* StepName(FsStep step) {
  switch (step) {
    case FsStep::kIsRegularFile:
      return "IsRegularFile";
    case FsStep::kInspect:
      return "Inspect";
    case FsStep::kExists:
      return "Exists";
    case FsStep::kResolveLinks:
      return "ResolveLinks";
    case FsStep::kIsWritable:
      return "IsWritable";
    case FsStep::kFacts:
      return "Facts";
    case FsStep::kLockFolder:
      return "LockFolder";
    case FsStep::kLockFile:
      return "LockFile";
    case FsStep::kAllowsReplace:
      return "AllowsReplace";
    case FsStep::kRemoveStrays:
      return "RemoveStrays";
    case FsStep::kCreateDirectories:
      return "CreateDirectories";
    case FsStep::kCopyToNew:
      return "CopyToNew";
    case FsStep::kWriteNew:
      return "WriteNew";
    case FsStep::kWriteInPlace:
      return "WriteInPlace";
    case FsStep::kRename:
      return "Rename";
    case FsStep::kRemove:
      return "Remove";
  }
  return "?";
}

// Passes every call to an inner file system, except the calls chosen to fail:
// the k-th call of all (counting from 1), or every call of one step, optionally
// only for paths inside one folder.
class FaultyFileSystem final : public FileSystem {
 public:
  explicit FaultyFileSystem(FileSystem& inner = RealFileSystem()) : inner_(inner) {}
  // Not copyable, so that FaultyFileSystem(other) always wraps `other`.
  FaultyFileSystem(const FaultyFileSystem&) = delete;
  FaultyFileSystem& operator=(const FaultyFileSystem&) = delete;

  void FailNth(int k) { failNth_ = k; }
  void FailStep(FsStep step, std::filesystem::path onlyInside = {}) {
    failStep_ = step;
    onlyInside_ = std::move(onlyInside);
  }
  // IsRegularFile answers "no file" instead of failing.
  void ReportMissing() { reportMissing_ = true; }
  // Facts say the owner cannot be kept on a new file, as for a user saving
  // another user's file.
  void OwnerCannotBeKept() { ownerCannotBeKept_ = true; }
  // Inspect sees the file changed (another program wrote it since it was read).
  void ReportChanged() { reportChanged_ = true; }
  // Stops failing, so that a retry runs on the real file system.
  void Heal() {
    failNth_ = 0;
    failStep_.reset();
  }
  // Runs after every successful Rename (to change the file before the reload).
  std::function<void(const std::filesystem::path& to)> afterRename;

  [[nodiscard]] int calls() const { return calls_; }
  [[nodiscard]] const std::vector<FsStep>& log() const { return log_; }
  [[nodiscard]] int failures() const { return failures_; }

  Result<bool, IoError> IsRegularFile(const std::filesystem::path& p) override {
    if (ShouldFail(FsStep::kIsRegularFile, p)) {
      if (reportMissing_) return false;
      return Fail(Injected(FsStep::kIsRegularFile));
    }
    return inner_.IsRegularFile(p);
  }
  Result<PathState, IoError> Inspect(const std::filesystem::path& p) override {
    if (ShouldFail(FsStep::kInspect, p)) return Fail(Injected(FsStep::kInspect));
    auto state = inner_.Inspect(p);
    if (state && reportChanged_) ++state->identity.modified;
    return state;
  }
  bool Exists(const std::filesystem::path& p) override {
    if (ShouldFail(FsStep::kExists, p)) return false;
    return inner_.Exists(p);
  }
  Result<std::filesystem::path, IoError> ResolveLinks(const std::filesystem::path& p) override {
    if (ShouldFail(FsStep::kResolveLinks, p)) return Fail(Injected(FsStep::kResolveLinks));
    return inner_.ResolveLinks(p);
  }
  Result<bool, IoError> IsWritable(const std::filesystem::path& p) override {
    if (ShouldFail(FsStep::kIsWritable, p)) return Fail(Injected(FsStep::kIsWritable));
    return inner_.IsWritable(p);
  }
  std::optional<FileFacts> Facts(const std::filesystem::path& p) override {
    if (ShouldFail(FsStep::kFacts, p)) return std::nullopt;
    auto facts = inner_.Facts(p);
    if (facts && ownerCannotBeKept_) facts->ownerCanBeKept = false;
    return facts;
  }
  Result<std::unique_ptr<FsLock>, IoError> LockFolder(
      const std::filesystem::path& folder, const std::filesystem::path& lockFiles) override {
    if (ShouldFail(FsStep::kLockFolder, folder)) return Fail(Injected(FsStep::kLockFolder));
    return inner_.LockFolder(folder, lockFiles);
  }
  Result<std::unique_ptr<FsLock>, IoError> LockFile(const std::filesystem::path& file) override {
    if (ShouldFail(FsStep::kLockFile, file)) return Fail(Injected(FsStep::kLockFile));
    return inner_.LockFile(file);
  }
  Result<bool, IoError> AllowsReplace(const std::filesystem::path& folder) override {
    if (ShouldFail(FsStep::kAllowsReplace, folder)) return Fail(Injected(FsStep::kAllowsReplace));
    return inner_.AllowsReplace(folder);
  }
  void RemoveStrays(const std::filesystem::path& folder) override {
    if (ShouldFail(FsStep::kRemoveStrays, folder)) return;
    inner_.RemoveStrays(folder);
  }
  IoStatus CreateDirectories(const std::filesystem::path& dir) override {
    if (ShouldFail(FsStep::kCreateDirectories, dir)) {
      return Fail(Injected(FsStep::kCreateDirectories));
    }
    return inner_.CreateDirectories(dir);
  }
  IoStatus CopyToNew(const std::filesystem::path& from, const std::filesystem::path& to) override {
    if (ShouldFail(FsStep::kCopyToNew, to)) {
      std::error_code ec;
      // A taken name still reads "already exists", so the next name is tried.
      if (std::filesystem::exists(to, ec)) return inner_.CopyToNew(from, to);
      return Fail(Injected(FsStep::kCopyToNew));
    }
    return inner_.CopyToNew(from, to);
  }
  IoStatus WriteNew(const std::filesystem::path& to, Pieces bytes,
                    const std::optional<FileFacts>& facts, const SharedBytes* shared) override {
    if (ShouldFail(FsStep::kWriteNew, to)) return Fail(Injected(FsStep::kWriteNew));
    return inner_.WriteNew(to, bytes, facts, shared);
  }
  // A failing in-place write stops half way, as a full disk would, so the
  // file really is damaged when the failure is reported.
  IoStatus WriteInPlace(const std::filesystem::path& file, Pieces bytes) override {
    if (ShouldFail(FsStep::kWriteInPlace, file)) {
      std::vector<std::uint8_t> half;
      for (const auto piece : bytes) half.insert(half.end(), piece.begin(), piece.end());
      half.resize(half.size() / 2);
      const std::span<const std::uint8_t> pieces[] = {half};
      (void)inner_.WriteInPlace(file, pieces);
      return Fail(Injected(FsStep::kWriteInPlace));
    }
    return inner_.WriteInPlace(file, bytes);
  }
  IoStatus Rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
    if (ShouldFail(FsStep::kRename, to)) return Fail(Injected(FsStep::kRename));
    IoStatus status = inner_.Rename(from, to);
    if (status && afterRename) afterRename(to);
    return status;
  }
  void Remove(const std::filesystem::path& p) override {
    if (ShouldFail(FsStep::kRemove, p)) return;
    inner_.Remove(p);
  }

 private:
  bool ShouldFail(FsStep step, const std::filesystem::path& p) {
    log_.push_back(step);
    ++calls_;
    bool fail = calls_ == failNth_;
    if (failStep_ == step) fail = fail || onlyInside_.empty() || p.parent_path() == onlyInside_;
    if (fail) ++failures_;
    return fail;
  }
  static IoError Injected(FsStep step) {
    return IoError{IoError::Code::kOther, std::string("injected failure of ") + StepName(step), ""};
  }

  FileSystem& inner_;
  int failNth_ = 0;
  std::optional<FsStep> failStep_;
  std::filesystem::path onlyInside_;
  bool reportMissing_ = false;
  bool ownerCannotBeKept_ = false;
  bool reportChanged_ = false;
  int calls_ = 0;
  int failures_ = 0;
  std::vector<FsStep> log_;
};

// Always the same local time.
class FixedClock : public Clock {
 public:
  FixedClock(int year, int month, int day, int hour, int minute, int second) {
    time_.tm_year = year - 1900;
    time_.tm_mon = month - 1;
    time_.tm_mday = day;
    time_.tm_hour = hour;
    time_.tm_min = minute;
    time_.tm_sec = second;
  }
  std::tm LocalNow() override { return time_; }

 private:
  std::tm time_{};
};

#ifndef _WIN32
// Leaves what a save killed while it wrote into `file` itself leaves: a child
// process writes in place, fails half way (putting the old bytes back fails
// too), and ends, keeping its record in env.userBackupFolder. True when it did.
[[nodiscard]] inline bool LeaveInterruptedWrite(const SaveEnvironment& env,
                                                const std::filesystem::path& file) {
  const pid_t child = ::fork();
  if (child == 0) {
    FaultyFileSystem files;
    files.OwnerCannotBeKept();
    files.FailStep(FsStep::kWriteInPlace);
    const std::uint8_t content[] = {'h', 'a', 'l', 'f', ' ', 'n', 'e', 'w'};
    const auto saved = WriteWithBackup(
        SaveEnvironment{files, env.clock, env.programFolder, env.userBackupFolder}, file, content);
    ::_exit(!saved.ok() && saved.error().kind == SaveFailure::Kind::kDamaged ? 0 : 1);
  }
  int status = -1;
  ::waitpid(child, &status, 0);
  return status == 0;
}
#endif

}  // namespace tessaly::test
