#pragma once
// What one build needs, as plain values: the window (or the command line)
// copies its property values and entry rows into a PackageRequest, so the
// writer can run on a worker thread without touching any UI model.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace package {

// One row of the entry list. The source path is Folder + Name; Folder ends
// with the native path separator.
struct EntryRow {
  std::string Name;
  std::string Folder;
  int32_t Flags = 0;  // option bits 1..32, 64 for a folder row

  bool operator==(const EntryRow&) const = default;
};

// An install option set on a payload file by its path in the package
// (RelPath, "\" between its parts): a file inside a folder row, or one more
// file of an option that several files share (a shortcut on each).
struct FileOption {
  int32_t bit = 0;       // one of entries::kOptionBits
  std::string rel_path;  // UTF-8
};

// The property values as the user typed them (UTF-8, not yet cut).
struct PropertyValues {
  std::string app_name;   // "软件名称"
  std::string setup_dir;  // "安装目录"
  std::string save_path;  // "安装包保存路径"
  std::string publisher;  // "发行商"
  std::string version;    // "版本"

  bool operator==(const PropertyValues&) const = default;
};

// The number of threads a build uses unless told otherwise: one per core.
inline int DefaultJobs() {
  unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

// How the payload files are compressed (docs/format.md): each file its own
// LZSS stream (today's packages, the default), or all of them in one solid
// zstd stream (a compact package, read only by our own setup program).
enum class Compression { kLzss, kSolid };

struct PackageRequest {
  PropertyValues properties;
  std::vector<EntryRow> entries;
  std::string install_dat;  // the stub container to take the programs from
  // Options beyond the rows' Flags; their records follow the rows' (layout.h:
  // the option record list when one names a file below a folder or an
  // option is set more than once).
  std::vector<FileOption> file_options;
  // Threads that encode the files; the package is the same whatever the number.
  int jobs = DefaultJobs();
  Compression compression = Compression::kLzss;
  // When set, the command that signs a file in place (sign_command.h): it
  // runs on the uninstaller with its name index and on the finished package.
  std::string sign_command;
  // When set, the file whose icon the package carries (an .ico file or an
  // executable's first icon group) in place of the one icon_source.h chooses.
  std::string icon_path;
  // Test hook: runs after the payload is collected and checked, before the
  // package is written.
  std::function<void()> after_collect;
  // The stop request, set from another thread: the build then ends at its
  // next checkpoint (a directory entry, a codec block, a record), removes its
  // temporary files and leaves the save path as it was (BuildOutcome::kStopped).
  const std::atomic<bool>* stop = nullptr;
};

inline bool StopRequested(const std::atomic<bool>* stop) {
  return stop != nullptr && stop->load(std::memory_order_relaxed);
}

// Receives the writer's status texts and progress. Called on the thread
// that runs the build only (the encoding threads' progress is passed on by it).
class BuildProgress {
 public:
  virtual ~BuildProgress() = default;
  virtual void SetStatus(const std::string& text) = 0;
  virtual void SetMaximum(float max) = 0;
  // A byte count reported by the codec (m_zip_FileProgress's dwWriteBytes).
  virtual void Advance(int32_t dwWriteBytes) = 0;
};

enum class BuildOutcome {
  kWritten,      // the package is at the save path
  kSizeRefused,  // the 2 GB refusal; message is its text
  kFailed,       // anything else; message names the file concerned
  kInputRefused, // a check of the build button failed; nothing was started
  kStopped,      // the stop request ended it; nothing was written
};

struct BuildResult {
  BuildOutcome outcome = BuildOutcome::kFailed;
  std::string message;
};

}  // namespace package
