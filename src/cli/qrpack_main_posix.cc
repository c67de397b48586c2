// qrpack on POSIX: the arguments are UTF-8 already.

#include <iostream>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "cli/cli.h"
#include "cli/console.h"

int main(int argc, char** argv) {
#ifdef __GLIBC__
  // Large blocks (encoder tables, chunk buffers) come straight from the
  // system and go back to it when freed. glibc otherwise raises this
  // threshold after the first such block is freed and keeps later ones in
  // the heaps of the threads that freed them, and a build with many threads
  // grows well past what it holds at once.
  mallopt(M_MMAP_THRESHOLD, 128 << 10);
#endif
  cli::IgnoreFileSizeSignal();
  cli::HandleInterruptions();
  cli::Io io{std::cout, std::cerr};
  return cli::RunQrpack(cli::Args(argv + 1, argv + argc), io);
}
