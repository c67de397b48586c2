#include "package_fixture.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "package/build_request.h"
#include "package/image_digest.h"
#include "package/layout.h"
#include "package/name_index.h"
#include "package/package_reader.h"
#include "package/package_writer.h"
#include "package/stub_container.h"
#include "platform/files.h"
#include "platform/text.h"
#include "product.h"

namespace stubtest {
namespace {

class QuietProgress : public package::BuildProgress {
 public:
  void SetStatus(const std::string&) override {}
  void SetMaximum(float) override {}
  void Advance(int32_t) override {}
};

// XORs the coded string whose i16 length field is at offset `at` so that it
// reads new_gbk instead of old_gbk (same length): coded ^ old ^ new.
void Recode(const std::wstring& file, int64_t at, const std::string& old_gbk,
            const std::string& new_gbk) {
  ASSERT_EQ(old_gbk.size(), new_gbk.size());
  std::string bytes = ReadFile(file);
  ASSERT_LE(at + 2 + static_cast<int64_t>(old_gbk.size()), static_cast<int64_t>(bytes.size()));
  ASSERT_EQ(package::GetI16(reinterpret_cast<const uint8_t*>(bytes.data() + at)),
            static_cast<int16_t>(old_gbk.size()));
  for (size_t i = 0; i < old_gbk.size(); ++i) bytes[at + 2 + i] ^= old_gbk[i] ^ new_gbk[i];
  WriteFile(file, bytes);
}

}  // namespace

std::wstring HostPath(const std::string& p) {
  if (p.empty() || p[0] != '/') return Widen(p);
  std::wstring w = L"Z:" + Widen(p);
  for (auto& c : w)
    if (c == L'/') c = L'\\';
  return w;
}

std::vector<SourceFile> SampleTree() {
  return {
      {L"app.exe", MakeData(50000, 1)},
      {L"readme.txt", "hello, 你好\r\n"},
      {L"data\\a.bin", MakeData(40960, 2)},
      {L"data\\empty.dat", ""},
      {L"data\\子目录\\说明.txt", MakeData(5000, 3)},
      {L"data\\子目录\\deeper\\big.bin", MakeData(200001, 4)},
  };
}

// QR_TEST_SETUP_EXE and QR_TEST_UNINST_EXE, when set, name other stub
// programs (such as an earlier build's) to run the same tests against.
std::string StubProgram(const char* env, const char* built) {
  const char* other = std::getenv(env);
  return other && *other ? other : built;
}

// The test program's own install.dat, removed when the program ends.
struct TestInstallDatFile {
  std::wstring path;
  ~TestInstallDatFile() {
    if (!path.empty()) DeleteFileW(path.c_str());
  }
};

std::wstring TestInstallDat() {
  static TestInstallDatFile file;
  std::wstring& path = file.path;
  if (path.empty()) {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    path = std::wstring(temp) + L"qrstubtest_install_" + std::to_wstring(GetCurrentProcessId()) +
           L".dat";
    MakeInstallDat(StubProgram("QR_TEST_SETUP_EXE", QR_SETUP_EXE),
                   StubProgram("QR_TEST_UNINST_EXE", QR_UNINST_EXE), path);
  }
  return path;
}

void MakeInstallDat(const std::string& setup_exe, const std::string& uninst_exe,
                    const std::wstring& path) {
  std::string err;
  EXPECT_TRUE(package::WriteStubContainer(Narrow(HostPath(setup_exe)), Narrow(HostPath(uninst_exe)),
                                          Narrow(path), &err))
      << err;
}

std::wstring EntryKey(const SamplePackage& sample) {
  return stub::ProductKeyName(sample.app_name, sample.publisher);
}

void BuildSamplePackage(const std::wstring& src, const SamplePackage& sample, const std::wstring& out) {
  const std::vector<SourceFile> tree = sample.files.empty() ? SampleTree() : sample.files;
  for (const SourceFile& f : tree) WriteFile(src + L"\\" + f.rel, f.data);
  package::PackageRequest req;
  req.properties.app_name = Narrow(sample.app_name);
  req.properties.setup_dir = Narrow(sample.setup_dir);
  req.properties.publisher = Narrow(sample.publisher);
  req.properties.version = Narrow(sample.version);
  req.properties.save_path = Narrow(out);
  std::string folder = Narrow(src) + "\\";
  std::vector<std::wstring> tops;
  for (const SourceFile& f : tree) {
    std::wstring top = f.rel.substr(0, f.rel.find(L'\\'));
    if (std::find(tops.begin(), tops.end(), top) != tops.end()) continue;
    tops.push_back(top);
    int32_t flags = top != f.rel ? 64 : top == L"app.exe" ? sample.app_flags : 0;
    req.entries.push_back({Narrow(top), folder, flags});
  }
  req.install_dat = Narrow(sample.install_dat.empty() ? TestInstallDat() : sample.install_dat);
  if (sample.compact) req.compression = package::Compression::kSolid;
  QuietProgress progress;
  package::BuildResult r = package::MakePackage(req, progress);
  ASSERT_EQ(r.outcome, package::BuildOutcome::kWritten) << r.message;
}

void ClearDigest(const std::wstring& file) {
  std::string err;
  auto f = platform::File::Open(Narrow(file), platform::File::Mode::kReadWrite, &err);
  ASSERT_TRUE(f) << err;
  package::ImageData image;
  ASSERT_TRUE(package::ReadImageData(*f, &image, &err)) << err;
  ASSERT_EQ(image.digest, package::DigestState::kFilled) << Narrow(file);
  const char zeros[8] = {};
  ASSERT_TRUE(f->Seek(image.field_at + package::kDigestLengthAt, &err) && f->Write(zeros, 8, &err) &&
              f->Close(&err))
      << err;
}

bool EndsWithCertTable(const std::wstring& file) {
  std::string err;
  auto f = platform::File::Open(Narrow(file), platform::File::Mode::kRead, &err);
  package::ImageData image;
  return f && package::ReadImageData(*f, &image, &err) && image.signed_file;
}

void DamageStreamQuietly(const std::wstring& pkg, size_t record) {
  std::string good = ReadFile(pkg), original;
  std::string err;
  auto decode = [&](package::PackageReader& r, std::string* out) {
    auto sink = [&](const uint8_t* p, size_t n, std::string*) {
      out->append(reinterpret_cast<const char*>(p), n);
      return true;
    };
    return r.DecodeRecord(record, sink, nullptr, &err);
  };
  package::PackageReader reader;
  ASSERT_TRUE(reader.Open(Narrow(pkg), &err) && decode(reader, &original)) << err;
  int64_t data = reader.contents().files.at(record).StreamOffset() + 4;
  int64_t end = data + reader.contents().files.at(record).compLen;
  reader = {};  // the package is written below
  std::wstring probe = pkg + L".probe";
  for (int64_t at = (data + end) / 2; at < end; ++at) {
    std::string bytes = good;
    bytes[static_cast<size_t>(at)] ^= 0x04;
    WriteFile(probe, bytes);
    package::PackageReader changed;
    std::string decoded;
    if (changed.Open(Narrow(probe), &err) && decode(changed, &decoded) &&
        decoded.size() == original.size() && decoded != original) {
      changed = {};
      DeleteFileW(probe.c_str());
      WriteFile(pkg, bytes);
      return;
    }
  }
  DeleteFileW(probe.c_str());
  FAIL() << "no byte of the stream changes it quietly";
}

std::vector<RecordPlace> RecordPlaces(const std::wstring& pkg) {
  package::PackageReader reader;
  std::string err;
  EXPECT_TRUE(reader.Open(Narrow(pkg), &err)) << err;
  std::vector<RecordPlace> out;
  for (const auto& f : reader.contents().files) out.push_back({f.compLenOffset, f.compLen});
  return out;
}

void PatchRecordName(const std::wstring& pkg, size_t record, const std::string& new_name) {
  package::PackageReader reader;
  std::string err;
  ASSERT_TRUE(reader.Open(Narrow(pkg), &err)) << err;
  const package::PackageContents& c = reader.contents();
  const auto& f = c.files.at(record);
  int64_t at = f.compLenOffset - 2 - static_cast<int64_t>(f.rel_path_gbk.size());
  if (f.solid) {
    // A record of the solid data keeps no place of its own: its coded
    // string is found among the records, before the first frame.
    std::string coded;
    ASSERT_TRUE(package::AppendCodedString(&coded, f.rel_path_gbk, c.key, &err)) << err;
    std::string bytes = ReadFile(pkg);
    size_t found = bytes.find(coded, static_cast<size_t>(c.stub_size));
    ASSERT_NE(found, std::string::npos);
    ASSERT_LT(static_cast<int64_t>(found), c.frames.front().offset);
    at = static_cast<int64_t>(found);
  }
  std::string old_gbk = f.rel_path_gbk;
  std::string new_gbk = platform::ToCodePage936(new_name);
  reader = {};
  Recode(pkg, at, old_gbk, new_gbk);
}

void PatchIndexName(const std::wstring& uninst, size_t index, const std::string& new_name) {
  package::NameIndex idx;
  std::string err;
  ASSERT_TRUE(package::ReadNameIndex(Narrow(uninst), &idx, &err)) << err;
  // Walk the index: title, count, then the names in order.
  std::string bytes = ReadFile(uninst);
  int64_t at = idx.image_size;
  at += 2 + package::GetI16(reinterpret_cast<const uint8_t*>(bytes.data() + at)) + 4;
  for (size_t i = 0; i < index; ++i)
    at += 2 + package::GetI16(reinterpret_cast<const uint8_t*>(bytes.data() + at));
  Recode(uninst, at, idx.rel_paths_gbk.at(index), platform::ToCodePage936(new_name));
}

}  // namespace stubtest
