// Posts private messages to a window's queue: the one way a printer worker wakes the window's
// thread.
#ifndef QUENBREL_PRINTER_PLATFORM_WINDOW_POSTER_H_
#define QUENBREL_PRINTER_PLATFORM_WINDOW_POSTER_H_

#include "printer/platform/window_handle.h"

// Owner: shared by the bridge and its workers (a worker may post after the bridge is gone).
// Threads: any; implementations keep no state that needs a lock.
// Never: sends (waits for) a message, or looks at wParam/lParam, which are always 0.
class WindowPoster {
 public:
  virtual ~WindowPoster() = default;

  // Puts |message| with wParam 0 and lParam 0 in |window|'s queue. False when it was not queued
  // (no such window, or a full queue).
  virtual bool Post(WindowHandle window, unsigned int message) = 0;
};

#endif  // QUENBREL_PRINTER_PLATFORM_WINDOW_POSTER_H_
