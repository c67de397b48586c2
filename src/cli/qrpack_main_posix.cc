// qrpack on POSIX: the arguments are UTF-8 already.

#include <iostream>

#include "cli/cli.h"
#include "cli/console.h"

int main(int argc, char** argv) {
  cli::IgnoreFileSizeSignal();
  cli::HandleInterruptions();
  cli::Io io{std::cout, std::cerr};
  return cli::RunQrpack(cli::Args(argv + 1, argv + argc), io);
}
