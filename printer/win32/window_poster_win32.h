// The window poster over USER32's PostMessageW.
#ifndef QUENBREL_PRINTER_WIN32_WINDOW_POSTER_WIN32_H_
#define QUENBREL_PRINTER_WIN32_WINDOW_POSTER_WIN32_H_

#include "printer/platform/window_poster.h"

// Stateless; safe from any thread. Never reads the thread's last-error value.
class Win32WindowPoster : public WindowPoster {
 public:
  bool Post(WindowHandle window, unsigned int message) override;
};

#endif  // QUENBREL_PRINTER_WIN32_WINDOW_POSTER_WIN32_H_
