// The build button in the main window: the checks in order with their focus
// moves, the locked window while the writer runs on its worker thread, the
// progress and status shown through posted messages, and the three endings.

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/popup_menu.h"
#include "package/package_writer.h"
#include "platform/utf.h"
#include "platform/win32_util.h"

#include "window_fixture.h"

namespace app_test {
namespace {

// A package writer that reports progress, then waits until the test lets it
// finish with the given result.
class HeldMaker {
 public:
  HeldMaker() : release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~HeldMaker() { CloseHandle(release_); }

  app::PackageMaker Maker() {
    return [this](const package::PackageRequest& request, package::BuildProgress& progress) {
      request_ = request;
      progress.SetStatus("正在处理写入安装包的数据...");
      progress.SetMaximum(100);
      progress.Advance(30);
      progress.SetStatus("正在将数据写入安装包...");
      progress.Advance(90);  // past the maximum: the bar stops at 100
      reported_ = true;
      // Held until released, or until the build is asked to stop.
      for (int waited = 0; waited < 30000; waited += 10) {
        if (WaitForSingleObject(release_, 10) == WAIT_OBJECT_0) return result;
        if (package::StopRequested(request.stop)) {
          stopped_ = true;
          return package::BuildResult{package::BuildOutcome::kStopped, ""};
        }
      }
      return result;
    };
  }
  void Release() { SetEvent(release_); }

  package::BuildResult result{package::BuildOutcome::kWritten, ""};
  package::PackageRequest request_;
  std::atomic<bool> reported_{false};
  std::atomic<bool> stopped_{false};

 private:
  HANDLE release_;
};

// The build tree's install.dat, in the Windows view; empty when there is none.
std::wstring BuiltInstallDat() {
  const char* bin = getenv("QR_BINARY_DIR");
  if (!bin) return L"";
  std::wstring path = L"Z:" + platform::Utf8ToWide(bin) + L"/bin/install.dat";
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ? L"" : path;
}

// Passes the writer's reports on to the window and counts them.
class CountingProgress : public package::BuildProgress {
 public:
  explicit CountingProgress(package::BuildProgress& window) : window_(window) {}
  void SetStatus(const std::string& text) override { window_.SetStatus(text); }
  void SetMaximum(float max) override {
    maximum = max;
    window_.SetMaximum(max);
  }
  void Advance(int32_t n) override {
    before_last = reported;
    reported += n;
    if (on_advance) on_advance();
    window_.Advance(n);
  }
  float maximum = -1;
  int64_t reported = 0;
  int64_t before_last = 0;  // reported before the last report
  std::function<void()> on_advance;

 private:
  package::BuildProgress& window_;
};

class BuildTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    props().model().SetPropValue("安装包保存路径", Narrow(dir_.path() + L"\\out.exe"));
  }
  static std::string Narrow(const std::wstring& w) { return platform::WideToUtf8(w); }
  int Progress() { return static_cast<int>(SendMessageW(window_->progress_bar(), PBM_GETPOS, 0, 0)); }
  std::wstring Status() { return WindowText(window_->status_label()); }
  // Clicks the build button and expects exactly one new message.
  std::wstring BuildMessage() {
    size_t before = ui_.messages.size();
    ClickBuild();
    EXPECT_EQ(ui_.messages.size(), before + 1);
    return ui_.messages.size() > before ? ui_.messages.back().text : L"";
  }

  ScratchDir dir_;
};

TEST_F(BuildTest, ChecksInOrderAndMovesTheEditor) {
  HeldMaker maker;
  window_->set_package_maker(maker.Maker());
  props().model().SetPropValue("软件名称", "");
  props().model().SetPropValue("安装目录", "");
  EXPECT_EQ(BuildMessage(), L"请输入您的软件名称！");
  EXPECT_EQ(ui_.messages.back().title, L"提示");
  EXPECT_EQ(ui_.messages.back().icon, static_cast<UINT>(MB_ICONEXCLAMATION));
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(EditorRect().top, EditorTop(20));
  EXPECT_EQ(GetFocus(), editor());

  // Blanks pass; the focus moves on to the next missing value.
  Type(L" ");
  EXPECT_EQ(BuildMessage(), L"请输入软件安装目录名！");
  EXPECT_EQ(Value("软件名称"), " ");
  EXPECT_EQ(EditorRect().top, EditorTop(40));

  Type(L"Dir");
  props().model().SetPropValue("安装包保存路径", "");
  EXPECT_EQ(BuildMessage(), L"请选择安装包保存路径！");
  EXPECT_EQ(EditorRect().top, EditorTop(80));

  // The empty list is reported only now, and moves no focus.
  Type(dir_.path() + L"\\out.exe");
  EXPECT_EQ(BuildMessage(), L"请添加文件后再点击“生成安装包”按钮！");
  EXPECT_FALSE(EditorShown());

  // A save path in a missing folder is refused and creates nothing.
  AddFileRow(dir_.File(L"a.txt"));
  std::wstring missing = dir_.path() + L"\\no such folder\\out.exe";
  props().model().SetPropValue("安装包保存路径", Narrow(missing));
  EXPECT_EQ(BuildMessage(), L"无法在您指定的安装路径下创建安装包！");
  EXPECT_EQ(EditorRect().top, EditorTop(80));
  EXPECT_EQ(GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(window_->IsMaking());
  EXPECT_FALSE(maker.reported_);
}

TEST_F(BuildTest, LocksTheWindowWhileTheWorkerRuns) {
  HeldMaker maker;
  window_->set_package_maker(maker.Maker());
  std::wstring file = dir_.File(L"a.txt");
  AddFileRow(file);
  AddDirRow(dir_.Dir(L"sub"));
  SelectRow(0);
  RightClick(app::MenuCommand(entries::MenuItemId::RunApp));
  ClickBuild();
  ASSERT_TRUE(PumpUntil([&] { return maker.reported_ && Progress() == 100; }));
  Pump();

  EXPECT_TRUE(window_->IsMaking());
  EXPECT_FALSE(IsWindowEnabled(window_->build_button()));
  EXPECT_FALSE(props().Enabled());
  EXPECT_EQ(Status(), L"正在将数据写入安装包...");
  EXPECT_EQ(Progress(), 100);
  // The request carries the values and rows as they were.
  EXPECT_EQ(maker.request_.properties.app_name, "测试");
  EXPECT_EQ(maker.request_.properties.save_path, Narrow(dir_.path() + L"\\out.exe"));
  ASSERT_EQ(maker.request_.entries.size(), 2u);
  EXPECT_EQ(maker.request_.entries[0].Flags, 1);
  EXPECT_EQ(maker.request_.entries[1].Flags, 64);
  // One job per core, as qrpack's default: a large file is shared among them.
  EXPECT_EQ(maker.request_.jobs, package::DefaultJobs());

  // Nothing changes the list meanwhile: Delete, the popup, a drop.
  ui_.popups.clear();
  SelectRow(0);
  SendMessageW(list(), WM_KEYUP, VK_DELETE, 0);
  RightClick(app::MenuCommand(entries::MenuItemId::DelFile));
  EXPECT_EQ(RowCount(), 2);
  EXPECT_TRUE(ui_.popups.empty());
  SendMessageW(list(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({dir_.File(L"b.txt")})), 0);
  EXPECT_EQ(RowCount(), 2);
  // A second click does not start a second build.
  ClickBuild();

  // The completion message comes while the bar and status keep their state.
  int progress_at_message = -1;
  std::wstring status_at_message;
  ui_.on_message = [&] {
    progress_at_message = Progress();
    status_at_message = Status();
  };
  maker.Release();
  ASSERT_TRUE(PumpUntil([&] { return !window_->IsMaking(); }));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"已经将所有文件打包进安装程序！");
  EXPECT_EQ(ui_.messages[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(progress_at_message, 100);
  EXPECT_EQ(status_at_message, L"正在将数据写入安装包...");
  // Back to idle; the list is unchanged.
  EXPECT_EQ(Progress(), 0);
  EXPECT_EQ(Status(), L"");
  EXPECT_TRUE(IsWindowEnabled(window_->build_button()));
  EXPECT_TRUE(props().Enabled());
  EXPECT_EQ(RowCount(), 2);
}

TEST_F(BuildTest, ClosingDuringABuildStopsItAndTheWindowGoesAtOnce) {
  HeldMaker maker;
  window_->set_package_maker(maker.Maker());
  AddFileRow(dir_.File(L"a.txt"));
  ClickBuild();
  ASSERT_TRUE(PumpUntil([&] { return maker.reported_.load(); }));
  HWND hwnd = window_->hwnd();
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
  // Gone from the screen at once; destroyed as soon as the build has stopped,
  // without anyone letting it finish.
  EXPECT_FALSE(IsWindowVisible(hwnd));
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }));
  window_ = nullptr;
  EXPECT_TRUE(maker.stopped_);
  EXPECT_TRUE(ui_.messages.empty());
  maker.Release();
}

TEST_F(BuildTest, SizeRefusalShowsItsMessageOnly) {
  HeldMaker maker;
  maker.result = {package::BuildOutcome::kSizeRefused,
                  "您指定的数据大于2G，不能写入安装包，请删去部分文件！"};
  window_->set_package_maker(maker.Maker());
  AddFileRow(dir_.File(L"a.txt"));
  maker.Release();
  ClickBuild();
  ASSERT_TRUE(PumpUntil([&] { return !window_->IsMaking(); }));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"您指定的数据大于2G，不能写入安装包，请删去部分文件！");
  EXPECT_EQ(ui_.messages[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_EQ(Progress(), 0);
  EXPECT_EQ(Status(), L"");
  EXPECT_TRUE(IsWindowEnabled(window_->build_button()));
  EXPECT_TRUE(props().Enabled());
}

TEST_F(BuildTest, FailureSaysWhatFailedAndWhichFile) {
  HeldMaker maker;
  maker.result = {package::BuildOutcome::kFailed, "无法读取文件，安装包没有生成：C:\\a.txt"};
  window_->set_package_maker(maker.Maker());
  AddFileRow(dir_.File(L"a.txt"));
  maker.Release();
  ClickBuild();
  ASSERT_TRUE(PumpUntil([&] { return !window_->IsMaking(); }));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"无法读取文件，安装包没有生成：C:\\a.txt");
  EXPECT_EQ(ui_.messages[0].title, L"提示");
  EXPECT_EQ(ui_.messages[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_TRUE(IsWindowEnabled(window_->build_button()));
  // A second build can start afterwards.
  maker.result = {package::BuildOutcome::kWritten, ""};
  ClickBuild();
  ASSERT_TRUE(PumpUntil([&] { return !window_->IsMaking(); }));
  EXPECT_EQ(ui_.messages.back().text, L"已经将所有文件打包进安装程序！");
}

// The whole road: the window's request, the real package writer with the
// build's install.dat, the progress and the completion message.
TEST_F(BuildTest, WritesARealPackage) {
  const std::wstring install_dat = BuiltInstallDat();
  if (install_dat.empty()) GTEST_SKIP() << "no install.dat in the build (QR_BINARY_DIR)";
  window_->set_package_maker([&](const package::PackageRequest& request,
                                 package::BuildProgress& progress) {
    package::PackageRequest copy = request;
    copy.install_dat = Narrow(install_dat);
    return package::MakePackage(copy, progress);
  });
  AddFileRow(dir_.File(L"app.exe", 100000));
  AddDirRow(dir_.Dir(L"data"));
  dir_.File(L"data\\readme.txt", 5000);
  int highest = 0;
  ui_.on_message = [&] { highest = Progress(); };
  ClickBuild();
  ASSERT_TRUE(PumpUntil([&] { return !window_->IsMaking(); }));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"已经将所有文件打包进安装程序！");
  EXPECT_GT(highest, 0);
  std::wstring package_path = dir_.path() + L"\\out.exe";
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  ASSERT_TRUE(GetFileAttributesExW(package_path.c_str(), GetFileExInfoStandard, &data));
  EXPECT_GT(data.nFileSizeLow, 12288u);
  // Nothing else is left beside it.
  EXPECT_EQ(GetFileAttributesW((dir_.path() + L"\\out.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Progress(), 0);
  EXPECT_EQ(RowCount(), 2);
}

// Closing the window during a real build: it stops within its work, the
// package that was at the save path stays, and no temporary file is left.
TEST_F(BuildTest, ClosingDuringARealBuildKeepsTheOldPackageAndLeavesNoTemporaryFile) {
  const std::wstring install_dat = BuiltInstallDat();
  if (install_dat.empty()) GTEST_SKIP() << "no install.dat in the build";
  ScratchDir temp;  // the temporary uninstaller goes here
  wchar_t old_tmp[MAX_PATH] = {};
  const bool had_tmp = GetEnvironmentVariableW(L"TMP", old_tmp, MAX_PATH) > 0;
  SetEnvironmentVariableW(L"TMP", temp.path().c_str());
  const std::wstring package_path = dir_.path() + L"\\out.exe";
  HANDLE h = CreateFileW(package_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(h, "the old package", 15, &written, nullptr);
  CloseHandle(h);
  AddFileRow(dir_.File(L"big.bin", 8 << 20));
  AddFileRow(dir_.File(L"small.txt", 100));

  // The build is held at its first report until the window has been closed.
  HANDLE closed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> reporting{false};
  std::atomic<int> outcome{-1};
  window_->set_package_maker([&](const package::PackageRequest& request,
                                 package::BuildProgress& progress) {
    package::PackageRequest copy = request;
    copy.install_dat = Narrow(install_dat);
    CountingProgress counting(progress);
    counting.on_advance = [&] {
      if (!reporting.exchange(true)) WaitForSingleObject(closed, 30000);
    };
    package::BuildResult result = package::MakePackage(copy, counting);
    outcome = static_cast<int>(result.outcome);
    return result;
  });
  ClickBuild();
  ASSERT_TRUE(PumpUntil([&] { return reporting.load(); }));
  HWND hwnd = window_->hwnd();
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(hwnd));
  SetEvent(closed);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }));
  window_ = nullptr;
  CloseHandle(closed);
  if (had_tmp) SetEnvironmentVariableW(L"TMP", old_tmp); else SetEnvironmentVariableW(L"TMP", nullptr);

  EXPECT_EQ(outcome.load(), static_cast<int>(package::BuildOutcome::kStopped));
  EXPECT_TRUE(ui_.messages.empty());
  char content[32] = {};
  DWORD got = 0;
  h = CreateFileW(package_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ReadFile(h, content, sizeof content, &got, nullptr);
  CloseHandle(h);
  EXPECT_EQ(std::string(content, got), "the old package");
  // Only the sources and the old package are left, and nothing in the temp folder.
  std::vector<std::wstring> left;
  for (const std::wstring& folder : {dir_.path(), temp.path()}) {
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      std::wstring name = fd.cFileName;
      if (name != L"." && name != L"..") left.push_back(name);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::wstring>{L"big.bin", L"out.exe", L"small.txt"}));
}

// A failed build names the file once, with the system's own text for what
// went wrong, in the system's language.
TEST_F(BuildTest, AFailedBuildNamesTheFileOnceWithTheSystemsOwnText) {
  const std::wstring install_dat = BuiltInstallDat();
  if (install_dat.empty()) GTEST_SKIP() << "no install.dat in the build";
  window_->set_package_maker([&](const package::PackageRequest& request,
                                 package::BuildProgress& progress) {
    package::PackageRequest copy = request;
    copy.install_dat = Narrow(install_dat);
    return package::MakePackage(copy, progress);
  });
  const std::wstring gone = dir_.File(L"gone.txt");
  AddFileRow(gone);
  DeleteFileW(gone.c_str());
  ClickBuild();
  ASSERT_TRUE(PumpUntil([&] { return !window_->IsMaking(); }));
  ASSERT_EQ(ui_.messages.size(), 1u);
  const std::wstring& text = ui_.messages[0].text;
  const std::wstring reason = platform::Utf8ToWide(platform::win32::ErrorText(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(text, L"无法读取文件，安装包没有生成：" + gone + L"（" + reason + L"）");
  EXPECT_EQ(text.find(gone), text.rfind(gone)) << "the file is named once";
  EXPECT_EQ(ui_.messages[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
}

// With many small files the bar moves with the work: its maximum is the sum
// of what the build reports, it is not full before the last report, and it
// is full at the end.
TEST_F(BuildTest, TheBarTracksTheWorkAndEndsFull) {
  const std::wstring install_dat = BuiltInstallDat();
  if (install_dat.empty()) GTEST_SKIP() << "no install.dat in the build";
  std::unique_ptr<CountingProgress> counting;
  window_->set_package_maker([&](const package::PackageRequest& request,
                                 package::BuildProgress& progress) {
    package::PackageRequest copy = request;
    copy.install_dat = Narrow(install_dat);
    counting = std::make_unique<CountingProgress>(progress);
    return package::MakePackage(copy, *counting);
  });
  dir_.Dir(L"many");
  for (int i = 0; i < 1500; ++i) dir_.File(L"many\\f" + std::to_wstring(i) + L".txt", 100 + i % 300);
  AddDirRow(dir_.path() + L"\\many");
  int at_message = -1;
  int range_at_message = -1;
  ui_.on_message = [&] {
    at_message = Progress();
    range_at_message = static_cast<int>(SendMessageW(window_->progress_bar(), PBM_GETRANGE, FALSE, 0));
  };
  ClickBuild();
  ASSERT_TRUE(PumpUntil([&] { return !window_->IsMaking(); }));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"已经将所有文件打包进安装程序！");
  ASSERT_TRUE(counting);
  EXPECT_EQ(counting->maximum, static_cast<float>(counting->reported));
  EXPECT_LT(static_cast<float>(counting->before_last), counting->maximum);
  EXPECT_EQ(range_at_message, static_cast<int>(counting->maximum));
  EXPECT_EQ(at_message, range_at_message);
}

// A build of more bytes than the progress bar counts (its range is an int)
// still shows the share done.
TEST_F(BuildTest, AMaximumBeyondTheBarsRangeStillShowsTheShareDone) {
  HWND hwnd = window_->hwnd();
  SendMessageW(hwnd, app::kMsgBuildMaximum, 0, static_cast<LPARAM>(4000000000LL));
  const int range = static_cast<int>(SendMessageW(window_->progress_bar(), PBM_GETRANGE, FALSE, 0));
  EXPECT_GT(range, 0);
  for (int i = 0; i < 3; ++i) SendMessageW(hwnd, app::kMsgBuildAdvance, 0, 1000000000);
  EXPECT_NEAR(Progress(), range * 0.75, range * 0.01);
  SendMessageW(hwnd, app::kMsgBuildAdvance, 0, 1000000000);
  EXPECT_EQ(Progress(), range);
}

}  // namespace
}  // namespace app_test
