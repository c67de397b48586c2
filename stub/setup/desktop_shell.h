#pragma once
// The desktop shell (Explorer) runs with the rights of the user who logged
// on, never elevated. Asked through its own automation (the desktop's shell
// view, its Application object, IShellDispatch2::ShellExecute), it starts a
// program with those rights: the documented way for an elevated program to
// start one as the user.

#include <memory>
#include <string>

namespace stub {

class DesktopShell {
 public:
  virtual ~DesktopShell() = default;
  // Asks the desktop shell to start program (in its own folder). False when
  // there is no desktop shell in this session to ask (none runs, as for a
  // program a deployment tool starts as SYSTEM) or it refused.
  virtual bool StartAsDesktopUser(const std::wstring& program) = 0;
};
std::unique_ptr<DesktopShell> SystemDesktopShell();

}  // namespace stub
