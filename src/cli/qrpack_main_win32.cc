// qrpack on Windows: wide arguments, converted to UTF-8 for the core.

#include <windows.h>

#include <iostream>

#include "cli/cli.h"
#include "cli/console.h"
#include "platform/utf.h"

int wmain(int argc, wchar_t** argv) {
  cli::UseUtf8Console();
  cli::HandleInterruptions();
  cli::Args args;
  for (int i = 1; i < argc; ++i) args.push_back(platform::WideToUtf8(argv[i]));
  cli::Io io{std::cout, std::cerr};
  int code = cli::RunQrpack(args, io);
  std::cout.flush();
  std::cerr.flush();
  cli::RestoreConsole();
  return code;
}
