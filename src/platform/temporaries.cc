#include "platform/temporaries.h"

#include <cstdint>
#include <iterator>
#include <list>
#include <mutex>
#include <unordered_map>

namespace platform {
namespace {

struct Listed {
  std::string path;
  bool folder = false;
  uint64_t order = 0;  // when it was listed
};

// The listed paths in the order they were made, with an index by path, so
// that a run that makes and drops many thousands stays linear.
struct TemporaryList {
  std::mutex mu;
  std::list<Listed> items;
  std::unordered_multimap<std::string, std::list<Listed>::iterator> by_path;
  uint64_t listed = 0;

  void Add(const std::string& path, bool folder) {
    items.push_back(Listed{path, folder, ++listed});
    by_path.emplace(path, std::prev(items.end()));
  }
  // Drops the latest listing of path, if any.
  void Drop(const std::string& path) {
    auto [first, last] = by_path.equal_range(path);
    if (first == last) return;
    auto latest = first;
    for (auto it = std::next(first); it != last; ++it)
      if (it->second->order > latest->second->order) latest = it;
    items.erase(latest->second);
    by_path.erase(latest);
  }
};

// Never destroyed: an interruption may come while the program ends.
TemporaryList& List() {
  static TemporaryList* list = new TemporaryList;
  return *list;
}

void RemoveListed(TemporaryList& list) {
  for (const Listed& t : list.items)
    if (!t.folder) RemoveFile(t.path, nullptr);
  for (auto it = list.items.rbegin(); it != list.items.rend(); ++it)
    if (it->folder) RemoveEmptyFolder(it->path, nullptr);
  list.items.clear();
  list.by_path.clear();
}

}  // namespace

bool MakeTemporary(const std::string& path, bool folder, const std::function<bool()>& make) {
  TemporaryList& list = List();
  std::lock_guard<std::mutex> lock(list.mu);
  if (!make()) return false;
  list.Add(path, folder);
  return true;
}

bool DropTemporary(const std::string& path, const std::function<bool()>& done) {
  TemporaryList& list = List();
  std::lock_guard<std::mutex> lock(list.mu);
  if (!done()) return false;
  list.Drop(path);
  return true;
}

std::unique_ptr<File> CreateTemporaryFile(const std::string& path, std::string* err) {
  std::unique_ptr<File> file;
  MakeTemporary(path, false, [&] {
    file = File::Open(path, File::Mode::kCreateNew, err);
    return file != nullptr;
  });
  return file;
}

bool RemoveTemporaryFile(const std::string& path, std::string* err) {
  return DropTemporary(path, [&] { return RemoveFile(path, err); });
}

bool MoveTemporaryFile(const std::string& from, const std::string& to, std::string* err) {
  return DropTemporary(from, [&] { return ReplaceFile(from, to, err); });
}

void RemoveTemporaries() {
  TemporaryList& list = List();
  std::lock_guard<std::mutex> lock(list.mu);
  RemoveListed(list);
}

void RemoveTemporariesBeforeExit() {
  TemporaryList& list = List();
  list.mu.lock();
  RemoveListed(list);
}

}  // namespace platform
