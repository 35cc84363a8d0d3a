// The shell over ShellExecuteW.
#ifndef QUENBREL_PRINTER_WIN32_SHELL_WIN32_H_
#define QUENBREL_PRINTER_WIN32_SHELL_WIN32_H_

#include "printer/platform/shell.h"

// Stateless. The caller's thread must have initialised COM (the host's window thread has).
class Win32Shell : public Shell {
 public:
  std::intptr_t Execute(WindowHandle owner, const wchar_t* verb, const wchar_t* file) override;
};

#endif  // QUENBREL_PRINTER_WIN32_SHELL_WIN32_H_
