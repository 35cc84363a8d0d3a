// Worker threads made with CreateThread. MinGW's thread library, under std::thread, was seen to
// lose a detached thread started while the previous worker was still ending: the operation never
// ran and the bridge stayed busy for good.
#ifndef QUENBREL_PRINTER_WIN32_THREAD_STARTER_WIN32_H_
#define QUENBREL_PRINTER_WIN32_THREAD_STARTER_WIN32_H_

#include "printer/platform/thread_starter.h"

class Win32ThreadStarter : public ThreadStarter {
 public:
  void StartDetached(std::function<void()> body) override;
};

#endif  // QUENBREL_PRINTER_WIN32_THREAD_STARTER_WIN32_H_
