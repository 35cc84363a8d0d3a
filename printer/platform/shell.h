// Opens a document or URI through the desktop shell (what "settings" needs of the platform).
#ifndef QUENBREL_PRINTER_PLATFORM_SHELL_H_
#define QUENBREL_PRINTER_PLATFORM_SHELL_H_

#include <cstdint>

#include "printer/platform/window_handle.h"

// Owner: the printer bridge, alone. Threads: the window's thread only.
// Never: retries, or reads the thread's last-error value.
class Shell {
 public:
  virtual ~Shell() = default;

  // Runs |verb| on |file| with |owner| as the owner window, no parameters, no directory, shown
  // normally. Returns the shell's raw result: greater than 32 means success.
  virtual std::intptr_t Execute(WindowHandle owner, const wchar_t* verb, const wchar_t* file) = 0;
};

#endif  // QUENBREL_PRINTER_PLATFORM_SHELL_H_
