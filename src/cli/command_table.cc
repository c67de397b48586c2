// The commands of qrpack, one line each.

#include "cli/cli.h"
#include "cli/stream_commands.h"

namespace cli {

namespace {

const Command kCommands[] = {
    {"compress", kCompressSynopsis, kCompressHelp, RunCompress},
    {"decompress", kDecompressSynopsis, kDecompressHelp, RunDecompress},
};

}  // namespace

std::span<const Command> Commands() { return kCommands; }

}  // namespace cli
