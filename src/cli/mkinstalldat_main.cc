// mkinstalldat STUB UNINST OUTPUT: packs the setup stub and the uninstaller
// into install.dat. The build runs it to make the container every tool ships.

#include <cstdio>
#include <string>

#include "package/stub_container.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: mkinstalldat STUB UNINST OUTPUT\n");
    return 2;
  }
  std::string err;
  if (!package::WriteStubContainer(argv[1], argv[2], argv[3], &err)) {
    std::fprintf(stderr, "mkinstalldat: %s\n", err.c_str());
    return 1;
  }
  return 0;
}
