#pragma once

// The commands of tessaly-cli as functions that write to the given streams and
// return the exit status, so tests can run them without a process.

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

#include "cli/interchange.hpp"
#include "resfile/save.hpp"
#include "table/document.hpp"

namespace tessaly::cli {

inline constexpr int kExitOk = 0;
// diff: the two files differ (as diff and cmp say).
inline constexpr int kExitDiffer = 1;
// FILE is refused or unreadable, its last save was interrupted, or MAPS (or
// BACKUP) is unreadable or holds a value that cannot be stored; nothing on
// disk was touched.
inline constexpr int kExitFileError = 2;
// Writing failed: saving FILE (which is unchanged, unless the message says
// it may be damaged), FILE changed since it was read, or the output of a
// command.
inline constexpr int kExitWriteFailed = 3;
// FILE was written but could not be read back.
inline constexpr int kExitReloadFailed = 4;

// Every command that reads FILE refuses it, naming the backup and the restore
// command, when a record in env.userBackupFolder says that its last save was
// interrupted (see FindInterruptedWrite).
int List(const std::filesystem::path& file, const SaveEnvironment& env, std::ostream& out,
         std::ostream& err);
int Dump(const std::filesystem::path& file, bool json, const SaveEnvironment& env,
         std::ostream& out, std::ostream& err);

// Prints the maps as JSON (the document of dump --json) or CSV (in UTF-8 or,
// for `encoding` kGbk, in GBK), to `out`, or to the file `output` when one is given.
int Export(const std::filesystem::path& file, bool csv,
           const std::optional<std::filesystem::path>& output, const SaveEnvironment& env,
           std::ostream& out, std::ostream& err, TextEncoding encoding = TextEncoding::kUtf8);

// Replaces the maps of `file` with those of `maps` (.json or .csv) and saves
// `file` with a backup in `env`; prints "修改成功！" and "备份：<path>". The
// file is locked against other Tessaly saves before it is loaded. A MAPS
// without any map for a file that has maps would delete them all; it is
// refused unless `allowEmpty`. MAPS is read in `encoding`.
int Import(const std::filesystem::path& file, const std::filesystem::path& maps,
           const SaveEnvironment& env, std::ostream& out, std::ostream& err,
           bool allowEmpty = false, TextEncoding encoding = TextEncoding::kUtf8);

// Prints how the maps of `newFile` differ from those of `oldFile`; kExitOk
// when nothing differs, kExitDiffer when something does.
int Diff(const std::filesystem::path& oldFile, const std::filesystem::path& newFile, bool json,
         const SaveEnvironment& env, std::ostream& out, std::ostream& err);

// Lists the backups of `file` in the folders of `env`, newest first, each
// with how it differs from `file` as it is now.
int Backups(const std::filesystem::path& file, bool json, const SaveEnvironment& env,
            std::ostream& out, std::ostream& err);

// Writes the bytes of `backup` (a Meteor.res) to `file` with a backup of
// `file` (RestoreBackup); prints "恢复成功！" and "备份：<path>".
int Restore(const std::filesystem::path& file, const std::filesystem::path& backup,
            const SaveEnvironment& env, std::ostream& out, std::ostream& err);

// Parses the command line and runs the command; import and restore save with `env`.
int Run(int argc, char** argv, std::ostream& out, std::ostream& err, const SaveEnvironment& env);
// The same with the environment of the running program (DefaultSaveEnvironment).
int Run(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace tessaly::cli
