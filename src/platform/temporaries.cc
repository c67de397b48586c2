#include "platform/temporaries.h"

#include <mutex>
#include <vector>

namespace platform {
namespace {

struct Listed {
  std::string path;
  bool folder = false;
};

struct TemporaryList {
  std::mutex mu;
  std::vector<Listed> items;  // in the order they were made
};

// Never destroyed: an interruption may come while the program ends.
TemporaryList& List() {
  static TemporaryList* list = new TemporaryList;
  return *list;
}

void RemoveListed(std::vector<Listed>& items) {
  for (const Listed& t : items)
    if (!t.folder) RemoveFile(t.path, nullptr);
  for (auto it = items.rbegin(); it != items.rend(); ++it)
    if (it->folder) RemoveEmptyFolder(it->path, nullptr);
  items.clear();
}

}  // namespace

bool MakeTemporary(const std::string& path, bool folder, const std::function<bool()>& make) {
  TemporaryList& list = List();
  std::lock_guard<std::mutex> lock(list.mu);
  if (!make()) return false;
  list.items.push_back(Listed{path, folder});
  return true;
}

bool DropTemporary(const std::string& path, const std::function<bool()>& done) {
  TemporaryList& list = List();
  std::lock_guard<std::mutex> lock(list.mu);
  if (!done()) return false;
  for (auto it = list.items.rbegin(); it != list.items.rend(); ++it) {
    if (it->path == path) {
      list.items.erase(std::next(it).base());
      break;
    }
  }
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
  RemoveListed(list.items);
}

void RemoveTemporariesBeforeExit() {
  TemporaryList& list = List();
  list.mu.lock();
  RemoveListed(list.items);
}

}  // namespace platform
