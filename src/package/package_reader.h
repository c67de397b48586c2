#pragma once
// Reads a package: the trailer, the configuration text and its four values,
// the option records and the file records, and decodes one record's stream.
// Every count, offset and length is checked against the file's size before
// it is used, so a damaged package gets a message, never a wild read. The
// setup stub, the command line and the tests read packages through this.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codec/stream_io.h"
#include "package/image_digest.h"
#include "package/layout.h"
#include "platform/files.h"

namespace package {

class BoundedReader;
class SolidReader;

// The four values of the configuration text (UTF-8).
struct ConfigValues {
  std::string app_name;
  std::string setup_dir;
  std::string publisher;
  std::string version;
};

// Builds the configuration text from the values as they are to be stored
// (each already cut to 20 characters, "\" removed from setup_dir).
std::string FormatConfigText(const ConfigValues& v);
// Splits a configuration text into its values; false when it lacks a label.
bool ParseConfigText(const std::string& text, ConfigValues* v);

struct OptionRecord {
  int32_t bit = 0;       // 1, 2, 4, 8, 16 or 32
  std::string name;      // UTF-8: a top-level entry, or in a record list a RelPath
  std::string name_gbk;  // as stored
};

struct FileRecord {
  std::string rel_path;      // UTF-8, "\" between its parts
  std::string rel_path_gbk;  // as stored
  int64_t compLenOffset = 0;  // R, the i32 compLen field (0 in the solid data)
  int32_t compLen = 0;        // 0 in the solid data
  // The stream header (0 when compLen is 0); in the solid data the record's size.
  int32_t original_size = 0;
  bool solid = false;  // its bytes lie in the solid data of a compact package
  int64_t StreamOffset() const { return compLenOffset + kCompLenSize; }
  int32_t size() const { return compLen == 0 && !solid ? 0 : original_size; }
};

// One zstd frame of a compact package's solid data.
struct SolidFrame {
  size_t first_file = 0;     // index of its first file record
  int32_t files = 0;         // how many records it holds, in order
  int64_t offset = 0;        // where its compLen bytes start
  int32_t compLen = 0;
  int64_t content_size = 0;  // the sum of its files' sizes
};

struct PackageContents {
  int64_t file_size = 0;
  // E, where the package ends: the file's size, or below the certificate
  // table of a signed package.
  int64_t data_end = 0;
  Trailer trailer;
  int64_t stub_size = 0;  // = trailer.config_offset
  XorKey key{};
  std::string config_text;     // UTF-8
  std::string config_text_gbk; // as stored
  ConfigValues config;
  bool config_parsed = false;  // the text has the four labels
  int16_t option_union = 0;
  bool option_list = false;  // kOptionListFlag: the records follow a count (layout.h)
  std::vector<OptionRecord> options;
  std::vector<FileRecord> files;  // the uninstaller's record last
  // A compact package (kSolidFlag): files[0..solid_files) lie in frames.
  bool solid = false;
  size_t solid_files = 0;
  std::vector<SolidFrame> frames;
};

// Whether the file at path carries data behind a Windows program (below a
// signature's certificate table), as every package does. False for any
// other file (a document, a plain program) and when it cannot be read: a
// reader that fails on such a file says it is no package rather than a
// damaged one.
bool HoldsAppendedData(const std::string& path);

class PackageReader {
 public:
  // Opens the package and reads everything but the streams. A signed
  // package is read below its certificate table.
  PackageReader();
  ~PackageReader();
  PackageReader(PackageReader&& other) noexcept;
  PackageReader& operator=(PackageReader&& other) noexcept;
  bool Open(const std::string& path, std::string* err);
  const PackageContents& contents() const { return c_; }
  // The stub image's headers, signature and digest field.
  const ImageData& image() const { return image_; }

  // Checks the digest the package carries of itself (image_digest.h) by
  // reading it whole; true at once when it carries none. progress receives
  // the bytes read; cancel, when set, is checked between pieces.
  bool VerifyDigest(const std::function<void(int64_t)>& progress,
                    const std::atomic<bool>* cancel, std::string* err);
  const std::string& path() const { return path_; }

  // Decodes record i's stream (exactly 4 + compLen bytes) into write, in
  // pieces of at most 40960 bytes. A record with compLen 0 writes nothing.
  // A record in the solid data is decoded by a SolidReader (solid_reader.h)
  // the reader keeps: records decoded in order cost one pass over the solid
  // data; going back, or any record after a failure, starts it anew.
  // A damaged stream fails as damage of the package; a failure of write (a
  // full disk) fails with write's own message, as it is.
  bool DecodeRecord(size_t i, const codec::WriteFn& write, const codec::ProgressFn& progress,
                    std::string* err);
  // Decodes record i into a new file at out_path (created or truncated);
  // the file is removed again when decoding fails.
  bool DecodeRecordToFile(size_t i, const std::string& out_path,
                          const codec::ProgressFn& progress, std::string* err);

 private:
  bool ReadLayout(std::string* err);
  bool ReadRecords(std::string* err);
  bool ReadSolidData(BoundedReader& in, std::string* err);
  std::string path_;
  std::unique_ptr<platform::File> file_;
  ImageData image_;
  PackageContents c_;
  std::unique_ptr<SolidReader> solid_;
};

}  // namespace package
