// The commands of qrpack, one line each.

#include "cli/cli.h"
#include "cli/package_commands.h"
#include "cli/stream_commands.h"

namespace cli {

namespace {

const Command kCommands[] = {
    {"compress", kCompressSynopsis, kCompressHelp, RunCompress},
    {"decompress", kDecompressSynopsis, kDecompressHelp, RunDecompress},
    {"build", kBuildSynopsis, kBuildHelp, RunBuild},
    {"list", kListSynopsis, kListHelp, RunList},
    {"extract", kExtractSynopsis, kExtractHelp, RunExtract},
    {"verify", kVerifySynopsis, kVerifyHelp, RunVerify},
};

}  // namespace

std::span<const Command> Commands() { return kCommands; }

}  // namespace cli
