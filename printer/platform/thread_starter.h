// Starts detached worker threads: the seam that lets tests make thread creation fail.
#ifndef QUENBREL_PRINTER_PLATFORM_THREAD_STARTER_H_
#define QUENBREL_PRINTER_PLATFORM_THREAD_STARTER_H_

#include <functional>

// Owner: the printer bridge, alone. Threads: the window's thread only.
// Never: joins or keeps a handle to a thread it started.
class ThreadStarter {
 public:
  virtual ~ThreadStarter() = default;

  // Runs |body| on a new thread, detached at once, and destroys it there once it has run. Throws
  // (std::system_error from the thread library, or whatever a test injects) when no thread could
  // be started; |body| is then destroyed without having run.
  virtual void StartDetached(std::function<void()> body) = 0;
};

// The standard library's threads.
class StdThreadStarter : public ThreadStarter {
 public:
  void StartDetached(std::function<void()> body) override;
};

#endif  // QUENBREL_PRINTER_PLATFORM_THREAD_STARTER_H_
