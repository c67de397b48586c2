#pragma once
// qrpack compress / decompress: one codec stream to or from a file, for
// looking inside or repairing a package by hand.

#include "cli/cli.h"

namespace cli {

inline constexpr char kCompressSynopsis[] =
    "compress INPUT OUTPUT [--level N] [--key FILE] [--jobs N]";
inline constexpr char kCompressHelp[] =
    "Writes the compressed stream of INPUT to OUTPUT (created or replaced): the\n"
    "4-byte original size, then the masked data. An empty INPUT gives an empty\n"
    "OUTPUT.\n"
    "\n"
    "  --level N   candidates examined per position, minus one: -32768..32767\n"
    "              (default 16; a negative level stores every byte as a literal)\n"
    "  --key FILE  a raw file whose bytes are the code array (at least 2 bytes);\n"
    "              without it the data is masked with the format mask alone\n"
    "  --jobs N    threads that encode a large INPUT: 1..1024, at most 8 at once\n"
    "              (default: one per core); the stream is the same bytes whatever N is\n";

inline constexpr char kDecompressSynopsis[] = "decompress INPUT OUTPUT [--offset N] [--key FILE]";
inline constexpr char kDecompressHelp[] =
    "Decodes the stream whose 4-byte header is at byte N of INPUT into OUTPUT\n"
    "(created or replaced). The stream may run to the end of INPUT; bytes after\n"
    "it are not used.\n"
    "\n"
    "  --offset N  where the stream's header lies in INPUT (default 0)\n"
    "  --key FILE  the code array the stream was masked with (see compress)\n";

int RunCompress(const Args& args, Io& io);
int RunDecompress(const Args& args, Io& io);

}  // namespace cli
