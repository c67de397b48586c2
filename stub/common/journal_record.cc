#include "journal_record.h"

#include <charconv>

#include "platform/utf.h"

namespace stub {
namespace {

using Kind = JournalRecord::Kind;

constexpr char kHex[] = "0123456789ABCDEF";

struct KindName {
  Kind kind;
  std::string_view name;
};
constexpr KindName kKindNames[] = {
    {Kind::kBegin, "begin"},   {Kind::kRoot, "root"},   {Kind::kStaging, "staging"},
    {Kind::kFolder, "folder"}, {Kind::kPlaced, "placed"}, {Kind::kMoved, "moved"},
    {Kind::kSmallFile, "small"}, {Kind::kKey, "key"},   {Kind::kCommit, "commit"},
};
constexpr std::string_view kValueName = "value";

std::string_view NameOf(Kind kind) {
  for (const KindName& k : kKindNames)
    if (k.kind == kind) return k.name;
  return {};
}

void AppendEscaped(std::string_view utf8, std::string* out) {
  for (char c : utf8) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == '%' || b == 0x7F) {
      out->push_back('%');
      out->push_back(kHex[b >> 4]);
      out->push_back(kHex[b & 15]);
    } else {
      out->push_back(c);
    }
  }
}

void AppendText(const std::wstring& text, std::string* out) {
  out->push_back('\t');
  AppendEscaped(platform::WideToUtf8(text), out);
}

void AppendHex(std::string_view bytes, std::string* out) {
  out->push_back('\t');
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    out->push_back(kHex[b >> 4]);
    out->push_back(kHex[b & 15]);
  }
}

void AppendFlag(bool flag, std::string* out) { out->append(flag ? "\t1" : "\t0"); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool DecodeHex(std::string_view hex, size_t limit, std::string* out) {
  if (hex.size() % 2 || hex.size() / 2 > limit) return false;
  out->clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out->push_back(static_cast<char>(hi << 4 | lo));
  }
  return true;
}

// A text field of at most kMaxJournalPath characters. A path holds no
// control character (no name the file system makes does); a registry name may.
bool DecodeText(std::string_view field, std::wstring* out, bool is_path = true) {
  std::string utf8;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '%') {
      utf8.push_back(field[i]);
      continue;
    }
    if (i + 2 >= field.size()) return false;
    int hi = HexDigit(field[i + 1]), lo = HexDigit(field[i + 2]);
    if (hi < 0 || lo < 0) return false;
    utf8.push_back(static_cast<char>(hi << 4 | lo));
    i += 2;
  }
  *out = platform::Utf8ToWide(utf8);
  if (out->size() > kMaxJournalPath) return false;
  if (!is_path) return true;
  for (wchar_t c : *out)
    if (c < 0x20 || c == 0x7F) return false;
  return true;
}

bool DecodeFlag(std::string_view field, bool* flag) {
  if (field != "0" && field != "1") return false;
  *flag = field == "1";
  return true;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (size_t tab; (tab = line.find('\t', start)) != std::string_view::npos; start = tab + 1)
    fields.push_back(line.substr(start, tab - start));
  fields.push_back(line.substr(start));
  return fields;
}

// One line into *r (a value line into the key record *r). False when it
// breaks a rule of its record.
bool ParseLine(const std::vector<std::string_view>& f, JournalRecord* r, size_t* value_count) {
  auto path_only = [&](Kind kind) {
    r->kind = kind;
    return f.size() == 2 && DecodeText(f[1], &r->path) && !r->path.empty();
  };
  if (f[0] == "begin") {
    r->kind = Kind::kBegin;
    if (f.size() != 2 || (f[1] != "install" && f[1] != "uninstall")) return false;
    r->purpose = f[1] == "install" ? JournalPurpose::kInstall : JournalPurpose::kUninstall;
    return true;
  }
  if (f[0] == "root") return path_only(Kind::kRoot);
  if (f[0] == "staging") return path_only(Kind::kStaging);
  if (f[0] == "folder") return path_only(Kind::kFolder);
  if (f[0] == "placed") return path_only(Kind::kPlaced);
  if (f[0] == "commit") {
    r->kind = Kind::kCommit;
    return f.size() == 1;
  }
  if (f[0] == "moved") {
    r->kind = Kind::kMoved;
    return f.size() == 3 && DecodeText(f[1], &r->path) && DecodeText(f[2], &r->backup) &&
           !r->path.empty() && !r->backup.empty();
  }
  if (f[0] == "small") {
    r->kind = Kind::kSmallFile;
    return f.size() == 4 && DecodeText(f[1], &r->path) && !r->path.empty() &&
           DecodeFlag(f[2], &r->flag) && DecodeHex(f[3], kMaxSmallFileBytes, &r->bytes) &&
           (r->flag || r->bytes.empty());
  }
  if (f[0] == "key") {
    r->kind = Kind::kKey;
    if (f.size() != 5 || (f[1] != "user" && f[1] != "machine")) return false;
    r->key.scope = f[1] == "user" ? Scope::kUser : Scope::kMachine;
    size_t count = 0;
    auto [end, ec] = std::from_chars(f[4].data(), f[4].data() + f[4].size(), count);
    if (ec != std::errc() || end != f[4].data() + f[4].size() || count > kMaxKeyValues) return false;
    *value_count = count;
    return DecodeText(f[2], &r->key.key, false) && !r->key.key.empty() &&
           r->key.key.find(L'\\') == std::wstring::npos && DecodeFlag(f[3], &r->key.existed) &&
           (r->key.existed || count == 0);
  }
  return false;
}

bool ParseValue(const std::vector<std::string_view>& f, size_t expected, KeySnapshot* key) {
  if (f.size() != 4 || key->values.size() >= expected) return false;
  KeySnapshot::Value v;
  unsigned long type = 0;
  auto [end, ec] = std::from_chars(f[2].data(), f[2].data() + f[2].size(), type);
  if (ec != std::errc() || end != f[2].data() + f[2].size() || f[2].empty()) return false;
  v.type = type;
  if (!DecodeText(f[1], &v.name, false) || !DecodeHex(f[3], kMaxValueBytes, &v.data)) return false;
  key->values.push_back(std::move(v));
  return true;
}

}  // namespace

std::string EncodeRecord(const JournalRecord& r) {
  std::string out(NameOf(r.kind));
  switch (r.kind) {
    case Kind::kBegin:
      out += r.purpose == JournalPurpose::kInstall ? "\tinstall" : "\tuninstall";
      break;
    case Kind::kRoot:
    case Kind::kStaging:
    case Kind::kFolder:
    case Kind::kPlaced: AppendText(r.path, &out); break;
    case Kind::kMoved:
      AppendText(r.path, &out);
      AppendText(r.backup, &out);
      break;
    case Kind::kSmallFile:
      AppendText(r.path, &out);
      AppendFlag(r.flag, &out);
      AppendHex(r.bytes, &out);
      break;
    case Kind::kKey:
      out += r.key.scope == Scope::kUser ? "\tuser" : "\tmachine";
      AppendText(r.key.key, &out);
      AppendFlag(r.key.existed, &out);
      out += '\t' + std::to_string(r.key.values.size());
      for (const KeySnapshot::Value& v : r.key.values) {
        out += '\n';
        out += kValueName;
        AppendText(v.name, &out);
        out += '\t' + std::to_string(v.type);
        AppendHex(v.data, &out);
      }
      break;
    case Kind::kCommit: break;
  }
  out += '\n';
  return out;
}

bool ParseJournal(std::string_view text, std::vector<JournalRecord>* records) {
  records->clear();
  if (text.size() > kMaxJournalBytes) return false;
  // Cut off while its first line was written: nothing was done.
  if (text.size() < kJournalHeader.size() && kJournalHeader.substr(0, text.size()) == text) return true;
  if (text.substr(0, kJournalHeader.size()) != kJournalHeader) return false;
  text.remove_prefix(kJournalHeader.size());
  bool roots_done = false, committed = false;
  std::vector<JournalRecord> parsed;
  size_t values_due = 0;  // of the last key record
  auto key_whole = [&] { return parsed.back().key.values.size() == values_due; };
  for (size_t end; (end = text.find('\n')) != std::string_view::npos; text.remove_prefix(end + 1)) {
    std::vector<std::string_view> f = SplitFields(text.substr(0, end));
    if (f[0] == kValueName) {
      if (parsed.empty() || parsed.back().kind != Kind::kKey ||
          !ParseValue(f, values_due, &parsed.back().key))
        return false;
      continue;
    }
    JournalRecord r;
    if (committed || (!parsed.empty() && !key_whole())) return false;
    values_due = 0;
    if (!ParseLine(f, &r, &values_due)) return false;
    bool first = parsed.empty();
    if ((r.kind == Kind::kBegin) != first) return false;
    if (r.kind == Kind::kRoot) {
      if (roots_done) return false;
    } else if (!first) {
      if (parsed.size() == 1) return false;  // at least one root
      roots_done = true;
    }
    committed = r.kind == Kind::kCommit;
    parsed.push_back(std::move(r));
  }
  // A key cut off before all its values were written counts as not written;
  // so does a journal cut off before its roots: nothing was done.
  if (!parsed.empty() && !key_whole()) parsed.pop_back();
  if (parsed.size() < 2) parsed.clear();
  *records = std::move(parsed);
  return true;
}

}  // namespace stub
