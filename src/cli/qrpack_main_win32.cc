// qrpack on Windows: wide arguments, converted to UTF-8 for the core.

#include <windows.h>

#include <iostream>

#include "cli/cli.h"

namespace {

std::string ToUtf8(const wchar_t* w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string s(static_cast<size_t>(n - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
  return s;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  cli::Args args;
  for (int i = 1; i < argc; ++i) args.push_back(ToUtf8(argv[i]));
  cli::Io io{std::cout, std::cerr};
  return cli::RunQrpack(args, io);
}
