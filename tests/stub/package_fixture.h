#pragma once
// Packages for the end-to-end tests: a source tree with every kind of entry,
// built in-process with the package writer (the core qrpack runs) from an
// install.dat made of this build's setup.exe and uninst.exe.

#include <cstdint>
#include <string>
#include <vector>

#include "stub_test_util.h"

namespace stubtest {

struct SourceFile {
  std::wstring rel;   // below the source folder, and so in the package
  std::string data;
};

// The tree: app.exe (all six options), readme.txt, and a folder entry
// "data" with nested, Chinese-named, empty and block-sized files.
std::vector<SourceFile> SampleTree();

struct SamplePackage {
  std::wstring app_name = L"测试软件";
  std::wstring setup_dir;  // unique per test by default
  std::wstring publisher = L"Quorin软件工作室";
  std::wstring version = L"1.2.3";
  std::vector<SourceFile> files;  // empty: SampleTree()
  int32_t app_flags = 1 | 2 | 4 | 8 | 16 | 32;  // the options of app.exe
  std::wstring install_dat;  // empty: TestInstallDat()
  bool compact = false;      // a compact package (the files in one solid stream)
};

// Writes the tree below src and builds the package at out. Entries: one per
// top-level name of the tree, in its order: a file row for a file (app.exe
// with sample.app_flags), a folder row for a folder.
void BuildSamplePackage(const std::wstring& src, const SamplePackage& sample,
                        const std::wstring& out);

// The key of the sample's uninstall entry.
std::wstring EntryKey(const SamplePackage& sample);

// install.dat of this build's stub programs, made once per test run.
std::wstring TestInstallDat();
// install.dat of the given setup and uninstaller programs at path.
void MakeInstallDat(const std::string& setup_exe, const std::string& uninst_exe,
                    const std::wstring& path);

// A path from the build (a POSIX path under wine) as a Windows path.
std::wstring HostPath(const std::string& posix_or_windows);

// Recodes the coded string of package record `record` (0-based) in place to
// new_name, which must have the same number of code page 936 bytes. Works
// on standard and compact packages.
void PatchRecordName(const std::wstring& package, size_t record, const std::string& new_name_utf8);
// Recodes the name-index entry `index` of an uninstaller image in place.
void PatchIndexName(const std::wstring& uninstaller, size_t index, const std::string& new_name_utf8);

// Empties the digest field of a package or an uninstaller (its covered
// length), as a writer that does not know the field leaves it: the file is
// then read unchecked, so the checks behind the digest can be tested.
void ClearDigest(const std::wstring& file);
// True when the file ends with an Authenticode certificate table.
bool EndsWithCertTable(const std::wstring& file);
// Changes one byte inside the stream of package record `record` such that
// the stream still decodes whole, to other bytes: damage only the digest
// can show.
void DamageStreamQuietly(const std::wstring& package, size_t record);

// Offsets inside a package, read with the package reader.
struct RecordPlace {
  int64_t compLenOffset;
  int32_t compLen;
};
std::vector<RecordPlace> RecordPlaces(const std::wstring& package);

}  // namespace stubtest
