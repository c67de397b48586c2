// Packages made by the two qrpack programs, as users make them: the Windows
// qrpack.exe of this build and the native (Linux) qrpack, each with the
// install.dat beside it. Each package installs every file of its source tree
// and uninstalls without a trace.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "install_e2e.h"
#include "package_fixture.h"
#include "product.h"
#include "stub_test_util.h"

namespace stubtest {
namespace {

constexpr wchar_t kUninstallRoot[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

// The publisher qrpack stores when none is given.
constexpr wchar_t kPublisher[] = L"Quorin软件工作室";

bool HasEntry(const std::wstring& key) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    HKEY k;
    if (RegOpenKeyExW(root, (kUninstallRoot + key).c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS) {
      RegCloseKey(k);
      return true;
    }
  }
  return false;
}

void DeleteEntry(const std::wstring& key) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    RegDeleteKeyExW(root, (kUninstallRoot + key).c_str(), KEY_WOW64_64KEY, 0);
}

// Installs pkg silently, compares the folder with src (plus uninst.exe),
// checks the entry under key, uninstalls and checks that nothing is left.
// signed_uninstaller: the installed uninst.exe must carry a signature.
void InstallCompareUninstall(const std::wstring& pkg, const std::wstring& src,
                             const std::wstring& key, const std::wstring& folder,
                             bool signed_uninstaller = false) {
  DeleteEntry(key);
  ASSERT_EQ(RunProgram(Quote(pkg) + L" /S /D=" + folder), 0);
  std::vector<std::wstring> expected = ListTree(src);
  expected.push_back(L"uninst.exe");
  std::sort(expected.begin(), expected.end());
  ASSERT_EQ(ListTree(folder), expected);
  for (const std::wstring& rel : ListTree(src))
    EXPECT_EQ(ReadFile(folder + L"\\" + rel), ReadFile(src + L"\\" + rel)) << Narrow(rel);
  EXPECT_TRUE(HasEntry(key));

  std::wstring uninst = folder + L"\\uninst.exe";
  EXPECT_EQ(EndsWithCertTable(uninst), signed_uninstaller);
  ASSERT_EQ(RunProgram(Quote(uninst) + L" /S"), 0);
  for (int i = 0; i < 300 && Exists(folder); ++i) Sleep(100);
  EXPECT_FALSE(Exists(folder));
  EXPECT_FALSE(HasEntry(key));
  DeleteEntry(key);
}

TEST(QrpackPackages, WindowsQrpackPackageInstallsAndUninstalls) {
  ScratchDir dir(L"qrpackexe");
  std::wstring src = dir / L"src";
  for (const SourceFile& f : SampleTree()) WriteFile(src + L"\\" + f.rel, f.data);
  std::wstring pkg = dir / L"win_pkg.exe";
  std::wstring dir_name = L"QrWinPkg" + std::to_wstring(GetTickCount64() % 100000);
  std::wstring key = stub::ProductKeyName(L"视窗测试", L"测试发行商");
  // An option names its ENTRY as given.
  std::wstring app = Quote(src + L"\\app.exe");
  std::wstring cmd = Quote(HostPath(QR_QRPACK_EXE)) +
                     L" build --quiet --name 视窗测试 --publisher 测试发行商 --dir " + dir_name +
                     L" --run " + app + L" --desktop " + app + L" --autorun " + app + L" -o " +
                     Quote(pkg) + L" " + app + L" " + Quote(src + L"\\readme.txt") + L" " +
                     Quote(src + L"\\data");
  ASSERT_EQ(RunProgram(cmd), 0);
  InstallCompareUninstall(pkg, src, key, dir / L"inst\\视窗 App");
}

// Options on files inside folders, two of one option, and a folder's
// contents packed at the top of the install folder ("src\."): setup makes
// every shortcut to the file inside its folder, the uninstaller removes them.
TEST(QrpackPackages, OptionsOnFilesInsideFoldersInstallTheirShortcuts) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // to read the shortcuts
  ScratchDir dir(L"qrpackinside");
  std::wstring src = dir / L"src";
  WriteFile(src + L"\\bin\\app.exe", MakeData(30000, 5));
  WriteFile(src + L"\\bin\\helper.dll", MakeData(20000, 6));
  WriteFile(src + L"\\tools\\tool.exe", MakeData(10000, 7));
  WriteFile(src + L"\\readme.txt", "read me");
  std::wstring pkg = dir / L"inside.exe";
  std::wstring name = L"内部选项" + std::to_wstring(GetTickCount64() % 100000);
  std::wstring key = stub::ProductKeyName(name, L"测试发行商");
  std::wstring app = Quote(src + L"\\bin\\app.exe"), tool = Quote(src + L"\\tools\\tool.exe");
  std::wstring cmd = Quote(HostPath(QR_QRPACK_EXE)) + L" build --quiet --name " + name +
                     L" --publisher 测试发行商 --desktop " + app + L" --desktop " + tool +
                     L" --program-group " + app + L" --program-group " + tool + L" --run " + app +
                     L" -o " + Quote(pkg) + L" " + Quote(src + L"\\.");
  ASSERT_EQ(RunProgram(cmd), 0);
  std::wstring folder = dir / L"inst\\Inside";
  DeleteEntry(key);
  ASSERT_EQ(RunProgram(Quote(pkg) + L" /S /D=" + folder), 0);
  EXPECT_EQ(ReadFile(folder + L"\\bin\\app.exe"), MakeData(30000, 5));
  EXPECT_TRUE(Exists(folder + L"\\readme.txt")) << "the contents of src are at the top";
  HKEY root = EntryRoot(key);
  ASSERT_NE(root, nullptr);
  ShortcutPlaces at = PlacesFor(root);
  std::wstring group = at.programs + L"\\" + name;
  EXPECT_EQ(LinkTarget(at.desktop + L"\\app.lnk"), folder + L"\\bin\\app.exe");
  EXPECT_EQ(LinkTarget(at.desktop + L"\\tool.lnk"), folder + L"\\tools\\tool.exe");
  EXPECT_EQ(LinkTarget(group + L"\\app.lnk"), folder + L"\\bin\\app.exe");
  EXPECT_EQ(LinkTarget(group + L"\\tool.lnk"), folder + L"\\tools\\tool.exe");
  EXPECT_EQ(LinkTarget(group + L"\\卸载 " + name + L".lnk"), folder + L"\\uninst.exe");

  ASSERT_EQ(RunProgram(Quote(folder + L"\\uninst.exe") + L" /S"), 0);
  EXPECT_TRUE(WaitGone(folder));
  EXPECT_FALSE(Exists(at.desktop + L"\\app.lnk"));
  EXPECT_FALSE(Exists(at.desktop + L"\\tool.lnk"));
  EXPECT_FALSE(Exists(group));
  DeleteEntry(key);
  CoUninitialize();
}

// qrpack.exe signs with a command run by cmd: the test signer here, since
// no real signing tool runs under wine.
TEST(QrpackPackages, WindowsQrpackSignsWithACommandAndThePackageInstalls) {
  ScratchDir dir(L"qrpacksign");
  std::wstring src = dir / L"src";
  for (const SourceFile& f : SampleTree()) WriteFile(src + L"\\" + f.rel, f.data);
  std::wstring pkg = dir / L"signed pkg.exe";
  std::wstring dir_name = L"QrWinSigned" + std::to_wstring(GetTickCount64() % 100000);
  std::wstring key = stub::ProductKeyName(L"签名", kPublisher);
  std::wstring sign = Quote(HostPath(QR_TEST_SIGNER)) + L" $f";
  std::wstring cmd = Quote(HostPath(QR_QRPACK_EXE)) + L" build --quiet --name 签名 --dir " + dir_name +
                     L" --sign-command " + Quote(sign) + L" -o " + Quote(pkg) + L" " +
                     Quote(src + L"\\app.exe") + L" " + Quote(src + L"\\readme.txt") + L" " +
                     Quote(src + L"\\data");
  ASSERT_EQ(RunProgram(cmd), 0);
  EXPECT_TRUE(EndsWithCertTable(pkg));
  InstallCompareUninstall(pkg, src, key, dir / L"inst\\Signed", true);
}

// Packages the native qrpack made and osslsigncode signed (the fixture
// checked every signature with osslsigncode verify).
std::wstring SignedPackages() {
  const char* made = std::getenv("QR_SIGNED_PACKAGE_DIR");
  return made && *made ? HostPath(made) : L"";
}

TEST(QrpackPackages, APackageSignedAtBuildTimeInstallsAndItsSignedUninstallerUninstalls) {
  std::wstring from = SignedPackages();
  if (from.empty()) GTEST_SKIP() << "no signed packages were made";
  ASSERT_TRUE(EndsWithCertTable(from + L"\\signed_at_build.exe"));
  ScratchDir dir(L"signedbuild");
  InstallCompareUninstall(from + L"\\signed_at_build.exe", from + L"\\src",
                          stub::ProductKeyName(L"签名测试", kPublisher),
                          dir / L"inst\\At Build", true);
}

TEST(QrpackPackages, APackageSignedAfterwardsInstalls) {
  std::wstring from = SignedPackages();
  if (from.empty()) GTEST_SKIP() << "no signed packages were made";
  ASSERT_TRUE(EndsWithCertTable(from + L"\\signed_afterwards.exe"));
  ScratchDir dir(L"signedafter");
  InstallCompareUninstall(from + L"\\signed_afterwards.exe", from + L"\\src",
                          stub::ProductKeyName(L"事后签名", kPublisher),
                          dir / L"inst\\Afterwards");
}

TEST(QrpackPackages, NativeQrpackPackageInstallsAndUninstalls) {
  const char* made = std::getenv("QR_NATIVE_PACKAGE_DIR");
  if (!made || !*made) GTEST_SKIP() << "no native qrpack package was made";
  std::wstring from = HostPath(made);
  ASSERT_TRUE(Exists(from + L"\\native_pkg.exe"));
  ScratchDir dir(L"native");
  InstallCompareUninstall(from + L"\\native_pkg.exe", from + L"\\src",
                          stub::ProductKeyName(L"原生测试", L"发行商"), dir / L"inst\\Native");
}

TEST(QrpackPackages, NativeQrpackCompactPackageInstallsAndUninstalls) {
  const char* made = std::getenv("QR_NATIVE_PACKAGE_DIR");
  if (!made || !*made) GTEST_SKIP() << "no native qrpack package was made";
  std::wstring from = HostPath(made);
  ASSERT_TRUE(Exists(from + L"\\native_compact_pkg.exe"));
  ScratchDir dir(L"nativecompact");
  InstallCompareUninstall(from + L"\\native_compact_pkg.exe", from + L"\\src",
                          stub::ProductKeyName(L"原生紧凑", L"发行商"), dir / L"inst\\Compact");
}

}  // namespace
}  // namespace stubtest
