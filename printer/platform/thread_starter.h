// Starts detached worker threads: the seam that lets tests make thread creation fail.
#ifndef QUENBREL_PRINTER_PLATFORM_THREAD_STARTER_H_
#define QUENBREL_PRINTER_PLATFORM_THREAD_STARTER_H_

#include <chrono>
#include <functional>

// Owner: the printer bridge, alone. Threads: the window's thread only.
// Never: joins or keeps a handle to a thread it started.
class ThreadStarter {
 public:
  virtual ~ThreadStarter() = default;

  // Runs |body| on a new thread, detached at once. Throws (std::system_error from the thread
  // library, or whatever a test injects) when no thread could be started; |body| is then
  // destroyed without having run.
  virtual void StartDetached(std::function<void()> body) = 0;
};

// The standard library's threads. Each thread counts as live, process-wide, from its start until
// |body| has run and been destroyed (with whatever it held), its last step.
class StdThreadStarter : public ThreadStarter {
 public:
  void StartDetached(std::function<void()> body) override;
};

// Waits until no thread started by a StdThreadStarter is live, for at most |bound|; whether none
// is. For the end of the program, so that a ticket being sent is finished before the process goes.
bool WaitForLiveWorkers(std::chrono::milliseconds bound);

#endif  // QUENBREL_PRINTER_PLATFORM_THREAD_STARTER_H_
