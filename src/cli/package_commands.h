#pragma once
// The package commands of qrpack: build, list, extract, verify.

#include "cli/cli.h"

namespace cli {

inline constexpr char kBuildSynopsis[] =
    "build [--name T] [--dir T] [--publisher T] [--version T] [-o PATH] [--install-dat PATH] "
    "[--jobs N] [--compression lzss|solid] [--quiet] [--sign-command CMD] [--icon FILE] [--run F] [--quick-launch F] [--desktop F] [--autorun F] "
    "[--program-group F] [--control-panel-icon F] [--save-project FILE] [PROJECT.qrproj] ENTRY...";
inline constexpr char kBuildHelp[] =
    "Builds an installer package from files and folders, like the main window's\n"
    "build button. Each ENTRY becomes one row of the entry list, in order.\n"
    "  --name T              software name (default 测试)\n"
    "  --dir T               install folder name (default QrSetup), one name: no \"\\\"\n"
    "  --publisher T         publisher (default Quorin软件工作室)\n"
    "  --version T           version (default 1.0.0.0)\n"
    "                        Each of these four takes at most 20 characters, all of\n"
    "                        Simplified Chinese (GBK), no line break; a value the\n"
    "                        package would cut or change is refused. The name and\n"
    "                        publisher are the product: without both, the package\n"
    "                        is the product of every package built with the same\n"
    "                        defaults (a warning says so).\n"
    "  -o PATH               package to write (default QrSetup.exe in the current folder)\n"
    "  --install-dat PATH    take the setup stub and uninstaller from this container;\n"
    "                        one that is not the install.dat qrpack was built with\n"
    "                        must decode whole into two Windows programs; without\n"
    "                        it, install.dat beside qrpack must pass its digest check\n"
    "  --jobs N              threads that encode (default: one per core, at most 8); a\n"
    "                        large file is shared among them; same package for any N\n"
    "  --compression KIND    lzss (default): every file its own stream, read by any\n"
    "                        setup program; solid: all files in one zstd stream, a\n"
    "                        compact package about half the size that takes longer\n"
    "                        to build and needs the setup program of this install.dat\n"
    "  --quiet               print nothing but errors: no progress line, warning,\n"
    "                        completion text, path or uninstall key\n"
    "  --sign-command CMD    sign the uninstaller and the package in place with CMD,\n"
    "                        run through the shell (sh -c; cmd /c on Windows) with\n"
    "                        $f replaced by the file's quoted path; a failure fails\n"
    "                        the build with the command's output\n"
    "  --icon FILE           the icon the package and its uninstaller show: an .ico\n"
    "                        file or an executable's first icon group (default: the\n"
    "                        --control-panel-icon file's, else the --run file's)\n"
    "  --run F, --quick-launch F, --desktop F, --autorun F, --program-group F,\n"
    "  --control-panel-icon F\n"
    "                        set that install option on the file F: a file ENTRY or\n"
    "                        a file inside a folder ENTRY (--desktop App/bin/app.exe\n"
    "                        with the ENTRY App). All but --run and\n"
    "                        --control-panel-icon may be given again for more files\n"
    "                        (two desktop shortcuts); their shortcut names must differ.\n"
    "  --save-project FILE   write the project this command line describes to FILE\n"
    "                        (paths relative to FILE's folder) and build nothing\n"
    "An ENTRY ending in /. (DIR/.) stands for everything in DIR, each its own\n"
    "ENTRY, so DIR's contents go to the top of the install folder.\n"
    "A first ENTRY that ends with .qrproj is a project file: the build starts from\n"
    "its values and entries; the options above override them and further ENTRYs\n"
    "are added after its entries.\n";
int RunBuild(const Args& args, Io& io);

inline constexpr char kListSynopsis[] = "list PACKAGE [--json]";
inline constexpr char kListHelp[] =
    "Shows a package's configuration with the product's uninstall key (its\n"
    "product code), install options, file records (path, size, compressed\n"
    "length), the uninstaller's name index and the version resource of the\n"
    "setup program (its file properties), when it has one.\n";
int RunList(const Args& args, Io& io);

inline constexpr char kExtractSynopsis[] = "extract PACKAGE DIR";
inline constexpr char kExtractHelp[] =
    "Writes every file of a package below DIR (\"\\\" becomes a folder), uninst.exe\n"
    "included. Refused before anything is written: names that would leave DIR,\n"
    "two files of one name or a name that is both a file and a folder (as Windows\n"
    "compares names), a link inside DIR where a file goes or a folder's path\n"
    "passes (links are never followed), a folder or special file where a file\n"
    "goes, the package itself, and a package whose digest does not match. Files\n"
    "are decoded beside their places first; a failure removes what was written.\n";
int RunExtract(const Args& args, Io& io);

inline constexpr char kVerifySynopsis[] = "verify PACKAGE";
inline constexpr char kVerifyHelp[] =
    "Checks a package's whole layout, decodes every stream without writing files\n"
    "and compares the digest the package and its uninstaller carry of\n"
    "themselves. A signed package is read below its signature. Exit status 0\n"
    "when it is sound, 1 with what is wrong.\n";
int RunVerify(const Args& args, Io& io);

}  // namespace cli
