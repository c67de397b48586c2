#include "package/package_writer.h"

#include <algorithm>
#include <memory>
#include <set>
#include <tuple>

#include "package/icon_source.h"
#include "package/image_digest.h"
#include "package/layout.h"
#include "package/messages.h"
#include "package/name_index.h"
#include "package/package_reader.h"
#include "package/payload.h"
#include "package/product_identity.h"
#include "package/record_pipeline.h"
#include "package/sign_command.h"
#include "package/solid_capability.h"
#include "package/solid_writer.h"
#include "package/stub_container.h"
#include "package/temp_files.h"
#include "package/windows_names.h"
#include "platform/files.h"
#include "platform/temporaries.h"
#include "platform/text.h"
#include "platform/unicode.h"

namespace package {
namespace {

// The install-folder name as the configuration stores it must be one name
// Windows can create: setup refuses the package otherwise.
std::string StoredSetupDir(const std::string& setup_dir) {
  std::string stored;
  for (char c : setup_dir)
    if (c != '\\') stored += c;
  return platform::TruncateUtf16(stored, kConfigValueChars);
}

// Recognises the save path under another name (a link, another letter
// case) by the identity of the file there, if there is one.
class SavePathMatcher {
 public:
  explicit SavePathMatcher(const std::string& save) : save_(save) {
    exists_ = platform::GetFileIdentity(save, &id_, nullptr);
  }
  bool Matches(const std::string& path) const {
    if (platform::EqualIgnoringCase(path, save_)) return true;
    platform::FileIdentity id;
    return exists_ && platform::GetFileIdentity(path, &id, nullptr) && id == id_;
  }

 private:
  std::string save_;
  bool exists_ = false;
  platform::FileIdentity id_;
};

// A payload file with its name as stored.
struct PlannedFile {
  const PackFile* file;
  std::string rel_path_gbk;
};

// One build: the state MakePackage threads through its steps.
class PackageWriter {
 public:
  PackageWriter(const PackageRequest& request, BuildProgress& progress)
      : req_(request), progress_(progress) {}
  ~PackageWriter() { RemoveTemporaries(); }

  BuildResult Run();

 private:
  // Any end but a written package: the temporary files go. Once the stop
  // request is set, every such end is the stop.
  BuildResult Fail(std::string message) {
    RemoveTemporaries();
    if (StopRequested(req_.stop)) return BuildResult{BuildOutcome::kStopped, ""};
    return BuildResult{BuildOutcome::kFailed, std::move(message)};
  }
  bool Stopped() const { return StopRequested(req_.stop); }
  BuildResult SizeRefused() {
    RemoveTemporaries();
    progress_.SetStatus("");
    return BuildResult{BuildOutcome::kSizeRefused, msg::kTooLarge};
  }
  void RemoveTemporaries();

  bool PlanFiles(std::string* err);
  bool PlanOptions(std::string* err);
  bool PlanIdentity(std::string* err);
  bool PlanFileOptions(int32_t seen, std::string* err);
  // A shortcut's name as Windows compares it: the name's last part (UTF-8)
  // without its extension.
  static std::u16string ShortcutKey(const std::string& name) {
    std::string last = name.substr(name.find_last_of(kPackageSeparator) + 1);
    size_t dot = last.find_last_of('.');
    if (dot != std::string::npos && dot != 0) last.resize(dot);
    return WindowsNameKey(last);
  }
  std::string Codepage(const std::string& text) { return platform::ToCodePage936(text); }
  // The name index's texts: the title and every stored name.
  std::string Title() {
    return Codepage(kLabelAppName + platform::TruncateUtf16(req_.properties.app_name, kConfigValueChars));
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    names.reserve(planned_.size());
    for (const PlannedFile& p : planned_) names.push_back(p.rel_path_gbk);
    return names;
  }
  // Everything the codec reports to progress_ in a whole build: both
  // programs decoded, every payload file read, and the uninstaller with its
  // name index read for its record.
  int64_t ReportedBytes() const {
    int64_t uninst_record = uninst_image_size_ + NameIndexSize(index_title_, index_names_);
    return int64_t{container_.setup_size} + container_.uninst_size + total_ + uninst_record;
  }
  bool WriteUninstaller(std::string* err);
  bool SignUninstaller(std::string* err);
  bool WriteHead(std::string* err);
  bool CheckSetupReadsSolid(std::string* err);
  bool FinishPackage(std::string* err);
  bool WriteRecords(const std::vector<RecordJob>& jobs, int threads, std::string* err);
  // The payload files' records (and in a compact package their solid data).
  bool WritePayload(const std::vector<RecordJob>& jobs, std::string* err);
  bool Write(const std::string& bytes, std::string* err);

  const PackageRequest& req_;
  BuildProgress& progress_;
  codec::ProgressFn advance_ = [this](int32_t n) { progress_.Advance(n); };

  StubContainer container_;
  std::vector<PackFile> files_;
  std::vector<PlannedFile> planned_;
  std::vector<std::pair<int32_t, std::string>> options_;  // bit, Name as stored
  bool option_list_ = false;  // the options need the record list (layout.h)
  std::string index_title_;               // the name index: title and RelPaths as stored
  std::vector<std::string> index_names_;
  int32_t total_ = 0;
  int64_t config_offset_ = 0;  // C, the stub image's length
  ProductIdentity identity_;
  int64_t uninst_image_size_ = 0;  // the uninstaller as it goes into its record, without the index

  TempFile package_;
  TempFile uninst_;
  int64_t end_ = 0;  // where the package's next byte goes
  XorKey key_{};
};

void PackageWriter::RemoveTemporaries() {
  for (TempFile* t : {&package_, &uninst_}) {
    t->file.reset();
    if (!t->path.empty()) platform::RemoveTemporaryFile(t->path, nullptr);
    t->path.clear();
  }
}

// Refuses what the package cannot hold, naming the file, and converts every
// stored name once.
bool PackageWriter::PlanFiles(std::string* err) {
  // The package replaces the save path at the end: it must not be a file the
  // build reads (a file row there, or the container).
  const std::string& save = req_.properties.save_path;
  SavePathMatcher is_save(save);
  if (is_save.Matches(req_.install_dat)) {
    *err = msg::kSavePathIsInput + save;
    return false;
  }
  planned_.reserve(files_.size());
  NameClashes clashes;
  for (const PackFile& f : files_) {
    if (is_save.Matches(f.FullPath)) {
      *err = msg::kSavePathIsInput + save;
      return false;
    }
    if (f.FileSize > kMaxTotalSize) {
      *err = msg::kFileTooLarge + f.FullPath;
      return false;
    }
    if (const char* problem = RelPathProblem(f.RelPath)) {
      *err = problem + f.FullPath;
      return false;
    }
    if (!clashes.Add(f.RelPath, f.FullPath, err)) return false;
    bool lossy = false;
    std::string gbk = platform::ToCodePage936(f.RelPath, &lossy);
    if (lossy) {
      *err = msg::kNameNotGbk + f.FullPath;
      return false;
    }
    if (gbk.size() > kMaxCodedStringBytes) {
      *err = msg::kNameTooLong + f.FullPath;
      return false;
    }
    planned_.push_back(PlannedFile{&f, std::move(gbk)});
  }
  return true;
}

// The option records: for each row in list order, each set bit ascending.
bool PackageWriter::PlanOptions(std::string* err) {
  int32_t seen = 0;
  for (const EntryRow& row : req_.entries) {
    for (int32_t bit : entries::kOptionBits) {
      if (!(row.Flags & bit)) continue;
      std::string path = row.Folder + row.Name;
      if (const char* problem = NamePartProblem(row.Name)) {
        *err = problem + path;
        return false;
      }
      if (seen & bit) {
        *err = msg::kOptionTwice + path;
        return false;
      }
      seen |= bit;
      bool lossy = false;
      std::string gbk = platform::ToCodePage936(row.Name, &lossy);
      if (lossy) {
        *err = msg::kNameNotGbk + path;
        return false;
      }
      if (gbk.size() > kMaxCodedStringBytes) {
        *err = msg::kNameTooLong + path;
        return false;
      }
      options_.emplace_back(bit, std::move(gbk));
    }
  }
  return PlanFileOptions(seen, err);
}

// The options set on files by their RelPath: each must name a payload file
// (letter case aside); they follow the rows' options in payload order, bits
// ascending. Running a program and the entry's icon stay one file each; the
// shortcuts of one option need names of their own.
bool PackageWriter::PlanFileOptions(int32_t seen, std::string* err) {
  if (req_.file_options.empty()) return true;
  std::vector<std::tuple<size_t, int32_t, const PlannedFile*>> chosen;
  for (const FileOption& o : req_.file_options) {
    const PlannedFile* file = nullptr;
    size_t index = 0;
    for (size_t i = 0; i < planned_.size() && !file; ++i) {
      if (platform::EqualIgnoringCase(planned_[i].file->RelPath, o.rel_path)) {
        file = &planned_[i];
        index = i;
      }
    }
    if (!file) {
      *err = msg::kOptionFileMissing + o.rel_path;
      return false;
    }
    chosen.emplace_back(index, o.bit, file);
  }
  std::sort(chosen.begin(), chosen.end(), [](const auto& a, const auto& b) {
    return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
  });
  std::set<std::pair<int32_t, std::u16string>> stems;
  for (const auto& [bit, name] : options_) stems.emplace(bit, ShortcutKey(platform::FromCodePage936(name)));
  for (size_t i = 0; i < chosen.size(); ++i) {
    const auto& [index, bit, file] = chosen[i];
    const std::string& path = file->file->FullPath;
    if (i > 0 && std::get<0>(chosen[i - 1]) == index && std::get<1>(chosen[i - 1]) == bit) {
      *err = msg::kOptionFileTwice + path;
      return false;
    }
    const bool single = bit == entries::RunApp || bit == entries::SetCtrlPanelIcon;
    if ((seen & bit) && single) {
      *err = msg::kOptionTwice + path;
      return false;
    }
    if ((seen & bit) || file->file->RelPath.find(kPackageSeparator) != std::string::npos)
      option_list_ = true;
    seen |= bit;
    if (!single && !stems.emplace(bit, ShortcutKey(file->file->RelPath)).second) {
      *err = msg::kShortcutNameTwice + path;
      return false;
    }
    options_.emplace_back(bit, file->rel_path_gbk);
  }
  return true;
}

// The product's identity for the programs, its icon read and checked.
bool PackageWriter::PlanIdentity(std::string* err) {
  const PropertyValues& p = req_.properties;
  identity_.app_name = platform::TruncateUtf16(p.app_name, kConfigValueChars);
  identity_.publisher = platform::TruncateUtf16(p.publisher, kConfigValueChars);
  identity_.version = platform::TruncateUtf16(p.version, kConfigValueChars);
  identity_.package_file_name = p.save_path.substr(p.save_path.find_last_of("/\\") + 1);
  return ResolveProductIcon(req_.icon_path, req_.entries, &identity_.icon, err);
}

bool PackageWriter::Write(const std::string& bytes, std::string* err) {
  std::string e;
  if (!package_.file->Seek(end_, &e) || !package_.file->Write(bytes.data(), bytes.size(), &e)) {
    *err = msg::WithReason(msg::kWriteFailed, req_.properties.save_path, e);
    return false;
  }
  end_ += static_cast<int64_t>(bytes.size());
  return true;
}

// The uninstaller with its name index, coded with its own key, and the
// digest of both in the uninstaller's field.
bool PackageWriter::WriteUninstaller(std::string* err) {
  std::string e;
  if (!CreateTempUninstaller(platform::TempFolder(), &uninst_, err)) return false;
  bool write_failed = false;
  if (!DecodeStubMember(container_, StubMember::kUninstaller, *uninst_.file, advance_, req_.stop,
                        &write_failed, &e)) {
    *err = write_failed ? msg::WithReason(msg::kTempUninstallerFailed, uninst_.path, e) : e;
    return false;
  }
  XorKey key;
  int64_t image_size = 0;
  bool filled = false;
  bool stamped = false;
  if (!StampIdentityFile(*uninst_.file, identity_, IdentityProgram::kUninstaller, &stamped, &e) ||
      !uninst_.file->Size(&image_size, &e) || !uninst_.file->Seek(kXorKeyOffset, &e) ||
      !uninst_.file->ReadExact(key.data(), key.size(), &e) ||
      !AppendNameIndex(*uninst_.file, key, index_title_, index_names_, &e) ||
      !FillImageDigest(*uninst_.file, image_size, &filled, &e) || !uninst_.file->Close(&e)) {
    *err = msg::WithReason(msg::kTempUninstallerFailed, uninst_.path, e);
    return false;
  }
  // The progress bar's end follows the uninstaller as it now is.
  uninst_image_size_ = image_size;
  progress_.SetMaximum(static_cast<float>(ReportedBytes()));
  uninst_.file.reset();
  return req_.sign_command.empty() || SignUninstaller(err);
}

// Signs the uninstaller, which must still read and check afterwards.
bool PackageWriter::SignUninstaller(std::string* err) {
  if (!RunSignCommand(req_.sign_command, uninst_.path, err)) return false;
  NameIndex index;
  std::string e;
  if (!ReadNameIndex(uninst_.path, &index, &e) || !CheckUninstaller(uninst_.path, &e)) {
    *err = msg::kSignedUninstallerUnreadable + e;
    return false;
  }
  return true;
}

// The stub image, its key, the configuration text and the option records.
bool PackageWriter::WriteHead(std::string* err) {
  std::string e;
  bool write_failed = false;
  if (!DecodeStubMember(container_, StubMember::kSetup, *package_.file, advance_, req_.stop,
                        &write_failed, &e)) {
    *err = write_failed ? msg::WithReason(msg::kWriteFailed, req_.properties.save_path, e) : e;
    return false;
  }
  if (req_.compression == Compression::kSolid && !CheckSetupReadsSolid(err)) return false;
  bool stamped = false;
  if (!StampIdentityFile(*package_.file, identity_, IdentityProgram::kSetup, &stamped, &e) ||
      !package_.file->Size(&end_, &e) || !package_.file->Seek(kXorKeyOffset, &e) ||
      !package_.file->ReadExact(key_.data(), key_.size(), &e)) {
    *err = msg::WithReason(msg::kWriteFailed, package_.path, e);
    return false;
  }
  config_offset_ = end_;
  const PropertyValues& p = req_.properties;
  ConfigValues v{platform::TruncateUtf16(p.app_name, kConfigValueChars),
                 StoredSetupDir(p.setup_dir),
                 platform::TruncateUtf16(p.publisher, kConfigValueChars),
                 platform::TruncateUtf16(p.version, kConfigValueChars)};
  std::string head;
  int16_t option_union = option_list_ ? kOptionListFlag : 0;
  if (req_.compression == Compression::kSolid)
    option_union = static_cast<int16_t>(option_union | kSolidFlag);
  for (const auto& o : options_) option_union = static_cast<int16_t>(option_union | o.first);
  if (!AppendCodedString(&head, Codepage(FormatConfigText(v)), key_, err)) return false;
  PutI16(&head, option_union);
  if (option_list_) PutI32(&head, static_cast<int32_t>(options_.size()) ^ codec::kFormatMask);
  for (const auto& [bit, name] : options_) {
    head.push_back(static_cast<char>(bit));
    if (!AppendCodedString(&head, name, key_, err)) return false;
  }
  return Write(head, err);
}

// A compact package needs a setup program that declares it reads one.
bool PackageWriter::CheckSetupReadsSolid(std::string* err) {
  std::string e;
  int64_t size = 0;
  bool reads = false;
  if (!package_.file->Size(&size, &e) || !SetupReadsSolid(*package_.file, size, &reads, &e)) {
    *err = msg::WithReason(msg::kWriteFailed, package_.path, e);
    return false;
  }
  if (!reads) *err = msg::kSetupCannotReadSolid;
  return reads;
}

// Fills in the package's digest, closes it and signs it; a signed package
// must still read and check.
bool PackageWriter::FinishPackage(std::string* err) {
  std::string e;
  bool filled = false;
  if (!FillImageDigest(*package_.file, config_offset_, &filled, &e) || !package_.file->Close(&e)) {
    *err = msg::WithReason(msg::kWriteFailed, req_.properties.save_path, e);
    return false;
  }
  package_.file.reset();
  if (req_.sign_command.empty()) return true;
  if (!RunSignCommand(req_.sign_command, package_.path, err)) return false;
  PackageReader reader;
  if (!reader.Open(package_.path, &e) || !reader.VerifyDigest(nullptr, nullptr, &e)) {
    *err = msg::kSignedPackageUnreadable + e;
    return false;
  }
  return true;
}

// Appends the records of jobs in order (see record_pipeline.h).
bool PackageWriter::WriteRecords(const std::vector<RecordJob>& jobs, int threads, std::string* err) {
  RecordTarget target{package_.file.get(), &end_, &key_, req_.properties.save_path, &progress_};
  target.stop = req_.stop;
  return package::WriteRecords(jobs, threads, target, err);
}

bool PackageWriter::WritePayload(const std::vector<RecordJob>& jobs, std::string* err) {
  if (req_.compression == Compression::kLzss) return WriteRecords(jobs, req_.jobs, err);
  RecordTarget target{package_.file.get(), &end_, &key_, req_.properties.save_path, &progress_};
  target.stop = req_.stop;
  return WriteSolidData(jobs, req_.jobs, target, err);
}

BuildResult PackageWriter::Run() {
  std::string err;
  std::string setup_dir = StoredSetupDir(req_.properties.setup_dir);
  if (NamePartProblem(setup_dir)) return Fail(msg::kBadSetupDir + setup_dir);
  if (!OpenStubContainer(req_.install_dat, &container_, &err)) return Fail(err);
  progress_.SetStatus(msg::kStatusCollecting);
  if (!CollectPackFiles(req_.entries, req_.properties.save_path, &files_, &err, req_.stop) ||
      Stopped())
    return Fail(err);
  if (!PlanFiles(&err) || !PlanOptions(&err) || !PlanIdentity(&err)) return Fail(err);
  uninst_image_size_ = container_.uninst_size;

  if (ExceedsSizeLimit(files_, container_.l1)) return SizeRefused();
  int64_t sum = 0;
  for (const PackFile& f : files_) sum += f.FileSize;
  index_title_ = Title();
  index_names_ = Names();
  // The trailer's total counts the uninstaller with its name index as well:
  // a payload that only it pushes over the limit is refused now, before
  // anything is written.
  if (sum + container_.uninst_size + NameIndexSize(index_title_, index_names_) > kMaxTotalSize)
    return SizeRefused();
  total_ = static_cast<int32_t>(sum);
  progress_.SetMaximum(static_cast<float>(ReportedBytes()));
  progress_.SetStatus(msg::kStatusWriting);
  if (req_.after_collect) req_.after_collect();

  if (!CreateTempPackage(req_.properties.save_path, &package_, &err)) return Fail(err);
  if (!WriteUninstaller(&err) || !WriteHead(&err)) return Fail(err);
  std::vector<RecordJob> jobs;
  jobs.reserve(planned_.size());
  for (const PlannedFile& p : planned_) jobs.push_back({p.rel_path_gbk, p.file->FullPath, p.file->FileSize});
  if (!WritePayload(jobs, &err)) {
    if (err == msg::kTooLarge) return SizeRefused();
    return Fail(err);
  }
  jobs.clear();
  jobs.shrink_to_fit();
  int64_t v = 0;
  std::string e;
  if (!platform::GetFileSize(uninst_.path, &v, &e))
    return Fail(msg::WithReason(msg::kTempUninstallerFailed, uninst_.path, e));
  if (total_ + v > kMaxTotalSize) return SizeRefused();
  if (!WriteRecords({{kUninstallerName, uninst_.path, v}}, 1, &err) || Stopped()) return Fail(err);
  platform::RemoveTemporaryFile(uninst_.path, nullptr);
  uninst_.path.clear();

  Trailer t{static_cast<int32_t>(total_ + v), static_cast<int32_t>(config_offset_),
            static_cast<int32_t>(planned_.size() + 1)};
  if (!Write(EncodeTrailer(t), &err) || !FinishPackage(&err) || Stopped()) return Fail(err);
  if (!platform::MoveTemporaryFile(package_.path, req_.properties.save_path, &e))
    return Fail(msg::WithReason(msg::kWriteFailed, req_.properties.save_path, e));
  package_.path.clear();
  return BuildResult{BuildOutcome::kWritten, ""};
}

}  // namespace

bool ExceedsSizeLimit(const std::vector<PackFile>& files, int32_t l1) {
  double sum = 0;
  for (const PackFile& f : files) {
    sum += static_cast<double>(f.FileSize);
    if (sum + l1 > static_cast<double>(kMaxTotalSize)) return true;
  }
  return false;
}

BuildResult MakePackage(const PackageRequest& request, BuildProgress& progress) {
  PackageWriter writer(request, progress);
  return writer.Run();
}

}  // namespace package
