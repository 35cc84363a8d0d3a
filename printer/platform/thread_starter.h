// Starts detached worker threads: the seam that lets tests make thread creation fail.
#ifndef QUENBREL_PRINTER_PLATFORM_THREAD_STARTER_H_
#define QUENBREL_PRINTER_PLATFORM_THREAD_STARTER_H_

#include <chrono>
#include <functional>
#include <memory>

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

// A worker's body as a real starter hands it to its thread: counted process-wide as live from
// construction until it is destroyed, after its body (run or not) and whatever that held, so that
// the program can let workers finish before it exits (WaitForLiveWorkers).
struct LiveWorkerTally;

class LiveWorker {
 public:
  explicit LiveWorker(std::function<void()> body);
  ~LiveWorker();
  LiveWorker(const LiveWorker&) = delete;
  LiveWorker& operator=(const LiveWorker&) = delete;

  void Run() { body_(); }

 private:
  std::shared_ptr<LiveWorkerTally> tally_;  // outlives the process's statics if need be
  std::function<void()> body_;
};

// The standard library's threads.
class StdThreadStarter : public ThreadStarter {
 public:
  void StartDetached(std::function<void()> body) override;
};

// Waits until no LiveWorker exists, for at most |bound|; whether none does. For the end of the
// program, so that a ticket being sent is finished before the process goes.
bool WaitForLiveWorkers(std::chrono::milliseconds bound);

#endif  // QUENBREL_PRINTER_PLATFORM_THREAD_STARTER_H_
