#include "package/resource_tree.h"

#include <algorithm>
#include <map>

#include "package/byte_fields.h"

namespace package {
namespace {

using bytes::Get16;
using bytes::Get32;
using bytes::Put16;
using bytes::Put32;

constexpr size_t kTableHeaderSize = 16;
constexpr size_t kTableEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
constexpr uint32_t kHighBit = 0x80000000u;
constexpr int kLevels = 3;  // type, name, language
constexpr size_t kMaxVisits = 4 * kMaxResources;

constexpr char kDamaged[] = "resource tree damaged";

// Walks the tree below the resource directory (tree: the section's raw data
// from the directory on) and collects its leaves.
class TreeReader {
 public:
  TreeReader(std::span<const uint8_t> image, const PeHeaders& pe, std::span<const uint8_t> tree)
      : image_(image), pe_(pe), tree_(tree) {}

  bool Read(std::vector<Resource>* out) {
    out_ = out;
    return Table(0, 0);
  }

 private:
  bool Fits(size_t at, size_t n) const { return at <= tree_.size() && n <= tree_.size() - at; }

  bool Table(size_t at, int level) {
    if (!Fits(at, kTableHeaderSize)) return false;
    size_t count = size_t{Get16(tree_, at + 12)} + Get16(tree_, at + 14);
    if (!Fits(at + kTableHeaderSize, count * kTableEntrySize)) return false;
    for (size_t i = 0; i < count; ++i) {
      if (++visited_ > kMaxVisits) return false;
      size_t entry = at + kTableHeaderSize + i * kTableEntrySize;
      uint32_t name = Get32(tree_, entry);
      uint32_t target = Get32(tree_, entry + 4);
      if (!Id(name, &path_[level])) return false;
      bool is_table = (target & kHighBit) != 0;
      if (is_table != (level + 1 < kLevels)) return false;
      if (is_table ? !Table(target & ~kHighBit, level + 1) : !Leaf(target)) return false;
    }
    return true;
  }

  bool Id(uint32_t field, ResourceId* id) const {
    *id = ResourceId{};
    if (!(field & kHighBit)) {
      if (field > 0xFFFF) return false;
      id->id = static_cast<uint16_t>(field);
      return true;
    }
    size_t at = field & ~kHighBit;
    if (!Fits(at, 2)) return false;
    size_t n = Get16(tree_, at);
    if (n == 0 || !Fits(at + 2, n * 2)) return false;
    for (size_t i = 0; i < n; ++i) id->name.push_back(static_cast<char16_t>(Get16(tree_, at + 2 + 2 * i)));
    return true;
  }

  bool Leaf(size_t at) {
    if (!Fits(at, kDataEntrySize) || out_->size() >= kMaxResources) return false;
    uint32_t rva = Get32(tree_, at);
    uint32_t size = Get32(tree_, at + 4);
    int64_t offset = pe_.RvaToOffset(rva, size);
    if (offset < 0 || static_cast<uint64_t>(offset) + size > image_.size()) return false;
    if (path_[2].IsName()) return false;  // languages are numbers
    Resource r{path_[0], path_[1], path_[2].id, Get32(tree_, at + 8), {}};
    r.data.assign(reinterpret_cast<const char*>(image_.data() + offset), size);
    out_->push_back(std::move(r));
    return true;
  }

  std::span<const uint8_t> image_;
  const PeHeaders& pe_;
  std::span<const uint8_t> tree_;
  std::vector<Resource>* out_ = nullptr;
  ResourceId path_[kLevels];
  size_t visited_ = 0;  // entries walked: tables shared by many entries cannot multiply the work
};

// The tree being written: type -> name -> language -> resource.
using Languages = std::map<uint16_t, const Resource*>;
using Names = std::map<ResourceId, Languages>;
using Types = std::map<ResourceId, Names>;

struct Table {
  std::vector<std::pair<ResourceId, size_t>> entries;  // id, index of a table or leaf
  bool leaves = false;
};

}  // namespace

bool ResourceId::operator<(const ResourceId& o) const {
  if (IsName() != o.IsName()) return IsName();
  return IsName() ? name < o.name : id < o.id;
}

bool ReadResources(std::span<const uint8_t> image, const PeHeaders& pe,
                   std::vector<Resource>* resources, std::string* err) {
  resources->clear();
  const PeDirectory* dir = pe.Directory(kResourceDirectory);
  if (dir == nullptr || dir->rva == 0 || dir->size == 0) return true;
  int64_t base = pe.RvaToOffset(dir->rva, 0);
  const PeSection* s = pe.SectionAtRva(dir->rva, 0);
  if (base < 0 || s == nullptr || static_cast<uint64_t>(s->raw_offset + s->raw_size) > image.size()) {
    *err = kDamaged;
    return false;
  }
  auto tree = image.subspan(static_cast<size_t>(base), static_cast<size_t>(s->raw_offset + s->raw_size - base));
  if (!TreeReader(image, pe, tree).Read(resources)) {
    resources->clear();
    *err = kDamaged;
    return false;
  }
  return true;
}

const Resource* FindResource(const std::vector<Resource>& resources, uint16_t type) {
  const Resource* first = nullptr;
  for (const Resource& r : resources) {
    if (r.type.IsName() || r.type.id != type) continue;
    if (first == nullptr || r.name < first->name ||
        (r.name == first->name && r.language < first->language))
      first = &r;
  }
  return first;
}

const Resource* FindResource(const std::vector<Resource>& resources, uint16_t type,
                             const ResourceId& name) {
  for (const Resource& r : resources)
    if (!r.type.IsName() && r.type.id == type && r.name == name) return &r;
  return nullptr;
}

std::string BuildResourceSection(std::vector<Resource> resources, uint32_t rva) {
  Types types;
  for (const Resource& r : resources) types[r.type][r.name][r.language] = &r;

  // The tables in the order they are written: the root, the types' tables,
  // then the names' tables; the leaves in the same order.
  std::vector<Table> tables(1);
  std::vector<const Resource*> leaves;
  for (const auto& [type, names] : types) {
    tables[0].entries.emplace_back(type, tables.size());
    tables.emplace_back();
  }
  size_t type_table = 1;
  for (const auto& [type, names] : types) {
    for (const auto& [name, languages] : names) {
      tables[type_table].entries.emplace_back(name, tables.size());
      Table leaf_table;
      leaf_table.leaves = true;
      for (const auto& [language, r] : languages) {
        leaf_table.entries.emplace_back(ResourceId{language, {}}, leaves.size());
        leaves.push_back(r);
      }
      tables.push_back(std::move(leaf_table));
    }
    ++type_table;
  }

  std::vector<uint32_t> table_at;
  uint32_t at = 0;
  for (const Table& t : tables) {
    table_at.push_back(at);
    at += static_cast<uint32_t>(kTableHeaderSize + t.entries.size() * kTableEntrySize);
  }
  uint32_t leaf_base = at;
  at += static_cast<uint32_t>(leaves.size() * kDataEntrySize);
  std::string names;  // every name string, after the data entries
  std::map<std::u16string, uint32_t> name_at;
  for (const Table& t : tables)
    for (const auto& [id, index] : t.entries)
      if (id.IsName() && !name_at.count(id.name)) {
        name_at[id.name] = at + static_cast<uint32_t>(names.size());
        Put16(&names, static_cast<uint16_t>(id.name.size()));
        for (char16_t c : id.name) Put16(&names, static_cast<uint16_t>(c));
      }

  std::string out;
  for (const Table& t : tables) {
    Put32(&out, 0);  // characteristics
    Put32(&out, 0);  // time stamp
    Put32(&out, 0);  // version
    size_t named = std::count_if(t.entries.begin(), t.entries.end(),
                                 [](const auto& e) { return e.first.IsName(); });
    Put16(&out, static_cast<uint16_t>(named));
    Put16(&out, static_cast<uint16_t>(t.entries.size() - named));
    for (const auto& [id, index] : t.entries) {
      Put32(&out, id.IsName() ? (kHighBit | name_at[id.name]) : id.id);
      Put32(&out, t.leaves ? leaf_base + static_cast<uint32_t>(index * kDataEntrySize)
                           : (kHighBit | table_at[index]));
    }
  }
  std::string data;
  size_t data_base = out.size() + leaves.size() * kDataEntrySize + names.size();
  data_base = (data_base + 7) / 8 * 8;
  for (const Resource* r : leaves) {
    bytes::PadTo(&data, 8);
    Put32(&out, rva + static_cast<uint32_t>(data_base + data.size()));
    Put32(&out, static_cast<uint32_t>(r->data.size()));
    Put32(&out, r->code_page);
    Put32(&out, 0);
    data += r->data;
  }
  out += names;
  bytes::PadTo(&out, 8);
  return out + data;
}

}  // namespace package
