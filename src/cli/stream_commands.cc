#include "cli/stream_commands.h"

#include <limits>
#include <memory>

#include "cli/args.h"
#include "cli/output_file.h"
#include "codec/cls_zip.h"
#include "codec/stream_format.h"
#include "package/build_request.h"
#include "platform/files.h"

namespace cli {
namespace {

void PrintHelp(Io& io, const Command& cmd) {
  io.out << "usage: " << kProgram << " " << cmd.synopsis << "\n\n" << cmd.help;
}

// Reads the code array from a key file. Only the first kBlockSize + 1 bytes
// can matter (a block never reaches further into the code array, and with
// more than kBlockSize bytes no block is longer than the array), so a large
// key file is not read in full.
bool ReadKey(const std::string& path, std::vector<uint8_t>* key, std::string* err) {
  auto f = platform::File::Open(path, platform::File::Mode::kRead, err);
  if (!f) return false;
  int64_t size = 0;
  if (!f->Size(&size, err)) return false;
  if (size < codec::kMinCodeSize) {
    *err = path + ": a key file must hold at least 2 bytes";
    return false;
  }
  key->resize(static_cast<size_t>(std::min<int64_t>(size, codec::kBlockSize + 1)));
  return f->ReadExact(key->data(), key->size(), err);
}

// The options both commands share; returns kExitOk or the exit code.
int ReadCommon(const ParsedArgs& p, Io& io, std::vector<uint8_t>* key) {
  std::string err;
  auto it = p.values.find("--key");
  if (it != p.values.end() && !ReadKey(it->second, key, &err)) return Fail(io, err);
  return kExitOk;
}

// The files a command reads: INPUT and the key file.
std::vector<std::string> Inputs(const ParsedArgs& p) {
  std::vector<std::string> inputs = {p.positional[0]};
  if (p.Has("--key")) inputs.push_back(p.values.at("--key"));
  return inputs;
}

}  // namespace

int RunCompress(const Args& args, Io& io) {
  const Command& cmd = FindCommand("compress");
  ParsedArgs p;
  std::string err;
  if (!ParseArgs(args, {{"--level", "--key", "--jobs"}, {}, 2}, &p, &err)) return UsageError(io, cmd, err);
  if (p.help) {
    PrintHelp(io, cmd);
    return kExitOk;
  }
  int64_t level = codec::kCompressLevel;
  if (p.Has("--level") && !ParseInteger(p.values.at("--level"), std::numeric_limits<int16_t>::min(),
                                        std::numeric_limits<int16_t>::max(), &level))
    return UsageError(io, cmd, "--level needs a whole number from -32768 to 32767");
  int64_t jobs = package::DefaultJobs();
  if (p.Has("--jobs") && !ParseInteger(p.values.at("--jobs"), 1, 1024, &jobs))
    return UsageError(io, cmd, "--jobs needs a number from 1 to 1024");
  std::vector<uint8_t> key;
  if (int rc = ReadCommon(p, io, &key)) return rc;

  const std::string& input = p.positional[0];
  const std::string& output = p.positional[1];
  if (platform::IsDirectory(input)) return Fail(io, input + ": is a folder, not a file");
  if (!CheckNotAnInput(output, Inputs(p), &err)) return Fail(io, err);
  // Open once here so that a missing or unreadable input is an error (the
  // codec itself takes a missing input as empty).
  if (!platform::File::Open(input, platform::File::Mode::kRead, &err)) return Fail(io, err);
  clsZip zip;
  zip.m_jobs = static_cast<int>(jobs);
  const bool ok = WriteOutputFile(
      output,
      [&](platform::File& f, std::string* e) {
        int32_t compLen = 0;
        return zip.Compress(input, f, key, static_cast<int16_t>(level), &compLen, e);
      },
      &err);
  return ok ? kExitOk : Fail(io, err);
}

int RunDecompress(const Args& args, Io& io) {
  const Command& cmd = FindCommand("decompress");
  ParsedArgs p;
  std::string err;
  if (!ParseArgs(args, {{"--offset", "--key"}, {}, 2}, &p, &err)) return UsageError(io, cmd, err);
  if (p.help) {
    PrintHelp(io, cmd);
    return kExitOk;
  }
  int64_t offset = 0;
  if (p.Has("--offset") && !ParseInteger(p.values.at("--offset"), 0,
                                         std::numeric_limits<int64_t>::max(), &offset))
    return UsageError(io, cmd, "--offset needs a whole number, 0 or more");
  std::vector<uint8_t> key;
  if (int rc = ReadCommon(p, io, &key)) return rc;

  const std::string& input = p.positional[0];
  const std::string& output = p.positional[1];
  if (!CheckNotAnInput(output, Inputs(p), &err)) return Fail(io, err);
  clsZip zip;
  const bool ok = WriteOutputFileByName(
      output,
      [&](const std::string& temp, std::string* e) {
        return zip.Decompress(input, temp, key, offset, e);
      },
      &err);
  return ok ? kExitOk : Fail(io, err);
}

}  // namespace cli
