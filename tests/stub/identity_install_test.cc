// The product's identity, as Windows sees it: the version resource of the
// package and of the installed uninstaller through the system's version
// API, the setup window's icon, and the entry's InstallDate and DisplayIcon
// after an install and after an upgrade.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "../package/identity_test_util.h"
#include "install_e2e.h"
#include "package/byte_fields.h"
#include "package/icon_file.h"
#include "package/pe_resources.h"
#include "window_icon.h"

namespace stubtest {
namespace {

// A value of the version resource's Chinese (PRC), UTF-16 string table.
std::wstring VersionString(const std::wstring& file, const std::wstring& name) {
  DWORD ignored = 0;
  DWORD n = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  std::vector<char> info(n);
  if (n == 0 || !GetFileVersionInfoW(file.c_str(), 0, n, info.data())) return L"<no version resource>";
  wchar_t* value = nullptr;
  UINT units = 0;
  std::wstring query = L"\\StringFileInfo\\080404b0\\" + name;
  if (!VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &units)) return L"<none>";
  return std::wstring(value, wcsnlen(value, units));
}

std::wstring FixedFileVersion(const std::wstring& file) {
  DWORD ignored = 0;
  DWORD n = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  std::vector<char> info(n);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  if (n == 0 || !GetFileVersionInfoW(file.c_str(), 0, n, info.data()) ||
      !VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size))
    return L"<none>";
  return std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(fixed->dwFileVersionMS)) +
         L"." + std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." + std::to_wstring(LOWORD(fixed->dwFileVersionLS));
}

std::wstring Today() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  wchar_t text[16];
  swprintf(text, 16, L"%04u%02u%02u", t.wYear, t.wMonth, t.wDay);
  return text;
}

// The colour bits of an icon, as 32-bit rows: what the user sees of it.
std::string IconBits(HICON icon) {
  ICONINFO ii = {};
  if (!icon || !GetIconInfo(icon, &ii)) return "";
  BITMAP bm = {};
  GetObjectW(ii.hbmColor, sizeof bm, &bm);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = bm.bmWidth;
  bi.bmiHeader.biHeight = bm.bmHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  std::string bits(static_cast<size_t>(bm.bmWidth) * bm.bmHeight * 4, '\0');
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, ii.hbmColor, 0, bm.bmHeight, bits.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  DeleteObject(ii.hbmColor);
  DeleteObject(ii.hbmMask);
  return bits;
}

class IdentityInstallTest : public PackageInstallTest {
 protected:
  // The sample whose app.exe is a program with its own icon: this build's
  // uninstaller with an icon group written into it.
  void SetUp() override {
    PackageInstallTest::SetUp();
    ico_ = identity_test::IcoFile({{16, 16, identity_test::DibImage(16, 16, 1)},
                                   {32, 32, identity_test::DibImage(32, 32, 2)}});
    package::Icon icon;
    ASSERT_EQ(package::ParseIconFile(package::bytes::View(ico_), &icon), package::IconProblem::kNone);
    std::string program = ReadFile(HostPath(QR_UNINST_EXE));
    std::vector<package::Resource> res;
    std::string err;
    ASSERT_TRUE(package::ReadResources(package::bytes::View(program),
                                       package::ParsePeHeaders(package::bytes::View(program)), &res, &err));
    for (package::Resource& r : package::IconResources(icon, 7, 0)) res.push_back(r);
    ASSERT_TRUE(package::ReplaceResources(&program, res, &err)) << err;
    sample_.files = SampleTree();
    sample_.files[0] = {L"app.exe", program};
    ASSERT_EQ(sample_.files[0].rel, L"app.exe");
    pkg_ = Build(sample_, L"产品安装");
  }
  std::string ico_;
};

TEST_F(IdentityInstallTest, TheSystemReadsTheProductsVersionFromBothPrograms) {
  EXPECT_EQ(VersionString(pkg_, L"ProductName"), sample_.app_name);
  EXPECT_EQ(VersionString(pkg_, L"CompanyName"), sample_.publisher);
  EXPECT_EQ(VersionString(pkg_, L"FileDescription"), sample_.app_name + L" 安装程序");
  EXPECT_EQ(VersionString(pkg_, L"OriginalFilename"), L"产品安装.exe");
  EXPECT_EQ(VersionString(pkg_, L"ProductVersion"), sample_.version);
  EXPECT_EQ(VersionString(pkg_, L"LegalCopyright"), L"版权所有 © " + sample_.publisher);
  EXPECT_EQ(FixedFileVersion(pkg_), L"1.2.3.0");

  ASSERT_EQ(RunSilent(pkg_, folder_), 0);
  std::wstring uninst = folder_ + L"\\uninst.exe";
  EXPECT_EQ(VersionString(uninst, L"FileDescription"), sample_.app_name + L" 卸载程序");
  EXPECT_EQ(VersionString(uninst, L"OriginalFilename"), L"uninst.exe");
  EXPECT_EQ(VersionString(uninst, L"ProductName"), sample_.app_name);
  EXPECT_EQ(FixedFileVersion(uninst), L"1.2.3.0");

  // The entry: installed today, its icon app.exe's, which holds one.
  HKEY root = EntryRoot(key_);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(RegString(root, key_, L"InstallDate"), Today());
  EXPECT_EQ(RegString(root, key_, L"DisplayIcon"), folder_ + L"\\app.exe");

  // Version 2 marks no file for the control panel: the entry's icon is the
  // uninstaller, which carries the product's icon too.
  SamplePackage v2 = sample_;
  v2.version = L"2.0";
  v2.app_flags = 1;
  std::wstring pkg2 = Build(v2, L"v2");
  RegDeleteKeyValueW(root, (kUninstallRoot + key_).c_str(), L"InstallDate");
  ASSERT_EQ(RunSilent(pkg2, folder_), 0);
  EXPECT_EQ(RegString(root, key_, L"InstallDate"), Today());
  std::wstring icon = RegString(root, key_, L"DisplayIcon");
  EXPECT_EQ(icon, uninst);
  EXPECT_EQ(ExtractIconExW(icon.c_str(), -1, nullptr, nullptr, 0), 1u);
  EXPECT_EQ(VersionString(uninst, L"ProductVersion"), L"2.0");
  ASSERT_EQ(RunProgram(Quote(uninst) + L" /S"), 0);
  EXPECT_TRUE(WaitGone(uninst));
}

// The setup window's icon, in this process: wine answers WM_GETICON sent
// from another process with no icon, though the setup process loads and
// sets it (its +cursor trace shows both).
TEST_F(IdentityInstallTest, TheSetupWindowShowsTheProductsIcon) {
  HMODULE image = LoadLibraryExW(pkg_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(image, nullptr);
  auto own = [&](int metric_x, int metric_y) {
    return IconBits(static_cast<HICON>(LoadImageW(image, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                  GetSystemMetrics(metric_x), GetSystemMetrics(metric_y), 0)));
  };
  std::string big = own(SM_CXICON, SM_CYICON), small = own(SM_CXSMICON, SM_CYSMICON);
  ASSERT_FALSE(big.empty());
  // What the icon shows is the product's: the 32x32 image of the .ico.
  std::string expected = identity_test::DibImage(32, 32, 2).substr(40, 32 * 32 * 4);
  EXPECT_TRUE(big == expected) << "the 32x32 icon shows other pixels than the .ico holds";

  HWND wnd = CreateWindowExW(WS_EX_DLGMODALFRAME, L"STATIC", L"setup", WS_OVERLAPPED | WS_CAPTION,
                             0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(wnd, nullptr);
  EXPECT_EQ(SendMessageW(wnd, WM_GETICON, ICON_BIG, 0), 0);
  stub::ShowProductIcon(wnd, image);
  EXPECT_EQ(IconBits(reinterpret_cast<HICON>(SendMessageW(wnd, WM_GETICON, ICON_BIG, 0))), big);
  EXPECT_EQ(IconBits(reinterpret_cast<HICON>(SendMessageW(wnd, WM_GETICON, ICON_SMALL, 0))), small);
  DestroyWindow(wnd);

  // A program without an icon (this build's setup.exe) leaves the window as it was.
  HMODULE plain = LoadLibraryExW(HostPath(QR_SETUP_EXE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  wnd = CreateWindowExW(0, L"STATIC", L"plain", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  stub::ShowProductIcon(wnd, plain);
  EXPECT_EQ(SendMessageW(wnd, WM_GETICON, ICON_BIG, 0), 0);
  DestroyWindow(wnd);
  FreeLibrary(plain);
  FreeLibrary(image);

  // The real setup window opens and closes with it.
  Started setup(Quote(pkg_) + L" /D=" + folder_);
  HWND shown = WaitForWindow(setup.pid(), L"QrSetupWindow");
  ASSERT_NE(shown, nullptr);
  PostMessageW(shown, WM_CLOSE, 0, 0);
  EXPECT_NE(setup.Wait(), -1);
}

}  // namespace
}  // namespace stubtest
