#pragma once
// The files and folders a program makes for a while only (a temporary
// package, a decoded uninstaller, output not yet in place), listed from the
// moment they are made until they are removed or moved to their place, so
// that an interrupted program can remove them. Making a temporary and
// listing it happen under one lock, and so do removing or moving one and
// dropping it from the list: a path is listed exactly while this program's
// temporary may be there.

#include <functional>
#include <memory>
#include <string>

#include "platform/files.h"

namespace platform {

// Runs make() under the list's lock and lists path when it returns true.
// folder: path is a folder, removed at an interruption only when empty.
bool MakeTemporary(const std::string& path, bool folder, const std::function<bool()>& make);
// Runs done() (which removes or moves the temporary) under the list's lock
// and drops path from the list when it returns true.
bool DropTemporary(const std::string& path, const std::function<bool()>& done);

// Creates the new file path (File::Mode::kCreateNew) and lists it.
std::unique_ptr<File> CreateTemporaryFile(const std::string& path, std::string* err);
// Removes a listed file (a missing one is fine) and drops it.
bool RemoveTemporaryFile(const std::string& path, std::string* err);
// Moves a listed file over to, in one step, and drops it.
bool MoveTemporaryFile(const std::string& from, const std::string& to, std::string* err);

// Removes every listed file, then every listed folder that is empty, the
// latest first, and empties the list.
void RemoveTemporaries();
// The same for a program that ends right after: the lock is kept, so no
// thread makes a new temporary meanwhile.
void RemoveTemporariesBeforeExit();

}  // namespace platform
