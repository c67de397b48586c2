// test_signer: signs a file in place with a dummy signature, as a signing
// command of qrpack build --sign-command does (test_signing.h). Used where
// no real signing tool can run (a Windows build under wine), and to make a
// signing command fail in the ways a real one can.
//   test_signer FILE             signs FILE
//   test_signer --fail FILE      writes a message and exits with 3
//   test_signer --fail-tmp FILE  the same when FILE ends with ".tmp" (the
//                                package), else signs it (the uninstaller)
//   test_signer --damage FILE    signs FILE and changes its middle byte
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "test_signing.h"

namespace {

int Refuse(const std::string& file) {
  std::printf("test signer refuses to sign %s\n", file.c_str());
  return 3;
}

}  // namespace

int main(int argc, char** argv) {
  std::string option = argc == 3 ? argv[1] : "";
  if (argc < 2 || argc > 3 || (argc == 3 && option != "--fail" && option != "--fail-tmp" &&
                               option != "--damage")) {
    std::fprintf(stderr, "usage: test_signer [--fail | --fail-tmp | --damage] FILE\n");
    return 2;
  }
  std::string file = argv[argc - 1];
  bool tmp = file.size() >= 4 && file.compare(file.size() - 4, 4, ".tmp") == 0;
  if (option == "--fail" || (option == "--fail-tmp" && tmp)) return Refuse(file);
  std::ifstream in(file, std::ios::binary);
  if (!in) return Refuse(file);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  std::string signed_bytes = test_signing::Signed(std::move(bytes), 1512, true, 1);
  if (option == "--damage") signed_bytes[signed_bytes.size() / 2] ^= 0x01;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << signed_bytes;
  return out.good() ? 0 : 1;
}
