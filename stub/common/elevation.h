#pragma once
// Started from "Programs and Features" by a user without administrator
// rights, the uninstaller of a per-machine install cannot delete its entry
// or the files in Program Files. Instead of failing half-way it runs itself
// again with the rights it needs (the system asks the user) and hands on
// that run's result. The system call sits behind Elevator so the decision
// can be tested without it.

#include <memory>
#include <string>

#include "shell_places.h"

namespace stub {

// Whether this process runs elevated (with an administrator's full token).
bool ProcessIsElevated();

// The switch that marks the elevated run, which must not ask again.
inline constexpr wchar_t kElevatedSwitch[] = L"/_ELEVATED";

class Elevator {
 public:
  virtual ~Elevator() = default;
  // Runs program with args with administrator rights and waits for it.
  // False when it could not be started (the user declined, or no system
  // support); *exit_code is its exit code otherwise.
  virtual bool RunElevated(const std::wstring& program, const std::wstring& args,
                           unsigned long* exit_code) = 0;
};
std::unique_ptr<Elevator> ShellElevator();

enum class RightsDecision {
  kProceed,  // this process may remove the install
  kElevate,  // run again elevated
  kRefuse,   // say that administrator rights are needed
};

// What to do about an entry this process may (can_delete) or may not delete.
RightsDecision DecideRights(Scope scope, bool can_delete, bool already_elevated);

// The arguments of the elevated run: the marker, then this run's own.
std::wstring ElevatedArgs(const std::wstring& own_args);

}  // namespace stub
